// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ChatView.h"

#include "model/AppState.h"
#include "platform/Backends.h"
#include "ui/AnswerDocument.h"
#include "ui/MarkdownContentView.h"
#include "ui/PanelWidgets.h"
#include "ui/SymbolIcon.h"
#include "ui/ThinkingSection.h"

#include <QClipboard>
#include <QDragEnterEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMimeData>
#include <QPainter>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTextBlock>
#include <QTextDocument>
#include <QVBoxLayout>

using PanelWidgets::css;

namespace {

constexpr int copiedFeedbackMs = 2000;
constexpr int bubbleFreeSpace = 60;
constexpr int maxImageHeight = 200;
constexpr int maxImageWidth = 420; // so a wide picture never pushes the bubble past the transcript
constexpr int maxSourceTitleWidth = 380;
constexpr qsizetype idealWidthTextLimit = 4000;
constexpr int codeBlockInset = 28;
constexpr int pendingThumbSize = 80;
// Messages that get bubbles at once when a session opens, and per step when the user scrolls up.
constexpr qsizetype transcriptBatch = 12;
// Bubbles cost a few hundred kilobytes each: a long chat keeps this many built, and builds older ones again when the
// reader scrolls up to them.
constexpr qsizetype maxBuiltMessages = 60;

} // namespace

// ---------------------------------------------------------------------------------------------------------------

CopyMessageButton::CopyMessageButton(QString content, ThemeColors colors, bool isLastMessage, QWidget* parent)
    : QToolButton(parent), m_content(std::move(content)), m_colors(colors), m_isLastMessage(isLastMessage)
{
    setObjectName(QStringLiteral("copyMessageButton"));
    setAutoRaise(true);
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
    setIconSize(QSize(13, 13));
    setFixedSize(22, 22);
    setStyleSheet(QStringLiteral("QToolButton { border: 1px solid transparent; border-radius: 4px; "
                                 "background: transparent; } QToolButton:focus { border-color: %1; }")
                      .arg(css(colors.accent())));
    m_reset.setSingleShot(true);
    m_reset.setInterval(copiedFeedbackMs);
    connect(&m_reset, &QTimer::timeout, this, [this] { setCopied(false); });
    connect(this, &QToolButton::clicked, this, [this] {
        if (QClipboard* clipboard = QGuiApplication::clipboard())
            clipboard->setText(m_content);
        showCopiedFeedback();
    });
    setCopied(false);
    setLastMessage(isLastMessage);
}

void CopyMessageButton::setLastMessage(bool last)
{
    m_isLastMessage = last;
    setToolTip(last ? tr("Copy message (Ctrl+C)") : tr("Copy message"));
    setAccessibleName(toolTip());
}

void CopyMessageButton::showCopiedFeedback()
{
    setCopied(true);
    m_reset.start();
}

void CopyMessageButton::setCopied(bool copied)
{
    m_copied = copied;
    setIcon(symbolIcon(copied ? QStringLiteral("checkmark") : QStringLiteral("doc.on.doc"),
                       copied ? m_colors.accent() : m_colors.faintText(), 13));
}

// ---------------------------------------------------------------------------------------------------------------

