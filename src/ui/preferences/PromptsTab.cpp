// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/preferences/PromptsTab.h"

#include "model/AppState.h"
#include "model/Settings.h"
#include "sync/SyncService.h"
#include "ui/SymbolIcon.h"
#include "ui/preferences/PreferencesStyle.h"
#include "ui/preferences/PromptEditorInline.h"
#include "ui/preferences/PromptLibrarySheet.h"

#include <QClipboard>
#include <QComboBox>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QColor destructiveColor(const ThemeColors& colors)
{
    return colors.isDark() ? QColor(255, 105, 97) : QColor(215, 0, 21);
}

QToolButton* toolButton(const QString& objectName, const QString& toolTip, QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(objectName);
    button->setToolTip(toolTip);
    button->setAccessibleName(toolTip);
    button->setAutoRaise(true);
    button->setIconSize(QSize(16, 16));
    return button;
}

void setTextKeepingCursor(QLineEdit* edit, const QString& text)
{
    if (edit->text() != text)
        edit->setText(text);
}

} // namespace

PromptsTab::PromptsTab(AppState& appState, Settings& settings, SyncService* sync, QWidget* parent)
    : QWidget(parent), m_appState(appState), m_settings(settings), m_sync(sync)
{
    setObjectName(QStringLiteral("promptsTab"));
    m_pushTimer.setSingleShot(true);
    m_pushTimer.setInterval(800);
    connect(&m_pushTimer, &QTimer::timeout, this, &PromptsTab::commit);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    m_stack = new QStackedWidget(this);
    outer->addWidget(m_stack);

    m_detail = new QWidget(m_stack);
    QBoxLayout* box = PreferencesStyle::scrollingPage(m_detail);

    // Which project is edited: the active one; the picker changes the active project.
    m_pickerRow = new QWidget(m_detail);
    auto* pickerLine = new QHBoxLayout(m_pickerRow);
    pickerLine->setContentsMargins(0, 0, 0, 0);
    pickerLine->addWidget(new QLabel(tr("Project"), m_pickerRow));
    m_projectPicker = new QComboBox(m_pickerRow);
    m_projectPicker->setObjectName(QStringLiteral("promptsProjectPicker"));
    pickerLine->addWidget(m_projectPicker, 1);
    box->addWidget(m_pickerRow);

    // 1. Project header.
    auto* header = new QHBoxLayout;
    m_emoji = new QLineEdit(m_detail);
    m_emoji->setObjectName(QStringLiteral("projectEmojiEdit"));
    m_emoji->setAccessibleName(tr("Project icon"));
    m_emoji->setFixedWidth(48);
    m_emoji->setAlignment(Qt::AlignCenter);
    m_emoji->setMaxLength(16);
    m_name = new QLineEdit(m_detail);
    m_name->setObjectName(QStringLiteral("projectNameEdit"));
    m_name->setAccessibleName(tr("Project name"));
    m_name->setPlaceholderText(tr("Project name"));
    header->addWidget(m_emoji);
    header->addWidget(m_name, 1);
    box->addLayout(header);

    // 2. Sharing.
    box->addWidget(PreferencesStyle::heading(tr("Sharing"), m_detail));
    auto* shareLine = new QHBoxLayout;
    m_shareButton = new QPushButton(tr("Share with team"), m_detail);
    m_shareButton->setObjectName(QStringLiteral("shareButton"));
    m_shareButton->setToolTip(tr("Upload this project and get a share code for teammates"));
    m_shareProgress = new QProgressBar(m_detail);
    m_shareProgress->setObjectName(QStringLiteral("shareProgress"));
    m_shareProgress->setRange(0, 0);
    m_shareProgress->setFixedWidth(120);
    m_shareProgress->setTextVisible(false);
    m_shareProgress->hide();
    shareLine->addWidget(m_shareButton);
    shareLine->addWidget(m_shareProgress);

    m_sharedRow = new QWidget(m_detail);
    auto* sharedLine = new QHBoxLayout(m_sharedRow);
    sharedLine->setContentsMargins(0, 0, 0, 0);
    m_shareCode = new QLabel(m_sharedRow);
    m_shareCode->setTextFormat(Qt::PlainText);
    m_shareCode->setObjectName(QStringLiteral("shareCodeLabel"));
    m_shareCode->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont codeFont = m_shareCode->font();
    codeFont.setFamily(QStringLiteral("monospace"));
    codeFont.setBold(true);
    m_shareCode->setFont(codeFont);
    m_copyCode = toolButton(QStringLiteral("copyShareCodeButton"), tr("Copy share code"), m_sharedRow);
    m_unlink = new QPushButton(tr("Unlink"), m_sharedRow);
    m_unlink->setObjectName(QStringLiteral("unlinkButton"));
    m_unlink->setToolTip(tr("Stop syncing this project (keeps local copy)"));
    m_deleteFromServer = toolButton(QStringLiteral("deleteFromServerButton"),
                                    tr("Delete from server (you must be the owner)"), m_sharedRow);
    sharedLine->addWidget(m_shareCode);
    sharedLine->addWidget(m_copyCode);
    sharedLine->addStretch();
    sharedLine->addWidget(m_unlink);
    sharedLine->addWidget(m_deleteFromServer);
    shareLine->addWidget(m_sharedRow, 1);
    shareLine->addStretch();
    box->addLayout(shareLine);
    m_shareErrorLabel = PreferencesStyle::errorText(m_detail);
    m_shareErrorLabel->setObjectName(QStringLiteral("shareErrorLabel"));
    box->addWidget(m_shareErrorLabel);
    m_sharingOffNote =
        PreferencesStyle::caption(tr("Sharing is off until a sync server address is set below."), m_detail);
    m_sharingOffNote->setObjectName(QStringLiteral("sharingOffNote"));
    box->addWidget(m_sharingOffNote);

    auto* service = new RoundedBox(m_detail);
    auto* form = new QFormLayout(service);
    form->setContentsMargins(10, 8, 10, 8);
    form->setLabelAlignment(Qt::AlignLeft);
    m_syncUrl = new QLineEdit(service);
    m_syncUrl->setObjectName(QStringLiteral("syncServerEdit"));
    m_syncUrl->setPlaceholderText(QStringLiteral("https://example.org/rest/v1"));
    m_syncClientKey = new QLineEdit(service);
    m_syncClientKey->setObjectName(QStringLiteral("syncClientKeyEdit"));
    m_syncClientKey->setPlaceholderText(tr("Publishable key of the sync service"));
    // Hidden until asked for; pasting the key of another machine keeps ownership of what was shared from there.
    m_ownerKey = new QLineEdit(service);
    m_ownerKey->setObjectName(QStringLiteral("ownerKeyEdit"));
    m_ownerKey->setAccessibleName(tr("Owner key"));
    m_ownerKey->setEchoMode(QLineEdit::Password);
    m_ownerKey->setInputMethodHints(Qt::ImhHiddenText | Qt::ImhNoPredictiveText | Qt::ImhSensitiveData);
    m_ownerKey->setToolTip(tr("Identifies you as the owner of the projects you share. Keep it to yourself; paste "
                              "the key of your other computer here to keep owning what you shared from there."));
    auto* showOwnerKey = new QPushButton(tr("Show"), service);
    showOwnerKey->setObjectName(QStringLiteral("showOwnerKeyButton"));
    showOwnerKey->setCheckable(true);
    auto* copyOwnerKey = new QPushButton(tr("Copy"), service);
    copyOwnerKey->setObjectName(QStringLiteral("copyOwnerKeyButton"));
    copyOwnerKey->setAccessibleName(tr("Copy the owner key"));
    auto* ownerLine = new QHBoxLayout;
    ownerLine->addWidget(m_ownerKey, 1);
    ownerLine->addWidget(showOwnerKey);
    ownerLine->addWidget(copyOwnerKey);
    auto* testConnection = new QPushButton(tr("Test Connection"), service);
    testConnection->setObjectName(QStringLiteral("testConnectionButton"));
    m_connectionResult = PreferencesStyle::caption({}, service);
    m_connectionResult->setObjectName(QStringLiteral("connectionResult"));
    m_connectionResult->setWordWrap(true);
    auto* testLine = new QHBoxLayout;
    testLine->addWidget(testConnection);
    testLine->addWidget(m_connectionResult, 1);
    form->addRow(tr("Sync server"), m_syncUrl);
    form->addRow(tr("Client key"), m_syncClientKey);
    form->addRow(tr("Owner key"), ownerLine);
    form->addRow(QString(), testLine);
    connect(showOwnerKey, &QPushButton::toggled, this, [this, showOwnerKey](bool shown) {
        m_ownerKey->setEchoMode(shown ? QLineEdit::Normal : QLineEdit::Password);
        showOwnerKey->setText(shown ? tr("Hide") : tr("Show"));
    });
    connect(copyOwnerKey, &QPushButton::clicked, this,
            [this] { QGuiApplication::clipboard()->setText(m_settings.syncOwnerKey()); });
    connect(m_ownerKey, &QLineEdit::textEdited, this, [this](const QString& text) {
        // An emptied field keeps the key it had: a new one would orphan everything shared so far.
        if (!text.trimmed().isEmpty())
            m_settings.setString(SettingsKeys::syncOwnerKey, text.trimmed());
    });
    connect(testConnection, &QPushButton::clicked, this, [this] {
        if (!m_sync)
            return;
        m_connectionResult->setText(tr("Asking the sync service…"));
        m_sync->checkConnection(this, [this](const SyncResult<std::monostate>& result) {
            m_connectionResult->setText(result.ok() ? tr("Connected: the sync service answers with this key.")
                                                    : result.error().description());
        });
    });
    box->addWidget(service);

    // 3. Delete project.
    m_deleteProject = new QPushButton(tr("Delete project"), m_detail);
    m_deleteProject->setObjectName(QStringLiteral("deleteProjectButton"));
    m_deleteProject->setToolTip(tr("Delete project"));
    PreferencesStyle::markDestructive(m_deleteProject);
    auto* deleteLine = new QHBoxLayout;
    deleteLine->addWidget(m_deleteProject);
    deleteLine->addStretch();
    box->addLayout(deleteLine);

    // 4. Context.
    box->addWidget(PreferencesStyle::heading(tr("Context"), m_detail));
    m_context = new QPlainTextEdit(m_detail);
    m_context->setObjectName(QStringLiteral("projectContextEdit"));
    m_context->setAccessibleName(tr("Project context"));
    m_context->setPlaceholderText(tr("Optional context prepended to every prompt in this project…"));
    m_context->setTabChangesFocus(true);
    m_context->setFixedHeight(70);
    box->addWidget(m_context);

    // 5. Prompts.
    box->addWidget(PreferencesStyle::heading(tr("Prompts"), m_detail));
    m_promptRows = new QVBoxLayout;
    m_promptRows->setSpacing(4);
    box->addLayout(m_promptRows);

    // 6. Adding prompts.
    auto* addLine = new QHBoxLayout;
    m_addFromLibrary = new QPushButton(tr("Add prompt from library"), m_detail);
    m_addFromLibrary->setObjectName(QStringLiteral("addFromLibraryButton"));
    m_newPrompt = new QPushButton(tr("New custom prompt"), m_detail);
    m_newPrompt->setObjectName(QStringLiteral("newPromptButton"));
    addLine->addWidget(m_addFromLibrary);
    addLine->addWidget(m_newPrompt);
    addLine->addStretch();
    box->addLayout(addLine);
    box->addStretch();

    m_editor = new PromptEditorInline(m_stack);
    connect(m_editor, &PromptEditorInline::saveRequested, this, &PromptsTab::saveEditedPrompt);
    connect(m_editor, &PromptEditorInline::cancelRequested, this, &PromptsTab::closeEditor);
    connect(m_editor, &PromptEditorInline::deleteRequested, this, [this] {
        if (m_editingPrompt) {
            const QUuid id = m_editingPrompt->id;
            closeEditor();
            deletePrompt(id);
        }
    });
    m_emptyPage = new QWidget(m_stack);
    m_stack->addWidget(m_detail);
    m_stack->addWidget(m_editor);
    m_stack->addWidget(m_emptyPage);

    connect(m_projectPicker, &QComboBox::activated, this, &PromptsTab::selectProject);
    connect(m_emoji, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (Project* project = currentProject()) {
            project->emoji = text;
            commitTyping();
        }
    });
    connect(m_name, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (Project* project = currentProject()) {
            project->name = text;
            commitTyping();
        }
    });
    connect(m_context, &QPlainTextEdit::textChanged, this, [this] {
        if (m_updating)
            return;
        if (Project* project = currentProject()) {
            project->contextDescription = m_context->toPlainText();
            commitTyping();
        }
    });
    connect(m_shareButton, &QPushButton::clicked, this, &PromptsTab::share);
    connect(m_copyCode, &QToolButton::clicked, this, [this] {
        if (Project* project = currentProject(); project && project->shareCode)
            QGuiApplication::clipboard()->setText(*project->shareCode);
    });
    connect(m_unlink, &QPushButton::clicked, this, &PromptsTab::unlink);
    connect(m_deleteFromServer, &QToolButton::clicked, this, &PromptsTab::confirmDeleteFromServer);
    connect(m_deleteProject, &QPushButton::clicked, this, &PromptsTab::deleteProject);
    connect(m_addFromLibrary, &QPushButton::clicked, this, &PromptsTab::openLibrary);
    connect(m_newPrompt, &QPushButton::clicked, this, [this] {
        openEditor(Prompt{QUuid::createUuid(), 0, {}, {}}, true);
    });
    connect(m_syncUrl, &QLineEdit::textEdited, this,
            [this](const QString& text) { m_settings.setString(SettingsKeys::syncBaseUrl, text.trimmed()); });
    connect(m_syncClientKey, &QLineEdit::textEdited, this,
            [this](const QString& text) { m_settings.setString(SettingsKeys::syncClientKey, text.trimmed()); });
    connect(&m_settings, &Settings::changed, this, [this](const QString& key) {
        if (key == settingName(SettingsKeys::syncBaseUrl) || key == settingName(SettingsKeys::syncClientKey) ||
            key == settingName(SettingsKeys::syncOwnerKey))
            refreshSharing();
    });

    connect(&m_appState, &AppState::projectsChanged, this, &PromptsTab::followProjects);
    connect(&m_appState, &AppState::activeProjectIndexChanged, this, &PromptsTab::followActiveProject);

    m_projects = m_appState.projects();
    m_selectedProjectIndex = m_appState.activeProjectIndex();
    setColors(m_colors);
    refresh();
}

