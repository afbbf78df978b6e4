// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ai/ChatEventParser.h"
#include "ai/ChatServiceConfig.h"
#include "ai/OpenAIError.h"

#include <QImage>
#include <QJsonArray>
#include <QJsonValue>
#include <QNetworkRequest>
#include <QObject>
#include <QPointer>
#include <QSet>

#include <chrono>
#include <functional>
#include <optional>

class QNetworkAccessManager;
class QNetworkReply;

// One streamed answer. It emits the text pieces in order as their lines arrive, then (chat streams only, when any
// were found) the citations, then exactly one of finished() or failed(). It deletes itself (deleteLater) after its
// last signal, or after cancel(); hold it in a QPointer.
class ChatStream : public QObject
{
    Q_OBJECT

public:
    ~ChatStream() override;

    // Aborts the request. Nothing is emitted afterwards.
    void cancel();

Q_SIGNALS:
    void content(const QString& piece);
    // The model's thinking, apart from the answer (reasoning models on most local servers).
    void reasoning(const QString& piece);
    void annotations(const QList<URLCitation>& citations);
    // The model stopped at its length limit; finished() follows.
    void truncated();
    void finished();
    void failed(const OpenAIError& error);

private:
    friend class ChatCompletionsClient;

    ChatStream(ChatEventParser::Mode mode, QObject* parent);

    void start(QNetworkAccessManager* network, const QNetworkRequest& request, const QByteArray& body);
    // A 400 that names a sampling parameter the model refuses: sends `bodyWithoutSampling` once and calls
    // `onRefused` so the client leaves them out for this model from now on. True when it did.
    bool retryWithoutSampling();
    void failSoon(const OpenAIError& error);
    void onReadyRead();
    void onFinished();
    bool readStatus();
    void readErrorBody();
    // Feeds what has arrived to the parser, up to the size bound; false, with a failure added, past it.
    bool readBody(QList<ChatStreamEvent>& events);
    void deliver(QList<ChatStreamEvent>& events);
    void close();

    ChatEventParser m_parser;
    QNetworkAccessManager* m_network = nullptr;
    QNetworkRequest m_request;
    QByteArray m_bodyWithoutSampling; // empty: nothing to retry without
    std::function<void()> m_onSamplingRefused;
    bool m_sentKey = false;
    QPointer<QNetworkReply> m_reply;
    int m_status = -1; // -1 until the response head is there
    QByteArray m_errorBody;
    bool m_done = false;
    bool m_errorIsTransport = false;
    qsizetype m_received = 0;
    qsizetype m_maxBytes = 0;
};

// The one component that talks to the chat-completions service (OpenAI wire format, streamed as server-sent
// events). It keeps no state between calls and reads no settings: each call gets its configuration.
class ChatCompletionsClient : public QObject
{
    Q_OBJECT

public:
    static constexpr int maxImageSide = 1024;
    static constexpr int jpegQuality = 80;
    // What we keep of an error body: enough for any service's error object, bounded against a hostile server.
    static constexpr qsizetype maxErrorBodyBytes = 64 * 1024;
    // A whole streamed response, past which the answer is cut off: no model's answer comes near it, a runaway
    // server would otherwise grow it without end.
    static constexpr qsizetype defaultMaxStreamBytes = 64 * 1024 * 1024;
    static constexpr std::chrono::milliseconds defaultInactivityTimeout{60'000};

    explicit ChatCompletionsClient(QNetworkAccessManager* network, QObject* parent = nullptr);

    // One turn: the system prompt and one user message, with the image (when not null) beside the text.
    ChatStream* streamCompletion(const ChatServiceConfig& config, const QString& systemPrompt, const QString& userText,
                                 const QImage& image = QImage());

    // A conversation: the system prompt followed by `history` (objects with "role" and "content", oldest first,
    // the new user message last). The image, when not null, goes with the last entry if that is a user message
    // and is dropped otherwise. The web-search flag does not change the request; citations are collected whenever
    // the answer carries them.
    ChatStream* streamChat(const ChatServiceConfig& config, const QString& systemPrompt, const QJsonArray& history,
                           const QImage& image = QImage(), bool webSearch = false);

    // Longest silence a request may have before it fails (tests shorten it).
    void setInactivityTimeout(std::chrono::milliseconds timeout) { m_timeout = timeout; }
    void setMaxStreamBytes(qsizetype bytes) { m_maxStreamBytes = bytes; }

    // The image as base64 JPEG (quality 80, no line breaks), scaled so that its longer side is at most `maxSide`.
    // Nothing when the image is null or cannot be encoded.
    static std::optional<QByteArray> encodeImageForUpload(const QImage& image, int maxSide = maxImageSide);

    // The plain text, or with an image the content-part array (the text part only when the text is not empty).
    static QJsonValue buildUserContent(const QString& text, const std::optional<QByteArray>& base64Jpeg);

    // The POST request every call to the endpoint uses: JSON body, bearer key (none when empty), no redirects (Qt
    // would turn a redirected POST into a GET), the inactivity timeout.
    static QNetworkRequest makeRequest(const QUrl& endpoint, const QString& apiKey,
                                       std::chrono::milliseconds timeout = defaultInactivityTimeout);

    // The network layer's error as the user reads it.
    static QString transportErrorText(const QNetworkReply* reply);

    // Whether a 400 answer's body says that the model refuses a sampling parameter or its value.
    static bool refusesSampling(int status, const QByteArray& body);

private:
    ChatStream* startStream(ChatEventParser::Mode mode, const ChatServiceConfig& config, const QString& systemPrompt,
                            const QJsonArray& conversation, const QImage& image);

    QNetworkAccessManager* m_network;
    std::chrono::milliseconds m_timeout = defaultInactivityTimeout;
    qsizetype m_maxStreamBytes = defaultMaxStreamBytes;
    QSet<QString> m_noSampling; // "base URL|model" of models that refused the sampling parameters
};