MessageBubble::MessageBubble(const ChatMessage& message, ThemeColors colors, QWidget* parent)
    : QWidget(parent), m_colors(colors), m_message(message)
{
    setObjectName(QStringLiteral("messageBubble"));
    const bool user = message.role == MessageRole::User;
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
    // The bubble is as wide as its content needs, up to the row less the free space on the other side.
    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    if (user) {
        row->addSpacing(bubbleFreeSpace);
        row->addStretch();
    }

    m_bubble = new QWidget;
    m_bubble->setObjectName(QStringLiteral("bubble"));
    m_bubble->setAttribute(Qt::WA_StyledBackground);
    m_bubble->setStyleSheet(QStringLiteral("QWidget#bubble { background: %1; border-radius: 12px; }")
                                .arg(css(user ? colors.selectedFill() : colors.bubbleBackground())));
    m_bubble->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    m_bubbleColumn = new QVBoxLayout(m_bubble);
    m_bubbleColumn->setContentsMargins(12, 8, 12, 6);
    m_bubbleColumn->setSpacing(6);

    m_image = new QLabel;
    m_image->setObjectName(QStringLiteral("messageImage"));
    m_image->setVisible(false);
    m_bubbleColumn->addWidget(m_image);

    m_imageFailed = new QWidget;
    auto* failedRow = new QHBoxLayout(m_imageFailed);
    failedRow->setContentsMargins(0, 0, 0, 0);
    failedRow->setSpacing(6);
    auto* photo = new SymbolLabel;
    photo->setSymbol(symbolIcon(QStringLiteral("photo"), colors.secondaryText(), 16), 16);
    failedRow->addWidget(photo);
    m_imageFailedText = PanelWidgets::label(QString(), colors.secondaryText());
    m_imageFailedText->setObjectName(QStringLiteral("imageFailedLabel"));
    failedRow->addWidget(m_imageFailedText, 1);
    m_imageFailed->setVisible(false);
    m_bubbleColumn->addWidget(m_imageFailed);

    m_reasoning = new ThinkingSection(colors);
    m_bubbleColumn->addWidget(m_reasoning);

    m_content = new MarkdownContentView(QString(), colors);
    m_content->setObjectName(QStringLiteral("messageContent"));
    m_bubbleColumn->addWidget(m_content);

    m_cutOff = PanelWidgets::label(tr("The answer was cut off at the model's length limit."), colors.secondaryText());
    m_cutOff->setObjectName(QStringLiteral("cutOffLabel"));
    m_cutOff->setWordWrap(true);
    m_cutOff->setVisible(false);
    m_bubbleColumn->addWidget(m_cutOff);

    m_placeholder = PanelWidgets::label(tr("[Empty message]"), colors.faintText());
    m_bubbleColumn->addWidget(m_placeholder);

    m_thinking = new QWidget;
    auto* thinkingRow = new QHBoxLayout(m_thinking);
    thinkingRow->setContentsMargins(0, 0, 0, 0);
    thinkingRow->setSpacing(8);
    thinkingRow->addWidget(new BusyIndicator(colors.secondaryText()));
    auto* thinkingText = PanelWidgets::label(tr("Thinking..."), colors.secondaryText());
    thinkingText->setObjectName(QStringLiteral("thinkingLabel"));
    thinkingRow->addWidget(thinkingText, 1);
    m_bubbleColumn->addWidget(m_thinking);

    m_sources = new QWidget;
    m_sources->setObjectName(QStringLiteral("sources"));
    new QVBoxLayout(m_sources);
    m_sources->layout()->setContentsMargins(0, 4, 0, 0);
    m_sources->setVisible(false);
    m_bubbleColumn->addWidget(m_sources);

    row->addWidget(m_bubble, 1);
    if (!user) {
        row->addStretch();
        row->addSpacing(bubbleFreeSpace);
    }
    column->addLayout(row);

    // Under the bubble, on its side, so a short message stays a one-line bubble.
    m_copy = new CopyMessageButton(message.content, colors, false);
    auto* copyRow = new QHBoxLayout;
    copyRow->setContentsMargins(4, 0, 4, 0);
    copyRow->addWidget(m_copy, 0, user ? Qt::AlignRight : Qt::AlignLeft);
    column->addLayout(copyRow);

    m_message.content.clear(); // so the first update draws everything
    showMessage(message, false);
}

