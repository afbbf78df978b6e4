// SPDX-License-Identifier: GPL-3.0-or-later
#include "ai/ChatEventParser.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

// The message of an error object that a service sends inside a 200 stream: {"error": {"message": "..."}} or
// {"error": "..."}. Nothing when the object reports no error.
std::optional<QString> streamedError(const QJsonObject& object)
{
    const auto it = object.constFind(QLatin1StringView("error"));
    if (it == object.constEnd())
        return std::nullopt;
    if (it->isString() && !it->toString().isEmpty())
        return it->toString();
    if (!it->isObject())
        return std::nullopt;
    const QJsonValue message = it->toObject().value(QLatin1StringView("message"));
    if (message.isString() && !message.toString().isEmpty())
        return message.toString();
    // An error without a readable message still must not pass as an empty answer.
    return QString::fromUtf8(QJsonDocument(QJsonObject{{QStringLiteral("error"), *it}}).toJson(QJsonDocument::Compact));
}

std::optional<QString> optionalString(const QJsonObject& object, QLatin1StringView key)
{
    const QJsonValue value = object.value(key);
    return value.isString() ? std::optional<QString>(value.toString()) : std::nullopt;
}

// JSON numbers are doubles; an index counts only when it is a whole number.
std::optional<qint64> optionalInteger(const QJsonObject& object, QLatin1StringView key)
{
    const QJsonValue value = object.value(key);
    if (!value.isDouble())
        return std::nullopt;
    const double number = value.toDouble();
    if (number != double(qint64(number)) || number < -9.0e15 || number > 9.0e15)
        return std::nullopt;
    return qint64(number);
}

} // namespace

std::optional<QByteArrayView> ChatEventParser::dataPayload(QByteArrayView line)
{
    if (!line.startsWith("data:"))
        return std::nullopt;
    QByteArrayView payload = line.sliced(5);
    if (payload.startsWith(' '))
        payload = payload.sliced(1);
    return payload;
}

void ChatEventParser::feed(QByteArrayView bytes, QList<ChatStreamEvent>& events)
{
    if (m_ended)
        return;
    m_lines.feed(bytes, [&](QByteArrayView line) { return handleLine(line, events); });
}

void ChatEventParser::finish(QList<ChatStreamEvent>& events)
{
    if (m_ended)
        return;
    m_lines.finish([&](QByteArrayView line) { return handleLine(line, events); });
    if (!m_ended)
        end(events);
}

void ChatEventParser::end(QList<ChatStreamEvent>& events)
{
    if (m_truncated)
        events.append({ChatStreamEvent::Type::Truncated, {}, {}});
    if (m_mode == Mode::Chat && !m_citations.isEmpty())
        events.append({ChatStreamEvent::Type::Annotations, {}, m_citations});
    events.append({ChatStreamEvent::Type::Finished, {}, {}});
    m_ended = true;
}

bool ChatEventParser::fail(const QString& message, QList<ChatStreamEvent>& events)
{
    events.append({ChatStreamEvent::Type::Failed, message, {}});
    m_ended = true;
    return false;
}

bool ChatEventParser::handleLine(QByteArrayView line, QList<ChatStreamEvent>& events)
{
    // Older llama.cpp servers end a failed stream with a bare "error: {...}" line.
    if (line.startsWith("error:")) {
        const QByteArrayView rest = line.sliced(6).trimmed();
        const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromRawData(rest.data(), rest.size()));
        const QJsonObject wrapped{{QStringLiteral("error"), document.isObject() ? QJsonValue(document.object())
                                                                                : QJsonValue(QString::fromUtf8(rest))}};
        return fail(streamedError(wrapped).value_or(tr("The server reported an error.")), events);
    }
    const std::optional<QByteArrayView> payload = dataPayload(line);
    if (!payload)
        return true;
    if (*payload == "[DONE]") {
        end(events);
        return false;
    }
    // The view stays valid for the call; the document copies what it keeps.
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromRawData(payload->data(), payload->size()));
    if (!document.isObject())
        return true;
    const QJsonObject object = document.object();
    if (const std::optional<QString> error = streamedError(object))
        return fail(*error, events);
    const QJsonValue choices = object.value(QLatin1StringView("choices"));
    if (!choices.isArray())
        return true;
    const QJsonArray choiceList = choices.toArray();
    if (choiceList.isEmpty() || !choiceList.at(0).isObject())
        return true;
    const QJsonObject choice = choiceList.at(0).toObject();
    const QJsonValue delta = choice.value(QLatin1StringView("delta"));
    if (delta.isObject()) {
        const QJsonObject fields = delta.toObject();
        // DeepSeek, vLLM and llama.cpp say "reasoning_content", Ollama and OpenRouter "reasoning".
        for (const QLatin1StringView key : {QLatin1StringView("reasoning_content"), QLatin1StringView("reasoning")}) {
            const QJsonValue thinking = fields.value(key);
            if (thinking.isString() && !thinking.toString().isEmpty()) {
                events.append({ChatStreamEvent::Type::Reasoning, thinking.toString(), {}});
                break;
            }
        }
        const QJsonValue content = fields.value(QLatin1StringView("content"));
        if (content.isString())
            events.append({ChatStreamEvent::Type::Content, content.toString(), {}});
    }
    if (choice.value(QLatin1StringView("finish_reason")) == QLatin1StringView("length"))
        m_truncated = true;
    if (m_mode == Mode::Chat) {
        const QJsonValue message = choice.value(QLatin1StringView("message"));
        if (message.isObject()) {
            const QJsonValue annotations = message.toObject().value(QLatin1StringView("annotations"));
            if (annotations.isArray())
                collectCitations(annotations.toArray());
        }
    }
    return true;
}

void ChatEventParser::collectCitations(const QJsonArray& annotations)
{
    for (const QJsonValue& element : annotations) {
        const QJsonValue citation = element.toObject().value(QLatin1StringView("url_citation"));
        if (!citation.isObject())
            continue;
        const QJsonObject fields = citation.toObject();
        const QJsonValue url = fields.value(QLatin1StringView("url"));
        if (!url.isString())
            continue;
        const QString urlText = url.toString();
        const bool known = std::any_of(m_citations.cbegin(), m_citations.cend(),
                                       [&](const URLCitation& existing) { return existing.url == urlText; });
        if (known)
            continue;
        m_citations.append({urlText, optionalString(fields, QLatin1StringView("title")),
                            optionalString(fields, QLatin1StringView("content")),
                            optionalInteger(fields, QLatin1StringView("start_index")),
                            optionalInteger(fields, QLatin1StringView("end_index"))});
    }
}
