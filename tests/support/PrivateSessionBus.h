// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QString>

// A private D-Bus session bus: a dbus-daemon of its own, stopped with this object, and a connection to it that owns
// `service`, for a fake to export its objects on. Code under test connects to address().
class PrivateSessionBus
{
public:
    explicit PrivateSessionBus(const QString& service);
    ~PrivateSessionBus();

    bool isRunning() const { return !m_address.isEmpty(); }
    QString address() const { return m_address; }
    // The fake's side; not connected when the bus did not start.
    QDBusConnection connection() const { return QDBusConnection(m_connectionName); }

private:
    QProcess m_daemon;
    QString m_address;
    QString m_connectionName;
};
