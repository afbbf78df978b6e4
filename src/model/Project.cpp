// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/Project.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>

QJsonObject Project::toJson() const
{
    QJsonArray promptArray;
    for (const Prompt& prompt : prompts)
        promptArray.append(prompt.toJson());
    QJsonObject o{
        {QLatin1StringView("id"), JsonFormat::uuidString(id)},
        {QLatin1StringView("name"), name},
        {QLatin1StringView("emoji"), emoji},
        {QLatin1StringView("contextDescription"), contextDescription},
        {QLatin1StringView("prompts"), promptArray},
    };
    if (shareCode)
        o.insert(QLatin1StringView("shareCode"), *shareCode);
    if (defaultPromptID)
        o.insert(QLatin1StringView("defaultPromptID"), JsonFormat::uuidString(*defaultPromptID));
    if (defaultImagePromptID)
        o.insert(QLatin1StringView("defaultImagePromptID"), JsonFormat::uuidString(*defaultImagePromptID));
    return o;
}

Project Project::fromJson(const QJsonValue& value, JsonDecoder& decoder)
{
    const QJsonObject o = decoder.object(value);
    Project project;
    project.id = decoder.uuid(o, QLatin1StringView("id"));
    project.name = decoder.string(o, QLatin1StringView("name"));
    project.emoji = decoder.string(o, QLatin1StringView("emoji"));
    project.contextDescription = decoder.string(o, QLatin1StringView("contextDescription"));
    const QJsonArray promptArray = decoder.requiredArray(o, QLatin1StringView("prompts"));
    {
        auto scope = decoder.key(QLatin1StringView("prompts"));
        for (qsizetype i = 0; i < promptArray.size() && !decoder.failed(); ++i) {
            auto item = decoder.index(i);
            project.prompts.append(Prompt::fromJson(promptArray.at(i), decoder));
        }
    }
    project.shareCode = decoder.optionalString(o, QLatin1StringView("shareCode"));
    project.defaultPromptID = decoder.optionalUuid(o, QLatin1StringView("defaultPromptID"));
    project.defaultImagePromptID = decoder.optionalUuid(o, QLatin1StringView("defaultImagePromptID"));
    return project;
}

QByteArray Project::encodeList(const QList<Project>& projects)
{
    QJsonArray array;
    for (const Project& project : projects)
        array.append(project.toJson());
    return QJsonDocument(array).toJson(QJsonDocument::Compact);
}

std::optional<QList<Project>> Project::decodeList(const QByteArray& json, DecodeError* error)
{
    return decodeJsonArray<Project>(json, error);
}

QString defaultProjectEmoji()
{
    return QString::fromUtf8("\xF0\x9F\x97\x82\xEF\xB8\x8F");
}

const Project& defaultProject()
{
    static const Project project{QUuid::createUuid(),   QStringLiteral("General"),
                                 defaultProjectEmoji(), QString(),
                                 defaultPrompts(),      std::nullopt,
                                 std::nullopt,          std::nullopt};
    return project;
}

qint64 Project::nextPromptNumber() const
{
    qint64 highest = 0;
    for (const Prompt& prompt : prompts)
        highest = std::max(highest, prompt.number);
    return highest + 1;
}

std::optional<QList<Project>> projectsAfterFirstRun(const QList<Project>& stored, const QList<Prompt>& library,
                                                    QList<Prompt> chosen)
{
    if (chosen.isEmpty())
        return std::nullopt;
    for (qsizetype i = 0; i < chosen.size(); ++i)
        chosen[i].number = i + 1;
    QList<Project> projects = stored;
    const bool untouchedGeneral =
        projects.size() == 1 && projects.first().name == u"General" && projects.first().prompts == library;
    if (untouchedGeneral) {
        Project& general = projects.first();
        general.prompts = chosen;
        // A default that was not chosen would point at nothing.
        const auto kept = [&chosen](const std::optional<QUuid>& id) {
            return id && std::any_of(chosen.cbegin(), chosen.cend(), [&id](const Prompt& p) { return p.id == *id; });
        };
        if (!kept(general.defaultPromptID))
            general.defaultPromptID.reset();
        if (!kept(general.defaultImagePromptID))
            general.defaultImagePromptID.reset();
        return projects;
    }
    projects.append(Project{QUuid::createUuid(), QStringLiteral("My Prompts"), QStringLiteral("\u2728"), QString(),
                            chosen, std::nullopt, std::nullopt, std::nullopt});
    return projects;
}