PromptsTab::~PromptsTab() = default;

std::optional<QString> PromptsTab::ownerKey()
{
    if (!sharingConfigured())
        return std::nullopt;
    return m_settings.syncOwnerKey();
}

bool PromptsTab::sharingConfigured() const
{
    return m_sync && m_sync->isConfigured();
}

int PromptsTab::currentIndex() const
{
    if (m_projects.isEmpty())
        return -1;
    return std::clamp(m_selectedProjectIndex, 0, int(m_projects.size()) - 1);
}

Project* PromptsTab::currentProject()
{
    const int index = currentIndex();
    return index < 0 ? nullptr : &m_projects[index];
}

void PromptsTab::commit()
{
    m_pushTimer.stop();
    m_appState.replaceProjects(m_projects, ownerKey());
}

void PromptsTab::commitTyping()
{
    m_appState.replaceProjects(m_projects, std::nullopt);
    const Project* project = currentProject();
    if (project && project->shareCode && sharingConfigured())
        m_pushTimer.start();
}

void PromptsTab::flushPendingPush()
{
    if (m_pushTimer.isActive())
        commit();
}

void PromptsTab::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    m_projects = m_appState.projects();
    m_selectedProjectIndex = m_appState.activeProjectIndex();
    refresh();
}

void PromptsTab::hideEvent(QHideEvent* event)
{
    flushPendingPush();
    QWidget::hideEvent(event);
}

