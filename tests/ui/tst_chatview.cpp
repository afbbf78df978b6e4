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

using namespace PanelTest;

namespace {

struct Sent
{
    QString text;
    std::optional<Prompt> prompt;
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
            chat = session(QStringLiteral("Talk"));
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
        m_view->onSendChatMessage = [this](const QString& text, const std::optional<Prompt>& prompt,
                                           const std::optional<QImage>& image) {
            m_sent.append(Sent{text, prompt, image});
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
        const QString failed = QStringLiteral("Image (19 bytes) - failed to decode");
        QTest::newRow("empty user message")
            << true << QString() << QByteArray() << QStringLiteral("[Empty message]") << false;
        QTest::newRow("answer still coming")
            << false << QString() << QByteArray() << QStringLiteral("Thinking...") << false;
        QTest::newRow("answer") << false << QStringLiteral("**Yes**") << QByteArray() << QString() << true;
        QTest::newRow("undecodable image") << true << QString() << garbage << failed << false;
        QTest::newRow("undecodable image with text") << true << QStringLiteral("What?") << garbage << failed << true;
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
        for (const QString& special : {QStringLiteral("[Empty message]"), QStringLiteral("Thinking..."),
                                       QStringLiteral("Image (19 bytes) - failed to decode")})
            QCOMPARE(texts.contains(special), special == shownLabel);
        QCOMPARE(bubble->contentView()->isVisible(), markdownShown);
        QCOMPARE(bubble->copyButton()->isVisible(), markdownShown);
        if (markdownShown)
            QCOMPARE(bubble->contentView()->content(), content);
    }

    void sourcesUnderAnAnswer()
    {
        ChatMessage answer = message(MessageRole::Assistant, QStringLiteral("It rains."));
        answer.annotations = QList<URLCitation>{
            {QStringLiteral("https://weather.example.com/today?x=1"), QStringLiteral("Today's weather"), {}, {}, {}},
            {QStringLiteral("https://news.example.org/a/b"), QString(), {}, {}, {}},
            {QStringLiteral("https://untitled.example.net/"), std::nullopt, {}, {}, {}}};
        showSession({message(MessageRole::User, QStringLiteral("Weather?")), answer});
        MessageBubble* bubble = m_view->bubbles().last();
        QVERIFY(visibleTexts(bubble).contains(QStringLiteral("Sources")));
        QStringList links;
        for (QPushButton* link : bubble->findChildren<QPushButton*>(QStringLiteral("sourceLink")))
            links.append(link->text());
        // The title, or the host when the title is blank or missing.
        QCOMPARE(links, (QStringList{QStringLiteral("Today's weather"), QStringLiteral("news.example.org"),
                                     QStringLiteral("untitled.example.net")}));
    }

    // The transcript measures and draws answers and lists their sources: none of it may read a local file, and
    // only web addresses among the sources open.
    void hostileAnswerAndSources()
    {
        FifoTrap trap;
        OpenedUrls desktop;
        const QString fileUrl = QUrl::fromLocalFile(trap.path()).toString();
        ChatMessage answer = message(MessageRole::Assistant,
                                     QStringLiteral("![a](%1) ![b](%2) <img src=\"%1\"> [c](%2)").arg(trap.path(), fileUrl));
        answer.annotations = QList<URLCitation>{{fileUrl, QStringLiteral("local"), {}, {}, {}},
                                                {QStringLiteral("javascript:alert(1)"), QStringLiteral("script"), {}, {}, {}},
                                                {QStringLiteral("https://ok.example/a"), QStringLiteral("web"), {}, {}, {}}};
        showSession({message(MessageRole::User, QStringLiteral("Hi")), answer});
        MessageBubble* bubble = m_view->bubbles().last();
        bubble->grab();
        for (QPushButton* link : bubble->findChildren<QPushButton*>(QStringLiteral("sourceLink")))
            link->click();
        QCOMPARE(desktop.urls, QList<QUrl>{QUrl(QStringLiteral("https://ok.example/a"))});
        QVERIFY2(!trap.wasOpened(), "the transcript opened a local file named by an answer");
    }

    void streamingUpdatesTheSameBubble()
    {
        const ChatMessage question = message(MessageRole::User, QStringLiteral("Tell me"));
        ChatMessage answer = message(MessageRole::Assistant, QString());
        const ChatSession chat = showSession({question, answer});
        const QList<QPointer<MessageBubble>> before = {m_view->bubbles()[0], m_view->bubbles()[1]};
        for (const QString& grown : {QStringLiteral("Once"), QStringLiteral("Once upon a time, **there** was")}) {
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
        QTest::newRow("blanks") << QStringLiteral("  \n \t") << false << true << QString();
        QTest::newRow("text, Enter") << QStringLiteral("  Hello there \n") << false << false
                                     << QStringLiteral("Hello there");
        QTest::newRow("text, send button")
            << QStringLiteral("Hi\nsecond line") << false << true << QStringLiteral("Hi\nsecond line");
        QTest::newRow("image only") << QString() << true << false << QString();
        QTest::newRow("image and blanks") << QStringLiteral("   ") << true << true << QString();
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
            QTest::mouseClick(buttonWithToolTip(m_view.get(), QStringLiteral("Send message (Enter)")), Qt::LeftButton);
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
        QVERIFY(!m_view->findChild<QWidget*>(QStringLiteral("pendingImage"))->isVisible());
        // Shift+Enter breaks the line instead of sending.
        QTest::keyClicks(input, QStringLiteral("one"));
        QTest::keyClick(input, Qt::Key_Return, Qt::ShiftModifier);
        QCOMPARE(input->toPlainText(), QStringLiteral("one\n"));
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
        const QString pngFile = folder.filePath(QStringLiteral("a.png"));
        const QString textFile = folder.filePath(QStringLiteral("a.txt"));
        QVERIFY(image(21, 13).save(pngFile) && TestEnvironment::writeFile(textFile, "words"));
        auto* data = new QMimeData;
        if (kind == u"image")
            data->setImageData(image(21, 13));
        else if (kind == u"text")
            data->setText(QStringLiteral("pasted words"));
        else
            data->setUrls({kind == u"web link" ? QUrl(QStringLiteral("https://example.com/picture.png"))
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
