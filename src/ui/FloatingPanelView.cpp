// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/FloatingPanelView.h"

#include "model/AppState.h"
#include "ui/AnswerAnnouncer.h"
#include "ui/ChatView.h"
#include "ui/PanelSidebar.h"
#include "ui/PanelWidgets.h"
#include "ui/QuickPromptView.h"

#include <QEnterEvent>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QMetaMethod>
#include <QMouseEvent>
#include <QPainter>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <utility>

using PanelWidgets::css;

// The three round window buttons of the expanded window: grey at rest, in their colours with glyphs on hover.
class WindowButtons : public QWidget
{
public:
    static constexpr int diameter = 12;
    static constexpr int gap = 8;

    WindowButtons(ThemeColors colors, QWidget* parent) : QWidget(parent), m_colors(colors)
    {
        setObjectName(QStringLiteral("windowButtons"));
        setFixedSize(3 * diameter + 2 * gap, diameter + 4);
        setMouseTracking(true);
        setCursor(Qt::PointingHandCursor);
        setToolTip(QString());
    }

    std::array<std::function<void()>, 3> actions; // red, yellow, green
    bool hovered() const { return m_hover; }

protected:
    void enterEvent(QEnterEvent*) override
    {
        m_hover = true;
        update();
    }
    void leaveEvent(QEvent*) override
    {
        m_hover = false;
        update();
    }
    // The button under a point, or -1 for the gaps between them.
    static int buttonAt(const QPointF& point)
    {
        for (int i = 0; i < 3; ++i) {
            const QPointF centre(i * (diameter + gap) + diameter / 2.0, 2 + diameter / 2.0);
            const QPointF d = point - centre;
            if (d.x() * d.x() + d.y() * d.y() <= (diameter / 2.0 + 1) * (diameter / 2.0 + 1))
                return i;
        }
        return -1;
    }
    void mousePressEvent(QMouseEvent* event) override { m_pressed = buttonAt(event->position()); }
    void mouseReleaseEvent(QMouseEvent* event) override
    {
        // Like any button: it acts when pressed and released on the same circle.
        const int index = buttonAt(event->position());
        const int pressed = std::exchange(m_pressed, -1);
        if (index >= 0 && index == pressed && actions[size_t(index)])
            actions[size_t(index)]();
    }
    void paintEvent(QPaintEvent*) override
    {
        static const QColor colors[3] = {QColor::fromRgbF(1.0f, 0.38f, 0.34f), QColor::fromRgbF(1.0f, 0.74f, 0.21f),
                                         QColor::fromRgbF(0.2f, 0.78f, 0.35f)};
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        for (int i = 0; i < 3; ++i) {
            const QRectF circle(i * (diameter + gap) + 0.5, 2.5, diameter - 1, diameter - 1);
            painter.setPen(Qt::NoPen);
            painter.setBrush(m_hover ? colors[i] : m_colors.windowButtonIdle());
            painter.drawEllipse(circle);
            if (!m_hover)
                continue;
            painter.setPen(QPen(QColor(0, 0, 0, 140), 1.2, Qt::SolidLine, Qt::RoundCap));
            const QPointF c = circle.center();
            if (i == 0) {
                painter.drawLine(c + QPointF(-2.5, -2.5), c + QPointF(2.5, 2.5));
                painter.drawLine(c + QPointF(2.5, -2.5), c + QPointF(-2.5, 2.5));
            } else if (i == 1) {
                painter.drawLine(c + QPointF(-3, 0), c + QPointF(3, 0));
            } else {
                painter.drawLine(c + QPointF(-3, 0), c + QPointF(3, 0));
                painter.drawLine(c + QPointF(0, -3), c + QPointF(0, 3));
            }
        }
    }

private:
    ThemeColors m_colors;
    bool m_hover = false;
    int m_pressed = -1;
};