void MessageBubble::showMessage(const ChatMessage& message, bool isLastMessage, bool streaming)
{
    const bool user = message.role == MessageRole::User;
    const bool blank = message.content.isEmpty() && !message.imageData;
    m_content->setStreaming(streaming);
    if (m_content->content() != message.content)
        m_content->setContent(message.content);
    m_content->setVisible(!message.content.isEmpty());
    m_placeholder->setVisible(user && blank);
    m_thinking->setVisible(!user && blank && message.reasoning.isEmpty());
    m_reasoning->setText(message.reasoning);
    m_reasoning->setActive(streaming && message.content.isEmpty());
    m_cutOff->setVisible(message.cutOff);
    m_copy->setContent(message.content);
    m_copy->setLastMessage(isLastMessage);
    // Copying an empty message would only wipe the clipboard.
    m_copy->setVisible(!message.content.isEmpty());

    if (message.imageData != m_shownImage) {
        m_shownImage = message.imageData;
        QImage image;
        const bool decoded = message.imageData && image.loadFromData(*message.imageData);
        m_image->setVisible(decoded);
        m_imageFailed->setVisible(message.imageData && !decoded);
        if (decoded) {
            if (image.height() > maxImageHeight || image.width() > maxImageWidth)
                image =
                    image.scaled(QSize(maxImageWidth, maxImageHeight), Qt::KeepAspectRatio, Qt::SmoothTransformation);
            m_image->setPixmap(QPixmap::fromImage(image));
        } else if (message.imageData) {
            m_image->setPixmap(QPixmap());
            m_imageFailedText->setText(
                tr("Image (%1) could not be decoded").arg(QLocale().formattedDataSize(message.imageData->size())));
        }
    }
    if (message.annotations != m_shownCitations) {
        m_shownCitations = message.annotations;
        rebuildSources(message.annotations.value_or(QList<URLCitation>()));
    }
    if (!message.reasoning.isEmpty() || message.cutOff)
        m_bubble->setMaximumWidth(QWIDGETSIZE_MAX); // the thinking and the cut-off line take the row's width
    else if (message.content != m_message.content || message.imageData != m_message.imageData ||
             message.annotations != m_message.annotations || m_bubble->maximumWidth() == QWIDGETSIZE_MAX)
        m_bubble->setMaximumWidth(idealBubbleWidth(message));
    m_message = message;
}

int MessageBubble::idealBubbleWidth(const ChatMessage& message) const
{
    // A long text fills the row anyway; measuring it on every streamed piece would only cost time.
    if (message.content.size() > idealWidthTextLimit)
        return QWIDGETSIZE_MAX;
    int widest = 0;
    if (!message.content.isEmpty()) {
        AnswerDocument document;
        document.setDocumentMargin(0);
        document.setDefaultFont(m_content->font());
        document.setAnswerMarkdown(message.content);
        widest = int(std::ceil(document.idealWidth())) + 2;
        if (message.content.contains(u"```"))
            widest += codeBlockInset; // code sits inside a padded box
    }
    const bool blank = message.content.isEmpty() && !message.imageData;
    if (blank)
        widest = std::max(widest, (message.role == MessageRole::User ? m_placeholder : m_thinking)->sizeHint().width());
    if (m_image->isVisibleTo(m_bubble))
        widest = std::max(widest, m_image->pixmap().deviceIndependentSize().toSize().width());
    if (m_imageFailed->isVisibleTo(m_bubble))
        widest = std::max(widest, m_imageFailed->sizeHint().width());
    if (m_sources->isVisibleTo(m_bubble))
        widest = std::max(widest, m_sources->sizeHint().width());
    const QMargins margins = m_bubbleColumn->contentsMargins();
    return widest + margins.left() + margins.right();
}

