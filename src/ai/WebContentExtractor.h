// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <chrono>
#include <optional>

class QNetworkAccessManager;
class QNetworkReply;

// The readable text of web pages linked from a chat message. The string functions are pure.
namespace WebContent {

inline constexpr int maxLinks = 3;
inline constexpr qsizetype maxPageCharacters = 6000;
// Bounds on what a page can make us hold or follow.
inline constexpr qsizetype maxPageBytes = 5 * 1024 * 1024;
inline constexpr int maxRedirects = 5;
inline constexpr std::chrono::milliseconds requestTimeout{15'000};

enum class Site
{
    Generic,
    Instagram,
    TikTok,
    X
};

// Every http(s) link in free text, in order of appearance, as absolute URLs (duplicates kept). "www." without a
// scheme counts as an http link.
QList<QUrl> findLinks(const QString& text);

// Which fetcher reads the page, by a substring test on the lower-cased host.
Site siteForUrl(const QUrl& url);

std::optional<QString> extractMetaContent(const QString& html, const QString& property);
QString decodeHTMLEntities(const QString& text);
QString unescapeJSONString(const QString& text);
QString htmlToText(const QString& html);

// At most maxPageCharacters characters, followed by "\n[…truncated]" when cut.
QString limitLength(const QString& text);

// The labelled text of a fetched and decoded page. Nothing when the page has none: for the site readers that
// means "fall back to the generic reader".
std::optional<QString> genericPageText(const QString& html);
std::optional<QString> instagramPageText(const QString& html);
std::optional<QString> tiktokPageText(const QString& html);
std::optional<QString> xPageText(const QString& html);

} // namespace WebContent

// One run of fetching the pages linked from a message: at most three links, strictly one request at a time.
// Emits finished() once and then deletes itself; cancel() aborts the request in flight and emits nothing.
class LinkedContentFetch : public QObject
{
    Q_OBJECT

public:
    ~LinkedContentFetch() override;

    void cancel();

Q_SIGNALS:
    // For each link that gave text, in link order, "[Content from URL]:\n" + text, joined by blank lines; empty
    // when the message had no usable link or no page gave text.
    void finished(const QString& content);

private:
    friend LinkedContentFetch* fetchLinkedContent(QNetworkAccessManager*, const QString&, QObject*,
                                                  std::chrono::milliseconds);

    LinkedContentFetch(QNetworkAccessManager* network, QList<QUrl> links, std::chrono::milliseconds timeout,
                       QObject* parent);

    void nextLink();
    void request(WebContent::Site headers);
    void onPage(int status, bool ok, const QByteArray& body);
    void linkDone(const std::optional<QString>& text);
    void abortReply();

    QNetworkAccessManager* m_network;
    QList<QUrl> m_links;
    std::chrono::milliseconds m_timeout;
    qsizetype m_index = -1;
    bool m_fallback = false; // the current request is the generic retry of a site reader
    QPointer<QNetworkReply> m_reply;
    QByteArray m_body;
    QStringList m_blocks;
    bool m_done = false;
};

// Starts fetching the pages linked from `text`; see LinkedContentFetch.
LinkedContentFetch* fetchLinkedContent(QNetworkAccessManager* network, const QString& text, QObject* parent = nullptr,
                                       std::chrono::milliseconds timeout = WebContent::requestTimeout);
