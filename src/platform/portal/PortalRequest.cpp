// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/portal/PortalRequest.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QUuid>

namespace {

const QString requestInterface = QStringLiteral("org.freedesktop.portal.Request");
const QString responseSignal = QStringLiteral("Response");

} // namespace

const QString PortalRequest::portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString PortalRequest::portalPath = QStringLiteral("/org/freedesktop/portal/desktop");

PortalRequest::PortalRequest(const QDBusConnection& bus, std::chrono::milliseconds timeout, QObject* parent)
    : QObject(parent), m_bus(bus), m_timeoutAfter(timeout)
{
    m_timeout.setSingleShot(true);
    connect(&m_timeout, &QTimer::timeout, this, [this] {
        sendClose();
        finish(Outcome::TimedOut);
    });
}

PortalRequest::~PortalRequest()
{
    stopListening();
}

void PortalRequest::start(const QString& interface, const QString& method, const QVariantList& arguments,
                          QVariantMap options, Completion completion)
{
    m_completion = std::move(completion);
    if (!m_bus.isConnected()) {
        QTimer::singleShot(0, this, [this] { finish(Outcome::Refused, {}, tr("There is no session bus.")); });
        return;
    }
    const QString token = u"vantro_" + QUuid::createUuid().toString(QUuid::Id128);
    QString sender = m_bus.baseService().mid(1);
    sender.replace(u'.', u'_');
    listen(portalPath + u"/request/" + sender + u'/' + token);
    m_timeout.start(m_timeoutAfter);

    options.insert(QStringLiteral("handle_token"), token);
    QDBusMessage call = QDBusMessage::createMethodCall(portalService, portalPath, interface, method);
    call.setArguments(arguments + QVariantList{options});
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* call) {
        call->deleteLater();
        const QDBusPendingReply<QDBusObjectPath> reply = *call;
        if (reply.isError()) {
            finish(Outcome::Refused, {}, reply.error().message());
            return;
        }
        const QString handle = reply.value().path();
        if (m_completion && !handle.isEmpty() && handle != m_path)
            listen(handle);
    });
}

void PortalRequest::close()
{
    if (!m_completion)
        return;
    sendClose();
    m_completion = nullptr;
    m_timeout.stop();
    stopListening();
}

void PortalRequest::listen(const QString& path)
{
    stopListening();
    m_path = path;
    m_listening =
        m_bus.connect(portalService, m_path, requestInterface, responseSignal, this, SLOT(response(uint, QVariantMap)));
}

void PortalRequest::stopListening()
{
    if (std::exchange(m_listening, false))
        m_bus.disconnect(portalService, m_path, requestInterface, responseSignal, this,
                         SLOT(response(uint, QVariantMap)));
}

void PortalRequest::sendClose()
{
    if (m_path.isEmpty() || !m_bus.isConnected())
        return;
    // Nothing to wait for: the portal answers Close with no value.
    m_bus.send(QDBusMessage::createMethodCall(portalService, m_path, requestInterface, QStringLiteral("Close")));
}

void PortalRequest::response(uint code, const QVariantMap& results)
{
    // An answer already on its way to the path we just left is not for the request we now wait on.
    if (!m_completion || message().path() != m_path)
        return;
    finish(code == 0 ? Outcome::Answered : code == 1 ? Outcome::Cancelled : Outcome::Failed, results);
}

void PortalRequest::finish(Outcome outcome, const QVariantMap& results, const QString& error)
{
    if (!m_completion)
        return;
    m_timeout.stop();
    stopListening();
    std::exchange(m_completion, nullptr)(outcome, results, error);
}
