// SPDX-License-Identifier: GPL-3.0-or-later
#include "PanelTestSupport.h"
#include "model/ChatSessionListModel.h"
#include "support/FakeSyncServer.h"
#include "support/HostileContent.h"
#include "sync/SharedProjectPayload.h"
#include "sync/SyncService.h"
#include "ui/ChatView.h"
#include "ui/FloatingPanelView.h"
#include "ui/MarkdownContentView.h"
#include "ui/PanelSidebar.h"
#include "ui/PanelWidgets.h"
#include "ui/QuickPromptView.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QClipboard>
#include <QDropEvent>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QNetworkAccessManager>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTimer>

using namespace Qt::StringLiterals;
using namespace PanelTest;

namespace {

struct Sent
{
    QString text;
    std::optional<QImage> image;
};

// The whole panel view, with the sync service its sidebar joins through; each test looks at the part it is about
// in the mode that shows it (the quick prompt card is the compact mode).
struct Panel : Fixture
{
    QNetworkAccessManager network;
    FakeSyncServer server;
    SharedProjectClient client{network, settings};
    SyncService sync{state, client};
    FloatingPanelView view{state, settings, &sync, colors};
    QList<Sent> sent; // chat messages sent

    ChatView& chat() const { return *view.chatView(); }
    QuickPromptView& card() const { return *view.quickPromptView(); }
    PanelSidebar& sidebar() const { return *view.sidebar(); }

    void expand(ExpandedPanelTab tab)
    {
        state.setIsPanelExpanded(true);
        state.setExpandedPanelTab(tab);
        settle();
    }

    void click(const QString& name) { QTest::mouseClick(view.findChild<QAbstractButton*>(name), Qt::LeftButton); }

    bool shown(const QString& name) const { return card().findChild<QWidget*>(name)->isVisible(); }

    int visibleChips() const
    {
        settle();
        int count = 0;
        for (QPushButton* chip : card().findChildren<QPushButton*>(u"chip"_s))
            count += chip->property("promptId").isValid() && chip->isVisibleTo(&card());
        return count;
    }

    QList<Project> stored() const
    {
        return Project::decodeList(settings.bytes(SettingsKeys::userProjects)).value_or(QList<Project>{});
    }

    void enterJoinCode(const QString& code)
    {
        QTest::mouseClick(sidebar().findChild<QPushButton*>(u"joinSharedProjectButton"_s), Qt::LeftButton);
        QTest::keyClicks(sidebar().joinField(), code);
        QTest::keyClick(sidebar().joinField(), Qt::Key_Return);
    }
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

// Opens a row's context menu like a right click does (or the menu key on the current row) and picks "Delete" if it
// is enabled; returns whether it was.
bool deleteFromContextMenu(QListWidget* list, int row, bool keyboard = false)
{
    bool enabled = false;
    QTimer::singleShot(0, list, [&enabled] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        const QList<QAction*> actions = menu ? menu->actions() : QList<QAction*>{};
        auto remove = std::find_if(actions.begin(), actions.end(), [](QAction* a) { return a->text() == u"Delete"; });
        enabled = remove != actions.end() && (*remove)->isEnabled();
        if (enabled)
            menu->setActiveAction(*remove);
        if (menu)
            QTest::keyClick(menu, enabled ? Qt::Key_Return : Qt::Key_Escape);
    });
    if (keyboard) {
        // Where the pointer is does not matter: the menu is the current row's.
        list->setCurrentRow(row);
        QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint(1, 1), list->mapToGlobal(QPoint(1, 1)));
        QApplication::sendEvent(list, &menuKey);
    } else {
        Q_EMIT list->customContextMenuRequested(list->visualItemRect(list->item(row)).center());
    }
    return enabled;
}

} // namespace

class PanelViewsTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<Panel> m;

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
        m = std::make_unique<Panel>();
        QVERIFY(m->server.listen());
        m->settings.setString(SettingsKeys::syncBaseUrl, m->server.restBaseUrl());
        connect(&m->view, &FloatingPanelView::toggleExpandedRequested, this,
                [this] { m->state.setIsPanelExpanded(!m->state.isPanelExpanded()); });
        connect(&m->chat(), &ChatView::sendChatMessage, this,
                [this](const QString& text, const std::optional<Prompt>&, const std::optional<QImage>& image) {
                    m->sent.append({text, image});
                });
        QVERIFY(show(m->view, {900, 620}));
    }

    void cleanup() { m.reset(); }

    // Window buttons act only on a press and a release on the same circle (centres at 6, 26 and 46), not in the gaps.
    void windowButtons()
    {
        m->state.setIsPanelExpanded(true);
        int actions = 0;
        for (auto asked : {&FloatingPanelView::closeRequested, &FloatingPanelView::minimizeRequested,
                           &FloatingPanelView::zoomRequested})
            connect(&m->view, asked, this, [&actions] { ++actions; });
        QWidget* buttons = m->view.findChild<QWidget*>(u"windowButtons"_s);
        for (const auto& [pressX, releaseX] : QList<std::pair<int, int>>{{6, 6}, {16, 16}, {6, 46}}) {
            QTest::mousePress(buttons, Qt::LeftButton, {}, QPoint(pressX, 8));
            QTest::mouseRelease(buttons, Qt::LeftButton, {}, QPoint(releaseX, 8));
        }
        QCOMPARE(actions, 1);
    }

    // The card's expand button expands, and is hidden where there is nothing left to expand.
    void footerExpand()
    {
        m->click(u"expandButton"_s);
        QVERIFY(m->state.isPanelExpanded() && !m->view.findChild<QWidget*>(u"expandButton"_s)->isVisible());
    }

    // Each tab shows its area beside the sidebar, and the compact card is the same quick-prompt view without it. The
    // Chats/Prompts button only switches the tab when expanded; compact, it opens the expanded window on Prompts.
    void tabsAndModes()
    {
        m->state.setIsPanelExpanded(true);
        m->click(u"promptsTabButton"_s);
        QVERIFY(m->card().isVisible() && !m->chat().isVisible() && m->sidebar().projectList()->isVisible());
        m->click(u"chatsTabButton"_s);
        QVERIFY(m->chat().isVisible() && m->sidebar().chatList()->isVisible());
        QTRY_VERIFY(m->chat().input()->hasFocus());
        m->click(u"chatsPromptsButton"_s);
        QCOMPARE(m->state.expandedPanelTab(), ExpandedPanelTab::Prompts);
        m->click(u"expandCollapseButton"_s);
        QVERIFY(m->card().isVisible() && !m->sidebar().isVisible());
        m->state.setExpandedPanelTab(ExpandedPanelTab::Chat);
        m->click(u"chatsPromptsButton"_s);
        QVERIFY(m->state.isPanelExpanded());
        QCOMPARE(m->state.expandedPanelTab(), ExpandedPanelTab::Prompts);
    }

    // The chat view

    // An empty message says so, an answer still coming says it is thinking and an undecodable image is named with
    // its size; only messages with text have a copy button, which copies plain text. A streamed answer grows in the
    // bubble it has.
    void bubbleContent()
    {
        m->expand(ExpandedPanelTab::Chat);
        const QByteArray broken("not an image at all");
        const QString failed = u"Image (19 bytes) could not be decoded"_s;
        QList<ChatMessage> messages{message(MessageRole::User, QString()), message(MessageRole::Assistant, QString()),
                                    message(MessageRole::Assistant, u"**Yes**"_s),
                                    message(MessageRole::User, QString(), broken),
                                    message(MessageRole::User, u"What?"_s, broken)};
        const QStringList labels{u"[Empty message]"_s, u"Thinking..."_s, QString(), failed, failed};
        const ChatSession chat = showSession(messages);
        const QList<MessageBubble*> bubbles = m->chat().bubbles();
        QCOMPARE(bubbles.size(), messages.size());
        for (qsizetype i = 0; i < messages.size(); ++i) {
            const QStringList texts = visibleTexts(bubbles[i]);
            for (const QString& special : {u"[Empty message]"_s, u"Thinking..."_s, failed})
                QCOMPARE(texts.contains(special), special == labels[i]);
            QCOMPARE(bubbles[i]->contentView()->isVisible(), !messages[i].content.isEmpty());
            QCOMPARE(bubbles[i]->copyButton()->isVisible(), !messages[i].content.isEmpty());
        }
        // Copied as plain text only: no rich copy that a paste target could prefer.
        QTest::mouseClick(bubbles[2]->copyButton(), Qt::LeftButton);
        QCOMPARE(QGuiApplication::clipboard()->text(), u"**Yes**"_s);
        QCOMPARE(QGuiApplication::clipboard()->mimeData()->formats(), QStringList{u"text/plain"_s});

        messages[1].content = u"Once upon a time, **there** was"_s;
        showSession(messages, chat);
        QVERIFY(m->chat().bubbles() == bubbles);
        QCOMPARE(bubbles[1]->contentView()->content(), messages[1].content);
        QVERIFY(!visibleTexts(bubbles[1]).contains(u"Thinking..."_s));
    }

    // The transcript lists an answer's sources: none may read a local file, and only web addresses open. A source is
    // named by its title, or its host when it has none. Hostile answers themselves are the Markdown view's test.
    void hostileAnswerAndSources()
    {
        m->expand(ExpandedPanelTab::Chat);
        FifoTrap trap;
        OpenedUrls desktop;
        const QString fileUrl = QUrl::fromLocalFile(trap.path()).toString();
        ChatMessage answer = message(MessageRole::Assistant, u"See the sources."_s);
        answer.annotations = QList<URLCitation>{{fileUrl, u"local"_s, {}, {}, {}},
                                                {u"javascript:alert(1)"_s, u"script"_s, {}, {}, {}},
                                                {u"https://ok.example/a?x=1"_s, u"web"_s, {}, {}, {}},
                                                {u"https://untitled.example.net/"_s, std::nullopt, {}, {}, {}}};
        showSession({message(MessageRole::User, u"Hi"_s), answer});
        MessageBubble* bubble = m->chat().bubbles().last();
        QVERIFY(visibleTexts(bubble).contains(u"Sources"_s));
        QStringList names;
        for (QPushButton* link : bubble->findChildren<QPushButton*>(u"sourceLink"_s)) {
            names.append(link->text());
            link->click();
        }
        QCOMPARE(names, (QStringList{u"local"_s, u"script"_s, u"web"_s, u"untitled.example.net"_s}));
        QCOMPARE(desktop.urls,
                 (QList<QUrl>{QUrl(u"https://ok.example/a?x=1"_s), QUrl(u"https://untitled.example.net/"_s)}));
        QVERIFY2(!trap.wasOpened(), "the transcript opened a local file named by an answer");
    }

    // Enter or the send button sends the trimmed text and the attached image and clears both; blanks alone are not
    // sent, and Shift+Enter breaks the line.
    void sending()
    {
        m->expand(ExpandedPanelTab::Chat);
        ChatInputEdit* input = m->chat().input();
        input->setFocus();
        input->setPlainText(u"  \n \t"_s);
        m->click(u"sendMessageButton"_s);
        QVERIFY(m->sent.isEmpty());
        input->setPlainText(u"  Hi\nsecond line \n"_s);
        m->click(u"sendMessageButton"_s);
        QTest::keyClicks(input, u"one"_s);
        QTest::keyClick(input, Qt::Key_Return, Qt::ShiftModifier);
        QCOMPARE(input->toPlainText(), u"one\n"_s);
        input->setPlainText(u"  "_s); // an image goes without text
        const QImage picture = image(30, 20, Qt::red);
        m->chat().setPendingImage(picture);
        QTest::keyClick(input, Qt::Key_Return);
        QCOMPARE(m->sent.size(), 2);
        QCOMPARE(m->sent[0].text, u"Hi\nsecond line"_s);
        QCOMPARE(m->sent[1].text, QString());
        QCOMPARE(m->sent[1].image, std::optional<QImage>(picture));
        QCOMPARE(input->toPlainText(), QString());
        QVERIFY(!m->chat().pendingImage());
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
        m->expand(ExpandedPanelTab::Chat);
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
        m->chat().setPendingImage(image(5, 5, Qt::yellow));

        if (paste) {
            m->chat().input()->setFocus();
            QGuiApplication::clipboard()->setMimeData(data);
            QTest::keyClick(m->chat().input(), Qt::Key_V, Qt::ControlModifier);
            // Text is pasted into the input, an attached image is not.
            QCOMPARE(m->chat().input()->toPlainText(), attaches ? QString() : data->text());
        } else {
            const std::unique_ptr<QMimeData> owned(data);
            const QPointF at(m->chat().width() / 2.0, 40);
            QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(&m->chat(), &enter);
            QVERIFY(enter.isAccepted() && m->chat().isDropTargeted());
            QDropEvent drop(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(&m->chat(), &drop);
            QVERIFY(!m->chat().isDropTargeted());
        }
        QCOMPARE(m->chat().pendingImage()->size(), attaches ? QSize(21, 13) : QSize(5, 5));
    }

    // The quick prompt card

    // The copied text is previewed, a long one in part (laying all of it out took seconds); a copied image is shown
    // with a warning for as long as the chosen model takes no images.
    void inputPreview()
    {
        auto* preview = m->card().findChild<QLabel*>(u"clipboardTextLabel"_s);
        const QString text = u"All work and no play makes Jack a dull boy. "_s.repeated(7000);
        m->state.setClipboardText(text);
        const QString shown = preview->text();
        QVERIFY(shown.size() < 25'000 && shown.endsWith(u'…') && text.startsWith(shown.chopped(1)));
        m->state.setClipboardImage(image(64, 48));
        QVERIFY(m->shown(u"clipboardImageBox"_s) && !m->shown(u"visionWarning"_s));
        m->settings.setString(SettingsKeys::openaiModel, u"gpt-3.5-turbo"_s);
        QVERIFY(visibleTexts(&m->card()).contains(u"gpt-3.5-turbo doesn't support images. Switch to GPT-4o."_s));
        m->settings.setString(SettingsKeys::openaiModel, u"gpt-4o"_s);
        QVERIFY(!m->shown(u"visionWarning"_s));
    }

    // Blanks keep the input open with its text (Enter); the send button sends the prompt trimmed, and closes and
    // clears the input.
    void customPromptSubmission()
    {
        QSignalSpy submitted(&m->card(), &QuickPromptView::customPromptSubmitted);
        m->state.setShowCustomPromptInput(true);
        m->state.setCustomPromptText(u"  \t "_s);
        QTest::keyClick(m->card().customPromptEdit(), Qt::Key_Return);
        QVERIFY(submitted.isEmpty() && m->card().customPromptEdit()->isVisible());
        m->state.setCustomPromptText(u"\n  Write a haiku \n"_s);
        m->click(u"sendCustomPromptButton"_s);
        QVERIFY(submitted.size() == 1 && submitted.first().first() == u"Write a haiku"_s);
        QVERIFY(!m->state.showCustomPromptInput() && !m->card().customPromptEdit()->isVisible());
        QCOMPARE(m->state.customPromptText(), QString());
    }

    // The switcher shows once there is a second project and moves through them, each showing only its own chips.
    // Saving is offered for a typed custom prompt only; the strip follows its end to the saved prompt.
    void promptStrip()
    {
        auto* switcher = m->card().findChild<QPushButton*>(u"projectSwitcher"_s);
        QVERIFY(!switcher->isVisible());
        QList<Prompt> prompts;
        for (int i = 1; i <= 9; ++i)
            prompts.append(prompt(i, u"A rather long prompt title %1"_s.arg(i)));
        m->setProjects(
            {project(u"Many"_s, prompts), project(u"Home"_s, {prompt(4, u"Rhyme"_s), prompt(2, u"Cheer"_s)})});
        QVERIFY(switcher->isVisible());
        QTest::mouseClick(switcher, Qt::LeftButton);
        QCOMPARE(m->visibleChips(), 2);
        QTest::mouseClick(switcher, Qt::LeftButton);
        QCOMPARE(m->visibleChips(), 9);
        auto* save = m->card().findChild<QPushButton*>(u"savePromptButton"_s);
        QVERIFY(!save->isVisible());
        m->state.setLastCustomPromptText(u"Answer like a pirate"_s);
        QVERIFY(save->isVisible());
        QTest::mouseClick(save, Qt::LeftButton);
        QVERIFY(!save->isVisible());
        QCOMPARE(m->stored().first().prompts.last().systemPrompt, u"Answer like a pirate"_s);
        QCOMPARE(m->visibleChips(), 10);
        QScrollBar* strip = m->card().findChild<QScrollArea*>(u"promptStrip"_s)->horizontalScrollBar();
        QTRY_VERIFY(strip->maximum() > 0 && strip->value() == strip->maximum());
    }

    // Thinking, with a turning spinner, until the first piece; then the result; the placeholder when idle. The spinner
    // stops as soon as text arrives: an idle panel must not keep a timer running.
    void outputArea()
    {
        const auto shown = [this] {
            QStringList names;
            for (const QString& output : {u"thinkingLabel"_s, u"resultView"_s, u"outputPlaceholder"_s})
                if (m->shown(output))
                    names.append(output);
            return names;
        };
        auto* spinner = m->card().findChild<BusyIndicator*>();
        QCOMPARE(shown(), QStringList{u"outputPlaceholder"_s});
        m->state.setIsLoading(true);
        QCOMPARE(shown(), QStringList{u"thinkingLabel"_s});
        QVERIFY(spinner->isSpinning());
        m->state.appendResultText(u"**Hal"_s);
        QCOMPARE(shown(), QStringList{u"resultView"_s});
        QVERIFY(!spinner->isSpinning());
        m->state.setIsLoading(false);
        QCOMPARE(shown(), QStringList{u"resultView"_s});
    }

    // The sidebar

    // A long chat opens with its newest messages laid out and at its end; the older ones follow above without moving
    // the view, up to a bounded number of bubbles, and scrolling up builds the oldest ones.
    void longChatKeepsItsBubblesBounded()
    {
        m->expand(ExpandedPanelTab::Chat);
        QList<ChatMessage> messages;
        for (int i = 0; i < 100; ++i)
            messages.append(message(i % 2 ? MessageRole::Assistant : MessageRole::User, u"Message %1"_s.arg(i)));
        showSession(messages);
        QCOMPARE(m->chat().bubbles().size(), 12);
        QTRY_COMPARE(m->chat().bubbles().size(), 60);
        QScrollBar* bar = m->chat().findChild<QScrollArea*>(u"transcript"_s)->verticalScrollBar();
        QTRY_VERIFY(bar->maximum() > 0 && bar->value() == bar->maximum());
        bar->setValue(0);
        QTRY_VERIFY(m->chat().bubbles().first()->contentView()->content().mid(8).toInt() < 50);
    }

    // Typing narrows the list to the chats that hold the words; Return opens the first one with the words marked.
    // Delete removes the focused chat.
    void searchingChats()
    {
        m->expand(ExpandedPanelTab::Chat);
        const ChatSession plain = session(u"Groceries"_s, {message(MessageRole::User, u"Milk and eggs"_s)});
        const ChatSession dessert = session(u"Dessert"_s, {message(MessageRole::User, u"Hi"_s),
                                                           message(MessageRole::Assistant, u"Try a Crème brûlée."_s)});
        m->state.setChatSessions({plain, dessert});
        m->state.setActiveChatSessionID(plain.id);
        QListView* list = m->sidebar().chatList();
        QTest::keyClicks(m->sidebar().searchField(), u"creme"_s);
        QTRY_COMPARE(list->model()->rowCount(), 1);
        QTest::keyClick(m->sidebar().searchField(), Qt::Key_Return);
        QCOMPARE(m->state.activeChatSessionID(), std::optional<QUuid>(dessert.id));
        settle();
        MarkdownContentView* answer = m->chat().bubbles().last()->contentView();
        answer->flushPendingRender();
        auto* text = answer->findChild<QTextEdit*>();
        QCOMPARE(text->extraSelections().size(), 1);
        QCOMPARE(text->extraSelections().first().cursor.selectedText(), u"Crème"_s);

        // Delete on the list removes the chat that has the focus, not the one open.
        QVERIFY(m->sidebar().clearSearch());
        QTRY_COMPARE(list->model()->rowCount(), 2);
        const QModelIndex groceries =
            list->model()->match(list->model()->index(0, 0), ChatSessionListModel::IdRole, plain.id).value(0);
        list->setCurrentIndex(groceries);
        QTest::keyClick(list, Qt::Key_Delete);
        QCOMPARE(m->state.chatSessions(), QList<ChatSession>{dessert});
    }

    // A project is deleted from its context menu; deleting the active one moves the selection back by one, deleting
    // another keeps the active project selected; the last one left is not deleted.
    void deletingProjects()
    {
        m->expand(ExpandedPanelTab::Prompts);
        const QList<Project> projects{project(u"P0"_s), project(u"P1"_s), project(u"P2"_s)};
        m->setProjects(projects, 1);
        QListWidget* list = m->sidebar().projectList();
        QVERIFY(deleteFromContextMenu(list, 2, true)); // after the active one, with the menu key
        QCOMPARE(m->state.activeProject().name, u"P1"_s);
        QVERIFY(deleteFromContextMenu(list, 1)); // the active last one
        QCOMPARE(m->state.projects(), QList<Project>{projects[0]});
        QCOMPARE(m->stored(), m->state.projects());
        QVERIFY(!deleteFromContextMenu(list, 0));
    }

    // An unknown code is told and stays in the field for another try; an answer that comes after the user cancelled
    // is ignored; a known code adds the shared project, makes it active and closes the field.
    void join()
    {
        m->expand(ExpandedPanelTab::Prompts);
        QLineEdit* field = m->sidebar().joinField();
        m->enterJoinCode(u" NOPE42 "_s);
        QTRY_VERIFY(m->sidebar().joinErrorLabel()->isVisible());
        QCOMPARE(m->sidebar().joinErrorLabel()->text(), SyncError::notFound().description());
        QCOMPARE(field->text(), u" NOPE42 "_s);

        bool answered = false;
        connect(&m->server, &FakeSyncServer::called, this, [&] { answered = true; });
        QJsonObject row = SharedProjectPayload::uploadPayload(project(u"Late"_s, {prompt(1, u"Shared"_s)}));
        row.insert(u"share_code"_s, u"LATE1"_s);
        HttpResponse slow = HttpResponse::json(QByteArray());
        slow.chunks = {QByteArray(), QJsonDocument(QJsonArray{row}).toJson(QJsonDocument::Compact)};
        slow.delayMs = 300;
        m->server.setOverride(u"get_shared_project"_s, slow);
        field->setText(u"LATE1"_s);
        QTest::keyClick(field, Qt::Key_Return);
        QTRY_VERIFY(answered);
        QTest::mouseClick(m->sidebar().findChild<QPushButton*>(u"cancelJoinButton"_s), Qt::LeftButton);
        QTest::qWait(600);
        QCOMPARE(m->state.projects().size(), 1);

        m->server.clearOverride(u"get_shared_project"_s);
        m->server.addProject(SharedProjectPayload::uploadPayload(project(u"Team voice"_s, {prompt(1, u"Shared"_s)})),
                             u"owner"_s, u"TEAM77"_s);
        m->enterJoinCode(u"  TEAM77"_s);
        QTRY_COMPARE(m->state.projects().size(), 2);
        QCOMPARE(m->state.projects().last().shareCode, std::optional<QString>(u"TEAM77"_s));
        QCOMPARE(m->state.activeProjectIndex(), 1);
        QVERIFY(!field->isVisible());
    }
};

QTEST_MAIN(PanelViewsTest)
#include "tst_panelviews.moc"
