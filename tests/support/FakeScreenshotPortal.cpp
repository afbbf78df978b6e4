// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/FakeScreenshotPortal.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>

namespace {

const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");

} // namespace

FakeScreenshotPortal::FakeScreenshotPortal()
{
    m_exported =
        m_bus.isRunning() && m_bus.connection().registerObject(portalPath, this, QDBusConnection::ExportAllSlots);
}

QDBusObjectPath FakeScreenshotPortal::Screenshot(const QString& parentWindow, const QVariantMap& options)
{
    Q_UNUSED(parentWindow);
    // The handle a current portal gives: the caller's unique name without the colon, dots as underscores, then
    // its token.
    const QString token = options.value(QStringLiteral("handle_token")).toString();
    QString sender = message().service().mid(1);
    sender.replace(u'.', u'_');
    m_tokenPath = portalPath + QStringLiteral("/request/") + sender + u'/' + token;
    m_handle = m_fixedHandle.isEmpty() ? m_tokenPath : m_fixedHandle;
    auto* request = new FakePortalRequest([this, path = m_handle] { m_closed.append(path); }, this);
    if (token.isEmpty() || !m_bus.connection().registerObject(m_handle, request, QDBusConnection::ExportAllSlots)) {
        delete request;
        sendErrorReply(QDBusError::InvalidArgs, QStringLiteral("Bad handle_token"));
        return {};
    }
    return QDBusObjectPath(m_handle);
}

void FakeScreenshotPortal::respond(const QString& path, uint code, const QVariantMap& results)
{
    QDBusMessage signal =
        QDBusMessage::createSignal(path, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"));
    signal << code << results;
    m_bus.connection().send(signal);
}
