// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/portal/ScreenshotPortal.h"

#include "platform/Log.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QTimer>
#include <QUrl>
#include <QUuid>

namespace {

constexpr auto component = u"ScreenshotCapture";
const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString requestInterface = QStringLiteral("org.freedesktop.portal.Request");

} // namespace

ScreenshotPortal* ScreenshotPortal::start(Completion completion, QObject* parent)
{
    auto* portal = new ScreenshotPortal(std::move(completion), parent);
    portal->request();
    return portal;
}

ScreenshotPortal::ScreenshotPortal(Completion completion, QObject* parent)
    : QObject(parent), m_completion(std::move(completion))
{}

ScreenshotPortal::~ScreenshotPortal()
{
    if (!m_requestPath.isEmpty())
        QDBusConnection::sessionBus().disconnect(portalService, m_requestPath, requestInterface,
                                                 QStringLiteral("Response"), this, SLOT(response(uint, QVariantMap)));
    if (m_completion)
        std::exchange(m_completion, nullptr)(std::nullopt);
}

void ScreenshotPortal::request()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        logLine(component, QStringLiteral("No session bus for the screenshot portal"));
        QTimer::singleShot(0, this, [this] { finish(std::nullopt); });
        return;
    }
    // Subscribe to the answer before asking, at the path the portal will use for our token, so a quick answer is
    // not lost.
    const QString token = u"vantro_" + QUuid::createUuid().toString(QUuid::Id128);
    QString sender = bus.baseService().mid(1);
    sender.replace(u'.', u'_');
    m_requestPath = portalPath + u"/request/" + sender + u'/' + token;
    bus.connect(portalService, m_requestPath, requestInterface, QStringLiteral("Response"), this,
                SLOT(response(uint, QVariantMap)));

    QDBusMessage call = QDBusMessage::createMethodCall(
        portalService, portalPath, QStringLiteral("org.freedesktop.portal.Screenshot"), QStringLiteral("Screenshot"));
    call << QString()
         << QVariantMap{{QStringLiteral("handle_token"), token},
                        {QStringLiteral("interactive"), true},
                        {QStringLiteral("modal"), true}};
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* call) {
        call->deleteLater();
        const QDBusPendingReply<QDBusObjectPath> reply = *call;
        if (reply.isError()) {
            logLine(component, QStringLiteral("The screenshot portal refused: ") + reply.error().message());
            finish(std::nullopt);
        }
    });
}

void ScreenshotPortal::response(uint code, const QVariantMap& results)
{
    if (code != 0) {
        finish(std::nullopt);
        return;
    }
    const QUrl uri(results.value(QStringLiteral("uri")).toString());
    QImage image;
    if (!uri.isLocalFile() || !image.load(uri.toLocalFile())) {
        logLine(component, QStringLiteral("The screenshot portal gave no readable picture"));
        finish(std::nullopt);
        return;
    }
    finish(std::move(image));
}

void ScreenshotPortal::finish(std::optional<QImage> image)
{
    if (!m_completion)
        return;
    const Completion completion = std::exchange(m_completion, nullptr);
    deleteLater();
    completion(std::move(image));
}
