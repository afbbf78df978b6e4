// SPDX-License-Identifier: GPL-3.0-or-later
// The settings file as someone may have edited it by hand: every key read through every accessor, from a file of
// any content (an unreadable one is kept aside and the defaults used).
#include "FuzzInput.h"
#include "model/Settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

QTemporaryDir* folder = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication application(*argc, *argv);
    folder = new QTemporaryDir;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString dir = folder->filePath(QStringLiteral("run"));
    QDir(dir).removeRecursively();
    QDir().mkpath(dir);
    const QString path = dir + QStringLiteral("/vantro.conf");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(fuzzBytes(data, size)) != qint64(size))
        return 0;
    file.close();
    Settings settings(path);
    for (const SettingKey& key : SettingsKeys::all) {
        settings.string(key);
        settings.boolean(key);
        settings.integer(key);
        settings.hotkeyValue(key);
        settings.bytes(key);
        settings.stringList(key);
    }
    return 0;
}
