// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/AppPaths.h"

#include "platform/AtomicFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

QString utcStamp()
{
    return QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss"));
}

// A second keep-aside within the same second must not replace the first one.
QString freePath(const QString& stem, const QString& suffix)
{
    QString candidate = stem + suffix;
    for (int n = 2; QFileInfo::exists(candidate); ++n)
        candidate = stem + u'-' + QString::number(n) + suffix;
    return candidate;
}

} // namespace

namespace AppPaths {

QString appFolder()
{
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty())
        return {};
    const QString folder = base + QStringLiteral("/vantro");
    QDir().mkpath(folder); // failures show up in the read or write that follows
    return folder;
}

QString settingsFile()
{
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.config");
    const QString folder = base + QStringLiteral("/vantro");
    QDir().mkpath(folder);
    return folder + QStringLiteral("/vantro.conf");
}

QString keepAside(const QString& path)
{
    const QString target = freePath(path + QStringLiteral(".corrupt-") + utcStamp(), QString());
    return QFile::rename(path, target) ? target : QString();
}

QString keepBytesAside(const QString& folder, const QString& baseName, const QString& suffix, const QByteArray& bytes)
{
    const QString target =
        freePath(folder + u'/' + baseName + QStringLiteral(".corrupt-") + utcStamp(), u'.' + suffix);
    return AtomicFile::write(target, bytes) ? target : QString();
}

} // namespace AppPaths
