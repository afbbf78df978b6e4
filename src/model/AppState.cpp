// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/AppState.h"

#include "model/ChatSaveQueue.h"
#include "model/Settings.h"
#include "platform/AppPaths.h"
#include "platform/Backends.h"
#include "platform/Log.h"
#include "platform/Memory.h"

#include <QFileInfo>
#include <QTextBoundaryFinder>

#include <algorithm>

namespace {

constexpr QStringView component = u"AppState";
constexpr int quickActionTitleLength = 24;

// The first `count` user-perceived characters, so an emoji or an accented letter is never cut in half.
QString leadingCharacters(const QString& text, int count)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype end = 0;
    for (int i = 0; i < count; ++i) {
        const qsizetype next = finder.toNextBoundary();
        if (next < 0)
            return text;
        end = next;
    }
    return text.left(end);
}

// A hand-edited INI value with unquoted commas reads back as a list, not as bytes. It is still the user's data:
// rejoin it so it counts as present and can be decoded or kept aside instead of being overwritten.
QByteArray storedBytes(const Settings& settings, const SettingKey& key)
{
    QByteArray bytes = settings.bytes(key);
    if (bytes.isEmpty() && settings.contains(key))
        bytes = settings.stringList(key).join(u',').toUtf8();
    return bytes;
}

} // namespace

AppState::AppState(Settings& settings, ChatStore chatStore, QObject* parent)
    : QObject(parent), m_settings(settings), m_chatStore(std::move(chatStore)),
      m_saveQueue(std::make_unique<ChatSaveQueue>(m_chatStore))
{
    connect(m_saveQueue.get(), &ChatSaveQueue::saveFailed, this, &AppState::sessionsSaveFailed);
    connect(m_saveQueue.get(), &ChatSaveQueue::saveFailed, this, &AppState::historySaveProblemChanged);
    connect(m_saveQueue.get(), &ChatSaveQueue::saveRecovered, this, &AppState::historySaveProblemChanged);
    ensureProjectsStored();
    m_projects = loadProjects();

    const qint64 stored = m_settings.integer(SettingsKeys::activeProjectIndex);
    const qint64 last = std::max<qint64>(m_projects.size(), 1) - 1;
    // A negative stored index would select no project at all; treat it as the first.
    m_activeProjectIndex = int(std::clamp<qint64>(stored, 0, last));
    m_settings.setInteger(SettingsKeys::activeProjectIndex, m_activeProjectIndex);

    const QList<ChatSession> loaded = m_chatStore.loadSessions();
    bool trimmed = false;
    m_chatSessions.reserve(loaded.size());
    for (const ChatSession& session : loaded) {
        m_chatSessions.append(session.droppingTrailingEmptyReplies());
        trimmed = trimmed || m_chatSessions.last().messages.size() != session.messages.size();
    }
    if (trimmed)
        m_chatStore.saveSessions(m_chatSessions);
    // Reading a long history takes several times its size while it is parsed; none of that is needed any more.
    Memory::returnFreedToSystem();
}

AppState::~AppState() = default;

template <typename F> void AppState::changingDerived(F&& change)
{
    const Project projectBefore = activeProject();
    const std::optional<ChatSession> sessionBefore = activeChatSession();
    change();
    if (activeProject() != projectBefore)
        Q_EMIT activeProjectChanged();
    if (activeChatSession() != sessionBefore)
        Q_EMIT activeChatSessionChanged();
}

void AppState::setClipboardText(const QString& text)
{
    if (m_clipboardText == text)
        return;
    m_clipboardText = text;
    Q_EMIT clipboardTextChanged();
}

void AppState::setClipboardImage(const std::optional<QImage>& image)
{
    if (m_clipboardImage == image)
        return;
    m_clipboardImage = image;
    Q_EMIT clipboardImageChanged();
}

void AppState::setResultText(const QString& text)
{
    // A cleared result starts a new answer: its thinking and its cut-off line go with the old one.
    if (text.isEmpty()) {
        setResultReasoning(QString());
        setResultCutOff(false);
    }
    if (m_resultText == text)
        return;
    setResultComplete(false);
    m_resultText = text;
    Q_EMIT resultTextChanged();
}

