// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <QWindow>

// Drives the X server like a user: xdotool sends XTest input, which goes through passive grabs exactly as a real
// keyboard does (never `--window`: that sends synthetic events that bypass grabs). The Qt event loop keeps running
// while xdotool works.
namespace XdoTool {

// Runs `xdotool <arguments>` (a command chain such as "keydown ctrl key c keyup ctrl"); true on exit status 0.
bool run(const QString& arguments, int timeoutMs = 15000);
// What `xdotool <arguments>` printed; empty when it failed.
QString output(const QStringList& arguments);

// Shows the window and gives it the keyboard focus (there is no window manager under Xvfb).
bool focus(QWindow& window);

// The clipboard's text as another client sees it.
QString clipboardText();

} // namespace XdoTool
