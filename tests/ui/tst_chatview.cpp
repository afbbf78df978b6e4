// SPDX-License-Identifier: GPL-3.0-or-later
#include "PanelTestSupport.h"
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
#include <QScrollArea>
#include <QScrollBar>
#include <QStackedWidget>
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
    for (QLabel* label : root->findChildren<QLabel*>()) {
        if (label->isVisible() && !label->text().isEmpty())
            texts.append(label->text());
    }
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

    // Puts one session with these messages in the state and makes it active.
    ChatSession showSession(const QList<ChatMessage>& messages)
    {
        ChatSession chat = session(QStringLiteral("Talk"), messages);
        state().setChatSessions({chat});
        state().setActiveChatSessionID(chat.id);
        settle();
        return chat;
    }

    void replaceMessages(ChatSession chat, const QList<ChatMessage>& messages)
    {
        chat.messages = messages;
        state().setChatSessions({chat});
        settle();
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

    void noSessionOffersANewChat()
    {
        QVERIFY(!state().activeChatSessionID());
        QWidget* empty = m_view->findChild<QWidget*>(QStringLiteral("noChatSelected"));
        QVERIFY(empty->isVisible());
        QVERIFY(visibleTexts(empty).contains(QStringLiteral("No chat selected")));
        QTest::mouseClick(m_view->findChild<QPushButton*>(QStringLiteral("startNewChatButton")), Qt::LeftButton);
        QCOMPARE(state().chatSessions().size(), 1);
        QCOMPARE(state().activeChatSessionID(), std::optional<QUuid>(state().chatSessions().first().id));
        QVERIFY(!empty->isVisible());
    }

    void bubbleContent_data()
    {
        QTest::addColumn<bool>("fromUser");
        QTest::addColumn<QString>("content");
        QTest::addColumn<QByteArray>("imageData");
        QTest::addColumn<QString>("shownLabel");
        QTest::addColumn<bool>("markdownShown");
        QTest::addColumn<bool>("copyShown");
        const QByteArray garbage("not an image at all");
        QTest::newRow("empty user message")
            << true << QString() << QByteArray() << QStringLiteral("[Empty message]") << false << false;
        QTest::newRow("answer still coming")
            << false << QString() << QByteArray() << QStringLiteral("Thinking...") << false << false;
        QTest::newRow("answer") << false << QStringLiteral("**Yes**") << QByteArray() << QString() << true << true;
        QTest::newRow("undecodable image")
            << true << QString() << garbage << QStringLiteral("Image (19 bytes) - failed to decode") << false << false;
        QTest::newRow("undecodable image with text")
            << true << QStringLiteral("What is this?") << garbage
            << QStringLiteral("Image (19 bytes) - failed to decode") << true << true;
    }

    void bubbleContent()
    {
        QFETCH(bool, fromUser);
        QFETCH(QString, content);
        QFETCH(QByteArray, imageData);
        QFETCH(QString, shownLabel);
        QFETCH(bool, markdownShown);
        QFETCH(bool, copyShown);
        showSession({message(fromUser ? MessageRole::User : MessageRole::Assistant, content,
                             imageData.isEmpty() ? std::nullopt : std::optional<QByteArray>(imageData))});
        QCOMPARE(m_view->bubbles().size(), 1);
        MessageBubble* bubble = m_view->bubbles().first();
        const QStringList texts = visibleTexts(bubble);
        for (const QString& special : {QStringLiteral("[Empty message]"), QStringLiteral("Thinking..."),
                                       QStringLiteral("Image (19 bytes) - failed to decode")})
            QCOMPARE(texts.contains(special), special == shownLabel);
        QCOMPARE(bubble->contentView()->isVisible(), markdownShown);
        if (markdownShown)
            QCOMPARE(bubble->contentView()->content(), content);
        QCOMPARE(bubble->copyButton()->isVisible(), copyShown);
        if (shownLabel == u"Thinking...")
            QVERIFY(bubble->findChild<BusyIndicator*>()->isSpinning());
    }

    void imagesAreAtMost200High()
    {
        showSession({message(MessageRole::User, QStringLiteral("Look"), png(image(120, 600))),
                     message(MessageRole::User, QString(), png(image(40, 30)))});
        const QList<MessageBubble*> bubbles = m_view->bubbles();
        auto* tall = bubbles[0]->findChild<QLabel*>(QStringLiteral("messageImage"));
        auto* small = bubbles[1]->findChild<QLabel*>(QStringLiteral("messageImage"));
        QVERIFY(tall->isVisible() && small->isVisible());
        QCOMPARE(tall->pixmap().height(), 200);
        QCOMPARE(tall->pixmap().width(), 40);
        QCOMPARE(small->pixmap().size(), QSize(40, 30));
        // An image-only message is not "[Empty message]".
        QVERIFY(!visibleTexts(bubbles[1]).contains(QStringLiteral("[Empty message]")));
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
            links.append(link->text() + u'|' + link->toolTip());
        QCOMPARE(links, (QStringList{QStringLiteral("Today's weather|https://weather.example.com/today?x=1"),
                                     QStringLiteral("news.example.org|https://news.example.org/a/b"),
                                     QStringLiteral("untitled.example.net|https://untitled.example.net/")}));
        // No citations, no heading.
        QVERIFY(!visibleTexts(m_view->bubbles().first()).contains(QStringLiteral("Sources")));
    }

    void streamingUpdatesTheSameBubble()
    {
        const ChatMessage question = message(MessageRole::User, QStringLiteral("Tell me"));
        ChatMessage answer = message(MessageRole::Assistant, QString());
        const ChatSession chat = showSession({question, answer});
        const QList<QPointer<MessageBubble>> before = {m_view->bubbles()[0], m_view->bubbles()[1]};
        for (const QString& grown :
             {QStringLiteral("Once"), QStringLiteral("Once upon"), QStringLiteral("Once upon a time, **there** was")}) {
            answer.content = grown;
            replaceMessages(chat, {question, answer});
            QCOMPARE(m_view->bubbles().size(), 2);
            QVERIFY(m_view->bubbles()[0] == before[0] && m_view->bubbles()[1] == before[1]);
            QCOMPARE(before[1]->contentView()->content(), grown);
            QVERIFY(!visibleTexts(before[1]).contains(QStringLiteral("Thinking...")));
        }
        QCOMPARE(before[1]->copyButton()->content(), QStringLiteral("Once upon a time, **there** was"));

        // A new message adds one bubble and keeps the others; only the newest is the "last message".
        const ChatMessage next = message(MessageRole::User, QStringLiteral("And then?"));
        replaceMessages(chat, {question, answer, next});
        QCOMPARE(m_view->bubbles().size(), 3);
        QVERIFY(m_view->bubbles()[0] == before[0] && m_view->bubbles()[1] == before[1]);
        QCOMPARE(m_view->bubbles()[1]->copyButton()->toolTip(), QStringLiteral("Copy message"));
        QCOMPARE(m_view->bubbles()[2]->copyButton()->toolTip(), QStringLiteral("Copy message (Ctrl+C)"));
        QVERIFY(m_view->bubbles()[2]->copyButton()->isLastMessage());

        // A dropped message loses its bubble; another session replaces them all.
        replaceMessages(chat, {question});
        QCOMPARE(m_view->bubbles().size(), 1);
        QTRY_VERIFY(!before[1]);
        showSession({message(MessageRole::User, QStringLiteral("Elsewhere"))});
        QCOMPARE(m_view->bubbles().size(), 1);
        QCOMPARE(m_view->bubbles()[0]->contentView()->content(), QStringLiteral("Elsewhere"));
    }

    void userAndAssistantOnOppositeSides()
    {
        showSession({message(MessageRole::User, QStringLiteral("Hi")),
                     message(MessageRole::Assistant, QStringLiteral("Hello"))});
        const QList<MessageBubble*> bubbles = m_view->bubbles();
        QWidget* userBox = bubbles[0]->findChild<QWidget*>(QStringLiteral("bubble"));
        QWidget* answerBox = bubbles[1]->findChild<QWidget*>(QStringLiteral("bubble"));
        QTRY_VERIFY(userBox->isVisible() && answerBox->isVisible());
        QTRY_VERIFY(bubbles[0]->width() > 300);
        QVERIFY(userBox->geometry().left() >= 60);
        QVERIFY(bubbles[0]->width() - userBox->geometry().right() <= 2);
        QVERIFY(answerBox->geometry().left() <= 1);
        QVERIFY(bubbles[1]->width() - answerBox->geometry().right() >= 60);
        // Short messages make small bubbles; a long one fills the row up to the free space.
        QVERIFY2(userBox->width() < 120, qPrintable(QString::number(userBox->width())));
        ChatSession chat = *state().activeChatSession();
        chat.messages[1].content = QString(40, u'w') + QStringLiteral(" ") + QString(300, u'x');
        state().setChatSessions({chat});
        QTRY_COMPARE(bubbles[1]->width() - answerBox->geometry().right() - 1, 60);
    }

    void transcriptScrollsToTheNewestMessage()
    {
        QList<ChatMessage> messages;
        for (int i = 0; i < 30; ++i)
            messages.append(message(i % 2 ? MessageRole::Assistant : MessageRole::User,
                                    QStringLiteral("Message %1\n\nwith a second paragraph").arg(i)));
        const ChatSession chat = showSession(messages);
        QScrollBar* bar = m_view->findChild<QScrollArea*>(QStringLiteral("transcript"))->verticalScrollBar();
        QTRY_VERIFY(bar->maximum() > 0);
        QTRY_COMPARE(bar->value(), bar->maximum());
        // The new bubble's height is known only once its Markdown is laid out; the view still ends at its bottom.
        const int before = bar->maximum();
        messages.append(message(MessageRole::User, QStringLiteral("One more\n\n- with\n- a\n- list")));
        replaceMessages(chat, messages);
        QTRY_VERIFY(bar->maximum() > before);
        QTRY_COMPARE(bar->value(), bar->maximum());
        QTest::qWait(100);
        QCOMPARE(bar->value(), bar->maximum());
    }

    void sending_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("withImage");
        QTest::addColumn<bool>("withButton");
        QTest::addColumn<bool>("sends");
        QTest::addColumn<QString>("sentText");
        QTest::newRow("nothing") << QString() << false << false << false << QString();
        QTest::newRow("blanks") << QStringLiteral("  \n \t") << false << true << false << QString();
        QTest::newRow("text, Enter") << QStringLiteral("  Hello there \n") << false << false << true
                                     << QStringLiteral("Hello there");
        QTest::newRow("text, send button")
            << QStringLiteral("Hi\nsecond line") << false << true << true << QStringLiteral("Hi\nsecond line");
        QTest::newRow("image only") << QString() << true << false << true << QString();
        QTest::newRow("image and blanks") << QStringLiteral("   ") << true << true << true << QString();
        QTest::newRow("image and text") << QStringLiteral("What is it?") << true << false << true
                                        << QStringLiteral("What is it?");
    }

    void sending()
    {
        QFETCH(QString, typed);
        QFETCH(bool, withImage);
        QFETCH(bool, withButton);
        QFETCH(bool, sends);
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

        if (!sends) {
            QVERIFY(m_sent.isEmpty());
            QCOMPARE(input->toPlainText(), typed);
            QVERIFY(input->hasFocus());
            return;
        }
        QCOMPARE(m_sent.size(), 1);
        QCOMPARE(m_sent[0].text, sentText);
        QVERIFY(!m_sent[0].prompt);
        QCOMPARE(m_sent[0].image.has_value(), withImage);
        if (withImage)
            QCOMPARE(*m_sent[0].image, picture);
        QCOMPARE(input->toPlainText(), QString());
        QVERIFY(!m_view->pendingImage());
        QVERIFY(!m_view->findChild<QWidget*>(QStringLiteral("pendingImage"))->isVisible());
    }

    void shiftEnterBreaksTheLine()
    {
        ChatInputEdit* input = m_view->input();
        input->setFocus();
        QTest::keyClicks(input, QStringLiteral("one"));
        QTest::keyClick(input, Qt::Key_Return, Qt::ShiftModifier);
        QTest::keyClicks(input, QStringLiteral("two"));
        QVERIFY(m_sent.isEmpty());
        QCOMPARE(input->toPlainText(), QStringLiteral("one\ntwo"));
    }

    void inputGrowsFromOneToFiveLines()
    {
        ChatInputEdit* input = m_view->input();
        const int oneLine = input->height();
        input->setPlainText(QStringLiteral("a\nb\nc"));
        const int threeLines = input->height();
        input->setPlainText(QStringLiteral("a\nb\nc\nd\ne"));
        const int fiveLines = input->height();
        input->setPlainText(QStringLiteral("a\nb\nc\nd\ne\nf\ng\nh\ni"));
        QVERIFY(oneLine < threeLines && threeLines < fiveLines);
        QCOMPARE(input->height(), fiveLines);
        QVERIFY(input->height() >= 5 * input->fontMetrics().lineSpacing());
        input->clear();
        QCOMPARE(input->height(), oneLine);
    }

    void applyButtonsSendWithTheirPrompt()
    {
        const Prompt summarize = prompt(4, QStringLiteral("Summarize"));
        m_fixture->setProjects({project(QStringLiteral("Work"), {prompt(1, QStringLiteral("Polish")), summarize})});
        m_view->input()->setPlainText(QStringLiteral(" the meeting notes "));
        QTest::mouseClick(buttonWithToolTip(m_view.get(), QStringLiteral("Apply Summarize to your message")),
                          Qt::LeftButton);
        QCOMPARE(m_sent.size(), 1);
        QCOMPARE(m_sent[0].text, QStringLiteral("the meeting notes"));
        QCOMPARE(m_sent[0].prompt, std::optional<Prompt>(summarize));
        // With nothing typed and no image an Apply button sends nothing.
        QTest::mouseClick(buttonWithToolTip(m_view.get(), QStringLiteral("Apply Polish to your message")),
                          Qt::LeftButton);
        QCOMPARE(m_sent.size(), 1);
    }

    void projectSwitcherInThePromptRow()
    {
        QVERIFY(!m_view->findChild<QPushButton*>(QStringLiteral("projectSwitcher")));
        m_fixture->setProjects({project(QStringLiteral("A"), {prompt(1, QStringLiteral("One"))}),
                                project(QStringLiteral("B"), {prompt(1, QStringLiteral("Uno"))}),
                                project(QStringLiteral("C"))},
                               2);
        auto switcher = [this]() -> QPushButton* {
            settle();
            for (QPushButton* button : m_view->findChildren<QPushButton*>(QStringLiteral("projectSwitcher"))) {
                if (button->isVisibleTo(m_view.get()))
                    return button;
            }
            return nullptr;
        };
        QVERIFY(switcher());
        QCOMPARE(switcher()->text(), QStringLiteral("🧪 C"));
        QCOMPARE(switcher()->toolTip(), QStringLiteral("Switch project (Tab)"));
        QTest::mouseClick(switcher(), Qt::LeftButton);
        QCOMPARE(state().activeProjectIndex(), 0);
        QVERIFY(buttonWithToolTip(m_view.get(), QStringLiteral("Apply One to your message")));
        QTRY_VERIFY(!buttonWithToolTip(m_view.get(), QStringLiteral("Apply Uno to your message")));
    }

    void pendingImageShowsAndGoes()
    {
        m_view->setPendingImage(image(320, 240));
        QWidget* box = m_view->findChild<QWidget*>(QStringLiteral("pendingImage"));
        QVERIFY(box->isVisible());
        const QStringList texts = visibleTexts(box);
        QVERIFY(texts.contains(QStringLiteral("Image attached")));
        QVERIFY(texts.contains(QStringLiteral("320 × 240")));
        QToolButton* remove = buttonWithToolTip<QToolButton>(box, QStringLiteral("Remove image"));
        QVERIFY(remove);
        QTest::mouseClick(remove, Qt::LeftButton);
        QVERIFY(!m_view->pendingImage());
        QVERIFY(!box->isVisible());
    }

    void pasteAttachesImagesAndOtherwisePastesText()
    {
        QTemporaryDir folder;
        const QString pngFile = folder.filePath(QStringLiteral("shot.png"));
        const QString textFile = folder.filePath(QStringLiteral("notes.txt"));
        QVERIFY(image(12, 9).save(pngFile));
        QVERIFY(TestEnvironment::writeFile(textFile, "just words"));
        ChatInputEdit* input = m_view->input();
        input->setFocus();

        // Text: pasted into the input, nothing attached.
        QGuiApplication::clipboard()->setText(QStringLiteral("pasted words"));
        QTest::keyClick(input, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(input->toPlainText(), QStringLiteral("pasted words"));
        QVERIFY(!m_view->pendingImage());

        // An image: attached, no text pasted.
        input->clear();
        QGuiApplication::clipboard()->setImage(image(50, 40));
        QTest::keyClick(input, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(input->toPlainText(), QString());
        QVERIFY(m_view->pendingImage());
        QCOMPARE(m_view->pendingImage()->size(), QSize(50, 40));

        // An image file: loaded and attached.
        auto* files = new QMimeData;
        files->setUrls({QUrl::fromLocalFile(pngFile)});
        QGuiApplication::clipboard()->setMimeData(files);
        QTest::keyClick(input, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(m_view->pendingImage()->size(), QSize(12, 9));
        QCOMPARE(input->toPlainText(), QString());

        // A file that is not an image leaves the attached one alone, and its text is pasted.
        auto* other = new QMimeData;
        other->setUrls({QUrl::fromLocalFile(textFile)});
        other->setText(textFile);
        QGuiApplication::clipboard()->setMimeData(other);
        QTest::keyClick(input, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(m_view->pendingImage()->size(), QSize(12, 9));
        QCOMPARE(input->toPlainText(), textFile);
    }

    void dropAttachesAnImage_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("attaches");
        QTest::newRow("image data") << QStringLiteral("image") << true;
        QTest::newRow("image file") << QStringLiteral("png file") << true;
        QTest::newRow("text file") << QStringLiteral("text file") << false;
        QTest::newRow("web link") << QStringLiteral("web link") << false;
    }

    void dropAttachesAnImage()
    {
        QFETCH(QString, kind);
        QFETCH(bool, attaches);
        QTemporaryDir folder;
        QMimeData data;
        if (kind == u"image") {
            data.setImageData(image(21, 13));
        } else if (kind == u"png file") {
            QVERIFY(image(21, 13).save(folder.filePath(QStringLiteral("a.png"))));
            data.setUrls({QUrl::fromLocalFile(folder.filePath(QStringLiteral("a.png")))});
        } else if (kind == u"text file") {
            QVERIFY(TestEnvironment::writeFile(folder.filePath(QStringLiteral("a.txt")), "words"));
            data.setUrls({QUrl::fromLocalFile(folder.filePath(QStringLiteral("a.txt")))});
        } else {
            data.setUrls({QUrl(QStringLiteral("https://example.com/picture.png"))});
        }
        const QImage earlier = image(5, 5, Qt::yellow);
        m_view->setPendingImage(earlier);

        const QPointF at(m_view->width() / 2.0, 40);
        QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(m_view.get(), &enter);
        QVERIFY(enter.isAccepted());
        QVERIFY(m_view->isDropTargeted());
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(m_view.get(), &drop);
        QVERIFY(!m_view->isDropTargeted());
        QCOMPARE(m_view->pendingImage()->size(), attaches ? QSize(21, 13) : QSize(5, 5));
    }

    void copyFeedbackOnTheNewestMessage()
    {
        showSession(
            {message(MessageRole::User, QStringLiteral("Q")), message(MessageRole::Assistant, QStringLiteral("A1")),
             message(MessageRole::User, QStringLiteral("Q2")), message(MessageRole::Assistant, QStringLiteral("A2"))});
        QGuiApplication::clipboard()->setText(QStringLiteral("copied by the controller"));
        m_view->showCopiedFeedback();
        const QList<MessageBubble*> bubbles = m_view->bubbles();
        QVERIFY(bubbles.last()->copyButton()->copied());
        for (qsizetype i = 0; i < bubbles.size() - 1; ++i)
            QVERIFY(!bubbles[i]->copyButton()->copied());
        // The feedback does not copy again.
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("copied by the controller"));
    }
};

QTEST_MAIN(ChatViewTest)
#include "tst_chatview.moc"
