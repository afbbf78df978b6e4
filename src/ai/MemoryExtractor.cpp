// SPDX-License-Identifier: GPL-3.0-or-later
#include "ai/MemoryExtractor.h"

#include "ai/ChatCompletionsClient.h"
#include "platform/Log.h"
#include "platform/TextLength.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRegularExpression>

namespace {

constexpr QStringView component = u"MemoryExtractor";

void log(const QString& message)
{
    logLine(component, message);
}

// The value as a list of strings, or nothing when it is not an array of strings only.
QStringList stringList(const QJsonValue& value)
{
    if (!value.isArray())
        return {};
    QStringList list;
    for (const QJsonValue& element : value.toArray()) {
        if (!element.isString())
            return {};
        list.append(element.toString());
    }
    return list;
}

} // namespace

QString MemoryExtractor::memoryExtractionPrompt()
{
    return QStringLiteral("You extract durable memory from conversation exchanges.\n"
                          "Only include information that will likely remain true and affects future responses.\n"
                          "\n"
                          "Return JSON with this structure:\n"
                          "{\"user_memory\": [...], \"project_memory\": [...]}\n"
                          "\n"
                          "user_memory \u2014 facts about the PERSON talking, not the project. Examples:\n"
                          "- Language or communication preferences (\"User prefers German responses\")\n"
                          "- Their role or expertise (\"User is a frontend developer\")\n"
                          "- Tools, frameworks, or tech they personally prefer (\"User prefers SwiftUI over UIKit\")\n"
                          "- Work style or habits (\"User likes concise answers\")\n"
                          "- Any personal context they share (\"User is based in Germany\")\n"
                          "\n"
                          "project_memory \u2014 facts about the PROJECT or product being discussed. Examples:\n"
                          "- Tech stack (\"Project uses Next.js 15 with Supabase\")\n"
                          "- Architecture decisions (\"App uses SSR-first approach\")\n"
                          "- Business context (\"Product is a B2B SaaS for fashion brands\")\n"
                          "- Goals or constraints (\"Target audience is small retailers\")\n"
                          "\n"
                          "Be generous \u2014 if in doubt whether something is memorable, include it.\n"
                          "If truly nothing is worth remembering, return empty arrays.");
}

MemoryExtractor::MemoryExtractor(QNetworkAccessManager* network, MemoryStore store, QObject* parent)
    : QObject(parent), m_network(network), m_store(std::move(store))
{}

void MemoryExtractor::extractMemory(const ChatServiceConfig& config, const QString& userMessage, const QString& answer,
                                    const QUuid& projectId)
{
    const std::optional<QUrl> endpoint = config.endpointUrl();
    if (userMessage.isEmpty() || answer.isEmpty() || (config.apiKey.isEmpty() && config.needsApiKey()) || !endpoint) {
        QMetaObject::invokeMethod(this, &MemoryExtractor::extractionEnded, Qt::QueuedConnection);
        return;
    }
    const QJsonArray messages{
        QJsonObject{{QStringLiteral("role"), QStringLiteral("system")},
                    {QStringLiteral("content"), memoryExtractionPrompt()}},
        QJsonObject{{QStringLiteral("role"), QStringLiteral("user")},
                    {QStringLiteral("content"), QString(u"User: " + userMessage + u"\n\nAssistant: " + answer)}},
    };
    const QJsonObject body{
        {QStringLiteral("model"), config.memoryModel()},
        {QStringLiteral("stream"), false},
        {QStringLiteral("temperature"), 0},
        {QStringLiteral("max_tokens"), 500},
        {QStringLiteral("response_format"), QJsonObject{{QStringLiteral("type"), QStringLiteral("json_object")}}},
        {QStringLiteral("messages"), messages},
    };
    send({*endpoint, config.apiKey, body, projectId});
}

void MemoryExtractor::send(const Request& request)
{
    QNetworkReply* reply =
        m_network->post(ChatCompletionsClient::makeRequest(request.endpoint, request.apiKey, m_timeout),
                        QJsonDocument(request.body).toJson(QJsonDocument::Compact));
    reply->setParent(this);

    // Read as it arrives so a huge answer can be cut off instead of piling up in the reply's buffer.
    auto received = std::make_shared<QByteArray>();
    auto done = [this, reply, received, request] {
        if (reply->property("handled").toBool())
            return;
        reply->setProperty("handled", true);
        const bool ended = handleReply(reply, request, *received);
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
        if (ended) {
            Q_EMIT extractionEnded();
            return;
        }
        Request again = request;
        again.body.remove(QStringLiteral("temperature"));
        send(again);
    };
    connect(reply, &QNetworkReply::readyRead, this, [reply, received, done] {
        const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        const qsizetype limit = status.toInt() == 200 ? maxReplyBytes : maxErrorBodyBytes;
        *received += reply->read(limit - received->size());
        if (received->size() >= limit)
            done();
    });
    connect(reply, &QNetworkReply::finished, this, done);
}

