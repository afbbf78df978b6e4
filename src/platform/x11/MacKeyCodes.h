// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

#include <optional>
#include <string_view>

// The stored hotkey names a physical key by its macOS virtual key code. XKB names the same positions with
// four-letter key names (C is <AB03>), which every X keymap resolves to its own keycode.
namespace MacKeyCodes {

// The XKB key name of a macOS virtual key code, or empty for codes without a position on a PC keyboard.
std::string_view xkbKeyName(quint32 macKeyCode);

// The macOS virtual key code of an XKB key name, or -1.
int macKeyCode(std::string_view xkbKeyName);

// The macOS virtual key code at the position of an X11 hardware key code (evdev code + 8), whatever the layout.
std::optional<quint32> fromX11Keycode(quint32 keycode);

} // namespace MacKeyCodes
