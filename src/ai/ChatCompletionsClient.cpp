// SPDX-License-Identifier: GPL-3.0-or-later
#include "ai/ChatCompletionsClient.h"

#include "ai/ModelCapabilities.h"

#include <QBuffer>
#include <QImageWriter>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPainter>
#include <QTimer>

ChatStream::ChatStream(ChatEventParser::Mode mode, QObject* parent) : QObject(parent), m_parser(mode) {}

ChatStream::~ChatStream()
{
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
    }
}

void ChatStream::cancel()
{
    if (m_done)
        return;
    close();
}

void ChatStream::close()
{
    m_done = true;
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
        m_reply->deleteLater();
    }
    deleteLater();
}

void ChatStream::start(QNetworkAccessManager* network, const QNetworkRequest& request, const QByteArray& body)
{
    m_network = network;
    m_request = request;
    m_sentKey = request.hasRawHeader("Authorization");
    m_reply = network->post(request, body);
    m_reply->setParent(this);
    connect(m_reply, &QNetworkReply::readyRead, this, &ChatStream::onReadyRead);
    connect(m_reply, &QNetworkReply::finished, this, &ChatStream::onFinished);
}

void ChatStream::failSoon(const OpenAIError& error)
{
    // Reported from the event loop, so the caller has connected its slots by then.
    QTimer::singleShot(0, this, [this, error] {
        if (m_done)
            return;
        m_done = true;
        Q_EMIT failed(error);
        deleteLater();
    });
}

bool ChatStream::readStatus()
{
    if (m_status >= 0)
        return true;
    const QVariant status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid())
        return false;
    m_status = status.toInt();
    return true;
}

void ChatStream::onReadyRead()
{
    if (m_done || !readStatus())
        return;
    if (m_status != 200) {
        readErrorBody();
        return;
    }
    QList<ChatStreamEvent> events;
    readBody(events);
    deliver(events);
}

bool ChatStream::readBody(QList<ChatStreamEvent>& events)
{
    // Only what has arrived: read(n) reserves n bytes up front.
    const QByteArray bytes = m_reply->read(qMin(m_reply->bytesAvailable(), m_maxBytes - m_received + 1));
    m_received += bytes.size();
    m_parser.feed(bytes, events);
    if (m_received <= m_maxBytes)
        return true;
    events.append({ChatStreamEvent::Type::Failed,
                   tr("The server sent more than %1 without ending its answer; it was cut off there.")
                       .arg(QLocale().formattedDataSize(m_maxBytes, 0, QLocale::DataSizeTraditionalFormat)),
                   {}});
    m_errorIsTransport = true;
    return false;
}

void ChatStream::readErrorBody()
{
    m_errorBody += m_reply->read(ChatCompletionsClient::maxErrorBodyBytes - m_errorBody.size());
    if (m_errorBody.size() < ChatCompletionsClient::maxErrorBodyBytes)
        return;
    // Enough of an error body: stop reading and report what we have, once out of the reply's own signal.
    disconnect(m_reply, &QNetworkReply::readyRead, this, &ChatStream::onReadyRead);
    QMetaObject::invokeMethod(this, &ChatStream::onFinished, Qt::QueuedConnection);
}

void ChatStream::onFinished()
{
    if (m_done)
        return;
    if (!readStatus()) {
        const OpenAIError error =
            m_reply->error() != QNetworkReply::NoError
                ? OpenAIError::transport(ChatCompletionsClient::transportErrorText(m_reply))
                : OpenAIError::httpError(0, QCoreApplication::translate("OpenAIError", "Not an HTTP response"));
        close();
        Q_EMIT failed(error);
        return;
    }
    if (m_status != 200) {
        m_errorBody += m_reply->read(ChatCompletionsClient::maxErrorBodyBytes - m_errorBody.size());
        if (retryWithoutSampling())
            return;
        // The body's lines joined without separators: a pretty-printed error object arrives as one line.
        m_errorBody.replace('\r', QByteArrayView()).replace('\n', QByteArrayView());
        const OpenAIError error = m_status == 401 && !m_sentKey
                                      ? OpenAIError::keyRequired()
                                      : OpenAIError::httpError(m_status, QString::fromUtf8(m_errorBody));
        close();
        Q_EMIT failed(error);
        return;
    }
    QList<ChatStreamEvent> events;
    if (!readBody(events)) {
        deliver(events);
        return;
    }
    if (!m_parser.hasEnded() && m_reply->error() != QNetworkReply::NoError) {
        events.append({ChatStreamEvent::Type::Failed, ChatCompletionsClient::transportErrorText(m_reply), {}});
        m_errorIsTransport = true;
    } else {
        m_parser.finish(events);
    }
    deliver(events);
}

