// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/ChatMessage.h"

#include <QBuffer>
#include <QImageWriter>
#include <QJsonArray>

QString messageRoleString(MessageRole role)
{
    return role == MessageRole::User ? QStringLiteral("user") : QStringLiteral("assistant");
}

std::optional<MessageRole> parseMessageRole(const QString& text)
{
    if (text == u"user")
        return MessageRole::User;
    if (text == u"assistant")
        return MessageRole::Assistant;
    return std::nullopt;
}

QJsonObject URLCitation::toJson() const
{
    QJsonObject o{{QLatin1StringView("url"), url}};
    if (title)
        o.insert(QLatin1StringView("title"), *title);
    if (content)
        o.insert(QLatin1StringView("content"), *content);
    if (startIndex)
        o.insert(QLatin1StringView("start_index"), *startIndex);
    if (endIndex)
        o.insert(QLatin1StringView("end_index"), *endIndex);
    return o;
}

URLCitation URLCitation::fromJson(const QJsonValue& value, JsonDecoder& decoder)
{
    const QJsonObject o = decoder.object(value);
    URLCitation citation;
    citation.url = decoder.string(o, QLatin1StringView("url"));
    citation.title = decoder.optionalString(o, QLatin1StringView("title"));
    citation.content = decoder.optionalString(o, QLatin1StringView("content"));
    citation.startIndex = decoder.optionalInteger(o, QLatin1StringView("start_index"));
    citation.endIndex = decoder.optionalInteger(o, QLatin1StringView("end_index"));
    return citation;
}

QJsonObject ChatMessage::toJson() const
{
    QJsonObject o{
        {QLatin1StringView("id"), JsonFormat::uuidString(id)},
        {QLatin1StringView("role"), messageRoleString(role)},
        {QLatin1StringView("content"), content},
        {QLatin1StringView("timestamp"), JsonFormat::dateString(timestamp)},
        {QLatin1StringView("webSearchEnabled"), webSearchEnabled},
    };
    if (annotations) {
        QJsonArray array;
        for (const URLCitation& citation : *annotations)
            array.append(citation.toJson());
        o.insert(QLatin1StringView("annotations"), array);
    }
    if (imageData)
        o.insert(QLatin1StringView("imageData"), QString::fromLatin1(imageData->toBase64()));
    return o;
}

ChatMessage ChatMessage::fromJson(const QJsonValue& value, JsonDecoder& decoder)
{
    const QJsonObject o = decoder.object(value);
    ChatMessage message;
    message.id = decoder.uuid(o, QLatin1StringView("id"));
    const QString role = decoder.string(o, QLatin1StringView("role"));
    if (!decoder.failed()) {
        if (const auto parsed = parseMessageRole(role)) {
            message.role = *parsed;
        } else {
            auto scope = decoder.key(QLatin1StringView("role"));
            decoder.fail(QStringLiteral("unknown role \"%1\"").arg(role));
        }
    }
    message.content = decoder.string(o, QLatin1StringView("content"));
    message.timestamp = decoder.date(o, QLatin1StringView("timestamp"));
    if (const auto array = decoder.optionalArray(o, QLatin1StringView("annotations"))) {
        auto scope = decoder.key(QLatin1StringView("annotations"));
        QList<URLCitation> citations;
        for (qsizetype i = 0; i < array->size() && !decoder.failed(); ++i) {
            auto item = decoder.index(i);
            citations.append(URLCitation::fromJson(array->at(i), decoder));
        }
        message.annotations = citations;
    }
    message.webSearchEnabled = decoder.boolean(o, QLatin1StringView("webSearchEnabled"));
    message.imageData = decoder.optionalBase64(o, QLatin1StringView("imageData"));
    return message;
}

std::optional<QByteArray> ChatMessage::imageBytes(const QImage& image)
{
    if (image.isNull())
        return std::nullopt;
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(image) || bytes.isEmpty())
        return std::nullopt;
    return bytes;
}
