// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/PanelSidebar.h"

#include "model/AppState.h"
#include "model/ChatSearch.h"
#include "model/ChatSessionListModel.h"
#include "sync/SyncService.h"
#include "ui/PanelWidgets.h"
#include "ui/SymbolIcon.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QStyle>
#include <QTextOption>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <QShortcut>
#include <QStyledItemDelegate>
#include <QPushButton>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

using PanelWidgets::css;

namespace {

constexpr int idRole = Qt::UserRole + 1;

QString listStyle(const ThemeColors& colors)
{
    return QStringLiteral("QListWidget { background: transparent; border: none; outline: none; }"
                          "QListWidget::item { color: %1; border-radius: 8px; padding: 6px 8px; margin: 1px 0; }"
                          "QListWidget::item:selected { background: %2; color: %1; }"
                          "QListWidget::item:hover:!selected { background: %3; }"
                          "QListWidget::item:focus { border: 1px solid %4; }")
        .arg(css(colors.text()), css(colors.selectedFill()), css(colors.iconButtonFill()), css(colors.accent()));
}

QWidget* header(const QString& title, QToolButton* plus, const ThemeColors& colors)
{
    auto* box = new QWidget;
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(4, 0, 0, 0);
    auto* label = PanelWidgets::label(title, colors.secondaryText());
    QFont font = label->font();
    font.setWeight(QFont::DemiBold);
    label->setFont(font);
    row->addWidget(label);
    row->addStretch();
    row->addWidget(plus);
    return box;
}

// A chat row: the title and, under it, how long ago the session changed, computed when the row is drawn so that
// ages move on without rebuilding anything.
class ChatRowDelegate : public QStyledItemDelegate
{
public:
    ChatRowDelegate(ThemeColors colors, QObject* parent) : QStyledItemDelegate(parent), m_colors(colors) {}

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override
    {
        return QSize(option.rect.width(), 2 * option.fontMetrics.height() + 2 * padding + 2 * margin);
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        const QRectF box = QRectF(option.rect).adjusted(0, margin, 0, -margin);
        const bool active = index.data(ChatSessionListModel::ActiveRole).toBool();
        const bool hover = option.state & QStyle::State_MouseOver;
        if (active || hover) {
            QPainterPath path;
            path.addRoundedRect(box, 8, 8);
            painter->fillPath(path, active ? m_colors.selectedFill() : m_colors.iconButtonFill());
        }
        if (option.state & QStyle::State_HasFocus) {
            painter->setPen(QPen(m_colors.accent(), 1.5));
            painter->drawRoundedRect(box.adjusted(0.75, 0.75, -0.75, -0.75), 8, 8);
        }
        const QRect text = option.rect.adjusted(padding + 2, margin + padding, -padding, -margin - padding);
        const int line = option.fontMetrics.height();
        painter->setFont(option.font);
        painter->setPen(m_colors.text());
        const QString title = index.data(Qt::DisplayRole).toString();
        // On the row's leading side, but in the title's own direction: an English title in a right-to-left desktop
        // keeps its brackets and word order.
        QTextOption titleOption(QStyle::visualAlignment(option.direction, Qt::AlignLeft | Qt::AlignVCenter));
        titleOption.setTextDirection(title.isRightToLeft() ? Qt::RightToLeft : Qt::LeftToRight);
        titleOption.setWrapMode(QTextOption::NoWrap);
        painter->drawText(QRectF(text.left(), text.top(), text.width(), line),
                          option.fontMetrics.elidedText(title, Qt::ElideRight, text.width()), titleOption);
        painter->setPen(m_colors.secondaryText());
        const QString age = PanelWidgets::abbreviatedRelativeTime(
            index.data(ChatSessionListModel::UpdatedAtRole).toDateTime(), QDateTime::currentDateTimeUtc());
        painter->drawText(QRect(text.left(), text.top() + line, text.width(), line), Qt::AlignLeft | Qt::AlignVCenter,
                          age);
        painter->restore();
    }

private:
    static constexpr int padding = 6;
    static constexpr int margin = 1;
    ThemeColors m_colors;
};

} // namespace

