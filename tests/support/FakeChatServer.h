// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "support/LoopbackHttpServer.h"

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// An OpenAI-compatible chat-completions endpoint on 127.0.0.1 that gives every request the scripted response and
// records it.
class FakeChatServer : public LoopbackHttpServer
{
public:
    explicit FakeChatServer(QObject* parent = nullptr);

    void setResponse(const HttpResponse& response) { m_response = response; }

    // The JSON body of the last request (empty object when there was none or it was not JSON).
    QJsonObject lastBody() const;

    // A "data: " event line whose first choice carries the delta content, with the blank line after it.
    static QByteArray deltaEvent(const QString& content);
    static QByteArray doneEvent() { return QByteArrayLiteral("data: [DONE]\n\n"); }

    // A 200 event stream sent in the given pieces, `delayMs` apart, without a length (the close ends it).
    static HttpResponse stream(const QList<QByteArray>& chunks, int delayMs = 0);
    // The same body cut into pieces of `size` bytes.
    static HttpResponse streamInPieces(const QByteArray& body, qsizetype size, int delayMs = 0);
    static HttpResponse status(int status, const QByteArray& body);
    static HttpResponse hang();
    // A streamed answer: one delta event per piece, then the citations (url, title) if any, then DONE.
    static HttpResponse answer(const QStringList& pieces, int delayMs = 0,
                               const QList<std::pair<QString, QString>>& citations = {});
    // A non-streamed reply whose message content is `content`, as a memory extraction gets it.
    static HttpResponse reply(const QString& content);

private:
    std::optional<HttpResponse> m_response;
};
