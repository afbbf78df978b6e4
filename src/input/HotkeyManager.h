// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/GlobalHotkey.h"
#include "platform/KeyMonitor.h"

#include <QObject>
#include <QString>

#include <memory>

class Settings;

// Turns keyboard activity anywhere in the session into the application's three triggers: a double Ctrl+C (or the
// custom hotkey, or the desktop's shortcut) emits triggered, a triple Ctrl+C screenshotTriggered, and every counted tap
// copyTapped with its ordinal. The taps are decided on the key monitor's thread; the signals are always emitted later,
// on the GUI thread, and never after the manager is gone.
class HotkeyManager : public QObject
{
    Q_OBJECT

public:
    // What set a text trigger off: the copy gesture reads the clipboard, a shortcut may read the selection.
    enum class Source
    {
        DoubleCopy,
        Shortcut
    };

    // Uses the key backends of this session. `settings` (optional, must outlive the manager) supplies and follows
    // the window classes where Ctrl+C is left alone.
    explicit HotkeyManager(Settings* settings = nullptr, QObject* parent = nullptr);
    HotkeyManager(std::unique_ptr<KeyMonitor> monitor, std::unique_ptr<GlobalHotkey> hotkey,
                  Settings* settings = nullptr, QObject* parent = nullptr);
    ~HotkeyManager() override;

    // The one way to arm the detection: tears everything down and builds it again from these values. A key code
    // of 0 means no custom hotkey.
    void configure(bool useDoubleCopy, quint32 keyCode, quint32 modifiers);
    void startKeyMonitor();
    void stopKeyMonitor();
    void resetTapState();
    // False when the key has no place in this layout or the grab is refused (a log line says which).
    bool registerCustomHotkey(quint32 keyCode, quint32 modifiers);
    void unregisterCustomHotkey();

    // The "event tap exists" of re-arming: the key monitor is running.
    bool hasKeyMonitor() const;
    // Re-arming on wake: makes the running monitor grab again.
    void reenableKeyMonitor();
    bool isCustomHotkeyRegistered() const;

    // Whether double copy can work in this session (X11 with XInput 2.2 and Ctrl+C not taken), and if not, a
    // sentence for the user saying why.
    bool isDetectionAvailable() const;
    QString detectionUnavailableReason() const;

    // Where the desktop binds Vantro's shortcuts (the GlobalShortcuts portal) instead of a custom hotkey.
    bool usesDesktopShortcuts() const;
    QList<GlobalHotkey::DesktopShortcut> desktopShortcuts() const;
    QString desktopShortcutsProblem() const;
    bool canChangeDesktopShortcuts() const;
    void changeDesktopShortcuts();

    bool doubleCopyEnabled() const { return m_doubleCopyEnabled; }
    bool lastUseDoubleCopy() const { return m_lastUseDoubleCopy; }
    quint32 lastKeyCode() const { return m_lastKeyCode; }
    quint32 lastModifiers() const { return m_lastModifiers; }

Q_SIGNALS:
    void triggered(HotkeyManager::Source source);
    void screenshotTriggered();
    void copyTapped(int ordinal);
    void detectionAvailabilityChanged(bool available);
    // Arming failed in a way worth telling the user: the key monitor's reason, or the custom hotkey was refused.
    void keyMonitorFailed(const QString& reason);
    void customHotkeyRefused();
    void desktopShortcutsChanged();
    // The key monitor stalled the keyboard and had to let it go.
    void keyboardThawed();

private:
    class TapBridge;

    void applyIgnoredClasses();
    void deliverTrigger(Source source);
    void deliverScreenshotTrigger();
    void deliverTap(int count);

    Settings* m_settings = nullptr;
    std::unique_ptr<KeyMonitor> m_monitor;
    std::unique_ptr<GlobalHotkey> m_hotkey;
    std::unique_ptr<TapBridge> m_bridge;
    bool m_doubleCopyEnabled = true;
    bool m_lastUseDoubleCopy = true;
    quint32 m_lastKeyCode = 0;
    quint32 m_lastModifiers = 0;
};
