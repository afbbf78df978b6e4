// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/AtomicFile.h"

#include <QSaveFile>

namespace {

AtomicFile::WriteFunction& writeFunction()
{
    static AtomicFile::WriteFunction function;
    return function;
}

} // namespace

namespace AtomicFile {

void setWriteFunctionForTesting(WriteFunction function)
{
    writeFunction() = std::move(function);
}

bool write(const QString& path, const QByteArray& data, QString* error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    const qint64 written = writeFunction() ? writeFunction()(file, data) : file.write(data);
    // Qt 6.4's commit() can report success after a short write on a full disk; check every step ourselves.
    QString failure;
    if (written != data.size())
        failure = QStringLiteral("short write (%1 of %2 bytes): %3").arg(written).arg(data.size()).arg(file.errorString());
    else if (!file.flush())
        failure = QStringLiteral("flush failed: ") + file.errorString();
    else if (file.error() != QFileDevice::NoError)
        failure = file.errorString();
    if (!failure.isEmpty()) {
        file.cancelWriting();
        if (error)
            *error = failure;
        return false;
    }
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

} // namespace AtomicFile