FloatingPanelView::FloatingPanelView(AppState& state, Settings& settings, SyncService* sync, ThemeColors colors,
                                     QWidget* parent)
    : QWidget(parent), m_state(state), m_colors(colors)
{
    setObjectName(QStringLiteral("floatingPanelView"));
    // The panel at rest holds the focus for its keys, but is no stop on the way through its controls.
    setFocusPolicy(Qt::ClickFocus);
    setPalette(colors.palette());

    m_quickPrompt = new QuickPromptView(state, settings, colors);
    connect(m_quickPrompt, &QuickPromptView::promptSelected, this, &FloatingPanelView::promptSelected);
    connect(m_quickPrompt, &QuickPromptView::customPromptSubmitted, this, &FloatingPanelView::customPromptSubmitted);
    connect(m_quickPrompt, &QuickPromptView::replaceRequested, this, &FloatingPanelView::replaceRequested);
    connect(m_quickPrompt, &QuickPromptView::expandRequested, this, [this] {
        // The same road as the Down Arrow, so the chat opens on this showing's session.
        if (m_state.isPanelExpanded())
            return;
        if (isSignalConnected(QMetaMethod::fromSignal(&FloatingPanelView::toggleExpandedRequested)))
            Q_EMIT toggleExpandedRequested();
        else
            m_state.setIsPanelExpanded(true);
    });

    // Control strip: close, expand/collapse, chats/prompts, preferences.
    m_controlStrip = new QWidget;
    m_controlStrip->setObjectName(QStringLiteral("controlStrip"));
    auto* strip = new QHBoxLayout(m_controlStrip);
    strip->setContentsMargins(0, 0, 0, 0);
    strip->setSpacing(6);
    auto* close = PanelWidgets::iconButton(QStringLiteral("xmark"), tr("Close (Esc)"), colors);
    close->setObjectName(QStringLiteral("closeButton"));
    connect(close, &QToolButton::clicked, this, &FloatingPanelView::closeRequested);
    m_expandButton =
        PanelWidgets::iconButton(QStringLiteral("arrow.up.left.and.arrow.down.right"), tr("Expand"), colors);
    m_expandButton->setObjectName(QStringLiteral("expandCollapseButton"));
    connect(m_expandButton, &QToolButton::clicked, this, &FloatingPanelView::toggleExpandedRequested);
    m_tabButton = PanelWidgets::iconButton(QStringLiteral("book"), tr("Prompts"), colors);
    m_tabButton->setObjectName(QStringLiteral("chatsPromptsButton"));
    connect(m_tabButton, &QToolButton::clicked, this, [this] {
        if (m_state.isPanelExpanded()) {
            switchTab(m_state.expandedPanelTab() == ExpandedPanelTab::Chat ? 1 : 0);
        } else {
            m_state.setExpandedPanelTab(ExpandedPanelTab::Prompts);
            Q_EMIT toggleExpandedRequested();
        }
    });
    auto* preferences = PanelWidgets::iconButton(QStringLiteral("ellipsis"), tr("Preferences"), colors);
    preferences->setObjectName(QStringLiteral("preferencesButton"));
    connect(preferences, &QToolButton::clicked, this, &FloatingPanelView::preferencesRequested);
    for (QToolButton* button : {close, m_expandButton, m_tabButton, preferences})
        strip->addWidget(button);

    m_modeStack = new QStackedWidget;
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(m_modeStack);

    // Compact card.
    auto* compact = new QWidget;
    compact->setObjectName(QStringLiteral("compactCard"));
    auto* compactColumn = new QVBoxLayout(compact);
    compactColumn->setContentsMargins(22, 14, 22, 16);
    compactColumn->setSpacing(6);
    m_compactTop = new QHBoxLayout;
    m_compactTop->addStretch();
    compactColumn->addLayout(m_compactTop);
    m_compactBody = new QWidget;
    auto* compactBodyColumn = new QVBoxLayout(m_compactBody);
    compactBodyColumn->setContentsMargins(0, 0, 0, 0);
    compactColumn->addWidget(m_compactBody, 1);
    m_modeStack->addWidget(compact);

    // Expanded window: sidebar on the left under the window buttons, the main area on the right.
    auto* expanded = new QWidget;
    expanded->setObjectName(QStringLiteral("expandedWindow"));
    auto* expandedRow = new QHBoxLayout(expanded);
    expandedRow->setContentsMargins(0, 0, 0, 0);
    expandedRow->setSpacing(0);
    m_sidebar = new PanelSidebar(state, sync, colors);
    auto* sidebarColumn = new QVBoxLayout;
    sidebarColumn->setContentsMargins(0, 0, 0, 0);
    sidebarColumn->setSpacing(0);
    auto* titleRow = new QWidget;
    titleRow->setObjectName(QStringLiteral("titleRow"));
    titleRow->setFixedWidth(PanelSidebar::sidebarWidth);
    titleRow->setAttribute(Qt::WA_StyledBackground);
    titleRow->setStyleSheet(
        QStringLiteral("QWidget#titleRow { background: %1; }").arg(css(colors.sidebarBackground())));
    auto* titleLayout = new QHBoxLayout(titleRow);
    titleLayout->setContentsMargins(14, 12, 10, 4);
    m_windowButtons = new WindowButtons(colors, titleRow);
    m_windowButtons->actions = {[this] { Q_EMIT closeRequested(); }, [this] { Q_EMIT minimizeRequested(); },
                                [this] { Q_EMIT zoomRequested(); }};
    titleLayout->addWidget(m_windowButtons);
    titleLayout->addSpacing(10);
    m_chatsTab =
        PanelWidgets::iconButton(QStringLiteral("bubble.left.and.bubble.right"), tr("Chats"), colors, nullptr, 26);
    m_chatsTab->setObjectName(QStringLiteral("chatsTabButton"));
    m_promptsTab = PanelWidgets::iconButton(QStringLiteral("book"), tr("Prompts"), colors, nullptr, 26);
    m_promptsTab->setObjectName(QStringLiteral("promptsTabButton"));
    connect(m_chatsTab, &QToolButton::clicked, this, [this] { switchTab(0); });
    connect(m_promptsTab, &QToolButton::clicked, this, [this] { switchTab(1); });
    titleLayout->addWidget(m_chatsTab);
    titleLayout->addWidget(m_promptsTab);
    titleLayout->addStretch();
    sidebarColumn->addWidget(titleRow);
    sidebarColumn->addWidget(m_sidebar, 1);
    expandedRow->addLayout(sidebarColumn);

    auto* mainColumn = new QVBoxLayout;
    mainColumn->setContentsMargins(20, 12, 20, 16);
    m_expandedTop = new QHBoxLayout;
    m_expandedTop->addStretch();
    mainColumn->addLayout(m_expandedTop);
    mainColumn->addSpacing(6);
    m_mainStack = new QStackedWidget;
    m_chatView = new ChatView(state, colors);
    connect(m_chatView, &ChatView::sendChatMessage, this, &FloatingPanelView::sendChatMessage);
    connect(m_sidebar, &PanelSidebar::searchQueryChanged, m_chatView, &ChatView::setHighlight);
    m_mainStack->addWidget(m_chatView);
    m_promptsHolder = new QWidget;
    auto* promptsColumn = new QVBoxLayout(m_promptsHolder);
    promptsColumn->setContentsMargins(0, 0, 0, 0);
    m_mainStack->addWidget(m_promptsHolder);
    mainColumn->addWidget(m_mainStack, 1);
    expandedRow->addLayout(mainColumn, 1);
    m_modeStack->addWidget(expanded);

    connect(&m_state, &AppState::isPanelExpandedChanged, this, &FloatingPanelView::refreshMode);
    connect(&m_state, &AppState::expandedPanelTabChanged, this, &FloatingPanelView::refreshMode);
    refreshMode();

    // A finished answer, in the prompt card or the chat, is announced once; a new one hides the last.
    m_announcer = new AnswerAnnouncer(this);
    connect(&m_state, &AppState::isLoadingChanged, this,
            [this] { m_announcer->announce(m_state.isLoading() ? QString() : m_state.resultText()); });
    // Only the chat on screen is read out: an answer that ends after the user went to another chat is not.
    connect(&m_state, &AppState::isChatStreamingChanged, this, [this, streamed = std::optional<QUuid>()]() mutable {
        if (m_state.isChatStreaming()) {
            streamed = m_state.activeChatSessionID();
            m_announcer->announce(QString());
            return;
        }
        const std::optional<ChatSession> session = m_state.activeChatSession();
        if (session && streamed == session->id && !session->messages.isEmpty() &&
            session->messages.constLast().role == MessageRole::Assistant)
            m_announcer->announce(session->messages.constLast().content);
    });
}

