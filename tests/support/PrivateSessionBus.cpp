// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/PrivateSessionBus.h"

#include <QUuid>

PrivateSessionBus::PrivateSessionBus(const QString& service)
{
    m_daemon.start(QStringLiteral("dbus-daemon"),
                   {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
    if (!m_daemon.waitForStarted(5000))
        return;
    while (!m_daemon.canReadLine() && m_daemon.waitForReadyRead(5000)) {
    }
    const QString address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    if (address.isEmpty())
        return;
    m_connectionName = QStringLiteral("fake-service-") + QUuid::createUuid().toString(QUuid::Id128);
    QDBusConnection bus = QDBusConnection::connectToBus(address, m_connectionName);
    if (!bus.isConnected() || !bus.registerService(service))
        return;
    m_address = address;
}

PrivateSessionBus::~PrivateSessionBus()
{
    if (!m_connectionName.isEmpty())
        QDBusConnection::disconnectFromBus(m_connectionName);
    m_daemon.terminate();
    m_daemon.waitForFinished(3000);
}
