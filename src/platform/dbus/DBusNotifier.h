// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Notifier.h"

#include <QDBusConnection>
#include <QSet>

// Notifications through the desktop's notification service (org.freedesktop.Notifications), which every Linux
// desktop runs: GNOME Shell, Plasma, dunst, mako, xfce4-notifyd…
class DBusNotifier : public Notifier
{
    Q_OBJECT

public:
    // Talks to the service on `bus` (tests run their own).
    explicit DBusNotifier(const QDBusConnection& bus = QDBusConnection::sessionBus(), QObject* parent = nullptr);

    void notify(const QString& title, const QString& body, const QList<Action>& actions = {}) override;
    bool isAvailable() const override { return m_bus.isConnected(); }
    QString unavailableReason() const override;

private:
    class Listener;
    struct Pending
    {
        QString title, body;
        QList<Action> actions;
    };
    void send(const Pending& notification);
    void onActionInvoked(uint id, const QString& key);
    void onClosed(uint id);

    QDBusConnection m_bus;
    enum class Capabilities
    {
        Unasked,
        Asking,
        Known
    } m_capabilitiesState = Capabilities::Unasked;
    QStringList m_capabilities;
    QList<Pending> m_waiting; // notified while the capabilities were asked for
    QSet<uint> m_shown;       // ids of our notifications still on screen
};
