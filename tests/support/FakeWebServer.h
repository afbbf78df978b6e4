// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "support/LoopbackHttpServer.h"

#include <QHash>
#include <QNetworkProxy>

// Web pages for any host, served from 127.0.0.1: the server also acts as the HTTP proxy of the client's network
// access manager, so "http://www.instagram.com/p/1" reaches it with its real host name. Unknown pages are 404.
class FakeWebServer : public LoopbackHttpServer
{
public:
    explicit FakeWebServer(QObject* parent = nullptr);

    QNetworkProxy proxy() const;

    void setPage(const QString& url, const HttpResponse& response) { m_pages.insert(url, response); }
    void setHtml(const QString& url, const QByteArray& html, int status = 200);

    // The most requests that were open at the same time.
    int mostConcurrent() const { return m_mostConcurrent; }

private:
    QString absoluteUrl(const HttpRequest& request) const;

    QHash<QString, HttpResponse> m_pages;
    int m_mostConcurrent = 0;
};