void MemoryExtractor::logFailure(const QString& cause, const QString& message)
{
    if (m_failureCauses.contains(cause))
        return;
    m_failureCauses.insert(cause);
    log(message);
}

bool MemoryExtractor::handleReply(QNetworkReply* reply, const Request& request, const QByteArray& received)
{
    const QVariant statusValue = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!statusValue.isValid()) {
        if (reply->error() != QNetworkReply::NoError)
            logFailure(u"transport " + QString::number(reply->error()),
                       u"error \u2014 " + ChatCompletionsClient::transportErrorText(reply));
        else
            logFailure(QStringLiteral("no HTTP"), QStringLiteral("no HTTP response"));
        return true;
    }
    const int status = statusValue.toInt();
    QByteArray body = received;
    if (reply->isOpen())
        body += reply->read((status == 200 ? maxReplyBytes : maxErrorBodyBytes) - body.size());
    if (status != 200) {
        // Reasoning models take no temperature: once more without it.
        if (request.body.contains(QLatin1StringView("temperature")) &&
            ChatCompletionsClient::refusesSampling(status, body))
            return false;
        if (body.size() >= maxErrorBodyBytes)
            body = TextLength::withoutIncompleteUtf8Tail(body);
        const QString text = TextLength::strictUtf8(body).value_or(QStringLiteral("unknown"));
        logFailure(u"HTTP " + QString::number(status),
                   u"HTTP " + QString::number(status) + u" \u2014 " + TextLength::left(text, 200));
        return true;
    }
    if (reply->error() != QNetworkReply::NoError) {
        logFailure(u"transport " + QString::number(reply->error()),
                   u"error \u2014 " + ChatCompletionsClient::transportErrorText(reply));
        return true;
    }
    const QJsonDocument document = QJsonDocument::fromJson(body);
    const QJsonArray choices = document.object().value(QLatin1StringView("choices")).toArray();
    const QJsonValue content = choices.isEmpty() ? QJsonValue()
                                                 : choices.at(0)
                                                       .toObject()
                                                       .value(QLatin1StringView("message"))
                                                       .toObject()
                                                       .value(QLatin1StringView("content"));
    if (!content.isString()) {
        logFailure(QStringLiteral("structure"), QStringLiteral("failed to parse OpenAI response structure"));
        return true;
    }
    const QString text = content.toString();
    const std::optional<Facts> facts = parseMemoryReply(text);
    if (!facts) {
        log(u"no memorable facts extracted (or JSON parse failed). Raw: " + TextLength::left(text, 300));
        return true;
    }
    if (!facts->user.isEmpty()) {
        MemoryStore::appendFacts(m_store.userMemoryPath(), facts->user);
        log(u"saved " + QString::number(facts->user.size()) + u" user memory fact(s)");
    }
    if (!facts->project.isEmpty()) {
        MemoryStore::appendFacts(m_store.projectMemoryPath(request.projectId), facts->project);
        log(u"saved " + QString::number(facts->project.size()) + u" project memory fact(s)");
    }
    return true;
}

std::optional<MemoryExtractor::Facts> MemoryExtractor::parseMemoryReply(const QString& reply)
{
    QString text = reply.trimmed();
    if (text.startsWith(u"```")) {
        QStringList lines =
            text.split(QRegularExpression(QStringLiteral("\\r\\n|[\\n\\r\\x{0B}\\x{0C}\\x{85}\\x{2028}\\x{2029}]")));
        lines.removeFirst();
        lines.removeIf([](const QString& line) {
            qsizetype i = 0;
            while (i < line.size() && (line[i] == u' ' || line[i] == u'\t'))
                ++i;
            return QStringView(line).sliced(i).startsWith(u"```");
        });
        text = lines.join(u'\n');
    }
    const qsizetype open = text.indexOf(u'{');
    const qsizetype close = text.lastIndexOf(u'}');
    if (open >= 0 && close >= open)
        text = text.sliced(open, close - open + 1);
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8());
    if (!document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    Facts facts{stringList(object.value(QLatin1StringView("user_memory"))),
                stringList(object.value(QLatin1StringView("project_memory")))};
    if (facts.user.isEmpty() && facts.project.isEmpty())
        return std::nullopt;
    return facts;
}
