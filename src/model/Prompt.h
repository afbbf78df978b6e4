// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/JsonDecoder.h"

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QUuid>

// One numbered quick action.
struct Prompt
{
    QUuid id;
    qint64 number = 0;
    QString title;
    QString systemPrompt;

    bool operator==(const Prompt&) const = default;

    QJsonObject toJson() const;
    static Prompt fromJson(const QJsonValue& value, JsonDecoder& decoder);
};

// The built-in prompt library. Built once per process with fresh ids, so ids differ between launches.
const QList<Prompt>& defaultPrompts();
