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

// The project list after the first-run walkthrough's "Get Started". `chosen` (in the walkthrough's order, edits
// included) is numbered 1, 2, 3…; it replaces the prompts of an untouched "General" (the only project, named
// "General", its prompts equal to `library` in ids, titles, texts and numbers), and otherwise comes as a new project
// "My Prompts". Nothing chosen changes nothing (none).
std::optional<QList<Project>> projectsAfterFirstRun(const QList<Project>& stored, const QList<Prompt>& library,
                                                    QList<Prompt> chosen);
