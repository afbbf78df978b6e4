// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/GlobalHotkey.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QHash>
#include <QPointer>
#include <QSet>

#include <chrono>

class PortalRequest;

// Vantro's two shortcuts through the desktop portal's GlobalShortcuts interface (KDE Plasma, GNOME 48, Hyprland):
// "Prompt on the copied text" and "Prompt on a screenshot". The desktop owns the keys; we suggest Ctrl+Alt+C and
// Ctrl+Alt+S and show what it bound. Holding a key repeats Activated, so a shortcut fires once until the desktop
// says it was let go (or a second has passed without a repeat, for desktops that never say).
class GlobalHotkeyPortal : public GlobalHotkey
{
    Q_OBJECT

public:
    static const QString textShortcutId;
    static const QString screenshotShortcutId;
    // Creating a session is quick; binding may wait for the user in the desktop's dialog.
    static constexpr std::chrono::milliseconds defaultCallTimeout = std::chrono::seconds(10);
    static constexpr std::chrono::milliseconds defaultBindTimeout = std::chrono::minutes(2);

    GlobalHotkeyPortal(const QDBusConnection& bus, QString applicationId,
                       std::chrono::milliseconds callTimeout = defaultCallTimeout,
                       std::chrono::milliseconds bindTimeout = defaultBindTimeout, QObject* parent = nullptr);
    ~GlobalHotkeyPortal() override;

    // The desktop decides the keys: a key of our own cannot be grabbed here.
    bool registerHotkey(quint32 keyCode, quint32 modifiers) override;
    void unregisterHotkey() override {}
    bool isRegistered() const override { return false; }

    bool isDesktopManaged() const override { return true; }
    void bindDesktopShortcuts() override;
    QList<DesktopShortcut> desktopShortcuts() const override { return m_shortcuts; }
    QString desktopShortcutsProblem() const override { return m_problem; }
    bool canChangeDesktopShortcuts() const override;
    void changeDesktopShortcuts() override;

    bool isBound() const { return m_state == State::Bound; }
    QString sessionHandle() const { return m_session; }
    // Where the answer to the call on its way is awaited; empty when none is.
    QString pendingRequestPath() const;

private Q_SLOTS:
    void portalSignal(const QDBusMessage& message);

private:
    enum class State
    {
        Idle,
        Binding,
        Bound,
        Failed
    };

    void readVersion();
    void createSession();
    void bind();
    void fail(const QString& problem, const QString& logDetail);
    // `changed`: only the shortcuts named change (ShortcutsChanged); otherwise the list is the whole binding.
    void setShortcuts(const QVariant& value, bool changed);
    void closeSession();
    void subscribe(bool on);

    QDBusConnection m_bus;
    QString m_applicationId;
    std::chrono::milliseconds m_callTimeout;
    std::chrono::milliseconds m_bindTimeout;
    State m_state = State::Idle;
    uint m_version = 0;
    QString m_session;
    bool m_subscribed = false;
    QPointer<PortalRequest> m_request;
    QList<DesktopShortcut> m_shortcuts;
    QString m_problem;
    QSet<QString> m_held;
    QHash<QString, qint64> m_lastActivated; // ms on m_clock
    QElapsedTimer m_clock;
};
