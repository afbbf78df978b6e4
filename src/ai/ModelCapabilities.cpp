// SPDX-License-Identifier: GPL-3.0-or-later
#include "ai/ModelCapabilities.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <QRegularExpression>

#include <memory>

namespace {

QJsonObject objectOf(const QByteArray& body)
{
    return QJsonDocument::fromJson(body).object();
}

} // namespace

ModelCapabilities& ModelCapabilities::shared()
{
    // Goes with the application, before the network layer it uses does.
    static QPointer<ModelCapabilities> capabilities;
    if (!capabilities)
        capabilities = new ModelCapabilities(QCoreApplication::instance());
    return *capabilities;
}

QString ModelCapabilities::keyOf(const ChatServiceConfig& config)
{
    QString base = config.baseUrl.trimmed();
    while (base.endsWith(u'/'))
        base.chop(1);
    return base + u'|' + config.model.trimmed();
}

bool ModelCapabilities::isOpenAIVisionModel(const QString& model)
{
    return model.startsWith(u"gpt-4o") || model.startsWith(u"gpt-4-turbo");
}

bool ModelCapabilities::nameSuggestsVision(const QString& model)
{
    // Families that take images under the names Ollama, LM Studio and Hugging Face give them.
    static const QRegularExpression families(
        QStringLiteral("llava|bakllava|vision|[-_.]vl\\b|[-_]vl[-_:]|qwen[0-9.]*-?vl|gemma-?3(?!n)|pixtral|"
                       "minicpm-?v|moondream|internvl|idefics|smolvlm|cogvlm|molmo|llama-?4|mistral-small-?3\\.[12]|"
                       "granite[0-9.]*-vision|phi-?[34](\\.5)?-(vision|multimodal)|gpt-4o|gpt-4-turbo|gpt-4\\.1|"
                       "gpt-5|omni|-vlm"),
        QRegularExpression::CaseInsensitiveOption);
    return families.match(model).hasMatch();
}

std::optional<bool> ModelCapabilities::visionFromOllamaShow(const QByteArray& body)
{
    const QJsonValue capabilities = objectOf(body).value(QLatin1StringView("capabilities"));
    if (!capabilities.isArray())
        return std::nullopt;
    return capabilities.toArray().contains(QJsonValue(QStringLiteral("vision")));
}

std::optional<bool> ModelCapabilities::visionFromLlamaCppProps(const QByteArray& body)
{
    const QJsonValue vision =
        objectOf(body).value(QLatin1StringView("modalities")).toObject().value(QLatin1StringView("vision"));
    return vision.isBool() ? std::optional<bool>(vision.toBool()) : std::nullopt;
}

std::optional<bool> ModelCapabilities::visionFromLmStudioModel(const QByteArray& body)
{
    const QJsonValue type = objectOf(body).value(QLatin1StringView("type"));
    if (!type.isString())
        return std::nullopt;
    return type.toString() == u"vlm";
}

bool ModelCapabilities::supportsVision(const ChatServiceConfig& config) const
{
    switch (config.vision) {
    case ChatServiceConfig::Vision::Yes:
        return true;
    case ChatServiceConfig::Vision::No:
        return false;
    case ChatServiceConfig::Vision::Auto:
        break;
    }
    if (config.isOpenAIHost())
        return isOpenAIVisionModel(config.model);
    const auto known = m_known.constFind(keyOf(config));
    return known != m_known.constEnd() ? *known : nameSuggestsVision(config.model);
}

void ModelCapabilities::probe(const ChatServiceConfig& config)
{
    if (config.vision != ChatServiceConfig::Vision::Auto || config.isOpenAIHost() || config.model.trimmed().isEmpty())
        return;
    const QString key = keyOf(config);
    if (m_asked.contains(key))
        return;
    m_asked.insert(key);
    const QString model = config.model.trimmed();
    // Each server answers only its own question; the others get a 404 and say nothing.
    if (const std::optional<QUrl> show = config.url(u"/api/show"))
        ask(key, *show, QJsonDocument(QJsonObject{{QStringLiteral("model"), model}}).toJson(), &visionFromOllamaShow);
    if (const std::optional<QUrl> props = config.url(u"/props"))
        ask(key, *props, {}, &visionFromLlamaCppProps);
    if (const std::optional<QUrl> lmStudio =
            config.url(QString(u"/api/v0/models/" + QString::fromLatin1(QUrl::toPercentEncoding(model)))))
        ask(key, *lmStudio, {}, &visionFromLmStudioModel);
}

void ModelCapabilities::ask(const QString& key, const QUrl& url, const QByteArray& postBody,
                            std::optional<bool> (*read)(const QByteArray&))
{
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    request.setTransferTimeout(5000);
    if (!m_network)
        m_network = new QNetworkAccessManager(this);
    QNetworkReply* reply;
    if (postBody.isEmpty()) {
        reply = m_network->get(request);
    } else {
        request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
        reply = m_network->post(request, postBody);
    }
    auto body = std::make_shared<QByteArray>();
    connect(reply, &QNetworkReply::readyRead, this, [reply, body] {
        *body += reply->read(maxAnswerBytes + 1 - body->size());
        if (body->size() > maxAnswerBytes)
            reply->abort();
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply, body, key, read] {
        reply->deleteLater();
        const bool ok = reply->error() == QNetworkReply::NoError && body->size() <= maxAnswerBytes &&
                        reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() == 200;
        const std::optional<bool> vision = ok ? read(*body) : std::nullopt;
        if (!vision || m_known.value(key, !*vision) == *vision)
            return;
        m_known.insert(key, *vision);
        Q_EMIT learned();
    });
}
