// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/JsonDecoder.h"
#include "model/Project.h"

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QUuid>

// One prompt of a shared project on the wire.
struct SharedPromptPayload
{
    QUuid id;
    QString title;
    QString systemPrompt;

    bool operator==(const SharedPromptPayload&) const = default;

    static SharedPromptPayload fromJson(const QJsonValue& value, JsonDecoder& decoder);
};

// A shared project as the sync service returns it. Every key is required.
struct SharedProjectPayload
{
    QString shareCode;
    QString name;
    QString emoji;
    QString contextDescription;
    QList<SharedPromptPayload> prompts;

    bool operator==(const SharedProjectPayload&) const = default;

    static SharedProjectPayload fromJson(const QJsonValue& value, JsonDecoder& decoder);

    // What create and upsert send for a local project: name, emoji, context and the prompts (id, title, text).
    // The project id, prompt numbers, share code and default prompts stay local.
    static QJsonObject uploadPayload(const Project& project);

    // A joined project: fresh id, prompts numbered 1..n in payload order with their ids kept, and `code` (as the
    // user entered it) as the share code.
    Project toLocalProject(const QString& code) const;

    // `local` refreshed from this server copy: name, emoji and context are taken over; local prompts still on the
    // server keep their position and number but take the server's title and text; prompts new on the server follow,
    // numbered on from the highest kept number; prompts gone from the server are dropped. The share code and the
    // default prompt ids stay as they were.
    Project mergedInto(const Project& local) const;
};