PanelSidebar::PanelSidebar(AppState& state, SyncService* sync, ThemeColors colors, QWidget* parent)
    : QWidget(parent), m_state(state), m_sync(sync), m_colors(colors)
{
    setObjectName(QStringLiteral("panelSidebar"));
    setFixedWidth(sidebarWidth);
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(QStringLiteral("QWidget#panelSidebar { background: %1; }").arg(css(colors.sidebarBackground())));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(10, 8, 10, 10);
    m_stack = new QStackedWidget;
    column->addWidget(m_stack);

    // Chats.
    auto* chats = new QWidget;
    auto* chatColumn = new QVBoxLayout(chats);
    chatColumn->setContentsMargins(0, 0, 0, 0);
    auto* newChat = PanelWidgets::iconButton(QStringLiteral("plus"), tr("New Chat (Ctrl+N)"), colors, nullptr, 24);
    newChat->setObjectName(QStringLiteral("newChatButton"));
    connect(newChat, &QToolButton::clicked, this, [this] {
        clearSearch(); // the new chat would not match it
        m_state.newChatSession();
    });
    chatColumn->addWidget(header(tr("Your chats"), newChat, colors));
    m_searchField = new QLineEdit;
    m_searchField->setObjectName(QStringLiteral("chatSearchField"));
    m_searchField->setPlaceholderText(tr("Search chats"));
    m_searchField->setAccessibleName(tr("Search chats"));
    m_searchField->setClearButtonEnabled(true);
    m_searchField->setStyleSheet(QStringLiteral("QLineEdit { color: %1; background: %2; border: 1px solid %3; "
                                                "border-radius: 8px; padding: 3px 6px; }")
                                     .arg(css(colors.text()), css(colors.boxFill()), css(colors.boxBorder())));
    connect(m_searchField, &QLineEdit::textChanged, this, &PanelSidebar::startSearch);
    connect(m_searchField, &QLineEdit::returnPressed, this, &PanelSidebar::openFirstResult);
    m_searchField->installEventFilter(this);
    chatColumn->addWidget(m_searchField);
    // Only while the chat list is on screen, that is in the expanded panel's Chats tab.
    auto* find = new QShortcut(QKeySequence::Find, chats);
    connect(find, &QShortcut::activated, this, [this] {
        m_searchField->setFocus(Qt::ShortcutFocusReason);
        m_searchField->selectAll();
    });

    m_search = new ChatSearch(this);
    connect(m_search, &ChatSearch::finished, this, [this](const QString& query, const QSet<QUuid>& matches) {
        if (query.trimmed().isEmpty() || query != m_searchField->text())
            return; // the warm-up, or typed on meanwhile
        m_chatModel->setFilter(matches);
        Q_EMIT searchQueryChanged(query.trimmed());
    });
    m_searchAgain.setSingleShot(true);
    m_searchAgain.setInterval(300);
    connect(&m_searchAgain, &QTimer::timeout, this, &PanelSidebar::startSearch);

    m_chatModel = new ChatSessionListModel(m_state, this);
    m_chatList = new QListView;
    m_chatList->setObjectName(QStringLiteral("chatList"));
    m_chatList->setAccessibleName(tr("Your chats"));
    m_chatList->setModel(m_chatModel);
    m_chatList->setItemDelegate(new ChatRowDelegate(colors, m_chatList));
    m_chatList->setUniformItemSizes(true);
    m_chatList->setSelectionMode(QAbstractItemView::NoSelection);
    m_chatList->setMouseTracking(true);
    m_chatList->setStyleSheet(QStringLiteral("QListView { background: transparent; border: none; outline: none; }"));
    m_chatList->viewport()->setAutoFillBackground(false);
    // Tab reaches the list; the arrows move between chats, Return opens one, the menu key or Shift+F10 its menu.
    m_chatList->setFocusPolicy(Qt::TabFocus);
    m_chatList->installEventFilter(this);
    m_chatList->setContextMenuPolicy(Qt::CustomContextMenu);
    m_chatList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_chatList->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    PanelWidgets::useThinScrollBar(m_chatList->verticalScrollBar(), colors);
    connect(m_chatList, &QListView::clicked, this,
            [this](const QModelIndex& index) { selectSession(index.data(ChatSessionListModel::IdRole).toUuid()); });
    connect(m_chatList, &QListView::activated, this,
            [this](const QModelIndex& index) { selectSession(index.data(ChatSessionListModel::IdRole).toUuid()); });
    connect(m_chatList, &QListView::customContextMenuRequested, this, &PanelSidebar::showChatMenu);
    // A session that changes during a search is searched again once the changes settle.
    const auto searchAgain = [this] {
        if (m_chatModel->isFiltered())
            m_searchAgain.start();
    };
    connect(&m_state, &AppState::chatSessionsChanged, this, searchAgain);
    connect(&m_state, &AppState::chatSessionChanged, this, searchAgain);
    m_ageTimer.setInterval(60'000);
    connect(&m_ageTimer, &QTimer::timeout, m_chatList->viewport(), qOverload<>(&QWidget::update));
    chatColumn->addWidget(m_chatList, 1);
    m_stack->addWidget(chats);

    // Projects and the join controls.
    auto* projects = new QWidget;
    auto* projectColumn = new QVBoxLayout(projects);
    projectColumn->setContentsMargins(0, 0, 0, 0);
    auto* newProject = PanelWidgets::iconButton(QStringLiteral("plus"), tr("New Project"), colors, nullptr, 24);
    newProject->setObjectName(QStringLiteral("newProjectButton"));
    connect(newProject, &QToolButton::clicked, this, &PanelSidebar::addProject);
    projectColumn->addWidget(header(tr("Your projects"), newProject, colors));
    m_projectList = new QListWidget;
    m_projectList->setObjectName(QStringLiteral("projectList"));
    m_projectList->setStyleSheet(listStyle(colors));
    m_projectList->setAccessibleName(tr("Your projects"));
    m_projectList->setFocusPolicy(Qt::TabFocus);
    m_projectList->installEventFilter(this);
    m_projectList->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_projectList, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { m_state.setActiveProjectIndex(m_projectList->row(item)); });
    connect(m_projectList, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { m_state.setActiveProjectIndex(m_projectList->row(item)); });
    connect(m_projectList, &QListWidget::customContextMenuRequested, this, &PanelSidebar::showProjectMenu);
    projectColumn->addWidget(m_projectList, 1);

    m_joinButton = new QPushButton(tr("Join shared project"));
    m_joinButton->setObjectName(QStringLiteral("joinSharedProjectButton"));
    m_joinButton->setCursor(Qt::PointingHandCursor);
    connect(m_joinButton, &QPushButton::clicked, this, [this] { setJoinFieldShown(true); });
    projectColumn->addWidget(m_joinButton);
    m_joinBox = new QWidget;
    auto* joinColumn = new QVBoxLayout(m_joinBox);
    joinColumn->setContentsMargins(0, 0, 0, 0);
    m_joinField = new QLineEdit;
    m_joinField->setObjectName(QStringLiteral("joinCodeField"));
    m_joinField->setPlaceholderText(tr("Enter share code…"));
    connect(m_joinField, &QLineEdit::returnPressed, this, &PanelSidebar::join);
    joinColumn->addWidget(m_joinField);
    auto* joinRow = new QHBoxLayout;
    m_joinConfirm = new QPushButton(tr("Join"));
    m_joinConfirm->setObjectName(QStringLiteral("joinButton"));
    connect(m_joinConfirm, &QPushButton::clicked, this, &PanelSidebar::join);
    m_joinProgress = new QWidget;
    auto* progressRow = new QHBoxLayout(m_joinProgress);
    progressRow->setContentsMargins(0, 0, 0, 0);
    progressRow->setSpacing(6);
    progressRow->addWidget(new BusyIndicator(colors.secondaryText()));
    progressRow->addWidget(PanelWidgets::label(tr("Joining…"), colors.secondaryText()));
    m_joinProgress->setVisible(false);
    auto* cancel = new QPushButton(tr("Cancel"));
    cancel->setObjectName(QStringLiteral("cancelJoinButton"));
    connect(cancel, &QPushButton::clicked, this, [this] {
        ++m_joinAttempt;
        setJoining(false);
        setJoinFieldShown(false);
    });
    joinRow->addWidget(m_joinConfirm);
    joinRow->addWidget(m_joinProgress);
    joinRow->addWidget(cancel);
    joinColumn->addLayout(joinRow);
    m_joinError = PanelWidgets::label(QString(), QColor(255, 59, 48));
    m_joinError->setObjectName(QStringLiteral("joinError"));
    m_joinError->setWordWrap(true);
    m_joinError->setVisible(false);
    joinColumn->addWidget(m_joinError);
    projectColumn->addWidget(m_joinBox);
    for (QPushButton* button : {m_joinButton, m_joinConfirm, cancel}) {
        button->setStyleSheet(PanelWidgets::boxButtonStyle(colors));
        button->setCursor(Qt::PointingHandCursor);
    }
    m_joinField->setStyleSheet(QStringLiteral("QLineEdit { color: %1; background: %2; border: 1px solid %3; "
                                              "border-radius: 8px; padding: 4px 8px; }")
                                   .arg(css(colors.text()), css(colors.boxFill()), css(colors.boxBorder())));
    setJoinFieldShown(false);
    m_stack->addWidget(projects);

    connect(&m_state, &AppState::expandedPanelTabChanged, this, &PanelSidebar::refreshTab);
    connect(&m_state, &AppState::projectsChanged, this, &PanelSidebar::refreshProjects);
    connect(&m_state, &AppState::activeProjectIndexChanged, this, &PanelSidebar::refreshProjects);
    refreshTab();
    refreshProjects();
}