void PromptsTab::followProjects()
{
    m_projects = m_appState.projects();
    refresh();
}

void PromptsTab::followActiveProject()
{
    flushPendingPush();
    m_selectedProjectIndex = m_appState.activeProjectIndex();
    if (m_editingPrompt)
        closeEditor();
    setShareError({});
    refresh();
}

void PromptsTab::setColors(const ThemeColors& colors)
{
    m_colors = colors;
    m_copyCode->setIcon(symbolIcon(QStringLiteral("doc.on.doc"), colors.iconButtonGlyph(), 16));
    m_deleteFromServer->setIcon(symbolIcon(QStringLiteral("trash.circle"), destructiveColor(colors), 18));
    m_addFromLibrary->setIcon(symbolIcon(QStringLiteral("doc.text"), colors.text(), 14));
    m_newPrompt->setIcon(symbolIcon(QStringLiteral("plus"), colors.text(), 14));
    m_editor->setColors(colors);
    rebuildPromptList();
}

void PromptsTab::refresh()
{
    m_updating = true;
    const int index = currentIndex();
    if (m_editingPrompt)
        m_stack->setCurrentWidget(m_editor);
    else
        m_stack->setCurrentWidget(index < 0 ? m_emptyPage : m_detail);

    m_pickerRow->setVisible(m_projects.size() >= 2);
    m_projectPicker->clear();
    for (const Project& project : std::as_const(m_projects))
        m_projectPicker->addItem(project.emoji + QStringLiteral("  ") + project.name);
    m_projectPicker->setCurrentIndex(index);

    if (index >= 0) {
        const Project& project = m_projects[index];
        setTextKeepingCursor(m_emoji, project.emoji);
        setTextKeepingCursor(m_name, project.name);
        if (m_context->toPlainText() != project.contextDescription)
            m_context->setPlainText(project.contextDescription);
    }
    m_deleteProject->setVisible(m_projects.size() >= 2);
    m_updating = false;
    refreshSharing();
    rebuildPromptList();
}

