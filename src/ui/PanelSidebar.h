// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/ThemeColors.h"

#include <QTimer>
#include <QWidget>

class AppState;
class ChatSearch;
class ChatSessionListModel;
class QLabel;
class QLineEdit;
class QListView;
class QListWidget;
class QPushButton;
class QStackedWidget;
class QToolButton;
class SyncService;

// The expanded window's sidebar: the search field and the chat sessions on the Chats tab; the projects and the join
// field for shared projects on the Prompts tab.
class PanelSidebar : public QWidget
{
    Q_OBJECT

public:
    static constexpr int sidebarWidth = 240;

    PanelSidebar(AppState& state, SyncService* sync, ThemeColors colors, QWidget* parent = nullptr);

    QListView* chatList() const { return m_chatList; }
    ChatSessionListModel* chatModel() const { return m_chatModel; }
    QLineEdit* searchField() const { return m_searchField; }
    QListWidget* projectList() const { return m_projectList; }
    QLineEdit* joinField() const { return m_joinField; }
    QLabel* joinErrorLabel() const { return m_joinError; }

    // Selecting a chat row: an empty session that was active goes away, then the row becomes active.
    void selectSession(const QUuid& id);
    void deleteProjectAt(int index);
    void addProject();
    void join();
    // Empties the search field; returns whether it held a search (Escape clears the search before it closes).
    bool clearSearch();

Q_SIGNALS:
    // The search the chat list is narrowed to; empty when there is none. The chat highlights it.
    void searchQueryChanged(const QString& query);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void refreshTab();
    void startSearch();
    void openFirstResult();
    // The menu of the row at `at` (viewport coordinates), from the pointer or, for the current row, the keyboard.
    void showChatMenu(const QPoint& at);
    void showProjectMenu(const QPoint& at);
    void refreshProjects();
    void setJoinFieldShown(bool shown);
    void setJoining(bool joining);

    AppState& m_state;
    SyncService* m_sync;
    ThemeColors m_colors;
    QStackedWidget* m_stack = nullptr;
    QListView* m_chatList = nullptr;
    ChatSessionListModel* m_chatModel = nullptr;
    QLineEdit* m_searchField = nullptr;
    ChatSearch* m_search = nullptr;
    QTimer m_searchAgain; // sessions changed during a search: search them again once they settle
    QTimer m_ageTimer;    // repaints the rows' ages
    QListWidget* m_projectList = nullptr;
    QPushButton* m_joinButton = nullptr;
    QWidget* m_joinBox = nullptr;
    QLineEdit* m_joinField = nullptr;
    QPushButton* m_joinConfirm = nullptr;
    QWidget* m_joinProgress = nullptr;
    QLabel* m_joinError = nullptr;
    bool m_isJoining = false;
    int m_joinAttempt = 0; // a cancelled join ignores its late answer
};
