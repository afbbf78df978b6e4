// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Autostart.h"

#include "platform/AtomicFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace Autostart {

QString entryPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/autostart/vantro.desktop");
}

bool isEnabled()
{
    QFile file(entryPath());
    if (!file.open(QIODevice::ReadOnly))
        return false;
    // Desktops turn an entry off with Hidden=true or their own switch; either way it does not start.
    const QByteArray text = file.read(64 * 1024);
    for (const QByteArray& raw : text.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line == "Hidden=true" || line == "X-GNOME-Autostart-enabled=false")
            return false;
    }
    return true;
}

QString execValue(const QString& program)
{
    // Quoted as the desktop entry format asks, then with backslashes doubled for the value's own escapes.
    QString quoted;
    for (const QChar c : program) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            quoted += u'\\';
        quoted += c;
    }
    quoted = u'"' + quoted + u'"';
    quoted.replace(u'\\', QStringLiteral("\\\\"));
    // A literal percent sign would be read as a field code.
    quoted.replace(u'%', QStringLiteral("%%"));
    return quoted;
}

bool setEnabled(bool enabled, const QString& program, QString* error)
{
    const QString path = entryPath();
    if (!enabled) {
        if (!QFileInfo::exists(path) || QFile::remove(path))
            return true;
        if (error)
            *error = QCoreApplication::translate("Autostart", "Could not remove %1.").arg(path);
        return false;
    }
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        if (error)
            *error = QCoreApplication::translate("Autostart", "Could not create the folder of %1.").arg(path);
        return false;
    }
    const QString entry = QStringLiteral("[Desktop Entry]\n"
                                         "Type=Application\n"
                                         "Name=Vantro\n"
                                         "Comment=AI prompts on what you copy\n"
                                         "Exec=%1\n"
                                         "Icon=vantro\n"
                                         "Terminal=false\n"
                                         "X-GNOME-Autostart-enabled=true\n")
                              .arg(execValue(program));
    QString reason;
    if (AtomicFile::write(path, entry.toUtf8(), &reason))
        return true;
    if (error)
        *error = QCoreApplication::translate("Autostart", "Could not write %1: %2").arg(path, reason);
    return false;
}

} // namespace Autostart
