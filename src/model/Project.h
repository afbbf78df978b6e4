// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/Prompt.h"

#include <optional>

// A named collection of prompts plus the context text sent with each of them.
struct Project
{
    QUuid id;
    QString name;
    QString emoji;
    QString contextDescription;
    QList<Prompt> prompts;
    std::optional<QString> shareCode;
    std::optional<QUuid> defaultPromptID;
    std::optional<QUuid> defaultImagePromptID;

    bool operator==(const Project&) const = default;

    // The number a prompt added now gets: one past the highest in use.
    qint64 nextPromptNumber() const;

    QJsonObject toJson() const;
    static Project fromJson(const QJsonValue& value, JsonDecoder& decoder);

    // A JSON array of projects, as stored in the settings.
    static QByteArray encodeList(const QList<Project>& projects);
    static std::optional<QList<Project>> decodeList(const QByteArray& json, DecodeError* error = nullptr);
};

// "🗂️": U+1F5C2 followed by U+FE0F.
QString defaultProjectEmoji();

// The built-in project "General" holding the default prompts; built once per process.
const Project& defaultProject();
