// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/FakeWebServer.h"

FakeWebServer::FakeWebServer(QObject* parent) : LoopbackHttpServer(parent)
{
    setHandler([this](const HttpRequest& request) {
        // This request is not marked as being answered yet: count it on top of the others.
        m_mostConcurrent = std::max(m_mostConcurrent, unansweredRequests() + 1);
        return m_pages.value(absoluteUrl(request), HttpResponse::text("<p>not found</p>", 404, "text/html"));
    });
}

QNetworkProxy FakeWebServer::proxy() const
{
    return QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"), port());
}

void FakeWebServer::setHtml(const QString& url, const QByteArray& html, int status)
{
    setPage(url, HttpResponse::text(html, status, "text/html; charset=utf-8"));
}

QString FakeWebServer::absoluteUrl(const HttpRequest& request) const
{
    // Through a proxy the target is the absolute URL; asked directly it is the path.
    const QString target = QString::fromUtf8(request.target);
    if (target.startsWith(u"http://") || target.startsWith(u"https://"))
        return target;
    return baseUrl() + target;
}
