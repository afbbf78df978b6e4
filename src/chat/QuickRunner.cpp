// SPDX-License-Identifier: GPL-3.0-or-later
#include "chat/QuickRunner.h"

#include "ai/ChatCompletionsClient.h"
#include "ai/OpenAIError.h"
#include "ai/PromptAssembly.h"
#include "model/AppState.h"
#include "model/Settings.h"
#include "platform/TextLength.h"

namespace {

const QString customTitle = QStringLiteral("Custom");

} // namespace

QuickRunner::QuickRunner(AppState& state, Settings& settings, QNetworkAccessManager& network, QObject* parent)
    : QObject(parent), m_state(state), m_settings(settings), m_client(std::make_unique<ChatCompletionsClient>(&network))
{}

QuickRunner::~QuickRunner()
{
    cancel();
}

QString QuickRunner::noApiKeyText()
{
    return tr("⚠️ No API key set. Open Preferences (Ctrl+,) to add your OpenAI API key, or choose Find Local "
              "Servers there to use a model server on this computer.");
}

void QuickRunner::cancel()
{
    if (m_stream) {
        m_stream->cancel();
        m_stream = nullptr;
        m_state.setIsLoading(false);
    }
}

void QuickRunner::runDefaultPrompt()
{
    if (!m_state.hasClipboardContent())
        return;
    const Project project = m_state.activeProject();
    const std::optional<QUuid> id = m_state.clipboardImage() ? project.defaultImagePromptID : project.defaultPromptID;
    if (!id)
        return;
    for (const Prompt& prompt : project.prompts) {
        if (prompt.id == *id) {
            run(prompt);
            return;
        }
    }
}

void QuickRunner::run(const Prompt& prompt)
{
    cancel();
    const ChatServiceConfig config = ChatServiceConfig::fromSettings(m_settings);
    if (config.apiKey.isEmpty() && config.needsApiKey()) {
        m_state.setResultText(noApiKeyText());
        return;
    }
    m_state.setIsLoading(true);
    m_state.setResultText(QString());
    m_settings.setInteger(SettingsKeys::totalPromptsUsed, m_settings.integer(SettingsKeys::totalPromptsUsed) + 1);

    const QString clipboardText = m_state.clipboardText();
    const std::optional<QImage> image = m_state.clipboardImage();
    const Project project = m_state.activeProject();
    const PromptAssembly::PromptRun composed =
        PromptAssembly::composePromptRun(prompt, clipboardText, image.value_or(QImage()), project);

    ChatStream* stream =
        m_client->streamCompletion(config, composed.systemText, composed.userText, image.value_or(QImage()));
    m_stream = stream;
    const std::optional<QString> customText =
        prompt.title == customTitle ? std::optional<QString>(prompt.systemPrompt) : std::nullopt;
    connect(stream, &ChatStream::content, this, [this](const QString& piece) { m_state.appendResultText(piece); });
    connect(stream, &ChatStream::reasoning, this,
            [this](const QString& piece) { m_state.appendResultReasoning(piece); });
    connect(stream, &ChatStream::truncated, this, [this] { m_state.setResultCutOff(true); });
    connect(stream, &ChatStream::finished, this,
            [this, stream, clipboardText, title = prompt.title, project, image, customText] {
                if (m_stream == stream)
                    m_stream = nullptr;
                if (!m_state.resultText().isEmpty()) {
                    record(clipboardText, title, m_state.resultText(), project, image, customText);
                    m_state.setResultComplete(true);
                }
                m_state.setIsLoading(false);
            });
    connect(stream, &ChatStream::failed, this, [this, stream](const OpenAIError& error) {
        if (m_stream == stream)
            m_stream = nullptr;
        // What arrived before the failure stays above the error: a dropped connection must not take it away.
        const QString partial = m_state.resultText();
        const QString message = tr("Error: %1").arg(error.description());
        m_state.setResultText(partial.isEmpty() ? message : partial + u"\n\n" + message);
        m_state.setIsLoading(false);
    });
}

void QuickRunner::record(const QString& clipboardText, const QString& title, const QString& answer,
                         const Project& project, const std::optional<QImage>& image,
                         const std::optional<QString>& customText)
{
    const QString trimmed = clipboardText.trimmed();
    QString content = trimmed;
    if (title == customTitle) {
        if (content.isEmpty() && customText && !customText->isEmpty())
            content = *customText;
    } else {
        content =
            content.isEmpty() ? QString(u'[' + title + u']') : QString(u'[' + title + QStringLiteral("] ") + content);
    }
    const QDateTime now = JsonFormat::nowInWholeSeconds();
    const ChatMessage question{QUuid::createUuid(),
                               MessageRole::User,
                               content,
                               now,
                               std::nullopt,
                               false,
                               image ? ChatMessage::imageBytes(*image) : std::nullopt};
    const ChatMessage reply{QUuid::createUuid(), MessageRole::Assistant, answer, now, std::nullopt, false,
                            std::nullopt};

    if (const ChatSession* existing = m_sessionID ? m_state.chatSession(*m_sessionID) : nullptr) {
        ChatSession session = *existing;
        session.messages.append(question);
        session.messages.append(reply);
        session.updatedAt = now;
        m_state.updateSession(session);
        return;
    }
    ChatSession session{QUuid::createUuid(),
                        TextLength::left(content.isEmpty() ? trimmed : content, ChatSession::titleLength),
                        project.id,
                        project.name,
                        project.emoji,
                        {question, reply},
                        now,
                        now};
    QList<ChatSession> sessions = m_state.chatSessions();
    sessions.prepend(session);
    m_state.setChatSessions(sessions);
    m_state.saveSessions();
    m_sessionID = session.id;
}