void PanelSidebar::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // A panel ordered out and shown again hours later must not still say "now".
    m_chatList->viewport()->update();
    m_ageTimer.start();
}

bool PanelSidebar::eventFilter(QObject* watched, QEvent* event)
{
    // From the keyboard a list's menu belongs to its current row, wherever the pointer is.
    if (event->type() == QEvent::ContextMenu &&
        static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Keyboard &&
        (watched == m_chatList || watched == m_projectList)) {
        auto* list = static_cast<QAbstractItemView*>(watched);
        const QModelIndex current = list->currentIndex();
        if (current.isValid()) {
            const QPoint at = list->visualRect(current).center();
            if (list == m_chatList)
                showChatMenu(at);
            else
                showProjectMenu(at);
        }
        return true;
    }
    // Delete takes the focused chat away, as its menu's Delete does.
    if (watched == m_chatList && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::Delete)) {
        const QUuid id = m_chatList->currentIndex().data(ChatSessionListModel::IdRole).toUuid();
        if (!id.isNull())
            m_state.deleteSession(id);
        return true;
    }
    // The first search folds every chat into the index; start on that as soon as the user heads for the field.
    if (watched == m_searchField && event->type() == QEvent::FocusIn && m_searchField->text().isEmpty())
        m_search->search(m_state.chatSessions(), QString());
    return QWidget::eventFilter(watched, event);
}

