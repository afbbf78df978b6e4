// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/JsonDecoder.h"

#include <QByteArray>
#include <QDateTime>
#include <QImage>
#include <QList>
#include <QString>
#include <QUuid>

#include <optional>

enum class MessageRole
{
    User,
    Assistant
};

QString messageRoleString(MessageRole role);
std::optional<MessageRole> parseMessageRole(const QString& text);

// One source cited by a web-search answer.
struct URLCitation
{
    QString url;
    std::optional<QString> title;
    std::optional<QString> content;
    std::optional<qint64> startIndex;
    std::optional<qint64> endIndex;

    bool operator==(const URLCitation&) const = default;

    QJsonObject toJson() const;
    static URLCitation fromJson(const QJsonValue& value, JsonDecoder& decoder);
};

// One message of a chat.
struct ChatMessage
{
    // An attached picture as messages store it: PNG file bytes; nothing for a null image or a failed encoding.
    static std::optional<QByteArray> imageBytes(const QImage& image);

    QUuid id;
    MessageRole role = MessageRole::User;
    QString content;
    QDateTime timestamp;
    std::optional<QList<URLCitation>> annotations;
    bool webSearchEnabled = false;
    std::optional<QByteArray> imageData; // PNG file bytes
    // Kept in memory only: a reasoning model's thinking before this answer (never stored, never sent back), and
    // whether the answer stopped at the model's length limit.
    QString reasoning;
    bool cutOff = false;

    static constexpr qsizetype maxReasoningLength = 200'000;

    bool operator==(const ChatMessage&) const = default;

    QJsonObject toJson() const;
    static ChatMessage fromJson(const QJsonValue& value, JsonDecoder& decoder);
};
