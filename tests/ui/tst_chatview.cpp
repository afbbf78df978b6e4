// SPDX-License-Identifier: GPL-3.0-or-later
#include "PanelTestSupport.h"
#include "support/HostileContent.h"
#include "ui/ChatView.h"
#include "ui/MarkdownContentView.h"
#include "ui/PanelWidgets.h"

#include <QClipboard>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;
using namespace PanelTest;

namespace {

struct Sent
{
    QString text;
    std::optional<QImage> image;
};

struct Chat : Fixture
{
    ChatView view{state, colors};
    QList<Sent> sent;
};

QStringList visibleTexts(QWidget* root)
{
    settle();
    QStringList texts;
    for (QLabel* label : root->findChildren<QLabel*>())
        if (label->isVisible() && !label->text().isEmpty())
            texts.append(label->text());
    return texts;
}

} // namespace

class ChatViewTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<Chat> m;

    // Puts one session with these messages in the state (replacing any other) and makes it active.
    ChatSession showSession(const QList<ChatMessage>& messages, ChatSession chat = session(u"Talk"_s))
    {
        chat.messages = messages;
        m->state.setChatSessions({chat});
        m->state.setActiveChatSessionID(chat.id);
        settle();
        return chat;
    }

private Q_SLOTS:
    void init()
    {
        m = std::make_unique<Chat>();
        QVERIFY(show(m->view, {640, 560}));
        connect(&m->view, &ChatView::sendChatMessage, this,
                [this](const QString& text, const std::optional<Prompt>&, const std::optional<QImage>& image) {
                    m->sent.append({text, image});
                });
    }

    void cleanup() { m.reset(); }

    void bubbleContent_data()
    {
        QTest::addColumn<bool>("fromUser");
        QTest::addColumn<QString>("content"); // shown as Markdown with a copy button unless empty
        QTest::addColumn<bool>("undecodableImage");
        QTest::addColumn<QString>("label");
        const QString failed = u"Image (19 bytes) - failed to decode"_s;
        QTest::newRow("empty user message") << true << QString() << false << u"[Empty message]"_s;
        QTest::newRow("answer still coming") << false << QString() << false << u"Thinking..."_s;
        QTest::newRow("answer") << false << u"**Yes**"_s << false << QString();
        QTest::newRow("undecodable image") << true << QString() << true << failed;
        QTest::newRow("undecodable image with text") << true << u"What?"_s << true << failed;
    }

    void bubbleContent()
    {
        QFETCH(bool, fromUser);
        QFETCH(QString, content);
        QFETCH(bool, undecodableImage);
        QFETCH(QString, label);
        showSession({message(fromUser ? MessageRole::User : MessageRole::Assistant, content,
                             undecodableImage ? std::optional<QByteArray>("not an image at all") : std::nullopt)});
        MessageBubble* bubble = m->view.bubbles().first();
        const QStringList texts = visibleTexts(bubble);
        for (const QString& special :
             {u"[Empty message]"_s, u"Thinking..."_s, u"Image (19 bytes) - failed to decode"_s})
            QCOMPARE(texts.contains(special), special == label);
        QCOMPARE(bubble->contentView()->isVisible(), !content.isEmpty());
        QCOMPARE(bubble->copyButton()->isVisible(), !content.isEmpty());
        if (content.isEmpty())
            return;
        QCOMPARE(bubble->contentView()->content(), content);
        // Copied as plain text only: no rich copy that a paste target could prefer.
        QTest::mouseClick(bubble->copyButton(), Qt::LeftButton);
        QCOMPARE(QGuiApplication::clipboard()->text(), content);
        QCOMPARE(QGuiApplication::clipboard()->mimeData()->formats(), QStringList{u"text/plain"_s});
    }

    // The transcript measures and draws answers and lists their sources: none of it may read a local file, and
    // only web addresses among the sources open. A source is named by its title, or its host when it has none.
    void hostileAnswerAndSources()
    {
        FifoTrap trap;
        OpenedUrls desktop;
        const QString fileUrl = QUrl::fromLocalFile(trap.path()).toString();
        ChatMessage answer =
            message(MessageRole::Assistant, u"![a](%1) ![b](%2) <img src=\"%1\"> [c](%2)"_s.arg(trap.path(), fileUrl));
        answer.annotations = QList<URLCitation>{{fileUrl, u"local"_s, {}, {}, {}},
                                                {u"javascript:alert(1)"_s, u"script"_s, {}, {}, {}},
                                                {u"https://ok.example/a?x=1"_s, u"web"_s, {}, {}, {}},
                                                {u"https://news.example.org/a/b"_s, QString(), {}, {}, {}},
                                                {u"https://untitled.example.net/"_s, std::nullopt, {}, {}, {}}};
        showSession({message(MessageRole::User, u"Hi"_s), answer});
        MessageBubble* bubble = m->view.bubbles().last();
        bubble->grab();
        QVERIFY(visibleTexts(bubble).contains(u"Sources"_s));
        QStringList names;
        for (QPushButton* link : bubble->findChildren<QPushButton*>(u"sourceLink"_s)) {
            names.append(link->text());
            link->click();
        }
        QCOMPARE(names,
                 (QStringList{u"local"_s, u"script"_s, u"web"_s, u"news.example.org"_s, u"untitled.example.net"_s}));
        QCOMPARE(desktop.urls,
                 (QList<QUrl>{QUrl(u"https://ok.example/a?x=1"_s), QUrl(u"https://news.example.org/a/b"_s),
                              QUrl(u"https://untitled.example.net/"_s)}));
        QVERIFY2(!trap.wasOpened(), "the transcript opened a local file named by an answer");
    }

    void streamingUpdatesTheSameBubble()
    {
        const ChatMessage question = message(MessageRole::User, u"Tell me"_s);
        ChatMessage answer = message(MessageRole::Assistant, QString());
        const ChatSession chat = showSession({question, answer});
        const QList<QPointer<MessageBubble>> before = {m->view.bubbles()[0], m->view.bubbles()[1]};
        for (const QString& grown : {u"Once"_s, u"Once upon a time, **there** was"_s}) {
            answer.content = grown;
            showSession({question, answer}, chat);
            QVERIFY(m->view.bubbles() == (QList<MessageBubble*>{before[0], before[1]}));
            QCOMPARE(before[1]->contentView()->content(), grown);
        }
    }

    void sending_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("withImage");
        QTest::addColumn<bool>("withButton");
        QTest::addColumn<QString>("sentText");
        QTest::newRow("nothing") << QString() << false << false << QString();
        QTest::newRow("blanks") << u"  \n \t"_s << false << true << QString();
        QTest::newRow("text, Enter") << u"  Hello there \n"_s << false << false << u"Hello there"_s;
        QTest::newRow("text, send button") << u"Hi\nsecond line"_s << false << true << u"Hi\nsecond line"_s;
        QTest::newRow("image only") << QString() << true << false << QString();
        QTest::newRow("image and blanks") << u"   "_s << true << true << QString();
    }

    void sending()
    {
        QFETCH(QString, typed);
        QFETCH(bool, withImage);
        QFETCH(bool, withButton);
        QFETCH(QString, sentText);
        ChatInputEdit* input = m->view.input();
        input->setFocus();
        input->setPlainText(typed);
        const QImage picture = image(30, 20, Qt::red);
        if (withImage)
            m->view.setPendingImage(picture);
        if (withButton)
            QTest::mouseClick(buttonWithToolTip(&m->view, u"Send message (Enter)"_s), Qt::LeftButton);
        else
            QTest::keyClick(input, Qt::Key_Return);
        if (sentText.isEmpty() && !withImage) {
            QVERIFY(m->sent.isEmpty());
            QCOMPARE(input->toPlainText(), typed);
            return;
        }
        QCOMPARE(m->sent.size(), 1);
        QCOMPARE(m->sent[0].text, sentText);
        QCOMPARE(m->sent[0].image, withImage ? std::optional<QImage>(picture) : std::nullopt);
        QCOMPARE(input->toPlainText(), QString());
        QVERIFY(!m->view.pendingImage());
        QVERIFY(!m->view.findChild<QWidget*>(u"pendingImage"_s)->isVisible());
        // Shift+Enter breaks the line instead of sending.
        QTest::keyClicks(input, u"one"_s);
        QTest::keyClick(input, Qt::Key_Return, Qt::ShiftModifier);
        QCOMPARE(input->toPlainText(), u"one\n"_s);
        QCOMPARE(m->sent.size(), 1);
    }

    // Pasted or dropped images (and image files) are attached; anything else leaves the attached image alone.
    void pasteAndDrop_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("paste");
        for (bool paste : {true, false})
            for (const char* kind : {"image", "png file", "text file", paste ? "text" : "web link"})
                QTest::addRow("%s %s", paste ? "paste" : "drop", kind) << QString::fromLatin1(kind) << paste;
    }

    void pasteAndDrop()
    {
        QFETCH(QString, kind);
        QFETCH(bool, paste);
        const bool attaches = kind == u"image" || kind == u"png file";
        QTemporaryDir folder;
        const QString pngFile = folder.filePath(u"a.png"_s), textFile = folder.filePath(u"a.txt"_s);
        QVERIFY(image(21, 13).save(pngFile) && TestEnvironment::writeFile(textFile, "words"));
        auto* data = new QMimeData;
        if (kind == u"image")
            data->setImageData(image(21, 13));
        else if (kind == u"text")
            data->setText(u"pasted words"_s);
        else
            data->setUrls({kind == u"web link" ? QUrl(u"https://example.com/picture.png"_s)
                                               : QUrl::fromLocalFile(kind == u"png file" ? pngFile : textFile)});
        if (kind == u"text file")
            data->setText(textFile);
        m->view.setPendingImage(image(5, 5, Qt::yellow));

        if (paste) {
            m->view.input()->setFocus();
            QGuiApplication::clipboard()->setMimeData(data);
            QTest::keyClick(m->view.input(), Qt::Key_V, Qt::ControlModifier);
            // Text is pasted into the input, an attached image is not.
            QCOMPARE(m->view.input()->toPlainText(), attaches ? QString() : data->text());
        } else {
            const std::unique_ptr<QMimeData> owned(data);
            const QPointF at(m->view.width() / 2.0, 40);
            QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(&m->view, &enter);
            QVERIFY(enter.isAccepted() && m->view.isDropTargeted());
            QDropEvent drop(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(&m->view, &drop);
            QVERIFY(!m->view.isDropTargeted());
        }
        QCOMPARE(m->view.pendingImage()->size(), attaches ? QSize(21, 13) : QSize(5, 5));
    }
};

QTEST_MAIN(ChatViewTest)
#include "tst_chatview.moc"
