// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/ThemeColors.h"

#include <QWidget>

class AppState;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QStackedWidget;
class QToolButton;
class SyncService;

// The expanded window's sidebar: the chat sessions on the Chats tab; the projects and the join field for shared
// projects on the Prompts tab.
class PanelSidebar : public QWidget
{
    Q_OBJECT

public:
    static constexpr int sidebarWidth = 240;

    PanelSidebar(AppState& state, SyncService* sync, ThemeColors colors, QWidget* parent = nullptr);

    QListWidget* chatList() const { return m_chatList; }
    QListWidget* projectList() const { return m_projectList; }
    QLineEdit* joinField() const { return m_joinField; }
    QLabel* joinErrorLabel() const { return m_joinError; }

    // Selecting a chat row: an empty session that was active goes away, then the row becomes active.
    void selectSession(const QUuid& id);
    void deleteProjectAt(int index);
    void addProject();
    void join();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void refreshTab();
    void refreshChats();
    void refreshProjects();
    void setJoinFieldShown(bool shown);
    void setJoining(bool joining);

    AppState& m_state;
    SyncService* m_sync;
    ThemeColors m_colors;
    QStackedWidget* m_stack = nullptr;
    QListWidget* m_chatList = nullptr;
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
