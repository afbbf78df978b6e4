// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/ChatSession.h"
#include "model/ChatStore.h"
#include "model/Project.h"

#include <QHash>
#include <QImage>
#include <QList>
#include <QObject>
#include <QString>
#include <QUuid>

#include <memory>
#include <chrono>
#include <optional>

class ChatSaveQueue;
class Settings;

enum class ExpandedPanelTab
{
    Chat,
    Prompts
};

// The one observable state of the application: what the panel shows and what the controller works on. Every
// setter announces a change only when the value really changes. Projects and sessions are read once, when the
// state is created; afterwards the lists here are the truth and the operations below write them back.
// GUI thread only.
class AppState : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString clipboardText READ clipboardText WRITE setClipboardText NOTIFY clipboardTextChanged)
    Q_PROPERTY(QString resultText READ resultText WRITE setResultText NOTIFY resultTextChanged)
    Q_PROPERTY(bool isLoading READ isLoading WRITE setIsLoading NOTIFY isLoadingChanged)
    Q_PROPERTY(bool showCustomPromptInput READ showCustomPromptInput WRITE setShowCustomPromptInput NOTIFY
                   showCustomPromptInputChanged)
    Q_PROPERTY(QString customPromptText READ customPromptText WRITE setCustomPromptText NOTIFY customPromptTextChanged)
    Q_PROPERTY(bool showWelcomeHint READ showWelcomeHint WRITE setShowWelcomeHint NOTIFY showWelcomeHintChanged)
    Q_PROPERTY(bool isPanelExpanded READ isPanelExpanded WRITE setIsPanelExpanded NOTIFY isPanelExpandedChanged)
    Q_PROPERTY(
        int activeProjectIndex READ activeProjectIndex WRITE setActiveProjectIndex NOTIFY activeProjectIndexChanged)

public:
    // Runs the start-up: stores "General" when nothing is stored, loads (and migrates) the projects, clamps the
    // active project index and writes it back, loads the sessions without their trailing blank answers.
    AppState(Settings& settings, ChatStore chatStore, QObject* parent = nullptr);
    ~AppState() override;

    // Fields, in this order.
    const QString& clipboardText() const { return m_clipboardText; }
    void setClipboardText(const QString& text);
    const std::optional<QImage>& clipboardImage() const { return m_clipboardImage; }
    void setClipboardImage(const std::optional<QImage>& image);
    const QString& resultText() const { return m_resultText; }
    void setResultText(const QString& text);
    void appendResultText(const QString& piece); // a streamed piece of the answer
    // The model's thinking before the answer of the current quick run, shown apart; bounded.
    const QString& resultReasoning() const { return m_resultReasoning; }
    void setResultReasoning(const QString& text);
    void appendResultReasoning(const QString& piece);
    // The answer of the current quick run stopped at the model's length limit.
    bool isResultCutOff() const { return m_resultCutOff; }
    void setResultCutOff(bool cutOff);
    // resultText holds the whole answer of a run that ended well (not an error, a notice or a part); any change
    // to resultText clears it.
    bool isResultComplete() const { return m_resultComplete; }
    void setResultComplete(bool complete);
    bool isLoading() const { return m_isLoading; }
    void setIsLoading(bool loading);
    // A chat answer is streaming into the active turn's last message.
    bool isChatStreaming() const { return m_isChatStreaming; }
    void setChatStreaming(bool streaming);
    bool showCustomPromptInput() const { return m_showCustomPromptInput; }
    void setShowCustomPromptInput(bool show);
    const QString& customPromptText() const { return m_customPromptText; }
    void setCustomPromptText(const QString& text);
    const std::optional<QString>& lastCustomPromptText() const { return m_lastCustomPromptText; }
    void setLastCustomPromptText(const std::optional<QString>& text);
    bool showWelcomeHint() const { return m_showWelcomeHint; }
    void setShowWelcomeHint(bool show);
    bool isPanelExpanded() const { return m_isPanelExpanded; }
    void setIsPanelExpanded(bool expanded);
    ExpandedPanelTab expandedPanelTab() const { return m_expandedPanelTab; }
    void setExpandedPanelTab(ExpandedPanelTab tab);
    const QList<ChatSession>& chatSessions() const { return m_chatSessions; } // newest first
    void setChatSessions(const QList<ChatSession>& sessions);                 // not saved: see saveSessions()
    // A streamed piece of an answer: replaces the session with the same id in memory only, without comparing the
    // whole list first (the caller knows it changed). Announced with chatSessionChanged; nothing happens for an
    // unknown id.
    void replaceSessionInMemory(const ChatSession& session);
    // The session with this id, without walking the list; null when there is none. Valid until the next change.
    const ChatSession* chatSession(const QUuid& id) const;
    const std::optional<QUuid>& activeChatSessionID() const { return m_activeChatSessionID; }
    void setActiveChatSessionID(const std::optional<QUuid>& id);
    const QList<Project>& projects() const { return m_projects; }
    void setProjects(const QList<Project>& projects); // not stored: see saveProjects() and replaceProjects()
    int activeProjectIndex() const { return m_activeProjectIndex; }
    // Every assignment is also written to the preference active_project_index.
    void setActiveProjectIndex(int index);

    // The active project: "General" when there are no projects; an index past the end selects the last one.
    Project activeProject() const;
    // The session whose id is activeChatSessionID, if there is one.
    std::optional<ChatSession> activeChatSession() const;

    // Clipboard text as ClipboardText reads it, then an image (PNG, TIFF or any other image type offered). With
    // `selection`, the text selected without copying (PRIMARY) where there is some, else the clipboard as usual.
    void readClipboard(bool selection = false);
    bool hasClipboardContent() const;

    // Session operations; each one saves all sessions.
    ChatSession newChatSession();
    // Replaces the session with the same id where it stands (announced with chatSessionChanged); nothing happens for
    // an unknown id.
    void updateSession(const ChatSession& session);
    void deleteSession(const QUuid& id);
    // Hands the history to the background writer; waitForSavedSessions() blocks until it is on disk (quit, tests).
    void saveSessions() const;
    void waitForSavedSessions() const;
    // Why the history is not being saved (a full or read-only disk), for the chat to say; empty while saves work.
    // A failed save is tried again every `interval` until one succeeds.
    QString historySaveProblem() const;
    void setHistorySaveRetryInterval(std::chrono::milliseconds interval);

    // Project operations.
    void selectNextProject();
    void saveCustomPromptAsQuickAction();
    // Stores the list under userProjects. A list that cannot be encoded leaves the stored one as it was.
    void saveProjects(const QList<Project>& projects);
    // Sets and stores the list of the user's edit, and announces it with projectsReplaced (the sync service pushes
    // its shared projects when there is an owner key).
    void replaceProjects(const QList<Project>& projects, const std::optional<QString>& ownerKey = std::nullopt);

    // Start-up steps, public because the controller runs ensureProjectsStored again at launch.
    void ensureProjectsStored();
    QList<Project> loadProjects();