FloatingPanelView::~FloatingPanelView() = default;

void FloatingPanelView::switchTab(int tab)
{
    m_state.setExpandedPanelTab(tab == 0 ? ExpandedPanelTab::Chat : ExpandedPanelTab::Prompts);
}

void FloatingPanelView::refreshMode()
{
    const bool expanded = m_state.isPanelExpanded();
    const bool promptsTab = m_state.expandedPanelTab() == ExpandedPanelTab::Prompts;
    // One quick-prompt view and one control strip, moved to where the current mode shows them.
    QWidget* promptParent = expanded ? m_promptsHolder : m_compactBody;
    if (m_quickPrompt->parentWidget() != promptParent) {
        promptParent->layout()->addWidget(m_quickPrompt);
        m_quickPrompt->show();
    }
    QHBoxLayout* top = expanded ? m_expandedTop : m_compactTop;
    if (m_controlStrip->parentWidget() == nullptr || top->indexOf(m_controlStrip) < 0) {
        top->addWidget(m_controlStrip);
        m_controlStrip->show();
    }
    m_modeStack->setCurrentIndex(expanded ? 1 : 0);
    m_mainStack->setCurrentIndex(promptsTab ? 1 : 0);
    refreshStrip();
    // The window's buttons moved to this mode's top row: Tab meets them first, as the eye does.
    PanelWidgets::orderTabsByLayout(this);
    if (expanded && !promptsTab && isVisible())
        m_chatView->input()->setFocus(Qt::OtherFocusReason);
}

