// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/Project.h"
#include "model/Prompt.h"

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QUuid>

#include <memory>
#include <optional>

class AppState;
class ChatCompletionsClient;
class ChatStream;
class QNetworkAccessManager;
class Settings;

// The quick runs of the panel: one prompt applied to what was copied, the answer streamed into
// AppState::resultText, and the finished run recorded as a question and an answer in the session of this panel
// showing. Starting a run cancels the one before; GUI thread only.
class QuickRunner : public QObject
{
    Q_OBJECT

public:
    QuickRunner(AppState& state, Settings& settings, QNetworkAccessManager& network, QObject* parent = nullptr);
    ~QuickRunner() override;

    // The answer shown instead of a run when no API key is set.
    static QString noApiKeyText();

    void run(const Prompt& prompt);
    // The active project's default prompt for what was copied (text or image), if it has one.
    void runDefaultPrompt();
    // Ends a run in progress without recording it.
    void cancel();
    bool isRunning() const { return !m_stream.isNull(); }

    // Runs are recorded in one session per panel showing; a new showing starts a new one.
    std::optional<QUuid> sessionID() const { return m_sessionID; }
    void startNewShowing() { m_sessionID.reset(); }

private:
    void record(const QString& clipboardText, const QString& title, const QString& answer, const Project& project,
                const std::optional<QImage>& image, const std::optional<QString>& customText);

    AppState& m_state;
    Settings& m_settings;
    std::unique_ptr<ChatCompletionsClient> m_client;
    QPointer<ChatStream> m_stream;
    std::optional<QUuid> m_sessionID;
};
