// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace AppPaths {

// The one id the desktop knows Vantro by: its desktop entry and AppStream metadata, its icon, its notifications.
inline QString applicationId()
{
    return QStringLiteral("app.vantro.Vantro");
}

// $XDG_DATA_HOME/vantro (default ~/.local/share/vantro), created with its parents on every call.
// Empty when the system reports no data location at all.
QString appFolder();

// $XDG_CONFIG_HOME/vantro/vantro.conf; the folder is created on demand.
QString settingsFile();

// Moves a file that could not be decoded out of the way so that no later write can destroy it:
// NAME becomes NAME.corrupt-YYYYMMDD-HHMMSS (UTC). Returns the new path, or an empty string on failure.
QString keepAside(const QString& path);

// Copies bytes that could not be decoded to FOLDER/BASENAME.corrupt-YYYYMMDD-HHMMSS.SUFFIX, for data that lives
// inside another file (the settings). Returns the new path, or an empty string on failure.
QString keepBytesAside(const QString& folder, const QString& baseName, const QString& suffix, const QByteArray& bytes);

} // namespace AppPaths