void PanelSidebar::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    m_ageTimer.stop();
}

void PanelSidebar::refreshTab()
{
    m_stack->setCurrentIndex(m_state.expandedPanelTab() == ExpandedPanelTab::Chat ? 0 : 1);
}

void PanelSidebar::startSearch()
{
    m_searchAgain.stop();
    const QString query = m_searchField->text();
    if (query.trimmed().isEmpty()) {
        m_chatModel->setFilter(std::nullopt);
        Q_EMIT searchQueryChanged(QString());
        return;
    }
    m_search->search(m_state.chatSessions(), query);
}

bool PanelSidebar::clearSearch()
{
    if (m_searchField->text().isEmpty())
        return false;
    m_searchField->clear();
    return true;
}

void PanelSidebar::openFirstResult()
{
    const QUuid id = m_chatModel->idAt(0);
    if (!id.isNull())
        selectSession(id);
}

void PanelSidebar::showChatMenu(const QPoint& at)
{
    const QModelIndex index = m_chatList->indexAt(at);
    if (!index.isValid())
        return;
    const QUuid id = index.data(ChatSessionListModel::IdRole).toUuid();
    QMenu menu;
    QAction* remove = menu.addAction(symbolIcon(QStringLiteral("trash"), QColor(255, 59, 48), 14), tr("Delete"));
    remove->setShortcut(QKeySequence::Delete);
    if (menu.exec(m_chatList->viewport()->mapToGlobal(at)) == remove)
        m_state.deleteSession(id);
}

