// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/GlobalHotkey.h"

#include <QAbstractNativeEventFilter>

// The custom hotkey as an asynchronous passive grab on the root window of Qt's own X connection (all Caps Lock and
// Num Lock variants); its presses arrive through a native event filter on the GUI thread. Needs the xcb platform.
class GlobalHotkeyX11 : public GlobalHotkey, private QAbstractNativeEventFilter
{
    Q_OBJECT

public:
    explicit GlobalHotkeyX11(QObject* parent = nullptr);
    ~GlobalHotkeyX11() override;

    bool registerHotkey(quint32 keyCode, quint32 modifiers) override;
    void unregisterHotkey() override;
    bool isRegistered() const override { return m_keycode != 0; }

private:
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;
    // The X keycode at the position of a macOS virtual key code in the current layout, 0 when there is none.
    quint8 keycodeFor(quint32 macKeyCode) const;
    void ungrab();

    quint8 m_keycode = 0;
    quint16 m_modifiers = 0; // X modifier mask without the lock bits
    quint16 m_numLock = 0;
    quint16 m_matchMask = 0; // Shift, Control, Alt and Super as this server maps them
    quint32 m_root = 0;
    bool m_held = false;
};
