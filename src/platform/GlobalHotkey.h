// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

#include <optional>

// One global shortcut. The key is stored as a macOS virtual key code (a physical key position) and the modifiers as
// Carbon bits: 0x100 Ctrl, 0x200 Shift, 0x800 Alt, 0x1000 Super; 0x400 (caps lock) is ignored.
class GlobalHotkey : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // Replaces any registered shortcut. False, with a log line, when the key cannot be mapped or the grab is refused.
    virtual bool registerHotkey(quint32 keyCode, quint32 modifiers) = 0;
    virtual void unregisterHotkey() = 0;
    virtual bool isRegistered() const = 0;

    // The stored key code of a key event's native scan code, where this session's scan codes name physical keys
    // (X11); none elsewhere, where the caller falls back to the key's meaning.
    static std::optional<quint32> keyCodeOfNativeScanCode(quint32 nativeScanCode);

Q_SIGNALS:
    // On the GUI thread.
    void activated();
};
