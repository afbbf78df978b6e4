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

uint FakeNotificationServer::Notify(const QString& appName, uint replacesId, const QString& icon,
                                    const QString& summary, const QString& body, const QStringList& actions,
                                    const QVariantMap& hints, int timeout)
{
    Q_UNUSED(replacesId);
    Q_UNUSED(timeout);
    // Ids start above 1000 so that a client taking another client's id for its own would show.
    m_shown.append({appName, icon, summary, body, actions, hints, uint(1001 + m_shown.size())});
    Q_EMIT notified();
    return m_shown.constLast().id;
}

void FakeNotificationServer::invoke(uint id, const QString& key)
{
    QDBusMessage signal = QDBusMessage::createSignal(objectPath, QStringLiteral("org.freedesktop.Notifications"),
                                                     QStringLiteral("ActionInvoked"));
    signal << id << key;
    m_bus.connection().send(signal);
}
