// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/Prompt.h"

QJsonObject Prompt::toJson() const
{
    return QJsonObject{
        {QLatin1StringView("id"), JsonFormat::uuidString(id)},
        {QLatin1StringView("number"), number},
        {QLatin1StringView("title"), title},
        {QLatin1StringView("systemPrompt"), systemPrompt},
    };
}

Prompt Prompt::fromJson(const QJsonValue& value, JsonDecoder& decoder)
{
    const QJsonObject o = decoder.object(value);
    Prompt prompt;
    prompt.id = decoder.uuid(o, QLatin1StringView("id"));
    prompt.number = decoder.integer(o, QLatin1StringView("number"));
    prompt.title = decoder.string(o, QLatin1StringView("title"));
    prompt.systemPrompt = decoder.string(o, QLatin1StringView("systemPrompt"));
    return prompt;
}

const QList<Prompt>& defaultPrompts()
{
    static const QList<Prompt> prompts = [] {
        const std::pair<const char*, const char*> library[] = {
            {"Translate", "Translate the following text into German. If the following text is in german, translate it "
                          "into english. Only return the translated text, nothing else."},
            {"Proofread", "Fix the grammar and spelling in the following text. Return only the corrected text. The "
                          "input language should also be the output language. "},
            {"Simplify", "Rewrite the following text in simpler, easier-to-understand language. Maintain the original "
                         "meaning while making it more accessible."},
            {"Summarize", "Summarize the following text concisely. Capture the key points in a brief, clear summary."},
            {"Explain", "Explain the following text in a way that is easy to understand. Use simple language and avoid "
                        "technical jargon."},
            {"Make Professional", "Rewrite the following text in a professional, formal tone suitable for business "
                                  "communication. Only return the rewritten text."},
        };
        QList<Prompt> list;
        qint64 number = 1;
        for (const auto& [title, text] : library)
            list.append(Prompt{QUuid::createUuid(), number++, QString::fromUtf8(title), QString::fromUtf8(text)});
        return list;
    }();
    return prompts;
}
