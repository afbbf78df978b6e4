// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <optional>

// The custom hotkey as stored: a macOS virtual key code (a physical key position, 0 meaning none) and the Carbon
// modifier bits. These helpers turn Qt key presses into that form and the stored form into "Ctrl+Shift+K".
namespace HotkeyKeys {

inline constexpr quint32 commandBit = 0x100; // Ctrl on Linux
inline constexpr quint32 shiftBit = 0x200;
inline constexpr quint32 optionBit = 0x800;   // Alt
inline constexpr quint32 controlBit = 0x1000; // Super

// "Not set" for key code 0, else the held modifiers in the order Ctrl, Shift, Alt, Super and the key's name.
QString display(quint32 keyCode, quint32 modifiers);

// "K", "7", "Return", "F5", "Left" …, or "Key<code>" for keys without a name.
QString keyName(quint32 keyCode);

// Qt's keyboard modifiers as the stored modifier bits (0x100 Ctrl, 0x200 Shift, 0x800 Alt, 0x1000 Super; keypad
// and group-switch bits are dropped).
quint32 storedModifiers(Qt::KeyboardModifiers modifiers);

// The position of a Qt key on the US layout, for events that carry no hardware code.
std::optional<quint32> macKeyCodeForQtKey(int qtKey);

// Shift, Ctrl, Alt, Super and the lock keys: pressing one alone never ends a recording.
bool isModifierKey(int qtKey);

} // namespace HotkeyKeys
