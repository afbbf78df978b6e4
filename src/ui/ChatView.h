// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/ChatSession.h"
#include "model/Prompt.h"
#include "ui/ThemeColors.h"

#include <QElapsedTimer>
#include <QHash>
#include <QImage>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTimer>
#include <QToolButton>
#include <QWidget>

#include <functional>
#include <optional>

class AppState;
class MarkdownContentView;
class QLabel;
class ScrollEndFollower;
class ThinkingSection;
class QMimeData;
class QPropertyAnimation;
class QPushButton;
class QScrollArea;
class QStackedWidget;
class QVBoxLayout;
class QHBoxLayout;

// The copy button of a chat message: copies the text and shows a checkmark for two seconds.
class CopyMessageButton : public QToolButton
{
    Q_OBJECT

public:
    CopyMessageButton(QString content, ThemeColors colors, bool isLastMessage, QWidget* parent = nullptr);

    void setContent(const QString& content) { m_content = content; }
    void setLastMessage(bool last);
    bool isLastMessage() const { return m_isLastMessage; }
    bool copied() const { return m_copied; }
    const QString& content() const { return m_content; }
    // The checkmark without copying, after the controller copied the message itself.
    void showCopiedFeedback();

private:
    void setCopied(bool copied);

    QString m_content;
    ThemeColors m_colors;
    bool m_isLastMessage;
    bool m_copied = false;
    QTimer m_reset;
};

// One message of the transcript.
class MessageBubble : public QWidget
{
    Q_OBJECT

public:
    MessageBubble(const ChatMessage& message, ThemeColors colors, QWidget* parent = nullptr);

    // `streaming`: the answer is still arriving in this message.
    void showMessage(const ChatMessage& message, bool isLastMessage, bool streaming = false);
    CopyMessageButton* copyButton() const { return m_copy; }
    MarkdownContentView* contentView() const { return m_content; }

private:
    void rebuildSources(const QList<URLCitation>& citations);
    int idealBubbleWidth(const ChatMessage& message) const;

    ThemeColors m_colors;
    ChatMessage m_message;
    QWidget* m_bubble = nullptr;
    QVBoxLayout* m_bubbleColumn = nullptr;
    MarkdownContentView* m_content = nullptr;
    QLabel* m_placeholder = nullptr;
    QWidget* m_thinking = nullptr;
    ThinkingSection* m_reasoning = nullptr;
    QLabel* m_cutOff = nullptr;
    QLabel* m_image = nullptr;
    QWidget* m_imageFailed = nullptr;
    QLabel* m_imageFailedText = nullptr;
    QWidget* m_sources = nullptr;
    CopyMessageButton* m_copy = nullptr;
    std::optional<QByteArray> m_shownImage;
    std::optional<QList<URLCitation>> m_shownCitations;
};

// The chat input: 1 to 5 lines, Enter sends, Shift+Enter breaks the line, Ctrl+V attaches an image.
class ChatInputEdit : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit ChatInputEdit(QWidget* parent = nullptr);

    // Pasted or dropped data: returns true when it took an image from it (no text is then inserted).
    std::function<bool(const QMimeData*)> onImageData;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    void submitted(); // Enter without Shift

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    int heightForLines(int lines) const;
    void fitHeight();
};

// The Chats tab's main area: the active session's transcript, the prompt row, the pending image and the input.
class ChatView : public QWidget
{
    Q_OBJECT

public:
    ChatView(AppState& state, ThemeColors colors, QWidget* parent = nullptr);
    ~ChatView() override;

    ChatInputEdit* input() const { return m_input; }
    const std::optional<QImage>& pendingImage() const { return m_pendingImage; }
    void setPendingImage(const std::optional<QImage>& image);
    bool isDropTargeted() const { return m_isDropTargeted; }
    // The image currently on the clipboard, or in the first image file it names; attached when there is one.
    bool attachImageFromClipboard();
    // The checkmark on the newest message's copy button.
    void showCopiedFeedback();
    QList<MessageBubble*> bubbles() const;
    // Marks a search across chats in the transcript; a session opened while it is set shows its first match.
    void setHighlight(const QString& query);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

Q_SIGNALS:
    void sendChatMessage(const QString& text, const std::optional<Prompt>& prompt, const std::optional<QImage>& image);

private:
    void setDropTargeted(bool targeted);
    void refreshTranscript();
    void refreshPromptRow();
    void send(const std::optional<Prompt>& prompt);
    void scrollToNewest();
    void scrollToFirstMatch();
    // Builds the bubbles of the next batch of older messages, above the others, after the first paint.
    void buildOlder();
    bool isKeepingPlace() const;
    void keepPlace();

    AppState& m_state;
    ThemeColors m_colors;
    QStackedWidget* m_stack = nullptr;
    QScrollArea* m_scroll = nullptr;
    QVBoxLayout* m_transcript = nullptr;
    QHash<QUuid, QPointer<MessageBubble>> m_bubbles;
    QList<QUuid> m_order;
    // A session opens with its newest messages laid out; this many older ones are still to get their bubbles.
    qsizetype m_unbuilt = 0;
    // While older bubbles go in above: the distance from the view's top to the end, which they do not change.
    int m_keepFromEnd = 0;
    QTimer m_buildOlder; // a timer, not a posted call: the first paint comes first
    QElapsedTimer m_keepingSince;
    std::optional<QUuid> m_shownSession;
    QString m_highlight;
    QLabel* m_saveProblem = nullptr;
    QHBoxLayout* m_promptRow = nullptr;
    QWidget* m_pendingBox = nullptr;
    QLabel* m_pendingThumb = nullptr;
    QLabel* m_pendingSize = nullptr;
    ChatInputEdit* m_input = nullptr;
    std::optional<QImage> m_pendingImage;
    bool m_isDropTargeted = false;
    ScrollEndFollower* m_follower = nullptr;
};
