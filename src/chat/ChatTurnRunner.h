// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ai/ChatServiceConfig.h"
#include "model/ChatMessage.h"
#include "model/MemoryStore.h"
#include "model/Prompt.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QUuid>

#include <functional>
#include <memory>
#include <optional>

class AppState;
class ChatCompletionsClient;
class ChatStream;
class LinkedContentFetch;
class MemoryExtractor;
class OpenAIError;
class QNetworkAccessManager;
class Settings;

// Runs chat turns: one message of the user into the active chat session, the answer streamed into that session,
// then the background memory extraction. At most one turn runs at a time; a new message cancels the previous one
// first. The runner knows nothing about the panel, so a turn goes on when the panel closes.
// `state` and `settings` must outlive the runner. GUI thread only.
class ChatTurnRunner : public QObject
{
    Q_OBJECT

public:
    ChatTurnRunner(AppState& state, Settings& settings, QNetworkAccessManager& network, MemoryStore memoryStore,
                   QObject* parent = nullptr);
    // A turn still running is ended as a cancelled one, so its partial answer is saved (no extraction then).
    ~ChatTurnRunner() override;

    // Returns at once; the turn goes on in the event loop. Without an API key nothing happens (no message).
    void sendChatMessage(const QString& text, const std::optional<Prompt>& prompt, const std::optional<QImage>& image);

    bool isStreaming() const { return m_turn != nullptr; }
    // Ends the turn in progress as cancelled: the partial answer stays, the sessions are saved and the turn counts.
    void cancel();

Q_SIGNALS:
    // A turn began or ended (after its end steps).
    void streamingChanged(bool streaming);
    // After the end steps of a turn, whether it finished, failed or was cancelled.
    void turnFinished();

private:
    struct Turn
    {
        quint64 serial = 0;
        QUuid sessionId;
        QUuid projectId; // the session's, for the memory extraction
        QUuid replyId;   // the assistant message this turn writes into
        QString content; // the stored user message, without linked-page text
        bool titleFromAnswer = false;
        ChatServiceConfig config;
        QString systemPrompt;
        QList<ChatMessage> history; // what is sent: the session up to the user's message
        QImage image;
        QString answer;
        QString reasoning; // bounded
        QList<URLCitation> citations;
        QPointer<LinkedContentFetch> fetch;
        QPointer<ChatStream> stream;
    };

    enum class Ending
    {
        Finished,
        Cancelled,
        Shutdown, // the runner is going away: as cancelled, but nothing new is started
    };

    void openStream(quint64 serial, const QString& linkedContent);
    void onContent(quint64 serial, const QString& piece);
    void showAnswer();
    // Changes this turn's reply in the session in memory (shown at once, saved at the end of the turn).
    void updateReply(const std::function<void(ChatMessage&)>& change);
    void onAnnotations(quint64 serial, const QList<URLCitation>& citations);
    void onFailed(quint64 serial, const OpenAIError& error);
    void end(Ending ending);
    void dropTrailingEmptyReplies(const QUuid& sessionId);
    void stopNetwork();
    bool current(quint64 serial) const { return m_turn && m_turn->serial == serial; }

    // Pieces arrive far faster than anyone reads: the session shows the answer so far once per frame.
    QTimer m_showAnswer;
    AppState& m_state;
    Settings& m_settings;
    QNetworkAccessManager& m_network;
    MemoryStore m_memoryStore;
    ChatCompletionsClient* m_client;
    MemoryExtractor* m_extractor;
    std::unique_ptr<Turn> m_turn;
    quint64 m_nextSerial = 1;
};
