// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/FakeChatServer.h"

#include <QJsonArray>
#include <QJsonDocument>

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
    const QJsonObject event{
        {QStringLiteral("id"), QStringLiteral("chatcmpl-1")},
        {QStringLiteral("object"), QStringLiteral("chat.completion.chunk")},
        {QStringLiteral("choices"),
         QJsonArray{QJsonObject{{QStringLiteral("index"), 0},
                                {QStringLiteral("delta"), QJsonObject{{QStringLiteral("content"), content}}}}}},
    };
    return "data: " + QJsonDocument(event).toJson(QJsonDocument::Compact) + "\n\n";
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
    for (const auto& [url, title] : citations) {
        annotations.append(QJsonObject{{QStringLiteral("type"), QStringLiteral("url_citation")},
                                       {QStringLiteral("url_citation"),
                                        QJsonObject{{QStringLiteral("url"), url}, {QStringLiteral("title"), title}}}});
    }
    if (!annotations.isEmpty()) {
        const QJsonObject message{{QStringLiteral("annotations"), annotations}};
        const QJsonObject event{
            {QStringLiteral("choices"),
             QJsonArray{QJsonObject{{QStringLiteral("index"), 0}, {QStringLiteral("message"), message}}}}};
        chunks.append("data: " + QJsonDocument(event).toJson(QJsonDocument::Compact) + "\n\n");
    }
    chunks.append(doneEvent());
    return stream(chunks, delayMs);
}

HttpResponse FakeChatServer::reply(const QString& content)
{
    const QJsonObject message{{QStringLiteral("role"), QStringLiteral("assistant")},
                              {QStringLiteral("content"), content}};
    const QJsonObject body{{QStringLiteral("choices"), QJsonArray{QJsonObject{{QStringLiteral("message"), message}}}}};
    return HttpResponse::json(QJsonDocument(body).toJson());
}