void MessageBubble::rebuildSources(const QList<URLCitation>& citations)
{
    QLayout* column = m_sources->layout();
    while (QLayoutItem* item = column->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    m_sources->setVisible(!citations.isEmpty());
    if (citations.isEmpty())
        return;
    auto* heading = PanelWidgets::label(tr("Sources"), m_colors.secondaryText());
    QFont font = heading->font();
    font.setWeight(QFont::DemiBold);
    heading->setFont(font);
    column->addWidget(heading);
    for (const URLCitation& citation : citations) {
        const QUrl url(citation.url);
        const QString title = citation.title.value_or(QString()).isEmpty() ? url.host() : *citation.title;
        auto* link = new QPushButton(symbolIcon(QStringLiteral("link"), m_colors.accent(), 12), QString());
        // Long page titles are cut, so they never widen the bubble; the whole address is in the tool tip.
        link->setText(link->fontMetrics().elidedText(title.isEmpty() ? citation.url : title, Qt::ElideRight,
                                                     maxSourceTitleWidth));
        link->setProperty("citationTitle", title.isEmpty() ? citation.url : title);
        link->setObjectName(QStringLiteral("sourceLink"));
        link->setToolTip(plainToolTip(citation.url));
        link->setFlat(true);
        link->setFocusPolicy(Qt::TabFocus);
        link->setCursor(Qt::PointingHandCursor);
        link->setStyleSheet(QStringLiteral("QPushButton { color: %1; border: 1px solid transparent; text-align: left; "
                                           "padding: 1px; } QPushButton:focus { border-color: %1; }")
                                .arg(css(m_colors.accent())));
        connect(link, &QPushButton::clicked, this, [url] { openAnswerLink(url); });
        column->addWidget(link);
    }
}

// ---------------------------------------------------------------------------------------------------------------

ChatInputEdit::ChatInputEdit(QWidget* parent) : QPlainTextEdit(parent)
{
    setObjectName(QStringLiteral("chatInput"));
    setAccessibleName(tr("Message"));
    // Tab leaves the message for the next control, as in any form; a message rarely needs a tab character.
    setTabChangesFocus(true);
    setPlaceholderText(tr("Ask anything..."));
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(this, &QPlainTextEdit::textChanged, this, &ChatInputEdit::fitHeight);
    fitHeight();
}

int ChatInputEdit::heightForLines(int lines) const
{
    // Text lines, the document's own margin, and the frame and padding of the style sheet.
    const QMargins margins = contentsMargins();
    return lines * fontMetrics().lineSpacing() + int(2 * document()->documentMargin()) + margins.top() +
           margins.bottom() + 8;
}

void ChatInputEdit::fitHeight()
{
    // Count the visual lines, wrapped ones included, and grow from one line up to five.
    int lines = 0;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next())
        lines += std::max(1, block.layout() ? block.layout()->lineCount() : 1);
    setFixedHeight(heightForLines(std::clamp(lines, 1, 5)));
    // Beyond five lines the text scrolls inside the input.
    setVerticalScrollBarPolicy(lines > 5 ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
}

QSize ChatInputEdit::sizeHint() const
{
    return QSize(QPlainTextEdit::sizeHint().width(), height());
}

QSize ChatInputEdit::minimumSizeHint() const
{
    return QSize(80, heightForLines(1));
}

void ChatInputEdit::keyPressEvent(QKeyEvent* event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && !(event->modifiers() & Qt::ShiftModifier)) {
        Q_EMIT submitted();
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
    fitHeight();
}

bool ChatInputEdit::canInsertFromMimeData(const QMimeData* source) const
{
    return QPlainTextEdit::canInsertFromMimeData(source) || source->hasImage() || source->hasUrls();
}

void ChatInputEdit::insertFromMimeData(const QMimeData* source)
{
    // Ctrl+V, the context menu's Paste and drops onto the input all come here: an image attaches instead.
    if (onImageData && onImageData(source))
        return;
    // Text from another application goes in as the user selected it, with LF line ends and a bounded length.
    const QString text = Clipboard::textFromMimeData(source);
    if (!text.isEmpty())
        insertPlainText(text);
    else
        QPlainTextEdit::insertFromMimeData(source);
    fitHeight();
}

void ChatInputEdit::resizeEvent(QResizeEvent* event)
{
    QPlainTextEdit::resizeEvent(event);
    // A narrower input wraps the same text into more lines.
    fitHeight();
}

// ---------------------------------------------------------------------------------------------------------------

ChatView::ChatView(AppState& state, ThemeColors colors, QWidget* parent)
    : QWidget(parent), m_state(state), m_colors(colors)
{
    setObjectName(QStringLiteral("chatView"));
    setAcceptDrops(true);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);

    m_stack = new QStackedWidget;
    auto* empty = new QWidget;
    empty->setObjectName(QStringLiteral("noChatSelected"));
    auto* emptyColumn = new QVBoxLayout(empty);
    emptyColumn->addStretch();
    auto* icon = new SymbolLabel;
    icon->setSymbol(symbolIcon(QStringLiteral("bubble.left.and.bubble.right"), colors.faintText(), 40), 40);
    emptyColumn->addWidget(icon, 0, Qt::AlignHCenter);
    emptyColumn->addWidget(PanelWidgets::label(tr("No chat selected"), colors.secondaryText()), 0, Qt::AlignHCenter);
    auto* start = new QPushButton(tr("Start a new chat"));
    start->setObjectName(QStringLiteral("startNewChatButton"));
    start->setCursor(Qt::PointingHandCursor);
    start->setStyleSheet(PanelWidgets::boxButtonStyle(colors));
    connect(start, &QPushButton::clicked, this, [this] { m_state.newChatSession(); });
    emptyColumn->addWidget(start, 0, Qt::AlignHCenter);
    emptyColumn->addStretch();
    m_stack->addWidget(empty);

    m_scroll = new QScrollArea;
    m_scroll->setObjectName(QStringLiteral("transcript"));
    m_scroll->setAccessibleName(tr("Chat messages"));
    PanelWidgets::useThinScrollBar(m_scroll->verticalScrollBar(), colors);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setWidgetResizable(true);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->viewport()->setAutoFillBackground(false);
    auto* transcript = new QWidget;
    transcript->setAutoFillBackground(false);
    m_transcript = new QVBoxLayout(transcript);
    m_transcript->setContentsMargins(0, 0, 8, 0);
    m_transcript->setSpacing(10);
    m_transcript->addStretch();
    m_scroll->setWidget(transcript);
    m_stack->addWidget(m_scroll);
    column->addWidget(m_stack, 1);

    // Where the user looks while chatting: a history that is not being saved would be lost at quit.
    m_saveProblem = PanelWidgets::label(QString(), QColor(0xE0, 0x8A, 0x00));
    m_saveProblem->setObjectName(QStringLiteral("historySaveProblem"));
    m_saveProblem->setWordWrap(true);
    m_saveProblem->setTextFormat(Qt::PlainText);
    column->addWidget(m_saveProblem);
    const auto showSaveProblem = [this] {
        const QString problem = m_state.historySaveProblem();
        m_saveProblem->setText(problem.isEmpty() ? QString()
                                                 : tr("Your chats are not being saved: %1. Vantro keeps trying; until "
                                                      "it succeeds, new messages are lost when you quit.")
                                                       .arg(problem));
        m_saveProblem->setVisible(!problem.isEmpty());
    };
    connect(&m_state, &AppState::historySaveProblemChanged, this, showSaveProblem);
    showSaveProblem();

    // Prompt row: the project switcher and one "Apply" button per prompt.
    auto* promptRowHolder = new QWidget;
    promptRowHolder->setObjectName(QStringLiteral("chatPromptRow"));
    m_promptRow = new QHBoxLayout(promptRowHolder);
    m_promptRow->setContentsMargins(0, 0, 0, 0);
    m_promptRow->setSpacing(6);
    auto* promptScroll = new QScrollArea;
    promptScroll->setFocusPolicy(Qt::NoFocus);
    promptScroll->setFrameShape(QFrame::NoFrame);
    promptScroll->setWidgetResizable(true);
    promptScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    promptScroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    promptScroll->setFixedHeight(34);
    promptScroll->viewport()->setAutoFillBackground(false);
    promptScroll->setWidget(promptRowHolder);
    column->addWidget(promptScroll);

    // Pending image.
    m_pendingBox = new QWidget;
    m_pendingBox->setObjectName(QStringLiteral("pendingImage"));
    auto* pendingRow = new QHBoxLayout(m_pendingBox);
    pendingRow->setContentsMargins(0, 0, 0, 0);
    pendingRow->setSpacing(10);
    m_pendingThumb = new QLabel;
    pendingRow->addWidget(m_pendingThumb);
    // Caption and size as one block beside the thumbnail, the remove button right after them.
    auto* pendingInfo = new QVBoxLayout;
    pendingInfo->setSpacing(2);
    pendingInfo->addStretch();
    pendingInfo->addWidget(PanelWidgets::label(tr("Image attached"), colors.text()));
    m_pendingSize = PanelWidgets::label(QString(), colors.secondaryText());
    pendingInfo->addWidget(m_pendingSize);
    pendingInfo->addStretch();
    pendingRow->addLayout(pendingInfo);
    auto* remove =
        PanelWidgets::iconButton(QStringLiteral("xmark.circle.fill"), tr("Remove image"), colors, nullptr, 22);
    remove->setObjectName(QStringLiteral("removeImageButton"));
    connect(remove, &QToolButton::clicked, this, [this] { setPendingImage(std::nullopt); });
    pendingRow->addWidget(remove, 0, Qt::AlignVCenter);
    pendingRow->addStretch();
    m_pendingBox->setVisible(false);
    column->addWidget(m_pendingBox);

    // Input.
    auto* inputRow = new QHBoxLayout;
    m_input = new ChatInputEdit;
    m_input->setStyleSheet(QStringLiteral("QPlainTextEdit { color: %1; background: %2; border: 1px solid %3; "
                                          "border-radius: 10px; padding: 2px 6px; }")
                               .arg(css(colors.text()), css(colors.boxFill()), css(colors.boxBorder())));
    connect(m_input, &ChatInputEdit::submitted, this, [this] { send(std::nullopt); });
    m_input->onImageData = [this](const QMimeData* data) {
        if (auto image = Clipboard::imageFromMimeData(data, Clipboard::ImageSources::DataOrLocalFile)) {
            setPendingImage(image);
            return true;
        }
        return false;
    };
    inputRow->addWidget(m_input, 1);
    auto* sendButton =
        PanelWidgets::iconButton(QStringLiteral("paperplane.fill"), tr("Send message (Enter)"), colors, nullptr, 32);
    sendButton->setObjectName(QStringLiteral("sendMessageButton"));
    connect(sendButton, &QToolButton::clicked, this, [this] { send(std::nullopt); });
    inputRow->addWidget(sendButton, 0, Qt::AlignBottom);
    column->addLayout(inputRow);

    m_follower = new ScrollEndFollower(m_scroll->verticalScrollBar(), 200, this);
    QScrollBar* bar = m_scroll->verticalScrollBar();
    m_buildOlder.setSingleShot(true);
    m_buildOlder.setInterval(0);
    connect(&m_buildOlder, &QTimer::timeout, this, &ChatView::buildOlder);
    connect(m_scroll->verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) {
        if (m_unbuilt > 0 && value < m_scroll->viewport()->height() && !m_buildOlder.isActive())
            m_buildOlder.start();
    });
    // While older bubbles go in above, the user's own scrolling (wheel, keys, dragging) sets the place to keep.
    connect(bar, &QScrollBar::actionTriggered, this, [this, bar] {
        QTimer::singleShot(0, this, [this, bar] { m_keepFromEnd = bar->maximum() - bar->value(); });
    });
    // The bubbles are laid out over a few passes, and the range follows; hold the view after each of them.
    connect(bar, &QScrollBar::rangeChanged, this, &ChatView::keepPlace);
    connect(&m_state, &AppState::chatSessionsChanged, this, &ChatView::refreshTranscript);
    connect(&m_state, &AppState::chatSessionChanged, this, [this](const QUuid& id) {
        // Another session's streaming answer has nothing to change here.
        if (m_shownSession == id)
            refreshTranscript();
    });
    connect(&m_state, &AppState::activeChatSessionIDChanged, this, &ChatView::refreshTranscript);
    connect(&m_state, &AppState::isChatStreamingChanged, this, &ChatView::refreshTranscript);
    connect(&m_state, &AppState::projectsChanged, this, &ChatView::refreshPromptRow);
    connect(&m_state, &AppState::activeProjectIndexChanged, this, &ChatView::refreshPromptRow);
    refreshTranscript();
    refreshPromptRow();
}

