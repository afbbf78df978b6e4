// SPDX-License-Identifier: GPL-3.0-or-later
#include "chat/ChatTurnRunner.h"

#include "ai/ChatCompletionsClient.h"
#include "ai/ModelCapabilities.h"
#include "ai/MemoryExtractor.h"
#include "ai/OpenAIError.h"
#include "ai/PromptAssembly.h"
#include "ai/WebContentExtractor.h"
#include "model/AppState.h"
#include "model/Settings.h"
#include "platform/TextLength.h"

#include <QBuffer>
#include <QImageWriter>
#include <QNetworkAccessManager>

namespace {

qsizetype indexOfMessage(const QList<ChatMessage>& messages, const QUuid& id)
{
    // The reply is normally the last message; search from the end.
    for (qsizetype i = messages.size() - 1; i >= 0; --i) {
        if (messages.at(i).id == id)
            return i;
    }
    return -1;
}

} // namespace

ChatTurnRunner::ChatTurnRunner(AppState& state, Settings& settings, QNetworkAccessManager& network,
                               MemoryStore memoryStore, QObject* parent)
    : QObject(parent), m_state(state), m_settings(settings), m_network(network), m_memoryStore(std::move(memoryStore)),
      m_client(new ChatCompletionsClient(&network, this)),
      m_extractor(new MemoryExtractor(&network, m_memoryStore, this))
{
    connect(this, &ChatTurnRunner::streamingChanged, &m_state, &AppState::setChatStreaming);
    m_showAnswer.setSingleShot(true);
    m_showAnswer.setInterval(16);
    connect(&m_showAnswer, &QTimer::timeout, this, &ChatTurnRunner::showAnswer);
}

ChatTurnRunner::~ChatTurnRunner()
{
    if (m_turn)
        end(Ending::Shutdown);
}

void ChatTurnRunner::sendChatMessage(const QString& text, const std::optional<Prompt>& prompt,
                                     const std::optional<QImage>& image)
{
    if (m_turn)
        end(Ending::Cancelled);

    const ChatServiceConfig config = ChatServiceConfig::fromSettings(m_settings);
    if (config.apiKey.isEmpty() && config.needsApiKey())
        return;

    const QImage attached = image ? *image : QImage();
    ChatSession session = m_state.activeChatSession().value_or(ChatSession());
    if (session.id.isNull())
        session = m_state.newChatSession();

    const QString content = PromptAssembly::composeChatMessageContent(text, prompt);
    const QDateTime sentAt = JsonFormat::nowInWholeSeconds();
    const bool firstMessage = session.messages.isEmpty();
    session.messages.append(ChatMessage{QUuid::createUuid(), MessageRole::User, content, sentAt, std::nullopt, false,
                                        attached.isNull() ? std::nullopt : ChatMessage::imageBytes(attached)});
    bool titleFromAnswer = false;
    if (firstMessage) {
        // A blank text would leave an empty title; an image-only message is named after its answer instead.
        const QString trimmed = text.trimmed();
        if (!trimmed.isEmpty())
            session.title = TextLength::left(trimmed, ChatSession::titleLength);
        else if (!attached.isNull())
            titleFromAnswer = true;
    }
    session.updatedAt = sentAt;
    m_state.updateSession(session);

    const ChatMessage reply{QUuid::createUuid(), MessageRole::Assistant, QString(), sentAt, std::nullopt, false,
                            std::nullopt};
    const QList<ChatMessage> earlier = session.messages;
    session.messages.append(reply);
    m_state.updateSession(session);

    const Project project = m_state.activeProject();
    auto turn = std::make_unique<Turn>();
    turn->serial = m_nextSerial++;
    turn->sessionId = session.id;
    turn->projectId = session.projectID;
    turn->replyId = reply.id;
    turn->content = content;
    turn->titleFromAnswer = titleFromAnswer;
    turn->config = config;
    turn->systemPrompt =
        PromptAssembly::composeChatSystemPrompt(m_memoryStore.loadPersonality(), m_memoryStore.loadUserMemory(),
                                                m_memoryStore.loadProjectMemory(project.id), prompt, project);
    turn->history = earlier;
    turn->image = attached;
    const quint64 serial = turn->serial;
    m_turn = std::move(turn);
    Q_EMIT streamingChanged(true);

    // The client refuses an image for a model that cannot see before sending anything; fetching the linked pages
    // first would only send requests for a turn that is bound to fail.
    if (!attached.isNull() && !ModelCapabilities::shared().supportsVision(m_turn->config)) {
        openStream(serial, QString());
        return;
    }
    m_turn->fetch = fetchLinkedContent(&m_network, text, this);
    connect(m_turn->fetch, &LinkedContentFetch::finished, this,
            [this, serial](const QString& linked) { openStream(serial, linked); });
}

