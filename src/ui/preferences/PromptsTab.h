// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/Project.h"
#include "ui/ThemeColors.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <optional>

class AppState;
class PromptEditorInline;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QMessageBox;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QStackedWidget;
class QToolButton;
class QVBoxLayout;
class Settings;
class SyncService;

// Projects and their quick-action prompts. The tab edits a working copy of the project list, one project at a time
// (the active one), and commits every change by handing the whole list to AppState::replaceProjects with the owner
// key, so the panel sees it at once and shared projects reach teammates. It follows the application state: a new
// project list replaces the working copy, a new active project closes the prompt editor.
class PromptsTab : public QWidget
{
    Q_OBJECT

public:
    // `sync` may be null: sharing is then unavailable.
    PromptsTab(AppState& appState, Settings& settings, SyncService* sync, QWidget* parent = nullptr);
    ~PromptsTab() override;

    const QList<Project>& workingCopy() const { return m_projects; }
    int selectedProjectIndex() const { return m_selectedProjectIndex; }
    bool isEditingPrompt() const { return m_editingPrompt.has_value(); }
    bool isSharing() const { return m_isSharing; }
    bool isDeletingFromServer() const { return m_isDeletingFromServer; }
    QString shareError() const { return m_shareError; }

    // The context menu of the prompt in row `row` of the selected project (deleted when closed).
    QMenu* promptContextMenu(int row);

    void setColors(const ThemeColors& colors);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    std::optional<QString> ownerKey();
    bool sharingConfigured() const;
    // Index of the selected project in the working copy, or -1 when there is none.
    int currentIndex() const;
    Project* currentProject();

    // Stores the working copy through the application state and pushes shared projects.
    void commit();
    // Stores at once; the push to the sync service follows when the typing pauses, so one edit is one upload
    // and uploads of single keystrokes cannot overtake each other.
    void commitTyping();
    void flushPendingPush();

    void followProjects();
    void followActiveProject();
    void refresh();
    void refreshSharing();
    void rebuildPromptList();

    void selectProject(int index);
    void share();
    void unlink();
    void confirmDeleteFromServer();
    void deleteFromServer();
    void deleteProject();
    void toggleTextDefault(const QUuid& promptId);
    void toggleImageDefault(const QUuid& promptId);
    void deletePrompt(const QUuid& promptId);
    void addFromLibrary(const Prompt& prompt);
    void openLibrary();
    void openEditor(const Prompt& prompt, bool isNew);
    void closeEditor();
    void saveEditedPrompt(const Prompt& prompt);
    void setShareError(const QString& text);

    AppState& m_appState;
    Settings& m_settings;
    QPointer<SyncService> m_sync;
    ThemeColors m_colors;

    QList<Project> m_projects;
    int m_selectedProjectIndex = 0;
    std::optional<Prompt> m_editingPrompt;
    bool m_isNewPrompt = false;
    bool m_isSharing = false;
    QString m_shareError;
    bool m_isDeletingFromServer = false;
    bool m_updating = false;
    QTimer m_pushTimer;

    QStackedWidget* m_stack = nullptr;
    QWidget* m_detail = nullptr;
    QWidget* m_emptyPage = nullptr;
    PromptEditorInline* m_editor = nullptr;
    QWidget* m_pickerRow = nullptr;
    QComboBox* m_projectPicker = nullptr;
    QLineEdit* m_emoji = nullptr;
    QLineEdit* m_name = nullptr;
    QPushButton* m_shareButton = nullptr;
    QProgressBar* m_shareProgress = nullptr;
    QWidget* m_sharedRow = nullptr;
    QLabel* m_shareCode = nullptr;
    QToolButton* m_copyCode = nullptr;
    QPushButton* m_unlink = nullptr;
    QToolButton* m_deleteFromServer = nullptr;
    QLabel* m_shareErrorLabel = nullptr;
    QLabel* m_sharingOffNote = nullptr;
    QLineEdit* m_syncUrl = nullptr;
    QLineEdit* m_syncClientKey = nullptr;
    QLineEdit* m_ownerKey = nullptr;
    QLabel* m_connectionResult = nullptr;
    QPushButton* m_deleteProject = nullptr;
    QPlainTextEdit* m_context = nullptr;
    QVBoxLayout* m_promptRows = nullptr;
    QPushButton* m_addFromLibrary = nullptr;
    QPushButton* m_newPrompt = nullptr;
    QPointer<QMessageBox> m_confirmation;
};