ChatView::~ChatView() = default;

QList<MessageBubble*> ChatView::bubbles() const
{
    QList<MessageBubble*> result;
    for (const QUuid& id : m_order) {
        if (MessageBubble* bubble = m_bubbles.value(id))
            result.append(bubble);
    }
    return result;
}

void ChatView::refreshTranscript()
{
    const std::optional<ChatSession> session = m_state.activeChatSession();
    m_stack->setCurrentIndex(session ? 1 : 0);
    const QList<ChatMessage> messages = session ? session->messages : QList<ChatMessage>();
    const bool otherSession = (session ? std::optional<QUuid>(session->id) : std::nullopt) != m_shownSession;
    m_shownSession = session ? std::optional<QUuid>(session->id) : std::nullopt;
    const QUuid newestBefore = m_order.isEmpty() ? QUuid() : m_order.constLast();
    // A long session opens with its newest messages laid out; older ones follow above after the first paint. A
    // search mark may be in any message, so then all are built at once.
    if (otherSession) {
        m_unbuilt = m_highlight.isEmpty() ? std::max<qsizetype>(0, messages.size() - transcriptBatch) : 0;
        m_keepFromEnd = 0; // a session opens on its newest message
        m_keepingSince.invalidate();
        if (m_unbuilt > 0)
            m_buildOlder.start();
    }
    m_unbuilt = std::min(m_unbuilt, messages.size());
    // A new message while the reader is at the end: the oldest bubbles past the limit go (scrolling up builds them
    // again). While they read further up, nothing is taken away under them.
    const QScrollBar* bar = m_scroll->verticalScrollBar();
    const bool appended = !otherSession && !messages.isEmpty() && messages.constLast().id != newestBefore;
    if (appended && m_highlight.isEmpty() && bar->value() >= bar->maximum() - 24)
        m_unbuilt = std::max(m_unbuilt, messages.size() - maxBuiltMessages);

    // Keep the bubbles of messages that are still there, so a streaming answer only updates its own bubble.
    QList<QUuid> order;
    QHash<QUuid, QPointer<MessageBubble>> kept;
    for (qsizetype i = m_unbuilt; i < messages.size(); ++i) {
        const ChatMessage& message = messages[i];
        MessageBubble* bubble = m_bubbles.value(message.id);
        if (!bubble) {
            bubble = new MessageBubble(message, m_colors);
            bubble->contentView()->setHighlight(m_highlight);
        }
        const bool last = i == messages.size() - 1;
        bubble->showMessage(message, last, last && message.role == MessageRole::Assistant && m_state.isChatStreaming());
        kept.insert(message.id, bubble);
        order.append(message.id);
    }
    for (auto it = m_bubbles.cbegin(); it != m_bubbles.cend(); ++it) {
        if (!kept.contains(it.key()) && it.value())
            it.value()->deleteLater();
    }
    if (order != m_order) {
        // Re-seat the bubbles in message order, before the trailing stretch.
        for (const QUuid& id : order)
            m_transcript->removeWidget(kept.value(id));
        for (qsizetype i = 0; i < order.size(); ++i)
            m_transcript->insertWidget(int(i), kept.value(order[i]));
    }
    m_bubbles = kept;
    const bool reordered = order != m_order;
    m_order = order;
    // New bubbles come last in the focus chain when made; Tab goes through the messages in reading order.
    if (reordered)
        PanelWidgets::orderTabsByLayout(this);
    if (otherSession && !m_highlight.isEmpty())
        scrollToFirstMatch();
    else if (otherSession || (order.isEmpty() ? QUuid() : order.constLast()) != newestBefore)
        scrollToNewest();
}