void ChatTurnRunner::openStream(quint64 serial, const QString& linkedContent)
{
    if (!current(serial))
        return;
    Turn& turn = *m_turn;
    turn.fetch.clear();
    const QJsonArray history = PromptAssembly::composeChatHistory(
        turn.history, linkedContent.isEmpty() ? std::nullopt : std::optional<QString>(linkedContent));
    const bool webSearch = m_settings.boolean(SettingsKeys::webSearchEnabled);
    turn.stream = m_client->streamChat(turn.config, turn.systemPrompt, history, turn.image, webSearch);
    connect(turn.stream, &ChatStream::content, this,
            [this, serial](const QString& piece) { onContent(serial, piece); });
    connect(turn.stream, &ChatStream::reasoning, this, [this, serial](const QString& piece) {
        if (!current(serial))
            return;
        QString& reasoning = m_turn->reasoning;
        if (reasoning.size() < ChatMessage::maxReasoningLength)
            reasoning += piece.left(ChatMessage::maxReasoningLength - reasoning.size());
        if (!m_showAnswer.isActive())
            m_showAnswer.start();
    });
    connect(turn.stream, &ChatStream::truncated, this, [this, serial] {
        if (current(serial))
            updateReply([](ChatMessage& reply) { reply.cutOff = true; });
    });
    connect(turn.stream, &ChatStream::annotations, this,
            [this, serial](const QList<URLCitation>& citations) { onAnnotations(serial, citations); });
    connect(turn.stream, &ChatStream::finished, this, [this, serial] {
        if (current(serial))
            end(Ending::Finished);
    });
    connect(turn.stream, &ChatStream::failed, this,
            [this, serial](const OpenAIError& error) { onFailed(serial, error); });
}

void ChatTurnRunner::onContent(quint64 serial, const QString& piece)
{
    if (!current(serial))
        return;
    m_turn->answer += piece;
    if (!m_showAnswer.isActive())
        m_showAnswer.start();
}

void ChatTurnRunner::showAnswer()
{
    m_showAnswer.stop();
    if (m_turn)
        updateReply([this](ChatMessage& reply) {
            reply.content = m_turn->answer;
            reply.reasoning = m_turn->reasoning;
        });
}

void ChatTurnRunner::updateReply(const std::function<void(ChatMessage&)>& change)
{
    const ChatSession* found = m_state.chatSession(m_turn->sessionId);
    if (!found)
        return; // the session was deleted: the answer goes nowhere
    ChatSession session = *found;
    // Our own reply, not merely the last assistant message: a quick run recorded into the same session meanwhile
    // must not be overwritten.
    const qsizetype m = indexOfMessage(session.messages, m_turn->replyId);
    if (m < 0)
        return;
    change(session.messages[m]);
    session.updatedAt = JsonFormat::nowInWholeSeconds();
    // Shown at once, saved only at the end of the turn; one session replaced, not the whole list compared.
    m_state.replaceSessionInMemory(session);
}

void ChatTurnRunner::onAnnotations(quint64 serial, const QList<URLCitation>& citations)
{
    if (current(serial))
        m_turn->citations += citations;
}

void ChatTurnRunner::onFailed(quint64 serial, const OpenAIError& error)
{
    if (!current(serial))
        return;
    m_showAnswer.stop();
    const std::unique_ptr<Turn> turn = std::move(m_turn);
    if (const ChatSession* found = m_state.chatSession(turn->sessionId)) {
        ChatSession session = *found;
        const qsizetype m = indexOfMessage(session.messages, turn->replyId);
        if (m >= 0) {
            // What arrived before the failure stays above the error: a dropped connection must not take it away.
            const QString message = tr("Error: %1").arg(error.description());
            ChatMessage& reply = session.messages[m];
            reply.content = turn->answer.trimmed().isEmpty() ? message : turn->answer + u"\n\n" + message;
            reply.reasoning = turn->reasoning;
            m_state.updateSession(session);
        }
    }
    dropTrailingEmptyReplies(turn->sessionId);
    Q_EMIT streamingChanged(isStreaming());
    Q_EMIT turnFinished();
}

void ChatTurnRunner::cancel()
{
    if (m_turn)
        end(Ending::Cancelled);
}

void ChatTurnRunner::stopNetwork()
{
    if (m_turn->fetch)
        m_turn->fetch->cancel();
    if (m_turn->stream)
        m_turn->stream->cancel();
}

void ChatTurnRunner::end(Ending ending)
{
    showAnswer();
    stopNetwork();
    // Taken out first: whatever the signals below set off (even a new message) sees no turn in progress.
    const std::unique_ptr<Turn> turn = std::move(m_turn);

    if (const ChatSession* found = m_state.chatSession(turn->sessionId)) {
        ChatSession session = *found;
        const qsizetype m = indexOfMessage(session.messages, turn->replyId);
        if (!turn->citations.isEmpty() && m >= 0)
            session.messages[m].annotations = turn->citations;
        const QString trimmedAnswer = turn->answer.trimmed();
        if (turn->titleFromAnswer && !trimmedAnswer.isEmpty())
            session.title = TextLength::left(trimmedAnswer, ChatSession::titleLength);
        if (session != *found)
            m_state.replaceSessionInMemory(session);
    }
    m_state.saveSessions();
    m_settings.setInteger(SettingsKeys::totalPromptsUsed, m_settings.integer(SettingsKeys::totalPromptsUsed) + 1);

    if (ending != Ending::Shutdown && !turn->answer.isEmpty() && m_settings.boolean(SettingsKeys::autoMemoryEnabled)) {
        // Not awaited and never cancelled; it only touches the memory files.
        m_extractor->extractMemory(turn->config, turn->content, turn->answer, turn->projectId);
    }

    dropTrailingEmptyReplies(turn->sessionId);
    if (ending == Ending::Shutdown)
        return;
    Q_EMIT streamingChanged(isStreaming());
    Q_EMIT turnFinished();
}

void ChatTurnRunner::dropTrailingEmptyReplies(const QUuid& sessionId)
{
    const ChatSession* session = m_state.chatSession(sessionId);
    if (!session)
        return;
    const ChatSession trimmed = session->droppingTrailingEmptyReplies();
    if (trimmed.messages.size() != session->messages.size())
        m_state.updateSession(trimmed);
}