void AppState::appendResultText(const QString& piece)
{
    if (piece.isEmpty())
        return;
    setResultComplete(false);
    m_resultText += piece;
    Q_EMIT resultTextChanged();
}

void AppState::setResultReasoning(const QString& text)
{
    if (m_resultReasoning == text)
        return;
    m_resultReasoning = text;
    Q_EMIT resultReasoningChanged();
}

void AppState::appendResultReasoning(const QString& piece)
{
    // Thinking can run far longer than anyone reads; what is past the bound is dropped.
    if (piece.isEmpty() || m_resultReasoning.size() >= ChatMessage::maxReasoningLength)
        return;
    m_resultReasoning += piece.left(ChatMessage::maxReasoningLength - m_resultReasoning.size());
    Q_EMIT resultReasoningChanged();
}

void AppState::setResultComplete(bool complete)
{
    if (m_resultComplete == complete)
        return;
    m_resultComplete = complete;
    Q_EMIT resultCompleteChanged();
}

void AppState::setResultCutOff(bool cutOff)
{
    if (m_resultCutOff == cutOff)
        return;
    m_resultCutOff = cutOff;
    Q_EMIT resultCutOffChanged();
}

void AppState::setIsLoading(bool loading)
{
    if (m_isLoading == loading)
        return;
    m_isLoading = loading;
    Q_EMIT isLoadingChanged();
}

void AppState::setChatStreaming(bool streaming)
{
    if (m_isChatStreaming == streaming)
        return;
    m_isChatStreaming = streaming;
    Q_EMIT isChatStreamingChanged();
}

void AppState::setShowCustomPromptInput(bool show)
{
    if (m_showCustomPromptInput == show)
        return;
    m_showCustomPromptInput = show;
    Q_EMIT showCustomPromptInputChanged();
}

void AppState::setCustomPromptText(const QString& text)
{
    if (m_customPromptText == text)
        return;
    m_customPromptText = text;
    Q_EMIT customPromptTextChanged();
}

void AppState::setLastCustomPromptText(const std::optional<QString>& text)
{
    if (m_lastCustomPromptText == text)
        return;
    m_lastCustomPromptText = text;
    Q_EMIT lastCustomPromptTextChanged();
}

void AppState::setShowWelcomeHint(bool show)
{
    if (m_showWelcomeHint == show)
        return;
    m_showWelcomeHint = show;
    Q_EMIT showWelcomeHintChanged();
}

void AppState::setIsPanelExpanded(bool expanded)
{
    if (m_isPanelExpanded == expanded)
        return;
    m_isPanelExpanded = expanded;
    Q_EMIT isPanelExpandedChanged();
}

void AppState::setExpandedPanelTab(ExpandedPanelTab tab)
{
    if (m_expandedPanelTab == tab)
        return;
    m_expandedPanelTab = tab;
    Q_EMIT expandedPanelTabChanged();
}

void AppState::setChatSessions(const QList<ChatSession>& sessions)
{
    if (m_chatSessions == sessions)
        return;
    changingDerived([&] {
        m_chatSessions = sessions;
        m_sessionIndexValid = false;
        Q_EMIT chatSessionsChanged();
    });
}

qsizetype AppState::indexOfSession(const QUuid& id) const
{
    if (!m_sessionIndexValid) {
        m_sessionIndex.clear();
        m_sessionIndex.reserve(m_chatSessions.size());
        // Backwards, so that with duplicate ids (a hand-edited file) the first one wins, as a linear search finds.
        for (qsizetype i = m_chatSessions.size() - 1; i >= 0; --i)
            m_sessionIndex.insert(m_chatSessions.at(i).id, i);
        m_sessionIndexValid = true;
    }
    return m_sessionIndex.value(id, -1);
}

const ChatSession* AppState::chatSession(const QUuid& id) const
{
    const qsizetype index = indexOfSession(id);
    return index < 0 ? nullptr : &m_chatSessions.at(index);
}