void FloatingPanelView::focusInEvent(QFocusEvent* event)
{
    // In the chat, typing goes to the message input.
    QWidget::focusInEvent(event);
    if (m_state.isPanelExpanded() && m_state.expandedPanelTab() == ExpandedPanelTab::Chat)
        m_chatView->input()->setFocus(Qt::OtherFocusReason);
}

void FloatingPanelView::refreshStrip()
{
    const bool expanded = m_state.isPanelExpanded();
    const bool promptsTab = m_state.expandedPanelTab() == ExpandedPanelTab::Prompts;
    PanelWidgets::setIconButtonSymbol(m_expandButton,
                                      expanded ? QStringLiteral("arrow.down.right.and.arrow.up.left")
                                               : QStringLiteral("arrow.up.left.and.arrow.down.right"),
                                      m_colors);
    m_expandButton->setToolTip(expanded ? tr("Collapse") : tr("Expand"));
    m_expandButton->setAccessibleName(m_expandButton->toolTip());
    const bool showChats = expanded && promptsTab;
    PanelWidgets::setIconButtonSymbol(
        m_tabButton, showChats ? QStringLiteral("bubble.left.and.bubble.right") : QStringLiteral("book"), m_colors);
    m_tabButton->setToolTip(showChats ? tr("Chats") : tr("Prompts"));
    m_tabButton->setAccessibleName(m_tabButton->toolTip());
    const QString highlighted = QStringLiteral("QToolButton { border: none; border-radius: 13px; background: %1; }")
                                    .arg(css(m_colors.selectedFill()));
    const QString plain = QStringLiteral("QToolButton { border: none; border-radius: 13px; background: transparent; }"
                                         "QToolButton:hover { background: %1; }")
                              .arg(css(m_colors.iconButtonFill()));
    m_chatsTab->setStyleSheet(promptsTab ? plain : highlighted);
    m_promptsTab->setStyleSheet(promptsTab ? highlighted : plain);
}

void FloatingPanelView::showCopiedFeedback()
{
    m_chatView->showCopiedFeedback();
}