Q_SIGNALS:
    // Writing the history failed; the previous file is intact.
    void sessionsSaveFailed(const QString& reason);
    void historySaveProblemChanged();
    void clipboardTextChanged();
    void clipboardImageChanged();
    void resultTextChanged();
    void resultReasoningChanged();
    void resultCutOffChanged();
    void resultCompleteChanged();
    void isLoadingChanged();
    void isChatStreamingChanged();
    void showCustomPromptInputChanged();
    void customPromptTextChanged();
    void lastCustomPromptTextChanged();
    void showWelcomeHintChanged();
    void isPanelExpandedChanged();
    void expandedPanelTabChanged();
    // The list changed as a whole: sessions added, removed or reordered, or replaced all at once.
    void chatSessionsChanged();
    // One session changed where it stands; the rest of the list is as it was.
    void chatSessionChanged(const QUuid& id);
    void activeChatSessionIDChanged();
    void projectsChanged();
    void activeProjectIndexChanged();
    // The derived values, when they really change.
    void activeProjectChanged();
    void activeChatSessionChanged();
    // replaceProjects() stored the user's edit; `ownerKey` is empty when the edit should not be pushed.
    void projectsReplaced(const QList<Project>& projects, const QString& ownerKey);

private:
    // Runs `change` and emits the derived-value signals that it really caused.
    template <typename F> void changingDerived(F&& change);
    qsizetype indexOfSession(const QUuid& id) const;
    void replaceSessionAt(qsizetype index, const ChatSession& session);

    Settings& m_settings;
    ChatStore m_chatStore;
    std::unique_ptr<ChatSaveQueue> m_saveQueue;

    QString m_clipboardText;
    std::optional<QImage> m_clipboardImage;
    QString m_resultText;
    QString m_resultReasoning;
    bool m_resultCutOff = false;
    bool m_resultComplete = false;
    bool m_isLoading = false;
    bool m_isChatStreaming = false;
    bool m_showCustomPromptInput = false;
    QString m_customPromptText;
    std::optional<QString> m_lastCustomPromptText;
    bool m_showWelcomeHint = false;
    bool m_isPanelExpanded = false;
    ExpandedPanelTab m_expandedPanelTab = ExpandedPanelTab::Chat;
    QList<ChatSession> m_chatSessions;
    // Position of each session by id; rebuilt on first use after the list changed as a whole.
    mutable QHash<QUuid, qsizetype> m_sessionIndex;
    mutable bool m_sessionIndexValid = false;
    std::optional<QUuid> m_activeChatSessionID;
    QList<Project> m_projects;
    int m_activeProjectIndex = 0;
};