void PromptsTab::refreshSharing()
{
    const Project* project = currentProject();
    const bool shared = project && project->shareCode;
    const bool configured = sharingConfigured();
    m_shareButton->setVisible(!shared && !m_isSharing);
    m_shareButton->setEnabled(configured);
    m_shareProgress->setVisible(!shared && m_isSharing);
    m_sharedRow->setVisible(shared);
    if (shared)
        m_shareCode->setText(*project->shareCode);
    m_unlink->setEnabled(!m_isDeletingFromServer);
    m_deleteFromServer->setEnabled(configured && !m_isDeletingFromServer);
    m_sharingOffNote->setVisible(!configured);
    PreferencesStyle::setErrorText(m_shareErrorLabel, m_shareError);

    setTextKeepingCursor(m_syncUrl, m_settings.string(SettingsKeys::syncBaseUrl));
    setTextKeepingCursor(m_syncClientKey, m_settings.string(SettingsKeys::syncClientKey));
    // The owner key is made on first need; showing it here is such a need, so the user can keep a copy.
    setTextKeepingCursor(m_ownerKey, m_settings.syncOwnerKey());
}

void PromptsTab::rebuildPromptList()
{
    while (QLayoutItem* item = m_promptRows->takeAt(0)) {
        // Detached at once (a row may be the sender of the signal that got us here), deleted later.
        if (QWidget* widget = item->widget()) {
            widget->hide();
            widget->setParent(nullptr);
            widget->deleteLater();
        }
        delete item;
    }
    const Project* project = currentProject();
    if (!project)
        return;
    for (int row = 0; row < project->prompts.size(); ++row) {
        const Prompt& prompt = project->prompts[row];
        auto* frame = new RoundedBox(m_detail);
        frame->setObjectName(QStringLiteral("promptRow"));
        frame->setContextMenuPolicy(Qt::CustomContextMenu);
        auto* line = new QHBoxLayout(frame);
        line->setContentsMargins(10, 3, 4, 3);
        auto* number = new QLabel(QString::number(prompt.number), frame);
        number->setProperty("role", QStringLiteral("number"));
        line->addWidget(number);
        auto* title = new QLabel(prompt.title, frame);
        title->setTextFormat(Qt::PlainText); // shared projects come from other people
        title->setObjectName(QStringLiteral("promptTitleLabel"));
        line->addWidget(title, 1);
        if (project->defaultPromptID == prompt.id) {
            QLabel* badge = PreferencesStyle::badge(tr("Text default"), frame);
            badge->setObjectName(QStringLiteral("textDefaultBadge"));
            line->addWidget(badge);
        }
        if (project->defaultImagePromptID == prompt.id) {
            QLabel* badge = PreferencesStyle::badge(tr("Image default"), frame);
            badge->setObjectName(QStringLiteral("imageDefaultBadge"));
            line->addWidget(badge);
        }
        QToolButton* edit = toolButton(QStringLiteral("editPromptButton"), tr("Edit prompt"), frame);
        edit->setIcon(symbolIcon(QStringLiteral("pencil"), m_colors.iconButtonGlyph(), 14));
        line->addWidget(edit);
        const QUuid id = prompt.id;
        connect(edit, &QToolButton::clicked, this, [this, id] {
            const Project* current = currentProject();
            if (!current)
                return;
            for (const Prompt& candidate : current->prompts) {
                if (candidate.id == id)
                    openEditor(candidate, false);
            }
        });
        connect(frame, &QWidget::customContextMenuRequested, this, [this, frame, row](const QPoint& pos) {
            if (QMenu* menu = promptContextMenu(row))
                menu->popup(frame->mapToGlobal(pos));
        });
        m_promptRows->addWidget(frame);
        PreferencesStyle::polish(frame, m_colors);
    }
}

