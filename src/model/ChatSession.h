// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/ChatMessage.h"

// One conversation, oldest message first.
struct ChatSession
{
    // Titles made from a message or an answer keep this many characters.
    static constexpr qsizetype titleLength = 40;

    QUuid id;
    QString title;
    QUuid projectID;
    QString projectName;
    QString projectEmoji;
    QList<ChatMessage> messages;
    QDateTime createdAt;
    QDateTime updatedAt;

    bool operator==(const ChatSession&) const = default;

    QJsonObject toJson() const;
    static ChatSession fromJson(const QJsonValue& value, JsonDecoder& decoder);

    // A copy without the blank answers at the end of the conversation, so that an answer cut off before any text
    // arrived does not survive as an empty bubble.
    ChatSession droppingTrailingEmptyReplies() const;
};