void ChatView::buildOlder()
{
    if (m_unbuilt == 0)
        return;
    m_keepingSince.start();
    m_unbuilt = std::max<qsizetype>(0, m_unbuilt - transcriptBatch);
    refreshTranscript();
    // Up to the limit by themselves; past it only as the reader scrolls up.
    if (m_unbuilt > 0 && m_order.size() < maxBuiltMessages)
        m_buildOlder.start();
}

bool ChatView::isKeepingPlace() const
{
    constexpr int keepMs = 1000; // long enough for the last bubbles' layout passes
    return m_keepingSince.isValid() && m_keepingSince.elapsed() < keepMs;
}

void ChatView::keepPlace()
{
    if (isKeepingPlace()) {
        QScrollBar* bar = m_scroll->verticalScrollBar();
        bar->setValue(bar->maximum() - m_keepFromEnd);
    }
}

void ChatView::setHighlight(const QString& query)
{
    if (m_highlight == query)
        return;
    m_highlight = query;
    for (MessageBubble* bubble : bubbles())
        bubble->contentView()->setHighlight(query);
}

void ChatView::scrollToFirstMatch()
{
    // After the transcript is laid out, or the position would be that of an empty column.
    QTimer::singleShot(0, this, [this] {
        for (MessageBubble* bubble : bubbles()) {
            if (MarkdownContentView::contains(bubble->contentView()->content(), m_highlight)) {
                m_scroll->ensureWidgetVisible(bubble, 0, 40);
                return;
            }
        }
        scrollToNewest(); // only the title matched
    });
}

