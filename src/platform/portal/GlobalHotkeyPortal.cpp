// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/portal/GlobalHotkeyPortal.h"

#include "platform/Log.h"
#include "platform/portal/PortalRequest.h"

#include <QDBusArgument>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QUuid>

namespace {

constexpr auto component = u"HotkeyManager";
const QString shortcutsInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString sessionPathPrefix = QStringLiteral("/org/freedesktop/portal/desktop/session/");
// Past this a trigger description is not a key combination.
constexpr qsizetype maximumTriggerLength = 120;
// Key repeat comes every few dozen milliseconds after a first delay of up to about 600 ms.
constexpr qint64 repeatWindowMs = 1000;

struct PortalShortcut
{
    QString id;
    QVariantMap properties;
};

QDBusArgument& operator<<(QDBusArgument& argument, const PortalShortcut& shortcut)
{
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, PortalShortcut& shortcut)
{
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}

} // namespace

Q_DECLARE_METATYPE(PortalShortcut)

namespace {

void registerTypes()
{
    static const bool done = [] {
        qDBusRegisterMetaType<PortalShortcut>();
        qDBusRegisterMetaType<QList<PortalShortcut>>();
        return true;
    }();
    Q_UNUSED(done);
}

// What the desktop says it bound, in our own order; anything not well formed is left out.
std::optional<QList<PortalShortcut>> readShortcuts(const QVariant& value)
{
    if (value.userType() != qMetaTypeId<QDBusArgument>())
        return std::nullopt;
    const auto argument = value.value<QDBusArgument>();
    if (argument.currentSignature() != u"a(sa{sv})")
        return std::nullopt;
    QList<PortalShortcut> shortcuts;
    argument >> shortcuts;
    return shortcuts;
}

QString cleanTrigger(const QVariant& value)
{
    if (value.typeId() != QMetaType::QString)
        return {};
    QString text = value.toString().left(maximumTriggerLength);
    text.removeIf([](QChar c) { return c.category() == QChar::Other_Control || c.category() == QChar::Other_Format; });
    return text.trimmed();
}

QString description(const QString& id)
{
    return id == GlobalHotkeyPortal::textShortcutId ? GlobalHotkeyPortal::tr("Prompt on the copied text")
                                                    : GlobalHotkeyPortal::tr("Prompt on a screenshot");
}

} // namespace

const QString GlobalHotkeyPortal::textShortcutId = QStringLiteral("prompt-copied-text");
const QString GlobalHotkeyPortal::screenshotShortcutId = QStringLiteral("prompt-screenshot");

GlobalHotkeyPortal::GlobalHotkeyPortal(const QDBusConnection& bus, QString applicationId,
                                       std::chrono::milliseconds callTimeout, std::chrono::milliseconds bindTimeout,
                                       QObject* parent)
    : GlobalHotkey(parent), m_bus(bus), m_applicationId(std::move(applicationId)), m_callTimeout(callTimeout),
      m_bindTimeout(bindTimeout)
{
    registerTypes();
    m_clock.start();
}

GlobalHotkeyPortal::~GlobalHotkeyPortal()
{
    if (m_request)
        m_request->close();
    closeSession();
}

bool GlobalHotkeyPortal::registerHotkey(quint32 keyCode, quint32 modifiers)
{
    logLine(component, QStringLiteral("Not grabbing key %1 (modifiers 0x%2): the desktop binds Vantro's shortcuts")
                           .arg(keyCode)
                           .arg(modifiers, 0, 16));
    return false;
}

void GlobalHotkeyPortal::bindDesktopShortcuts()
{
    if (m_state == State::Binding || m_state == State::Bound)
        return;
    m_state = State::Binding;
    m_problem.clear();
    Q_EMIT desktopShortcutsChanged();
    if (!m_bus.isConnected()) {
        fail(tr("There is no session bus to ask the desktop for shortcuts."), QStringLiteral("no session bus"));
        return;
    }
    // Newer portals take an unsandboxed caller's application id from this call and refuse callers without one;
    // older ones do not know it, which is fine. Either way the next step follows the answer.
    QDBusMessage call = QDBusMessage::createMethodCall(PortalRequest::portalService, PortalRequest::portalPath,
                                                       QStringLiteral("org.freedesktop.host.portal.Registry"),
                                                       QStringLiteral("Register"));
    call << m_applicationId << QVariantMap();
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, int(m_callTimeout.count())), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* reply) {
        reply->deleteLater();
        if (reply->isError())
            logLine(component, QStringLiteral("The portal registry did not take our id: ") + reply->error().name());
        readVersion();
    });
}

