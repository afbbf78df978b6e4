// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Starting Vantro at login, through an XDG autostart entry ($XDG_CONFIG_HOME/autostart/vantro.desktop), which every
// desktop that follows freedesktop's autostart rules reads.
namespace Autostart {

QString entryPath();

// Whether the entry exists and is not hidden or turned off: the real state, whoever wrote it.
bool isEnabled();

// Writes the entry, starting `program` (the installed binary), or removes it. False with a sentence for the user
// when the folder or file cannot be written.
bool setEnabled(bool enabled, const QString& program, QString* error = nullptr);

// `program` quoted for the Exec key of a desktop entry.
QString execValue(const QString& program);

} // namespace Autostart