void ChatView::scrollToNewest()
{
    m_follower->start();
}

void ChatView::refreshPromptRow()
{
    while (QLayoutItem* item = m_promptRow->takeAt(0)) {
        // Later, not now: the click that led here may still be running in one of these buttons.
        if (QWidget* widget = item->widget()) {
            widget->hide();
            widget->deleteLater();
        }
        delete item;
    }
    const QString buttonStyle = PanelWidgets::boxButtonStyle(m_colors);
    const Project project = m_state.activeProject();
    if (m_state.projects().size() >= 2) {
        auto* switcher = new QPushButton(project.emoji + u' ' + project.name);
        switcher->setObjectName(QStringLiteral("projectSwitcher"));
        switcher->setToolTip(tr("Switch project (Tab)"));
        switcher->setFocusPolicy(Qt::TabFocus);
        switcher->setStyleSheet(buttonStyle);
        connect(switcher, &QPushButton::clicked, this, [this] { m_state.selectNextProject(); });
        m_promptRow->addWidget(switcher);
    }
    for (const Prompt& prompt : project.prompts) {
        auto* apply = new QPushButton(prompt.title);
        apply->setObjectName(QStringLiteral("applyPromptButton"));
        apply->setToolTip(plainToolTip(tr("Apply %1 to your message").arg(prompt.title)));
        apply->setFocusPolicy(Qt::TabFocus);
        apply->setCursor(Qt::PointingHandCursor);
        apply->setStyleSheet(buttonStyle);
        connect(apply, &QPushButton::clicked, this, [this, prompt] { send(prompt); });
        m_promptRow->addWidget(apply);
    }
    m_promptRow->addStretch();
    PanelWidgets::orderTabsByLayout(this);
}

