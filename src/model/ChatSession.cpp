// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/ChatSession.h"

#include <QJsonArray>

QJsonObject ChatSession::toJson() const
{
    QJsonArray messageArray;
    for (const ChatMessage& message : messages)
        messageArray.append(message.toJson());
    return QJsonObject{
        {QLatin1StringView("id"), JsonFormat::uuidString(id)},
        {QLatin1StringView("title"), title},
        {QLatin1StringView("projectID"), JsonFormat::uuidString(projectID)},
        {QLatin1StringView("projectName"), projectName},
        {QLatin1StringView("projectEmoji"), projectEmoji},
        {QLatin1StringView("messages"), messageArray},
        {QLatin1StringView("createdAt"), JsonFormat::dateString(createdAt)},
        {QLatin1StringView("updatedAt"), JsonFormat::dateString(updatedAt)},
    };
}

ChatSession ChatSession::fromJson(const QJsonValue& value, JsonDecoder& decoder)
{
    const QJsonObject o = decoder.object(value);
    ChatSession session;
    session.id = decoder.uuid(o, QLatin1StringView("id"));
    session.title = decoder.string(o, QLatin1StringView("title"));
    session.projectID = decoder.uuid(o, QLatin1StringView("projectID"));
    session.projectName = decoder.string(o, QLatin1StringView("projectName"));
    session.projectEmoji = decoder.string(o, QLatin1StringView("projectEmoji"));
    const QJsonArray messageArray = decoder.requiredArray(o, QLatin1StringView("messages"));
    {
        auto scope = decoder.key(QLatin1StringView("messages"));
        session.messages.reserve(messageArray.size());
        for (qsizetype i = 0; i < messageArray.size() && !decoder.failed(); ++i) {
            auto item = decoder.index(i);
            session.messages.append(ChatMessage::fromJson(messageArray.at(i), decoder));
        }
    }
    session.createdAt = decoder.date(o, QLatin1StringView("createdAt"));
    session.updatedAt = decoder.date(o, QLatin1StringView("updatedAt"));
    return session;
}

ChatSession ChatSession::droppingTrailingEmptyReplies() const
{
    ChatSession copy = *this;
    while (!copy.messages.isEmpty()) {
        const ChatMessage& last = copy.messages.constLast();
        if (last.role == MessageRole::User || !last.content.trimmed().isEmpty())
            break;
        copy.messages.removeLast();
    }
    return copy;
}
