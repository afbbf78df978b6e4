// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/ChatMessage.h"
#include "model/Project.h"
#include "model/Prompt.h"

#include <QImage>
#include <QJsonArray>
#include <QString>

#include <optional>

// What each request to the chat service carries. Pure functions: the caller reads settings, files and state and
// passes them in.
namespace PromptAssembly {

struct PromptRun
{
    QString systemText;
    QString userText;
};

// A quick run: the project's context (as stored, untrimmed) and the prompt's instruction; the copied text, or the
// instruction itself when an image goes without text.
PromptRun composePromptRun(const Prompt& prompt, const QString& copiedText, const QImage& image,
                           const Project& activeProject);

// A chat turn's system prompt: personality, user memory, project memory, context, prompt instruction, each when
// present, separated by blank lines.
QString composeChatSystemPrompt(const QString& personality, const QString& userMemory, const QString& projectMemory,
                                const std::optional<Prompt>& prompt, const Project& activeProject);

// The stored and sent text of a chat message: "[Title] text" when a prompt was chosen.
QString composeChatMessageContent(const QString& text, const std::optional<Prompt>& prompt);

// The wire history of a chat turn (without the empty assistant placeholder); the linked pages' text is appended to
// the last entry when that is the user's.
QJsonArray composeChatHistory(const QList<ChatMessage>& messages, const std::optional<QString>& linkedContent);

} // namespace PromptAssembly
