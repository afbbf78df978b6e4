// SPDX-License-Identifier: GPL-3.0-or-later
#include "ai/PromptAssembly.h"

#include <QJsonObject>
#include <QStringList>

namespace PromptAssembly {

PromptRun composePromptRun(const Prompt& prompt, const QString& copiedText, const QImage& image,
                           const Project& activeProject)
{
    PromptRun run;
    run.systemText = activeProject.contextDescription.isEmpty()
                         ? prompt.systemPrompt
                         : activeProject.contextDescription + u"\n\n" + prompt.systemPrompt;
    run.userText = (!image.isNull() && copiedText.isEmpty()) ? prompt.systemPrompt : copiedText;
    return run;
}

QString composeChatSystemPrompt(const QString& personality, const QString& userMemory, const QString& projectMemory,
                                const std::optional<Prompt>& prompt, const Project& activeProject)
{
    QStringList parts;
    if (!personality.isEmpty())
        parts.append(personality);
    if (!userMemory.isEmpty())
        parts.append(u"User memory:\n" + userMemory);
    if (!projectMemory.isEmpty())
        parts.append(u"Project memory:\n" + projectMemory);
    const QString context = activeProject.contextDescription.trimmed();
    if (!context.isEmpty())
        parts.append(u"Context:\n" + context);
    if (prompt)
        parts.append(prompt->systemPrompt);
    return parts.join(QStringLiteral("\n\n"));
}

QString composeChatMessageContent(const QString& text, const std::optional<Prompt>& prompt)
{
    return prompt ? u'[' + prompt->title + u"] " + text : text;
}

QJsonArray composeChatHistory(const QList<ChatMessage>& messages, const std::optional<QString>& linkedContent)
{
    QJsonArray history;
    for (const ChatMessage& message : messages) {
        history.append(QJsonObject{{QStringLiteral("role"), messageRoleString(message.role)},
                                   {QStringLiteral("content"), message.content}});
    }
    if (linkedContent && !messages.isEmpty() && messages.last().role == MessageRole::User) {
        QJsonObject last = history.last().toObject();
        last.insert(QStringLiteral("content"), QString(messages.last().content + u"\n\n" + *linkedContent));
        history.replace(history.size() - 1, last);
    }
    return history;
}

} // namespace PromptAssembly