void AppState::replaceSessionAt(qsizetype index, const ChatSession& session)
{
    m_chatSessions[index] = session;
    Q_EMIT chatSessionChanged(session.id);
    if (m_activeChatSessionID == session.id)
        Q_EMIT activeChatSessionChanged();
}

void AppState::replaceSessionInMemory(const ChatSession& session)
{
    const qsizetype index = indexOfSession(session.id);
    if (index >= 0)
        replaceSessionAt(index, session);
}

void AppState::setActiveChatSessionID(const std::optional<QUuid>& id)
{
    if (m_activeChatSessionID == id)
        return;
    changingDerived([&] {
        m_activeChatSessionID = id;
        Q_EMIT activeChatSessionIDChanged();
    });
}

void AppState::setProjects(const QList<Project>& projects)
{
    if (m_projects == projects)
        return;
    changingDerived([&] {
        m_projects = projects;
        Q_EMIT projectsChanged();
    });
}

void AppState::setActiveProjectIndex(int index)
{
    m_settings.setInteger(SettingsKeys::activeProjectIndex, index);
    if (m_activeProjectIndex == index)
        return;
    changingDerived([&] {
        m_activeProjectIndex = index;
        Q_EMIT activeProjectIndexChanged();
    });
}

Project AppState::activeProject() const
{
    if (m_projects.isEmpty())
        return defaultProject();
    return m_projects.at(std::clamp<qsizetype>(m_activeProjectIndex, 0, m_projects.size() - 1));
}

std::optional<ChatSession> AppState::activeChatSession() const
{
    if (!m_activeChatSessionID)
        return std::nullopt;
    if (const ChatSession* session = chatSession(*m_activeChatSessionID))
        return *session;
    return std::nullopt;
}

void AppState::readClipboard(bool selection)
{
    const Clipboard* clipboard = Backends::clipboard();
    if (selection && clipboard && clipboard->supportsSelection()) {
        const QString selected = clipboard->text(Clipboard::Mode::Selection);
        if (!selected.trimmed().isEmpty()) {
            setClipboardText(selected);
            setClipboardImage(std::nullopt);
            return;
        }
    }
    setClipboardText(clipboard ? clipboard->text() : QString());
    setClipboardImage(clipboard ? clipboard->image() : std::nullopt);
}

bool AppState::hasClipboardContent() const
{
    return !m_clipboardText.isEmpty() || m_clipboardImage.has_value();
}

ChatSession AppState::newChatSession()
{
    const Project project = activeProject();
    const QDateTime now = JsonFormat::nowInWholeSeconds();
    ChatSession session{QUuid::createUuid(), tr("New Chat"), project.id, project.name, project.emoji, {}, now, now};
    QList<ChatSession> sessions = m_chatSessions;
    sessions.prepend(session);
    setChatSessions(sessions);
    setActiveChatSessionID(session.id);
    saveSessions();
    return session;
}

void AppState::updateSession(const ChatSession& session)
{
    const qsizetype index = indexOfSession(session.id);
    if (index < 0)
        return;
    if (m_chatSessions.at(index) != session)
        replaceSessionAt(index, session);
    saveSessions();
}

void AppState::deleteSession(const QUuid& id)
{
    QList<ChatSession> sessions = m_chatSessions;
    sessions.removeIf([&](const ChatSession& s) { return s.id == id; });
    // Both fields change before anyone looks, so observers never see the active session vanish in between.
    changingDerived([&] {
        if (sessions != m_chatSessions) {
            m_chatSessions = sessions;
            m_sessionIndexValid = false;
            Q_EMIT chatSessionsChanged();
        }
        if (m_activeChatSessionID == id) {
            const std::optional<QUuid> next =
                sessions.isEmpty() ? std::nullopt : std::optional<QUuid>(sessions.first().id);
            if (next != m_activeChatSessionID) {
                m_activeChatSessionID = next;
                Q_EMIT activeChatSessionIDChanged();
            }
        }
    });
    saveSessions();
}