void PanelSidebar::showProjectMenu(const QPoint& at)
{
    QListWidgetItem* item = m_projectList->itemAt(at);
    if (!item)
        return;
    const int row = m_projectList->row(item);
    QMenu menu;
    QAction* remove = menu.addAction(symbolIcon(QStringLiteral("trash"), QColor(255, 59, 48), 14), tr("Delete"));
    remove->setEnabled(m_state.projects().size() >= 2);
    if (menu.exec(m_projectList->viewport()->mapToGlobal(at)) == remove)
        deleteProjectAt(row);
}

void PanelSidebar::refreshProjects()
{
    const QList<Project>& projects = m_state.projects();
    m_projectList->clear();
    for (const Project& project : projects) {
        const QString prompts = tr("%n prompt(s)", nullptr, int(project.prompts.size()));
        auto* item = new QListWidgetItem(project.emoji + u' ' + project.name + u'\n' + prompts);
        item->setData(idRole, project.id);
        m_projectList->addItem(item);
    }
    const int active = std::min(m_state.activeProjectIndex(), int(projects.size()) - 1);
    if (active >= 0)
        m_projectList->item(active)->setSelected(true);
}

void PanelSidebar::selectSession(const QUuid& id)
{
    const std::optional<QUuid> previous = m_state.activeChatSessionID();
    if (previous && *previous == id)
        return;
    if (previous) {
        const ChatSession* left = m_state.chatSession(*previous);
        if (left && left->messages.isEmpty())
            m_state.deleteSession(*previous);
    }
    m_state.setActiveChatSessionID(id);
}

void PanelSidebar::addProject()
{
    QList<Project> projects = m_state.projects();
    projects.append(Project{QUuid::createUuid(),
                            tr("New Project"),
                            QString::fromUtf8("\xF0\x9F\x93\x81"),
                            QString(),
                            {},
                            std::nullopt,
                            std::nullopt,
                            std::nullopt});
    m_state.setProjects(projects);
    m_state.saveProjects(projects);
    m_state.setActiveProjectIndex(int(projects.size()) - 1);
}

void PanelSidebar::deleteProjectAt(int index)
{
    QList<Project> projects = m_state.projects();
    if (projects.size() < 2 || index < 0 || index >= projects.size())
        return;
    const int previous = m_state.activeProjectIndex();
    projects.removeAt(index);
    m_state.setProjects(projects);
    m_state.saveProjects(projects);
    // The active project stays selected when another one goes; when it goes itself, the one before it is next.
    m_state.setActiveProjectIndex(index > previous ? previous : std::max(previous - 1, 0));
}

void PanelSidebar::setJoinFieldShown(bool shown)
{
    m_joinButton->setVisible(!shown);
    m_joinBox->setVisible(shown);
    if (!shown) {
        m_joinField->clear();
        m_joinError->clear();
        m_joinError->setVisible(false);
    } else {
        m_joinField->setFocus(Qt::OtherFocusReason);
    }
}

void PanelSidebar::setJoining(bool joining)
{
    m_isJoining = joining;
    m_joinConfirm->setVisible(!joining);
    m_joinProgress->setVisible(joining);
}

void PanelSidebar::join()
{
    const QString code = m_joinField->text().trimmed();
    if (code.isEmpty() || m_isJoining)
        return;
    setJoining(true);
    m_joinError->clear();
    m_joinError->setVisible(false);
    const auto fail = [this](const QString& text) {
        setJoining(false);
        m_joinError->setText(text);
        m_joinError->setVisible(true);
    };
    if (!m_sync) {
        fail(SyncError::notConfigured().description());
        return;
    }
    const int attempt = ++m_joinAttempt;
    m_sync->join(code, this, [this, code, fail, attempt](const SyncResult<SharedProjectPayload>& result) {
        if (attempt != m_joinAttempt)
            return; // the user cancelled meanwhile
        if (!result) {
            fail(result.error().description());
            return;
        }
        setJoining(false);
        QList<Project> projects = m_state.projects();
        projects.append(result.value().toLocalProject(code));
        m_state.setProjects(projects);
        m_state.saveProjects(projects);
        m_state.setActiveProjectIndex(int(projects.size()) - 1);
        setJoinFieldShown(false);
    });
}