void GlobalHotkeyPortal::readVersion()
{
    QDBusMessage call =
        QDBusMessage::createMethodCall(PortalRequest::portalService, PortalRequest::portalPath,
                                       QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    call << shortcutsInterface << QStringLiteral("version");
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, int(m_callTimeout.count())), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* call) {
        call->deleteLater();
        const QDBusPendingReply<QDBusVariant> reply = *call;
        if (reply.isError()) {
            fail(tr("Your desktop has no global shortcuts service."), reply.error().message());
            return;
        }
        m_version = reply.value().variant().toUInt();
        createSession();
    });
}

void GlobalHotkeyPortal::createSession()
{
    m_request = new PortalRequest(m_bus, m_callTimeout, this);
    const QString token = u"vantro_" + QUuid::createUuid().toString(QUuid::Id128);
    m_request->start(shortcutsInterface, QStringLiteral("CreateSession"), {},
                     {{QStringLiteral("session_handle_token"), token}},
                     [this](PortalRequest::Outcome outcome, const QVariantMap& results, const QString& error) {
                         m_request->deleteLater();
                         const QVariant value = results.value(QStringLiteral("session_handle"));
                         // Documented as a string; some desktops send an object path.
                         const QString handle = value.userType() == qMetaTypeId<QDBusObjectPath>()
                                                    ? value.value<QDBusObjectPath>().path()
                                                : value.typeId() == QMetaType::QString ? value.toString()
                                                                                       : QString();
                         if (outcome != PortalRequest::Outcome::Answered || !handle.startsWith(sessionPathPrefix) ||
                             QDBusObjectPath(handle).path().isEmpty()) {
                             fail(outcome == PortalRequest::Outcome::TimedOut
                                      ? tr("The desktop did not answer when Vantro asked for its shortcuts.")
                                      : tr("The desktop refused Vantro's shortcuts."),
                                  QStringLiteral("no session: ") + error);
                             return;
                         }
                         m_session = handle;
                         bind();
                     });
}

void GlobalHotkeyPortal::bind()
{
    // Activations may come as soon as the binding stands, before its answer reaches us.
    subscribe(true);
    const QList<PortalShortcut> shortcuts{{textShortcutId,
                                           {{QStringLiteral("description"), description(textShortcutId)},
                                            {QStringLiteral("preferred_trigger"), QStringLiteral("CTRL+ALT+c")}}},
                                          {screenshotShortcutId,
                                           {{QStringLiteral("description"), description(screenshotShortcutId)},
                                            {QStringLiteral("preferred_trigger"), QStringLiteral("CTRL+ALT+s")}}}};
    m_request = new PortalRequest(m_bus, m_bindTimeout, this);
    m_request->start(shortcutsInterface, QStringLiteral("BindShortcuts"),
                     {QVariant::fromValue(QDBusObjectPath(m_session)), QVariant::fromValue(shortcuts), QString()}, {},
                     [this](PortalRequest::Outcome outcome, const QVariantMap& results, const QString& error) {
                         m_request->deleteLater();
                         switch (outcome) {
                         case PortalRequest::Outcome::Answered:
                             m_state = State::Bound;
                             setShortcuts(results.value(QStringLiteral("shortcuts")), false);
                             return;
                         case PortalRequest::Outcome::Cancelled:
                             fail(tr("Vantro's shortcuts were declined in the desktop's dialog."),
                                  QStringLiteral("binding cancelled"));
                             return;
                         case PortalRequest::Outcome::TimedOut:
                             fail(tr("The desktop did not answer when Vantro asked for its shortcuts."),
                                  QStringLiteral("binding timed out"));
                             return;
                         case PortalRequest::Outcome::Failed:
                         case PortalRequest::Outcome::Refused:
                             fail(tr("The desktop refused Vantro's shortcuts."), QStringLiteral("binding: ") + error);
                             return;
                         }
                     });
}

