// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include <optional>

// One global shortcut that Vantro grabs itself (X11), or the desktop's own shortcuts for Vantro (the GlobalShortcuts
// portal on Wayland), where the user picks the keys in the desktop's settings. The key is stored as a macOS virtual key
// code (a physical key position) and the modifiers as Carbon bits: 0x100 Ctrl, 0x200 Shift, 0x800 Alt, 0x1000 Super;
// 0x400 (caps lock) is ignored.
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

    // A shortcut the desktop binds for us, with the keys the user gave it there (empty when none).
    struct DesktopShortcut
    {
        QString id;
        QString description;
        QString trigger;
        bool operator==(const DesktopShortcut&) const = default;
    };

    // True where the desktop binds Vantro's shortcuts, so registerHotkey has no use.
    virtual bool isDesktopManaged() const { return false; }
    // Asks the desktop for Vantro's shortcuts; nothing while they stand or are on their way.
    virtual void bindDesktopShortcuts() {}
    virtual QList<DesktopShortcut> desktopShortcuts() const { return {}; }
    // Why the desktop's shortcuts are not there, as a sentence for the user; empty while binding and once bound.
    virtual QString desktopShortcutsProblem() const { return {}; }
    // Whether the desktop can show its own dialog for changing the keys.
    virtual bool canChangeDesktopShortcuts() const { return false; }
    virtual void changeDesktopShortcuts() {}

Q_SIGNALS:
    // On the GUI thread. The custom hotkey, or the desktop's shortcut for a prompt on the copied text.
    void activated();
    // The desktop's shortcut for a prompt on a screenshot.
    void screenshotActivated();
    void desktopShortcutsChanged();
};