bool ChatStream::retryWithoutSampling()
{
    if (m_bodyWithoutSampling.isEmpty() || !ChatCompletionsClient::refusesSampling(m_status, m_errorBody))
        return false;
    const QByteArray body = std::exchange(m_bodyWithoutSampling, QByteArray());
    if (m_onSamplingRefused)
        m_onSamplingRefused();
    m_reply->disconnect(this);
    m_reply->deleteLater();
    m_status = -1;
    m_errorBody.clear();
    start(m_network, m_request, body);
    return true;
}

void ChatStream::deliver(QList<ChatStreamEvent>& events)
{
    const QPointer<ChatStream> alive(this);
    for (ChatStreamEvent& event : events) {
        if (!alive || m_done)
            return;
        switch (event.type) {
        case ChatStreamEvent::Type::Content:
            Q_EMIT content(event.text);
            break;
        case ChatStreamEvent::Type::Reasoning:
            Q_EMIT reasoning(event.text);
            break;
        case ChatStreamEvent::Type::Truncated:
            Q_EMIT truncated();
            break;
        case ChatStreamEvent::Type::Annotations:
            Q_EMIT annotations(event.citations);
            break;
        case ChatStreamEvent::Type::Finished:
            close();
            Q_EMIT finished();
            return;
        case ChatStreamEvent::Type::Failed: {
            const OpenAIError error =
                m_errorIsTransport ? OpenAIError::transport(event.text) : OpenAIError::service(event.text);
            close();
            Q_EMIT failed(error);
            return;
        }
        }
    }
}

ChatCompletionsClient::ChatCompletionsClient(QNetworkAccessManager* network, QObject* parent)
    : QObject(parent), m_network(network)
{}

std::optional<QByteArray> ChatCompletionsClient::encodeImageForUpload(const QImage& image, int maxSide)
{
    if (image.isNull() || maxSide <= 0)
        return std::nullopt;
    const int width = image.width();
    const int height = image.height();
    QSize target(width, height);
    if (width > maxSide || height > maxSide) {
        const double scale = double(maxSide) / double(std::max(width, height));
        target = QSize(std::max(1, int(std::lround(width * scale))), std::max(1, int(std::lround(height * scale))));
    }
    // JPEG has no alpha: transparent parts go onto white, where dark text stays readable.
    QImage canvas(target, QImage::Format_RGB32);
    if (canvas.isNull())
        return std::nullopt;
    canvas.fill(Qt::white);
    {
        QPainter painter(&canvas);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(QRect(QPoint(0, 0), target), image);
    }
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(jpegQuality);
    if (!writer.write(canvas) || jpeg.isEmpty())
        return std::nullopt;
    return jpeg.toBase64();
}

QJsonValue ChatCompletionsClient::buildUserContent(const QString& text, const std::optional<QByteArray>& base64Jpeg)
{
    if (!base64Jpeg)
        return text;
    QJsonArray parts;
    if (!text.isEmpty())
        parts.append(QJsonObject{{QStringLiteral("type"), QStringLiteral("text")}, {QStringLiteral("text"), text}});
    const QString url = u"data:image/jpeg;base64," + QString::fromLatin1(*base64Jpeg);
    parts.append(
        QJsonObject{{QStringLiteral("type"), QStringLiteral("image_url")},
                    {QStringLiteral("image_url"),
                     QJsonObject{{QStringLiteral("url"), url}, {QStringLiteral("detail"), QStringLiteral("auto")}}}});
    return parts;
}

QString ChatCompletionsClient::transportErrorText(const QNetworkReply* reply)
{
    // We never abort a reply we still listen to, so a cancelled one was stopped by the inactivity timeout; Qt's
    // own text for it ("Operation canceled") would tell the user nothing.
    if (reply->error() == QNetworkReply::OperationCanceledError || reply->error() == QNetworkReply::TimeoutError)
        return OpenAIError::tr("The request timed out.");
    return reply->errorString();
}

QNetworkRequest ChatCompletionsClient::makeRequest(const QUrl& endpoint, const QString& apiKey,
                                                   std::chrono::milliseconds timeout)
{
    QNetworkRequest request(endpoint);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
    // Qt sends header values as they are, and a line break in a pasted key would end the header there and let the
    // rest of the key (or an empty line) rewrite the request. No header value can hold one, so it goes.
    QByteArray key = apiKey.toUtf8();
    key.removeIf([](char c) { return c == '\r' || c == '\n' || c == '\0'; });
    if (!key.isEmpty())
        request.setRawHeader("Authorization", "Bearer " + key);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    request.setTransferTimeout(int(timeout.count()));
    return request;
}

