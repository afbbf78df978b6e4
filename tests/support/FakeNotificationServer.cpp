// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/FakeNotificationServer.h"

#include <QDBusMessage>

namespace {

const QString objectPath = QStringLiteral("/org/freedesktop/Notifications");

} // namespace

FakeNotificationServer::FakeNotificationServer(QStringList capabilities) : m_capabilities(std::move(capabilities))
{
    m_exported =
        m_bus.isRunning() && m_bus.connection().registerObject(objectPath, this, QDBusConnection::ExportAllSlots);
}

uint FakeNotificationServer::Notify(const QString&, uint, const QString&, const QString& summary, const QString& body,
                                    const QStringList& actions, const QVariantMap&, int)
{
    // Ids start above 1000 so that a client taking another client's id for its own would show.
    m_shown.append({summary, body, actions, uint(1001 + m_shown.size())});
    return m_shown.constLast().id;
}

void FakeNotificationServer::invoke(uint id, const QString& key)
{
    QDBusMessage signal = QDBusMessage::createSignal(objectPath, QStringLiteral("org.freedesktop.Notifications"),
                                                     QStringLiteral("ActionInvoked"));
    signal << id << key;
    m_bus.connection().send(signal);
}
