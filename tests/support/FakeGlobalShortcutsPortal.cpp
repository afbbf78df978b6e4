// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/FakeGlobalShortcutsPortal.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QTimer>

namespace {

const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString interface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");

class RegistryAdaptor : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.host.portal.Registry")

public:
    explicit RegistryAdaptor(FakeGlobalShortcutsPortal* portal) : QDBusAbstractAdaptor(portal), m_portal(portal) {}

public Q_SLOTS:
    void Register(const QString& id, const QVariantMap& options)
    {
        Q_UNUSED(options);
        m_portal->registerApplication(id);
    }

private:
    FakeGlobalShortcutsPortal* m_portal;
};

// The session object: Close ends it, as the application does when it goes.
class FakeSession : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Session")

public:
    FakeSession(QStringList* closed, QString path, QObject* parent)
        : QObject(parent), m_closed(closed), m_path(std::move(path))
    {}

public Q_SLOTS:
    void Close() { m_closed->append(m_path); }

private:
    QStringList* m_closed;
    QString m_path;
};

} // namespace

QDBusArgument& operator<<(QDBusArgument& argument, const FakeShortcut& shortcut)
{
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, FakeShortcut& shortcut)
{
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}

FakeGlobalShortcutsPortal::FakeGlobalShortcutsPortal()
{
    qDBusRegisterMetaType<FakeShortcut>();
    qDBusRegisterMetaType<QList<FakeShortcut>>();
    new RegistryAdaptor(this);
    m_exported = m_bus.isRunning() && m_bus.connection().registerObject(portalPath, this,
                                                                        QDBusConnection::ExportAllSlots |
                                                                            QDBusConnection::ExportAllProperties |
                                                                            QDBusConnection::ExportAdaptors);
}

QString FakeGlobalShortcutsPortal::requestPath(const QVariantMap& options) const
{
    QString sender = message().service().mid(1);
    sender.replace(u'.', u'_');
    return portalPath + u"/request/" + sender + u'/' + options.value(QStringLiteral("handle_token")).toString();
}

QDBusObjectPath FakeGlobalShortcutsPortal::CreateSession(const QVariantMap& options)
{
    QString sender = message().service().mid(1);
    sender.replace(u'.', u'_');
    m_session =
        portalPath + u"/session/" + sender + u'/' + options.value(QStringLiteral("session_handle_token")).toString();
    m_bus.connection().registerObject(m_session, new FakeSession(&m_closedSessions, m_session, this),
                                      QDBusConnection::ExportAllSlots);
    const QString path = requestPath(options);
    QTimer::singleShot(0, this, [this, path] { respond(path, 0, {{QStringLiteral("session_handle"), m_session}}); });
    return QDBusObjectPath(path);
}

QDBusObjectPath FakeGlobalShortcutsPortal::BindShortcuts(const QDBusObjectPath& session,
                                                         const QList<FakeShortcut>& shortcuts,
                                                         const QString& parentWindow, const QVariantMap& options)
{
    Q_UNUSED(parentWindow);
    QList<FakeShortcut> bound;
    for (const FakeShortcut& shortcut : shortcuts) {
        const QString trigger = shortcut.properties.value(QStringLiteral("preferred_trigger")).toString();
        bound.append({shortcut.id,
                      {{QStringLiteral("description"), shortcut.properties.value(QStringLiteral("description"))},
                       {QStringLiteral("trigger_description"), trigger}}});
    }
    const QString path = requestPath(options);
    if (session.path() != m_session)
        return QDBusObjectPath(path); // never answered, as a portal would not for a stranger's session
    QTimer::singleShot(0, this, [this, path, bound] {
        if (m_answer == Answer::Refuse)
            respond(path, 2, {});
        else if (m_answer != Answer::Silent)
            respond(path, 0, {{QStringLiteral("shortcuts"), QVariant::fromValue(bound)}});
    });
    return QDBusObjectPath(path);
}

void FakeGlobalShortcutsPortal::ConfigureShortcuts(const QDBusObjectPath& session, const QString& parentWindow,
                                                   const QVariantMap& options)
{
    Q_UNUSED(parentWindow);
    Q_UNUSED(options);
    if (session.path() == m_session)
        ++m_configureCalls;
}

void FakeGlobalShortcutsPortal::press(const QString& id, const QString& session)
{
    sendSignal(QStringLiteral("Activated"), id, session.isEmpty() ? m_session : session);
}

void FakeGlobalShortcutsPortal::release(const QString& id)
{
    sendSignal(QStringLiteral("Deactivated"), id, m_session);
}

void FakeGlobalShortcutsPortal::changeTrigger(const QString& id, const QString& trigger)
{
    QDBusMessage signal = QDBusMessage::createSignal(portalPath, interface, QStringLiteral("ShortcutsChanged"));
    signal << QVariant::fromValue(QDBusObjectPath(m_session))
           << QVariant::fromValue(QList<FakeShortcut>{{id, {{QStringLiteral("trigger_description"), trigger}}}});
    m_bus.connection().send(signal);
}

void FakeGlobalShortcutsPortal::respond(const QString& path, uint code, const QVariantMap& results)
{
    QDBusMessage signal =
        QDBusMessage::createSignal(path, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"));
    signal << code << results;
    m_bus.connection().send(signal);
}

void FakeGlobalShortcutsPortal::sendSignal(const QString& name, const QString& id, const QString& session)
{
    QDBusMessage signal = QDBusMessage::createSignal(portalPath, interface, name);
    signal << QVariant::fromValue(QDBusObjectPath(session)) << id << qulonglong(1) << QVariantMap();
    m_bus.connection().send(signal);
}

#include "FakeGlobalShortcutsPortal.moc"
