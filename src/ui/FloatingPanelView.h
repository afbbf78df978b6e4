// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/Prompt.h"
#include "ui/ThemeColors.h"

#include <QImage>
#include <QWidget>

#include <optional>

class AnswerAnnouncer;
class AppState;
class ChatView;
class PanelSidebar;
class QHBoxLayout;
class QStackedWidget;
class QToolButton;
class QuickPromptView;
class Settings;
class SyncService;
class WindowButtons;

// Everything inside the floating panel: the compact quick-prompt card, or the expanded window with the chats and
// projects sidebar, the chat transcript and the prompts. It draws the shared AppState and hands every action that
// needs the network, the clipboard history or the window to the controller through the callbacks below.
class FloatingPanelView : public QWidget
{
    Q_OBJECT

public:
    FloatingPanelView(AppState& state, Settings& settings, SyncService* sync, ThemeColors colors,
                      QWidget* parent = nullptr);
    ~FloatingPanelView() override;

    // The controller copied the newest answer itself (Ctrl+C in the chat): show the checkmark on it.
    void showCopiedFeedback();

    QuickPromptView* quickPromptView() const { return m_quickPrompt; }
    ChatView* chatView() const { return m_chatView; }
    PanelSidebar* sidebar() const { return m_sidebar; }

Q_SIGNALS:
    void promptSelected(const Prompt& prompt);
    void customPromptSubmitted(const QString& text);
    void closeRequested();
    void preferencesRequested();
    // The prompt panel's Replace button.
    void replaceRequested();
    // Without a receiver the view expands itself.
    void toggleExpandedRequested();
    void sendChatMessage(const QString& text, const std::optional<Prompt>& prompt, const std::optional<QImage>& image);
    void minimizeRequested();
    void zoomRequested();

protected:
    void focusInEvent(QFocusEvent* event) override;

private:
    void refreshMode();
    void refreshStrip();
    void switchTab(int tab);

    AppState& m_state;
    ThemeColors m_colors;
    QStackedWidget* m_modeStack = nullptr;
    QHBoxLayout* m_compactTop = nullptr;
    QWidget* m_compactBody = nullptr;
    QHBoxLayout* m_expandedTop = nullptr;
    QStackedWidget* m_mainStack = nullptr;
    QWidget* m_promptsHolder = nullptr;
    QWidget* m_controlStrip = nullptr;
    QToolButton* m_expandButton = nullptr;
    QToolButton* m_tabButton = nullptr;
    QToolButton* m_chatsTab = nullptr;
    QToolButton* m_promptsTab = nullptr;
    WindowButtons* m_windowButtons = nullptr;
    QuickPromptView* m_quickPrompt = nullptr;
    ChatView* m_chatView = nullptr;
    PanelSidebar* m_sidebar = nullptr;
    AnswerAnnouncer* m_announcer = nullptr;
};