void ChatView::send(const std::optional<Prompt>& prompt)
{
    const QString text = m_input->toPlainText().trimmed();
    if (text.isEmpty() && !m_pendingImage)
        return;
    const std::optional<QImage> image = m_pendingImage;
    m_input->clear();
    setPendingImage(std::nullopt);
    Q_EMIT sendChatMessage(text, prompt, image);
}

void ChatView::setPendingImage(const std::optional<QImage>& image)
{
    m_pendingImage = image;
    m_pendingBox->setVisible(image.has_value());
    if (image) {
        m_pendingThumb->setPixmap(QPixmap::fromImage(
            image->scaled(QSize(pendingThumbSize, pendingThumbSize), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
        m_pendingSize->setText(PanelWidgets::sizeText(image->size()));
    }
}

bool ChatView::attachImageFromClipboard()
{
    const Clipboard* clipboard = Backends::clipboard();
    if (!clipboard)
        return false;
    if (auto image = clipboard->image(Clipboard::ImageSources::DataOrLocalFile)) {
        setPendingImage(image);
        return true;
    }
    return false;
}

void ChatView::showCopiedFeedback()
{
    if (!m_order.isEmpty()) {
        if (MessageBubble* last = m_bubbles.value(m_order.constLast()))
            last->copyButton()->showCopiedFeedback();
    }
}

void ChatView::setDropTargeted(bool targeted)
{
    if (m_isDropTargeted == targeted)
        return;
    m_isDropTargeted = targeted;
    update();
}

void ChatView::dragEnterEvent(QDragEnterEvent* event)
{
    const QMimeData* data = event->mimeData();
    if (data->hasImage() || data->hasUrls()) {
        setDropTargeted(true);
        event->acceptProposedAction();
    }
}

void ChatView::dragLeaveEvent(QDragLeaveEvent* event)
{
    setDropTargeted(false);
    QWidget::dragLeaveEvent(event);
}

void ChatView::dropEvent(QDropEvent* event)
{
    setDropTargeted(false);
    if (auto image = Clipboard::imageFromMimeData(event->mimeData(), Clipboard::ImageSources::DataOrLocalFile)) {
        setPendingImage(image);
        event->acceptProposedAction();
    }
}

void ChatView::keyPressEvent(QKeyEvent* event)
{
    // Ctrl+V while the transcript has the focus: attach an image, or paste the text into the input.
    if (event->matches(QKeySequence::Paste)) {
        if (!attachImageFromClipboard()) {
            m_input->setFocus(Qt::ShortcutFocusReason);
            m_input->paste();
        }
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void ChatView::paintEvent(QPaintEvent* event)
{
    QWidget::paintEvent(event);
    if (!m_isDropTargeted)
        return;
    // While a drag is over the chat, outline it so the user sees where the image will go.
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(m_colors.accent(), 2, Qt::DashLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 10, 10);
}