bool ChatCompletionsClient::refusesSampling(int status, const QByteArray& body)
{
    if (status != 400)
        return false;
    const QByteArray text = body.toLower();
    const bool namesOne = text.contains("temperature") || text.contains("presence_penalty") ||
                          text.contains("frequency_penalty") || text.contains("top_p");
    return namesOne && (text.contains("support") || text.contains("unrecognized") || text.contains("unknown") ||
                        text.contains("not allowed") || text.contains("extra inputs") || text.contains("invalid"));
}

ChatStream* ChatCompletionsClient::streamCompletion(const ChatServiceConfig& config, const QString& systemPrompt,
                                                    const QString& userText, const QImage& image)
{
    const QJsonArray conversation{
        QJsonObject{{QStringLiteral("role"), QStringLiteral("user")}, {QStringLiteral("content"), userText}}};
    return startStream(ChatEventParser::Mode::Completion, config, systemPrompt, conversation, image);
}

ChatStream* ChatCompletionsClient::streamChat(const ChatServiceConfig& config, const QString& systemPrompt,
                                              const QJsonArray& history, const QImage& image, bool webSearch)
{
    // The endpoint has one form for both; the flag is accepted so callers need not care.
    Q_UNUSED(webSearch);
    return startStream(ChatEventParser::Mode::Chat, config, systemPrompt, history, image);
}

ChatStream* ChatCompletionsClient::startStream(ChatEventParser::Mode mode, const ChatServiceConfig& config,
                                               const QString& systemPrompt, const QJsonArray& conversation,
                                               const QImage& image)
{
    auto* stream = new ChatStream(mode, this);
    stream->m_maxBytes = m_maxStreamBytes;
    if (config.apiKey.isEmpty() && config.needsApiKey()) {
        stream->failSoon(OpenAIError::noAPIKey());
        return stream;
    }
    const std::optional<QUrl> endpoint = config.endpointUrl();
    if (!endpoint) {
        stream->failSoon(OpenAIError::invalidURL());
        return stream;
    }
    const QNetworkRequest request = makeRequest(*endpoint, config.apiKey, m_timeout);

    QJsonArray messages{
        QJsonObject{{QStringLiteral("role"), QStringLiteral("system")}, {QStringLiteral("content"), systemPrompt}}};
    for (const QJsonValue& entry : conversation)
        messages.append(entry);
    if (!image.isNull()) {
        if (!ModelCapabilities::shared().supportsVision(config)) {
            stream->failSoon(OpenAIError::modelDoesNotSupportVision(config.isOpenAIHost()));
            return stream;
        }
        // An image that cannot be encoded is left out; the text still goes.
        const std::optional<QByteArray> jpeg = encodeImageForUpload(image);
        QJsonObject last = messages.last().toObject();
        if (jpeg && messages.size() > 1 && last.value(QLatin1StringView("role")) == QLatin1StringView("user")) {
            const QJsonValue text = last.value(QLatin1StringView("content"));
            last.insert(QStringLiteral("content"),
                        buildUserContent(text.isString() ? text.toString() : QString(), jpeg));
            messages.replace(messages.size() - 1, last);
        }
    }

    QJsonObject body{
        {QStringLiteral("model"), config.model},
        {QStringLiteral("stream"), true},
        {QStringLiteral("messages"), messages},
    };
    const QByteArray plainBody = QJsonDocument(body).toJson(QJsonDocument::Compact);
    const QString modelKey = config.baseUrl.trimmed() + u'|' + config.model;
    if (m_noSampling.contains(modelKey)) {
        stream->start(m_network, request, plainBody);
        return stream;
    }
    body.insert(QStringLiteral("temperature"), 0.7);
    body.insert(QStringLiteral("presence_penalty"), 0.6);
    body.insert(QStringLiteral("frequency_penalty"), 0.2);
    // Reasoning models refuse these; asked once more without them, the model is remembered for this session.
    stream->m_bodyWithoutSampling = plainBody;
    stream->m_onSamplingRefused = [this, modelKey] { m_noSampling.insert(modelKey); };
    stream->start(m_network, request, QJsonDocument(body).toJson(QJsonDocument::Compact));
    return stream;
}
