// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/appearance/AppearancePortal.h"

#include "platform/Log.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QUuid>

namespace {

constexpr QStringView component = u"AppearancePortal";
const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString settingsInterface = QStringLiteral("org.freedesktop.portal.Settings");
const QString appearanceNamespace = QStringLiteral("org.freedesktop.appearance");
const QString colorSchemeKey = QStringLiteral("color-scheme");

// Read (version 1 of the interface) wraps the value in a second variant; ReadOne does not. Unwrap all layers.
QVariant unwrap(QVariant value)
{
    while (value.canConvert<QDBusVariant>() && value.userType() == qMetaTypeId<QDBusVariant>())
        value = value.value<QDBusVariant>().variant();
    return value;
}

std::optional<AppearancePortal::ColorScheme> schemeFrom(const QVariant& raw)
{
    const QVariant value = unwrap(raw);
    bool ok = false;
    const uint number = value.toUInt(&ok);
    if (!ok || number > 2)
        return std::nullopt;
    return static_cast<AppearancePortal::ColorScheme>(number);
}

} // namespace

AppearancePortal::AppearancePortal(QObject* parent) : QObject(parent)
{
    m_connectionName = QDBusConnection::sessionBus().name();
    start();
}

AppearancePortal::AppearancePortal(const QString& busAddress, QObject* parent) : QObject(parent)
{
    m_connectionName = QStringLiteral("vantro-appearance-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    QDBusConnection::connectToBus(busAddress, m_connectionName);
    m_ownsConnection = true;
    start();
}

AppearancePortal::~AppearancePortal()
{
    if (m_ownsConnection)
        QDBusConnection::disconnectFromBus(m_connectionName);
}

// Receives the bus signal, whose argument types only the bus side needs to know.
class AppearancePortal::Listener : public QObject
{
    Q_OBJECT

public:
    explicit Listener(AppearancePortal* portal) : QObject(portal), m_portal(portal) {}

public Q_SLOTS:
    void settingChanged(const QString& nameSpace, const QString& key, const QDBusVariant& value)
    {
        m_portal->onSettingChanged(nameSpace, key, value.variant());
    }

private:
    AppearancePortal* m_portal;
};

void AppearancePortal::start()
{
    QDBusConnection bus(m_connectionName);
    if (!bus.isConnected()) {
        m_answered = true;
        return;
    }
    // The slot's argument types are looked up by name; make sure QDBusVariant is known before the first hook.
    qRegisterMetaType<QDBusVariant>();
    // Subscribe before reading so that a change between the two is not lost.
    bus.connect(portalService, portalPath, settingsInterface, QStringLiteral("SettingChanged"), new Listener(this),
                SLOT(settingChanged(QString, QString, QDBusVariant)));
    readWith(QStringLiteral("ReadOne"));
}

void AppearancePortal::readWith(const QString& method)
{
    QDBusMessage call = QDBusMessage::createMethodCall(portalService, portalPath, settingsInterface, method);
    call << appearanceNamespace << colorSchemeKey;
    auto* watcher = new QDBusPendingCallWatcher(QDBusConnection(m_connectionName).asyncCall(call, 5000), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, method](QDBusPendingCallWatcher* call) {
        call->deleteLater();
        const QDBusPendingReply<QDBusVariant> reply = *call;
        if (reply.isError()) {
            // Portals older than version 2 only have Read.
            if (method == u"ReadOne" && reply.error().type() == QDBusError::UnknownMethod) {
                readWith(QStringLiteral("Read"));
                return;
            }
            if (reply.error().type() != QDBusError::ServiceUnknown)
                logLine(component,
                        QStringLiteral("No colour scheme from the settings portal: ") + reply.error().message());
        } else if (!m_changedBeforeAnswer) { // a SettingChanged received meanwhile is newer than this answer
            setScheme(schemeFrom(reply.argumentAt<0>().variant()));
        }
        m_answered = true;
        Q_EMIT answered();
    });
}

void AppearancePortal::onSettingChanged(const QString& nameSpace, const QString& key, const QVariant& value)
{
    if (nameSpace != appearanceNamespace || key != colorSchemeKey)
        return;
    if (!m_answered)
        m_changedBeforeAnswer = true;
    setScheme(schemeFrom(value));
}

void AppearancePortal::setScheme(std::optional<ColorScheme> scheme)
{
    if (scheme == m_scheme)
        return;
    m_scheme = scheme;
    Q_EMIT colorSchemeChanged();
}

#include "AppearancePortal.moc"
