// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/AtomicFile.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSaveFile>
#include <QStorageInfo>

namespace {

AtomicFile::WriteFunction& writeFunction()
{
    static AtomicFile::WriteFunction function;
    return function;
}

// What the user can act on, where the file system tells: Qt's own text after a short write is often
// "Unknown error".
QString cause(const QString& path, qint64 needed, const QString& fallback)
{
    const QStorageInfo storage(QFileInfo(path).absolutePath());
    if (storage.isValid() && storage.isReadOnly())
        return QCoreApplication::translate("AtomicFile", "the disk is read-only");
    if (storage.isValid() && storage.bytesAvailable() < needed)
        return QCoreApplication::translate("AtomicFile", "no space left on the disk");
    return fallback;
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
            *error = cause(path, data.size(), file.errorString());
        return false;
    }
    const qint64 written = writeFunction() ? writeFunction()(file, data) : file.write(data);
    // Qt 6.4's commit() can report success after a short write on a full disk; check every step ourselves.
    QString failure;
    if (written != data.size())
        // Without the byte counts: the same cause must read the same each time it is told.
        failure = QCoreApplication::translate("AtomicFile", "the file could not be written whole (%1)")
                      .arg(file.errorString());
    else if (!file.flush())
        failure = QCoreApplication::translate("AtomicFile", "writing failed: %1").arg(file.errorString());
    else if (file.error() != QFileDevice::NoError)
        failure = file.errorString();
    if (!failure.isEmpty()) {
        file.cancelWriting();
        if (error)
            *error = cause(path, data.size(), failure);
        return false;
    }
    if (!file.commit()) {
        if (error)
            *error = cause(path, data.size(), file.errorString());
        return false;
    }
    return true;
}

} // namespace AtomicFile
