// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/AccessibilityBus.h"

#include <QDBusArgument>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QTest>
#include <QUuid>

namespace {

const QString accessibleInterface = QStringLiteral("org.a11y.atspi.Accessible");
const QString registry = QStringLiteral("org.a11y.atspi.Registry");

using Node = std::pair<QString, QDBusObjectPath>;

QList<Node> childNodes(const QDBusConnection& bus, const Node& node)
{
    const QDBusMessage reply = bus.call(QDBusMessage::createMethodCall(
        node.first, node.second.path(), accessibleInterface, QStringLiteral("GetChildren")));
    QList<Node> result;
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return result;
    const QDBusArgument list = reply.arguments().first().value<QDBusArgument>();
    list.beginArray();
    while (!list.atEnd()) {
        Node child;
        list.beginStructure();
        list >> child.first >> child.second;
        list.endStructure();
        result.append(child);
    }
    list.endArray();
    return result;
}

} // namespace

AccessibilityBus::AccessibilityBus() : m_session(QStringLiteral("app.vantro.test.a11y"))
{
    if (!m_session.isRunning())
        return;
    m_launcher.setProcessEnvironment(environment());
    m_launcher.start(QStringLiteral("/usr/libexec/at-spi-bus-launcher"), {QStringLiteral("--launch-immediately")});
    if (!m_launcher.waitForStarted(5000))
        return;
    QString address;
    const QDBusConnection session = m_session.connection();
    const bool launched = QTest::qWaitFor(
        [&] {
            const QDBusMessage reply = session.call(
                QDBusMessage::createMethodCall(QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus"),
                                               QStringLiteral("org.a11y.Bus"), QStringLiteral("GetAddress")));
            if (reply.type() == QDBusMessage::ReplyMessage)
                address = reply.arguments().value(0).toString();
            return !address.isEmpty();
        },
        10000);
    if (!launched)
        return;
    m_connectionName = QStringLiteral("a11y-") + QUuid::createUuid().toString(QUuid::Id128);
    m_a11y = QDBusConnection::connectToBus(address, m_connectionName);
}

AccessibilityBus::~AccessibilityBus()
{
    if (!m_connectionName.isEmpty())
        QDBusConnection::disconnectFromBus(m_connectionName);
    m_launcher.terminate();
    m_launcher.waitForFinished(5000);
}

QProcessEnvironment AccessibilityBus::environment() const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_session.address());
    environment.insert(QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"), QStringLiteral("1"));
    return environment;
}

QStringList AccessibilityBus::names() const
{
    QStringList names;
    QList<Node> pending{{registry, QDBusObjectPath(QStringLiteral("/org/a11y/atspi/accessible/root"))}};
    for (int visited = 0; !pending.isEmpty() && visited < 3000; ++visited) {
        const Node node = pending.takeFirst();
        names << name(node.first, node.second.path());
        pending << childNodes(m_a11y, node);
    }
    return names;
}

QString AccessibilityBus::name(const QString& sender, const QString& path) const
{
    QDBusMessage get = QDBusMessage::createMethodCall(sender, path, QStringLiteral("org.freedesktop.DBus.Properties"),
                                                      QStringLiteral("Get"));
    get << accessibleInterface << QStringLiteral("Name");
    const QDBusMessage reply = m_a11y.call(get);
    return reply.type() == QDBusMessage::ReplyMessage
               ? reply.arguments().value(0).value<QDBusVariant>().variant().toString()
               : QString();
}

QString AccessibilityBus::roleName(const QString& sender, const QString& path) const
{
    const QDBusMessage reply =
        m_a11y.call(QDBusMessage::createMethodCall(sender, path, accessibleInterface, QStringLiteral("GetRoleName")));
    return reply.type() == QDBusMessage::ReplyMessage ? reply.arguments().value(0).toString() : QString();
}

bool AccessibilityBus::recordStateChanges()
{
    if (!m_a11y.connect(QString(), QString(), QStringLiteral("org.a11y.atspi.Event.Object"),
                        QStringLiteral("StateChanged"), this, SLOT(record(QDBusMessage))))
        return false;
    QDBusMessage subscribe = QDBusMessage::createMethodCall(registry, QStringLiteral("/org/a11y/atspi/registry"),
                                                            registry, QStringLiteral("RegisterEvent"));
    subscribe << QStringLiteral("object:state-changed");
    return m_a11y.call(subscribe).type() == QDBusMessage::ReplyMessage;
}

void AccessibilityBus::record(const QDBusMessage& message)
{
    const QList<QVariant> arguments = message.arguments();
    stateChanges.append({message.service(), message.path(), arguments.value(0).toString(), arguments.value(1).toInt()});
}
