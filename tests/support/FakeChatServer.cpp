// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/FakeChatServer.h"

#include <QJsonArray>
#include <QJsonDocument>

using namespace Qt::StringLiterals;

namespace {

// One event of a stream, carrying the first choice; only the fields the client reads.
QByteArray streamEvent(const QJsonObject& choice)
{
    return "data: " + QJsonDocument(QJsonObject{{u"choices"_s, QJsonArray{choice}}}).toJson(QJsonDocument::Compact) +
           "\n\n";
}

} // namespace

FakeChatServer::FakeChatServer(QObject* parent) : LoopbackHttpServer(parent)
{
    setHandler(
        [this](const HttpRequest&) { return m_response.value_or(HttpResponse::text("no response scripted", 500)); });
}

QJsonObject FakeChatServer::lastBody() const
{
    if (requests().isEmpty())
        return {};
    return QJsonDocument::fromJson(requests().last().body).object();
}

QByteArray FakeChatServer::deltaEvent(const QString& content)
{
    return streamEvent(QJsonObject{{u"delta"_s, QJsonObject{{u"content"_s, content}}}});
}

HttpResponse FakeChatServer::stream(const QList<QByteArray>& chunks, int delayMs)
{
    HttpResponse response;
    response.headers = {{"Content-Type", "text/event-stream"}, {"Cache-Control", "no-cache"}};
    response.chunks = chunks;
    response.delayMs = delayMs;
    return response;
}

HttpResponse FakeChatServer::streamInPieces(const QByteArray& body, qsizetype size, int delayMs)
{
    QList<QByteArray> chunks;
    for (qsizetype at = 0; at < body.size(); at += size)
        chunks.append(body.mid(at, size));
    return stream(chunks, delayMs);
}

HttpResponse FakeChatServer::status(int status, const QByteArray& body)
{
    return HttpResponse::json(body, status);
}

HttpResponse FakeChatServer::hang()
{
    HttpResponse response;
    response.hang = true;
    return response;
}

HttpResponse FakeChatServer::answer(const QStringList& pieces, int delayMs,
                                    const QList<std::pair<QString, QString>>& citations)
{
    QList<QByteArray> chunks;
    for (const QString& piece : pieces)
        chunks.append(deltaEvent(piece));
    QJsonArray annotations;
    for (const auto& [url, title] : citations)
        annotations.append(QJsonObject{{u"url_citation"_s, QJsonObject{{u"url"_s, url}, {u"title"_s, title}}}});
    if (!annotations.isEmpty())
        chunks.append(streamEvent(QJsonObject{{u"message"_s, QJsonObject{{u"annotations"_s, annotations}}}}));
    chunks.append(doneEvent());
    return stream(chunks, delayMs);
}

HttpResponse FakeChatServer::reply(const QString& content)
{
    const QJsonObject message{{u"role"_s, u"assistant"_s}, {u"content"_s, content}};
    return HttpResponse::json(
        QJsonDocument(QJsonObject{{u"choices"_s, QJsonArray{QJsonObject{{u"message"_s, message}}}}}).toJson());
}