QMenu* PromptsTab::promptContextMenu(int row)
{
    const Project* project = currentProject();
    if (!project || row < 0 || row >= project->prompts.size())
        return nullptr;
    const QUuid id = project->prompts[row].id;
    const bool isText = project->defaultPromptID == id;
    const bool isImage = project->defaultImagePromptID == id;
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("promptContextMenu"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const QColor glyph = m_colors.text();
    QAction* text =
        menu->addAction(symbolIcon(isText ? QStringLiteral("star.slash") : QStringLiteral("star"), glyph, 16),
                        isText ? tr("Remove as text default") : tr("Set as text default"));
    text->setObjectName(QStringLiteral("textDefaultAction"));
    connect(text, &QAction::triggered, this, [this, id] { toggleTextDefault(id); });
    QAction* image = menu->addAction(
        symbolIcon(isImage ? QStringLiteral("photo.badge.minus") : QStringLiteral("photo.badge.plus"), glyph, 16),
        isImage ? tr("Remove as image default") : tr("Set as image default"));
    image->setObjectName(QStringLiteral("imageDefaultAction"));
    connect(image, &QAction::triggered, this, [this, id] { toggleImageDefault(id); });
    menu->addSeparator();
    QAction* remove =
        menu->addAction(symbolIcon(QStringLiteral("trash"), destructiveColor(m_colors), 16), tr("Delete"));
    remove->setObjectName(QStringLiteral("deletePromptAction"));
    connect(remove, &QAction::triggered, this, [this, id] { deletePrompt(id); });
    return menu;
}

void PromptsTab::selectProject(int index)
{
    if (index < 0 || index >= m_projects.size())
        return;
    m_appState.setActiveProjectIndex(index);
}

void PromptsTab::setShareError(const QString& text)
{
    m_shareError = text;
    PreferencesStyle::setErrorText(m_shareErrorLabel, text);
}

void PromptsTab::share()
{
    const Project* project = currentProject();
    const std::optional<QString> owner = ownerKey();
    if (!project || project->shareCode || m_isSharing || !owner || !m_sync)
        return;
    setShareError({});
    m_isSharing = true;
    refreshSharing();
    const QUuid projectId = project->id;
    m_sync->share(*project, *owner, this, [this, projectId](const SyncResult<QString>& result) {
        m_isSharing = false;
        if (!result) {
            setShareError(result.error().description());
            refreshSharing();
            return;
        }
        // The list may have changed while the upload ran: the code goes to the project that was uploaded.
        for (Project& candidate : m_projects) {
            if (candidate.id == projectId) {
                candidate.shareCode = result.value();
                commit();
                break;
            }
        }
        refreshSharing();
    });
}

void PromptsTab::unlink()
{
    Project* project = currentProject();
    if (!project || !project->shareCode)
        return;
    setShareError({});
    project->shareCode.reset();
    commit();
}

void PromptsTab::confirmDeleteFromServer()
{
    const Project* project = currentProject();
    if (!project || !project->shareCode || m_confirmation)
        return;
    auto* box = new QMessageBox(this);
    box->setObjectName(QStringLiteral("deleteFromServerConfirmation"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setIcon(QMessageBox::Warning);
    box->setWindowTitle(tr("Delete from server?"));
    box->setText(tr("Delete from server?"));
    box->setInformativeText(tr("This will permanently delete the shared project from the server. Other team members "
                               "will no longer be able to sync this project."));
    QPushButton* confirm = box->addButton(tr("Delete from server"), QMessageBox::DestructiveRole);
    confirm->setObjectName(QStringLiteral("confirmDeleteFromServer"));
    QPushButton* cancel = box->addButton(tr("Cancel"), QMessageBox::RejectRole);
    box->setDefaultButton(cancel);
    box->setEscapeButton(cancel);
    connect(box, &QMessageBox::buttonClicked, this, [this, confirm](QAbstractButton* button) {
        if (button == confirm)
            deleteFromServer();
    });
    m_confirmation = box;
    box->open();
}

void PromptsTab::deleteFromServer()
{
    const Project* project = currentProject();
    const std::optional<QString> owner = ownerKey();
    if (!project || !project->shareCode || !owner || !m_sync || m_isDeletingFromServer)
        return;
    setShareError({});
    m_isDeletingFromServer = true;
    refreshSharing();
    const QUuid projectId = project->id;
    const QString code = *project->shareCode;
    m_sync->deleteFromServer(code, *owner, this, [this, projectId, code](const SyncResult<bool>& result) {
        m_isDeletingFromServer = false;
        if (result && result.value()) {
            for (Project& candidate : m_projects) {
                if (candidate.id == projectId && candidate.shareCode == code) {
                    candidate.shareCode.reset();
                    commit();
                    break;
                }
            }
        } else if (result) {
            setShareError(tr("Could not delete: you may not be the owner"));
        } else {
            // A transport or server failure is not a question of ownership: say what happened.
            setShareError(result.error().description());
        }
        refreshSharing();
    });
}

void PromptsTab::deleteProject()
{
    const int index = currentIndex();
    if (index < 0 || m_projects.size() < 2)
        return;
    m_projects.removeAt(index);
    commit();
    m_appState.setActiveProjectIndex(std::max(index - 1, 0));
    m_selectedProjectIndex = m_appState.activeProjectIndex();
    refresh();
}

void PromptsTab::toggleTextDefault(const QUuid& promptId)
{
    Project* project = currentProject();
    if (!project)
        return;
    if (project->defaultPromptID == promptId)
        project->defaultPromptID.reset();
    else
        project->defaultPromptID = promptId;
    commit();
}

void PromptsTab::toggleImageDefault(const QUuid& promptId)
{
    Project* project = currentProject();
    if (!project)
        return;
    if (project->defaultImagePromptID == promptId)
        project->defaultImagePromptID.reset();
    else
        project->defaultImagePromptID = promptId;
    commit();
}

void PromptsTab::deletePrompt(const QUuid& promptId)
{
    Project* project = currentProject();
    if (!project)
        return;
    project->prompts.removeIf([&](const Prompt& prompt) { return prompt.id == promptId; });
    // A default that names a deleted prompt would point at nothing.
    if (project->defaultPromptID == promptId)
        project->defaultPromptID.reset();
    if (project->defaultImagePromptID == promptId)
        project->defaultImagePromptID.reset();
    commit();
}

void PromptsTab::addFromLibrary(const Prompt& prompt)
{
    Project* project = currentProject();
    if (!project)
        return;
    Prompt copy = prompt;
    copy.id = QUuid::createUuid();
    copy.number = project->nextPromptNumber();
    project->prompts.append(copy);
    commit();
}

void PromptsTab::openLibrary()
{
    auto* sheet = new PromptLibrarySheet(m_colors, this);
    connect(sheet, &PromptLibrarySheet::addRequested, this, &PromptsTab::addFromLibrary);
    sheet->open();
}

void PromptsTab::openEditor(const Prompt& prompt, bool isNew)
{
    m_editingPrompt = prompt;
    m_isNewPrompt = isNew;
    m_editor->edit(prompt, isNew);
    m_stack->setCurrentWidget(m_editor);
}

void PromptsTab::closeEditor()
{
    m_editingPrompt.reset();
    m_isNewPrompt = false;
    m_stack->setCurrentWidget(currentIndex() < 0 ? m_emptyPage : m_detail);
}

void PromptsTab::saveEditedPrompt(const Prompt& edited)
{
    Project* project = currentProject();
    if (!project) {
        closeEditor();
        return;
    }
    auto existing = std::find_if(project->prompts.begin(), project->prompts.end(),
                                 [&](const Prompt& prompt) { return prompt.id == edited.id; });
    if (!m_isNewPrompt && existing != project->prompts.end()) {
        existing->title = edited.title;
        existing->systemPrompt = edited.systemPrompt;
    } else {
        // New, or the edited prompt vanished meanwhile (a refresh from the server): keep what was typed.
        Prompt added = edited;
        added.number = project->nextPromptNumber();
        project->prompts.append(added);
    }
    closeEditor();
    commit();
}
