// SPDX-License-Identifier: GPL-3.0-or-later
#include "sync/SharedProjectPayload.h"

#include <QJsonArray>
#include <QSet>

#include <algorithm>

SharedPromptPayload SharedPromptPayload::fromJson(const QJsonValue& value, JsonDecoder& decoder)
{
    const QJsonObject o = decoder.object(value);
    SharedPromptPayload prompt;
    prompt.id = decoder.uuid(o, QLatin1StringView("id"));
    prompt.title = decoder.string(o, QLatin1StringView("title"));
    prompt.systemPrompt = decoder.string(o, QLatin1StringView("systemPrompt"));
    return prompt;
}

SharedProjectPayload SharedProjectPayload::fromJson(const QJsonValue& value, JsonDecoder& decoder)
{
    const QJsonObject o = decoder.object(value);
    SharedProjectPayload payload;
    payload.shareCode = decoder.string(o, QLatin1StringView("share_code"));
    payload.name = decoder.string(o, QLatin1StringView("name"));
    payload.emoji = decoder.string(o, QLatin1StringView("emoji"));
    payload.contextDescription = decoder.string(o, QLatin1StringView("context_description"));
    const QJsonArray promptArray = decoder.requiredArray(o, QLatin1StringView("prompts"));
    auto scope = decoder.key(QLatin1StringView("prompts"));
    for (qsizetype i = 0; i < promptArray.size() && !decoder.failed(); ++i) {
        auto item = decoder.index(i);
        payload.prompts.append(SharedPromptPayload::fromJson(promptArray.at(i), decoder));
    }
    return payload;
}

QJsonObject SharedProjectPayload::uploadPayload(const Project& project)
{
    QJsonArray prompts;
    for (const Prompt& prompt : project.prompts) {
        prompts.append(QJsonObject{
            {QLatin1StringView("id"), JsonFormat::uuidString(prompt.id)},
            {QLatin1StringView("title"), prompt.title},
            {QLatin1StringView("systemPrompt"), prompt.systemPrompt},
        });
    }
    return QJsonObject{
        {QLatin1StringView("name"), project.name},
        {QLatin1StringView("emoji"), project.emoji},
        {QLatin1StringView("context_description"), project.contextDescription},
        {QLatin1StringView("prompts"), prompts},
    };
}

Project SharedProjectPayload::toLocalProject(const QString& code) const
{
    Project project;
    project.id = QUuid::createUuid();
    project.name = name;
    project.emoji = emoji;
    project.contextDescription = contextDescription;
    qint64 number = 0;
    for (const SharedPromptPayload& prompt : prompts)
        project.prompts.append(Prompt{prompt.id, ++number, prompt.title, prompt.systemPrompt});
    project.shareCode = code;
    return project;
}

Project SharedProjectPayload::mergedInto(const Project& local) const
{
    Project merged = local;
    merged.name = name;
    merged.emoji = emoji;
    merged.contextDescription = contextDescription;
    merged.prompts.clear();

    QSet<QUuid> localIds;
    for (const Prompt& prompt : local.prompts) {
        localIds.insert(prompt.id);
        const auto fetched = std::find_if(prompts.cbegin(), prompts.cend(),
                                          [&](const SharedPromptPayload& p) { return p.id == prompt.id; });
        if (fetched == prompts.cend())
            continue;
        merged.prompts.append(Prompt{prompt.id, prompt.number, fetched->title, fetched->systemPrompt});
    }

    qint64 next = 1;
    if (!merged.prompts.isEmpty()) {
        next = std::max_element(merged.prompts.cbegin(), merged.prompts.cend(),
                                [](const Prompt& a, const Prompt& b) { return a.number < b.number; })
                   ->number +
               1;
    }
    for (const SharedPromptPayload& prompt : prompts) {
        if (!localIds.contains(prompt.id))
            merged.prompts.append(Prompt{prompt.id, next++, prompt.title, prompt.systemPrompt});
    }
    return merged;
}
