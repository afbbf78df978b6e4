// SPDX-License-Identifier: GPL-3.0-or-later
#include "PanelTestSupport.h"
#include "support/HostileContent.h"
#include "ui/ChatView.h"
#include "ui/MarkdownContentView.h"
#include "ui/PanelWidgets.h"

#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

using namespace Qt::StringLiterals;

using namespace PanelTest;

namespace {

struct Sent
{
    QString text;
    std::optional<QImage> image;
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

private:
    std::unique_ptr<Fixture> m_fixture;
    std::unique_ptr<ChatView> m_view;
    QList<Sent> m_sent;

    AppState& state() { return m_fixture->state; }

    // Puts one session with these messages in the state (replacing any other) and makes it active.
    ChatSession showSession(const QList<ChatMessage>& messages, std::optional<ChatSession> chat = {})
    {
        if (!chat)
            chat = session(u"Talk"_s);
        chat->messages = messages;
        state().setChatSessions({*chat});
        state().setActiveChatSessionID(chat->id);
        settle();
        return *chat;
    }

private Q_SLOTS:
    void init()
    {
        m_fixture = std::make_unique<Fixture>();
        m_view = std::make_unique<ChatView>(state(), m_fixture->colors);
        m_view->resize(640, 560);
        m_view->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
        m_sent.clear();
        m_view->onSendChatMessage = [this](const QString& text, const std::optional<Prompt>&,
                                           const std::optional<QImage>& image) {
            m_sent.append(Sent{text, image});
        };
    }

    void cleanup()
    {
        m_view.reset();
        m_fixture.reset();
    }

    void bubbleContent_data()
    {
        QTest::addColumn<bool>("fromUser");
        QTest::addColumn<QString>("content");
        QTest::addColumn<QByteArray>("imageData");
        QTest::addColumn<QString>("shownLabel");
        QTest::addColumn<bool>("markdownShown");
        const QByteArray garbage("not an image at all");
        const QString failed = u"Image (19 bytes) - failed to decode"_s;
        QTest::newRow("empty user message") << true << QString() << QByteArray() << u"[Empty message]"_s << false;
        QTest::newRow("answer still coming") << false << QString() << QByteArray() << u"Thinking..."_s << false;
        QTest::newRow("answer") << false << u"**Yes**"_s << QByteArray() << QString() << true;
        QTest::newRow("undecodable image") << true << QString() << garbage << failed << false;
        QTest::newRow("undecodable image with text") << true << u"What?"_s << garbage << failed << true;
    }

    void bubbleContent()
    {
        QFETCH(bool, fromUser);
        QFETCH(QString, content);
        QFETCH(QByteArray, imageData);
        QFETCH(QString, shownLabel);
        QFETCH(bool, markdownShown);
        showSession({message(fromUser ? MessageRole::User : MessageRole::Assistant, content,
                             imageData.isEmpty() ? std::nullopt : std::optional<QByteArray>(imageData))});
        MessageBubble* bubble = m_view->bubbles().first();
        const QStringList texts = visibleTexts(bubble);
        for (const QString& special :
             {u"[Empty message]"_s, u"Thinking..."_s, u"Image (19 bytes) - failed to decode"_s})
            QCOMPARE(texts.contains(special), special == shownLabel);
        QCOMPARE(bubble->contentView()->isVisible(), markdownShown);
        QCOMPARE(bubble->copyButton()->isVisible(), markdownShown);
        if (!markdownShown)
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
        MessageBubble* bubble = m_view->bubbles().last();
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
        const QList<QPointer<MessageBubble>> before = {m_view->bubbles()[0], m_view->bubbles()[1]};
        for (const QString& grown : {u"Once"_s, u"Once upon a time, **there** was"_s}) {
            answer.content = grown;
            showSession({question, answer}, chat);
            QVERIFY(m_view->bubbles() == (QList<MessageBubble*>{before[0], before[1]}));
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
        ChatInputEdit* input = m_view->input();
        input->setFocus();
        input->setPlainText(typed);
        const QImage picture = image(30, 20, Qt::red);
        if (withImage)
            m_view->setPendingImage(picture);
        if (withButton)
            QTest::mouseClick(buttonWithToolTip(m_view.get(), u"Send message (Enter)"_s), Qt::LeftButton);
        else
            QTest::keyClick(input, Qt::Key_Return);
        if (sentText.isEmpty() && !withImage) {
            QVERIFY(m_sent.isEmpty());
            QCOMPARE(input->toPlainText(), typed);
            return;
        }
        QCOMPARE(m_sent.size(), 1);
        QCOMPARE(m_sent[0].text, sentText);
        QCOMPARE(m_sent[0].image, withImage ? std::optional<QImage>(picture) : std::nullopt);
        QCOMPARE(input->toPlainText(), QString());
        QVERIFY(!m_view->pendingImage());
        QVERIFY(!m_view->findChild<QWidget*>(u"pendingImage"_s)->isVisible());
        // Shift+Enter breaks the line instead of sending.
        QTest::keyClicks(input, u"one"_s);
        QTest::keyClick(input, Qt::Key_Return, Qt::ShiftModifier);
        QCOMPARE(input->toPlainText(), u"one\n"_s);
        QCOMPARE(m_sent.size(), 1);
    }

    // Pasted or dropped images (and image files) are attached; anything else leaves the attached image alone.
    void pasteAndDrop_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("paste");
        QTest::addColumn<bool>("attaches");
        for (bool paste : {true, false}) {
            for (const char* kind : {"image", "png file", "text file", paste ? "text" : "web link"})
                QTest::addRow("%s %s", paste ? "paste" : "drop", kind)
                    << QString::fromLatin1(kind) << paste << (!qstrcmp(kind, "image") || !qstrcmp(kind, "png file"));
        }
    }

    void pasteAndDrop()
    {
        QFETCH(QString, kind);
        QFETCH(bool, paste);
        QFETCH(bool, attaches);
        QTemporaryDir folder;
        const QString pngFile = folder.filePath(u"a.png"_s);
        const QString textFile = folder.filePath(u"a.txt"_s);
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
        m_view->setPendingImage(image(5, 5, Qt::yellow));

        if (paste) {
            m_view->input()->setFocus();
            QGuiApplication::clipboard()->setMimeData(data);
            QTest::keyClick(m_view->input(), Qt::Key_V, Qt::ControlModifier);
            // Text is pasted into the input, an attached image is not.
            QCOMPARE(m_view->input()->toPlainText(), attaches ? QString() : data->text());
        } else {
            const std::unique_ptr<QMimeData> owned(data);
            const QPointF at(m_view->width() / 2.0, 40);
            QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(m_view.get(), &enter);
            QVERIFY(enter.isAccepted() && m_view->isDropTargeted());
            QDropEvent drop(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(m_view.get(), &drop);
            QVERIFY(!m_view->isDropTargeted());
        }
        QCOMPARE(m_view->pendingImage()->size(), attaches ? QSize(21, 13) : QSize(5, 5));
    }
};

QTEST_MAIN(ChatViewTest)
#include "tst_chatview.moc"