void AppState::saveSessions() const
{
    // Written on a worker thread from a snapshot; the GUI thread never waits for the disk.
    m_saveQueue->save(m_chatSessions);
}

QString AppState::historySaveProblem() const
{
    return m_saveQueue->failure();
}

void AppState::setHistorySaveRetryInterval(std::chrono::milliseconds interval)
{
    m_saveQueue->setRetryInterval(interval);
}

void AppState::waitForSavedSessions() const
{
    m_saveQueue->waitForIdle();
}

void AppState::selectNextProject()
{
    if (m_projects.size() < 2)
        return;
    setActiveProjectIndex(int((qint64(m_activeProjectIndex) + 1) % m_projects.size()));
}

void AppState::saveCustomPromptAsQuickAction()
{
    if (!m_lastCustomPromptText || m_lastCustomPromptText->isEmpty() || m_projects.isEmpty())
        return;
    const QString text = *m_lastCustomPromptText;
    QList<Project> projects = m_projects;
    Project& project = projects[std::clamp<qsizetype>(m_activeProjectIndex, 0, projects.size() - 1)];
    project.prompts.append(
        Prompt{QUuid::createUuid(), project.nextPromptNumber(), leadingCharacters(text, quickActionTitleLength), text});
    setProjects(projects);
    saveProjects(projects);
    setLastCustomPromptText(std::nullopt);
}

void AppState::saveProjects(const QList<Project>& projects)
{
    m_settings.setBytes(SettingsKeys::userProjects, Project::encodeList(projects));
}

void AppState::replaceProjects(const QList<Project>& projects, const std::optional<QString>& ownerKey)
{
    setProjects(projects);
    saveProjects(projects);
    Q_EMIT projectsReplaced(projects, ownerKey.value_or(QString()));
}

void AppState::ensureProjectsStored()
{
    if (!storedBytes(m_settings, SettingsKeys::userProjects).isEmpty() ||
        !storedBytes(m_settings, SettingsKeys::userPrompts).isEmpty())
        return;
    saveProjects({defaultProject()});
}

QList<Project> AppState::loadProjects()
{
    bool keptAside = false;
    const QByteArray stored = storedBytes(m_settings, SettingsKeys::userProjects);
    if (!stored.isEmpty()) {
        DecodeError error;
        const auto projects = Project::decodeList(stored, &error);
        if (projects && !projects->isEmpty())
            return *projects;
        if (!projects) {
            // The defaults below would replace the user's projects at the next save: keep the bytes first.
            const QString sessionsFile = m_chatStore.sessionsFilePath(); // the data folder, where copies go
            const QString copy =
                sessionsFile.isEmpty()
                    ? QString()
                    : AppPaths::keepBytesAside(QFileInfo(sessionsFile).absolutePath(), QStringLiteral("userProjects"),
                                               QStringLiteral("json"), stored);
            keptAside = !copy.isEmpty();
            logLine(component, QStringLiteral("Could not decode the stored projects (") + error.description() +
                                   (keptAside ? QStringLiteral("); kept a copy as ") + copy
                                              : QStringLiteral("); could not keep a copy")));
        }
    }

    const QByteArray legacy = storedBytes(m_settings, SettingsKeys::userPrompts);
    if (!legacy.isEmpty()) {
        auto prompts = decodeJsonArray<Prompt>(legacy);
        if (prompts && !prompts->isEmpty()) {
            std::stable_sort(prompts->begin(), prompts->end(),
                             [](const Prompt& a, const Prompt& b) { return a.number < b.number; });
            const QList<Project> migrated{Project{QUuid::createUuid(), QStringLiteral("General"), defaultProjectEmoji(),
                                                  QString(), *prompts, std::nullopt, std::nullopt, std::nullopt}};
            saveProjects(migrated);
            return migrated;
        }
    }

    // Once the damaged list is safe in its copy, storing the defaults keeps the next start from copying it again.
    if (keptAside)
        saveProjects({defaultProject()});
    return {defaultProject()};
}
