// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/dbus/DBusNotifier.h"

#include "platform/AppPaths.h"

#include "platform/Log.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace {

const QString service = QStringLiteral("org.freedesktop.Notifications");
const QString path = QStringLiteral("/org/freedesktop/Notifications");
const QString interface = QStringLiteral("org.freedesktop.Notifications");
constexpr auto component = u"Notifier";

} // namespace

// Receives the service's signals, whose argument types only the bus side needs to know.
class DBusNotifier::Listener : public QObject
{
    Q_OBJECT

public:
    explicit Listener(DBusNotifier* notifier) : QObject(notifier), m_notifier(notifier) {}

public Q_SLOTS:
    void actionInvoked(uint id, const QString& key) { m_notifier->onActionInvoked(id, key); }
    void notificationClosed(uint id, uint reason)
    {
        Q_UNUSED(reason);
        m_notifier->onClosed(id);
    }

private:
    DBusNotifier* m_notifier;
};

DBusNotifier::DBusNotifier(const QDBusConnection& bus, QObject* parent) : Notifier(parent), m_bus(bus)
{
    if (!m_bus.isConnected())
        return;
    auto* listener = new Listener(this);
    m_bus.connect(service, path, interface, QStringLiteral("ActionInvoked"), listener,
                  SLOT(actionInvoked(uint, QString)));
    m_bus.connect(service, path, interface, QStringLiteral("NotificationClosed"), listener,
                  SLOT(notificationClosed(uint, uint)));
}

QString DBusNotifier::unavailableReason() const
{
    return isAvailable() ? QString()
                         : QCoreApplication::translate("Notifier", "There is no session bus for notifications.");
}

void DBusNotifier::notify(const QString& title, const QString& body, const QList<Action>& actions)
{
    if (!m_bus.isConnected()) {
        Q_EMIT notificationFailed(title, body);
        return;
    }
    // The capabilities decide how the body and the buttons are sent: ask once, and hold what comes meanwhile.
    const Pending notification{title, body, actions};
    if (m_capabilitiesState == Capabilities::Known) {
        send(notification);
        return;
    }
    m_waiting.append(notification);
    if (m_capabilitiesState == Capabilities::Asking)
        return;
    m_capabilitiesState = Capabilities::Asking;
    const QDBusMessage ask =
        QDBusMessage::createMethodCall(service, path, interface, QStringLiteral("GetCapabilities"));
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(ask, 5000), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* done) {
        done->deleteLater();
        const QDBusPendingReply<QStringList> reply = *done;
        if (!reply.isError())
            m_capabilities = reply.value();
        m_capabilitiesState = Capabilities::Known;
        for (const Pending& waiting : std::exchange(m_waiting, {}))
            send(waiting);
    });
}

void DBusNotifier::send(const Pending& notification)
{
    const QString title = notification.title;
    const QString body = notification.body;
    // A server that reads markup would read ours as markup: escape it, so the text stays text.
    const QString shownBody = m_capabilities.contains(u"body-markup") ? body.toHtmlEscaped() : body;
    QStringList actionList;
    if (m_capabilities.contains(u"actions")) {
        for (const Action& action : notification.actions)
            actionList << action.key << action.label;
    }
    QVariantMap hints{{QStringLiteral("desktop-entry"), AppPaths::applicationId()},
                      {QStringLiteral("urgency"), QVariant::fromValue(uchar(1))}};
    QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, QStringLiteral("Notify"));
    call << QStringLiteral("Vantro") << uint(0) << AppPaths::applicationId() << title << shownBody << actionList
         << hints << int(-1);
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, 5000), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, title, body](QDBusPendingCallWatcher* done) {
        done->deleteLater();
        const QDBusPendingReply<uint> reply = *done;
        if (reply.isError()) {
            logLine(component, QStringLiteral("No notification service answered (%1)").arg(reply.error().name()));
            Q_EMIT notificationFailed(title, body);
            return;
        }
        m_shown.insert(reply.value());
    });
}

void DBusNotifier::onActionInvoked(uint id, const QString& key)
{
    // The service tells every client of every notification; only ours count.
    if (m_shown.contains(id))
        Q_EMIT actionInvoked(key);
}

void DBusNotifier::onClosed(uint id)
{
    m_shown.remove(id);
}

#include "DBusNotifier.moc"