void GlobalHotkeyPortal::fail(const QString& problem, const QString& logDetail)
{
    logLine(component, QStringLiteral("Global shortcuts portal: ") + logDetail);
    closeSession();
    m_state = State::Failed;
    m_problem = problem;
    m_shortcuts.clear();
    Q_EMIT desktopShortcutsChanged();
}

QString GlobalHotkeyPortal::pendingRequestPath() const
{
    return m_request && m_request->isPending() ? m_request->path() : QString();
}

void GlobalHotkeyPortal::setShortcuts(const QVariant& value, bool changed)
{
    QHash<QString, QString> triggers;
    if (changed) {
        for (const DesktopShortcut& shortcut : std::as_const(m_shortcuts))
            triggers.insert(shortcut.id, shortcut.trigger);
    }
    if (const auto shortcuts = readShortcuts(value)) {
        for (const PortalShortcut& shortcut : *shortcuts)
            triggers.insert(shortcut.id,
                            cleanTrigger(shortcut.properties.value(QStringLiteral("trigger_description"))));
    }
    QList<DesktopShortcut> list;
    for (const QString& id : {textShortcutId, screenshotShortcutId})
        list.append({id, description(id), triggers.value(id)});
    m_shortcuts = list;
    Q_EMIT desktopShortcutsChanged();
}

bool GlobalHotkeyPortal::canChangeDesktopShortcuts() const
{
    return m_state == State::Bound && m_version >= 2;
}

void GlobalHotkeyPortal::changeDesktopShortcuts()
{
    if (!canChangeDesktopShortcuts())
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(PortalRequest::portalService, PortalRequest::portalPath,
                                                       shortcutsInterface, QStringLiteral("ConfigureShortcuts"));
    call << QVariant::fromValue(QDBusObjectPath(m_session)) << QString() << QVariantMap();
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, int(m_callTimeout.count())), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [](QDBusPendingCallWatcher* reply) {
        reply->deleteLater();
        if (reply->isError())
            logLine(component,
                    QStringLiteral("The desktop did not open its shortcut settings: ") + reply->error().message());
    });
}

void GlobalHotkeyPortal::portalSignal(const QDBusMessage& message)
{
    const QList<QVariant> arguments = message.arguments();
    if (arguments.isEmpty() || arguments.first().userType() != qMetaTypeId<QDBusObjectPath>() ||
        arguments.first().value<QDBusObjectPath>().path() != m_session)
        return;
    if (message.member() == u"ShortcutsChanged" && message.signature() == u"oa(sa{sv})") {
        setShortcuts(arguments.at(1), true);
        return;
    }
    if (message.signature() != u"osta{sv}")
        return;
    const QString id = arguments.at(1).toString();
    if (id != textShortcutId && id != screenshotShortcutId)
        return;
    if (message.member() == u"Deactivated") {
        m_held.remove(id);
        return;
    }
    if (message.member() != u"Activated")
        return;
    const qint64 now = m_clock.elapsed();
    const bool repeat = m_held.contains(id) && now - m_lastActivated.value(id) < repeatWindowMs;
    m_held.insert(id);
    m_lastActivated.insert(id, now);
    if (repeat)
        return;
    if (id == textShortcutId)
        Q_EMIT activated();
    else
        Q_EMIT screenshotActivated();
}

void GlobalHotkeyPortal::subscribe(bool on)
{
    if (m_subscribed == on)
        return;
    m_subscribed = on;
    for (const char* name : {"Activated", "Deactivated", "ShortcutsChanged"}) {
        const QString signal = QString::fromLatin1(name);
        if (on)
            m_bus.connect(PortalRequest::portalService, PortalRequest::portalPath, shortcutsInterface, signal, this,
                          SLOT(portalSignal(QDBusMessage)));
        else
            m_bus.disconnect(PortalRequest::portalService, PortalRequest::portalPath, shortcutsInterface, signal, this,
                             SLOT(portalSignal(QDBusMessage)));
    }
}

void GlobalHotkeyPortal::closeSession()
{
    subscribe(false);
    m_held.clear();
    if (m_session.isEmpty())
        return;
    if (m_bus.isConnected())
        m_bus.send(QDBusMessage::createMethodCall(PortalRequest::portalService, m_session,
                                                  QStringLiteral("org.freedesktop.portal.Session"),
                                                  QStringLiteral("Close")));
    m_session.clear();
}
