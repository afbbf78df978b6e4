// SPDX-License-Identifier: GPL-3.0-or-later
#include "PanelTestSupport.h"
#include "support/FakeSyncServer.h"
#include "support/HostileContent.h"
#include "sync/SyncService.h"
#include "ui/ChatView.h"
#include "ui/FloatingPanelView.h"
#include "ui/MarkdownContentView.h"
#include "ui/PanelSidebar.h"
#include "ui/PanelWidgets.h"
#include "ui/QuickPromptView.h"

#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QNetworkAccessManager>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
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
    QStringList calls;     // window actions asked for
    QList<Sent> sent;      // chat messages sent
    QStringList submitted; // custom prompts sent from the card

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

    bool labelShown(const QString& text) const
    {
        for (QLabel* label : card().findChildren<QLabel*>())
            if (label->isVisible() && label->text() == text)
                return true;
        return false;
    }

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

// Opens a row's context menu like a right click does and picks "Delete" if it is enabled; returns whether it was.
bool deleteFromContextMenu(QListWidget* list, int row)
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
    Q_EMIT list->customContextMenuRequested(list->visualItemRect(list->item(row)).center());
    return enabled;
}

QJsonObject sharedPayload(const QString& name)
{
    const QJsonObject prompt{{u"id"_s, QUuid::createUuid().toString(QUuid::WithoutBraces)},
                             {u"title"_s, u"Shared"_s},
                             {u"systemPrompt"_s, u"Do it."_s}};
    return QJsonObject{{u"name"_s, name},
                       {u"emoji"_s, u"🛰️"_s},
                       {u"context_description"_s, QString()},
                       {u"prompts"_s, QJsonArray{prompt}}};
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
        const auto record = [this](const QString& name) { return [this, name] { m->calls.append(name); }; };
        connect(&m->view, &FloatingPanelView::closeRequested, this, record(u"close"_s));
        connect(&m->view, &FloatingPanelView::minimizeRequested, this, record(u"minimize"_s));
        connect(&m->view, &FloatingPanelView::zoomRequested, this, record(u"zoom"_s));
        connect(&m->view, &FloatingPanelView::preferencesRequested, this, record(u"preferences"_s));
        connect(&m->view, &FloatingPanelView::toggleExpandedRequested, this, [this] {
            m->calls.append(u"toggle"_s);
            m->state.setIsPanelExpanded(!m->state.isPanelExpanded());
        });
        connect(&m->chat(), &ChatView::sendChatMessage, this,
                [this](const QString& text, const std::optional<Prompt>&, const std::optional<QImage>& image) {
                    m->sent.append({text, image});
                });
        connect(&m->card(), &QuickPromptView::customPromptSubmitted, this,
                [this](const QString& text) { m->submitted.append(text); });
        QVERIFY(show(m->view, {900, 620}));
    }

    void cleanup() { m.reset(); }

    void controlStripActions()
    {
        m->click(u"closeButton"_s);
        m->click(u"preferencesButton"_s);
        m->click(u"expandCollapseButton"_s);
        QCOMPARE(m->calls, (QStringList{u"close"_s, u"preferences"_s, u"toggle"_s}));
        // Expanded: the Chats/Prompts button only switches the tab.
        m->calls.clear();
        m->click(u"chatsPromptsButton"_s);
        QCOMPARE(m->state.expandedPanelTab(), ExpandedPanelTab::Prompts);
        QVERIFY(m->calls.isEmpty());
        // Compact: it opens the expanded window on the Prompts tab.
        m->click(u"expandCollapseButton"_s);
        m->state.setExpandedPanelTab(ExpandedPanelTab::Chat);
        m->click(u"chatsPromptsButton"_s);
        QVERIFY(m->state.isPanelExpanded());
        QCOMPARE(m->state.expandedPanelTab(), ExpandedPanelTab::Prompts);
    }

    void windowButtons_data()
    {
        QTest::addColumn<int>("pressX");
        QTest::addColumn<int>("releaseX");
        QTest::addColumn<QStringList>("calls");
        // Circles of 12 with gaps of 8: centres at 6, 26 and 46.
        QTest::newRow("red") << 6 << 6 << QStringList{u"close"_s};
        QTest::newRow("yellow") << 26 << 26 << QStringList{u"minimize"_s};
        QTest::newRow("green") << 46 << 46 << QStringList{u"zoom"_s};
        QTest::newRow("gap after red") << 16 << 16 << QStringList{};
        QTest::newRow("pressed on red, released on green") << 6 << 46 << QStringList{};
    }

    void windowButtons()
    {
        QFETCH(int, pressX);
        QFETCH(int, releaseX);
        QFETCH(QStringList, calls);
        m->state.setIsPanelExpanded(true);
        QWidget* buttons = m->view.findChild<QWidget*>(u"windowButtons"_s);
        QTest::mousePress(buttons, Qt::LeftButton, {}, QPoint(pressX, 8));
        QTest::mouseRelease(buttons, Qt::LeftButton, {}, QPoint(releaseX, 8));
        QCOMPARE(m->calls, calls);
    }

    void tabsShowTheirAreas()
    {
        m->state.setIsPanelExpanded(true);
        QuickPromptView* prompts = m->view.quickPromptView();
        ChatView* chat = m->view.chatView();
        m->click(u"promptsTabButton"_s);
        QVERIFY(prompts->isVisible() && !chat->isVisible() && m->view.sidebar()->projectList()->isVisible());
        QVERIFY(prompts->mapTo(&m->view, QPoint()).x() >= PanelSidebar::sidebarWidth);
        m->click(u"chatsTabButton"_s);
        QVERIFY(chat->isVisible() && m->view.sidebar()->chatList()->isVisible());
        QTRY_VERIFY(chat->input()->hasFocus());
        // Back to the compact card: the same quick-prompt view is its content, without the sidebar.
        m->state.setIsPanelExpanded(false);
        QVERIFY(prompts->isVisible() && !m->view.sidebar()->isVisible());
    }

    void footerExpandWorksWithoutAController()
    {
        disconnect(&m->view, &FloatingPanelView::toggleExpandedRequested, this, nullptr);
        m->click(u"expandButton"_s);
        QVERIFY(m->state.isPanelExpanded());
        QVERIFY(!m->view.findChild<QWidget*>(u"expandButton"_s)->isVisible()); // nothing left to expand
    }

    // The chat view

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
        m->expand(ExpandedPanelTab::Chat);
        QFETCH(bool, fromUser);
        QFETCH(QString, content);
        QFETCH(bool, undecodableImage);
        QFETCH(QString, label);
        showSession({message(fromUser ? MessageRole::User : MessageRole::Assistant, content,
                             undecodableImage ? std::optional<QByteArray>("not an image at all") : std::nullopt)});
        MessageBubble* bubble = m->chat().bubbles().first();
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
        m->expand(ExpandedPanelTab::Chat);
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
        MessageBubble* bubble = m->chat().bubbles().last();
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
        m->expand(ExpandedPanelTab::Chat);
        const ChatMessage question = message(MessageRole::User, u"Tell me"_s);
        ChatMessage answer = message(MessageRole::Assistant, QString());
        const ChatSession chat = showSession({question, answer});
        const QList<QPointer<MessageBubble>> before = {m->chat().bubbles()[0], m->chat().bubbles()[1]};
        for (const QString& grown : {u"Once"_s, u"Once upon a time, **there** was"_s}) {
            answer.content = grown;
            showSession({question, answer}, chat);
            QVERIFY(m->chat().bubbles() == (QList<MessageBubble*>{before[0], before[1]}));
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
        m->expand(ExpandedPanelTab::Chat);
        QFETCH(QString, typed);
        QFETCH(bool, withImage);
        QFETCH(bool, withButton);
        QFETCH(QString, sentText);
        ChatInputEdit* input = m->chat().input();
        input->setFocus();
        input->setPlainText(typed);
        const QImage picture = image(30, 20, Qt::red);
        if (withImage)
            m->chat().setPendingImage(picture);
        if (withButton)
            QTest::mouseClick(buttonWithToolTip(&m->chat(), u"Send message (Enter)"_s), Qt::LeftButton);
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
        QVERIFY(!m->chat().pendingImage());
        QVERIFY(!m->chat().findChild<QWidget*>(u"pendingImage"_s)->isVisible());
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

    void captionsDuringTheFirstTenRuns()
    {
        for (const auto& [promptsUsed, shown] : QList<std::pair<int, bool>>{{0, true}, {9, true}, {10, false}}) {
            m->settings.setInteger(SettingsKeys::totalPromptsUsed, promptsUsed);
            QCOMPARE(m->labelShown(u"input"_s), shown);
            QCOMPARE(m->labelShown(u"output"_s), shown);
        }
    }

    void inputPreview_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("withImage");
        QTest::addColumn<QString>("model");
        QTest::addColumn<bool>("visionWarning");
        QTest::newRow("text") << u"Bonjour"_s << false << QString() << false;
        QTest::newRow("empty clipboard") << QString() << false << QString() << false;
        QTest::newRow("image, default model") << QString() << true << QString() << false;
        QTest::newRow("image, gpt-4-turbo-preview") << QString() << true << u"gpt-4-turbo-preview"_s << false;
        QTest::newRow("image, text-only model") << QString() << true << u"gpt-3.5-turbo"_s << true;
        // A long text is previewed in part: laying all of it out took seconds.
        QTest::newRow("long text") << u"All work and no play makes Jack a dull boy. "_s.repeated(7000) << false
                                   << QString() << false;
    }

    void inputPreview()
    {
        QFETCH(QString, text);
        QFETCH(bool, withImage);
        QFETCH(QString, model);
        QFETCH(bool, visionWarning);
        if (!model.isEmpty())
            m->settings.setString(SettingsKeys::openaiModel, model);
        m->state.setClipboardText(text);
        if (withImage)
            m->state.setClipboardImage(image(64, 48));

        const QString shown = m->card().findChild<QLabel*>(u"clipboardTextLabel"_s)->text();
        if (text.size() > 25'000)
            QVERIFY(shown.size() < 25'000 && shown.endsWith(u'…') && text.startsWith(shown.chopped(1)));
        else
            QCOMPARE(shown, text.isEmpty() ? u"No text on clipboard"_s : text);
        QCOMPARE(m->shown(u"clipboardImageBox"_s), withImage);
        QCOMPARE(m->shown(u"visionWarning"_s), visionWarning);
        if (visionWarning)
            QVERIFY(m->labelShown(model + u" doesn't support images. Switch to GPT-4o."_s));
        // Switching to a model that takes images removes the warning at once.
        m->settings.setString(SettingsKeys::openaiModel, u"gpt-4o"_s);
        QVERIFY(!m->shown(u"visionWarning"_s));
    }

    void projectSwitcher()
    {
        auto* switcher = m->card().findChild<QPushButton*>(u"projectSwitcher"_s);
        QVERIFY(!switcher->isVisible());
        m->setProjects({project(u"Work"_s, {prompt(1, u"Shorten"_s)}),
                        project(u"Home"_s, {prompt(4, u"Rhyme"_s), prompt(2, u"Cheer"_s)})});
        QVERIFY(switcher->isVisible());
        QCOMPARE(m->visibleChips(), 1);
        QTest::mouseClick(switcher, Qt::LeftButton);
        QCOMPARE(m->state.activeProjectIndex(), 1);
        QCOMPARE(m->visibleChips(), 2);
        QTest::mouseClick(switcher, Qt::LeftButton); // wraps around
        QCOMPARE(m->state.activeProjectIndex(), 0);
    }

    void customPromptSubmission_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("withButton");
        QTest::addColumn<QString>("submitted");
        QTest::newRow("blanks, Enter") << u"  \n\t \n "_s << false << QString();
        QTest::newRow("blanks, send button") << u"   "_s << true << QString();
        QTest::newRow("text, Enter") << u"\n  Write a haiku \n"_s << false << u"Write a haiku"_s;
        QTest::newRow("text, send button") << u" Make it rhyme  "_s << true << u"Make it rhyme"_s;
    }

    void customPromptSubmission()
    {
        QFETCH(QString, typed);
        QFETCH(bool, withButton);
        QFETCH(QString, submitted);
        m->state.setShowCustomPromptInput(true);
        m->state.setCustomPromptText(typed);
        if (withButton)
            QTest::mouseClick(buttonWithToolTip(&m->card(), u"Send custom prompt (Enter)"_s), Qt::LeftButton);
        else
            QTest::keyClick(m->card().customPromptEdit(), Qt::Key_Return);
        QCOMPARE(m->submitted, submitted.isEmpty() ? QStringList() : QStringList{submitted});
        // Blanks keep the input open with its text; a sent prompt closes and clears it.
        QCOMPARE(m->state.showCustomPromptInput(), submitted.isEmpty());
        QCOMPARE(m->card().customPromptEdit()->isVisible(), submitted.isEmpty());
        QCOMPARE(m->state.customPromptText(), submitted.isEmpty() ? typed : QString());
    }

    // Saving is offered for a typed custom prompt only; the saved prompt is scrolled into view.
    void savePromptOffer()
    {
        QList<Prompt> prompts;
        for (int i = 1; i <= 9; ++i)
            prompts.append(prompt(i, u"A rather long prompt title %1"_s.arg(i)));
        m->setProjects({project(u"Many"_s, prompts)});
        QScrollBar* strip = m->card().findChild<QScrollArea*>(u"promptStrip"_s)->horizontalScrollBar();
        QTRY_VERIFY(strip->maximum() > 0);
        QCOMPARE(strip->value(), 0);
        auto* save = m->card().findChild<QPushButton*>(u"savePromptButton"_s);
        for (const auto& last : {std::optional<QString>(), std::optional<QString>(QString())}) {
            m->state.setLastCustomPromptText(last);
            QVERIFY(!save->isVisible());
        }
        m->state.setLastCustomPromptText(u"Answer like a pirate"_s);
        QVERIFY(save->isVisible());
        QTest::mouseClick(save, Qt::LeftButton);
        QCOMPARE(m->state.activeProject().prompts.last().systemPrompt, u"Answer like a pirate"_s);
        QVERIFY(!save->isVisible());
        const auto stored = Project::decodeList(m->settings.bytes(SettingsKeys::userProjects));
        QVERIFY(stored && stored->first().prompts.size() == 10);
        QCOMPARE(m->visibleChips(), 10);
        QTRY_COMPARE(strip->value(), strip->maximum());
    }

    void outputArea_data()
    {
        QTest::addColumn<bool>("loading");
        QTest::addColumn<QString>("result");
        QTest::addColumn<QString>("shown"); // the output widget in view
        QTest::newRow("waiting for the first piece") << true << QString() << u"thinkingLabel"_s;
        QTest::newRow("streaming") << true << u"Hal"_s << u"resultView"_s;
        QTest::newRow("done") << false << u"**Hallo** Welt"_s << u"resultView"_s;
        QTest::newRow("idle") << false << QString() << u"outputPlaceholder"_s;
    }

    void outputArea()
    {
        QFETCH(bool, loading);
        QFETCH(QString, result);
        QFETCH(QString, shown);
        m->state.setIsLoading(loading);
        m->state.setResultText(result);
        for (const QString& output : {u"thinkingLabel"_s, u"resultView"_s, u"outputPlaceholder"_s})
            QCOMPARE(m->shown(output), output == shown);
        QCOMPARE(m->card().resultView()->content(), result);
        QCOMPARE(m->card().findChild<BusyIndicator*>()->isSpinning(), shown == u"thinkingLabel");
        // The spinner stops as soon as text arrives: an idle panel must not keep a timer running.
        m->state.appendResultText(u"more"_s);
        QVERIFY(m->shown(u"resultView"_s) && !m->shown(u"thinkingLabel"_s));
        QVERIFY(!m->card().findChild<BusyIndicator*>()->isSpinning());
    }

    // The sidebar

    // Moving to another chat deletes the one left behind only when it has no messages.
    void leavingAnEmptySessionDeletesIt()
    {
        m->expand(ExpandedPanelTab::Chat);
        for (const bool activeIsEmpty : {true, false}) {
            const ChatSession fresh =
                activeIsEmpty ? session(u"New Chat"_s) : session(u"Talk"_s, {message(MessageRole::User, u"Hi"_s)});
            const ChatSession other = session(u"Older"_s, {message(MessageRole::User, u"Yo"_s)});
            m->state.setChatSessions({fresh, other});
            m->state.setActiveChatSessionID(fresh.id);
            m->state.saveSessions();
            QListWidget* list = m->sidebar().chatList();
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(1)).center());
            QCOMPARE(m->state.activeChatSessionID(), std::optional<QUuid>(other.id));
            QCOMPARE(m->state.chatSessions().size(), activeIsEmpty ? 1 : 2);
            QCOMPARE(ChatStore().loadSessions().size(), activeIsEmpty ? 1 : 2);
            QCOMPARE(list->count(), activeIsEmpty ? 1 : 2);
        }
    }

    void deletingProjects_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("active");
        QTest::addColumn<int>("deleted");
        QTest::addColumn<int>("activeAfter");
        QTest::newRow("the only project") << 1 << 0 << 0 << 0;
        QTest::newRow("first active, delete another") << 3 << 0 << 2 << 0;
        QTest::newRow("first active, delete it") << 2 << 0 << 0 << 0;
        QTest::newRow("last active, delete it") << 3 << 2 << 2 << 1;
    }

    void deletingProjects()
    {
        m->expand(ExpandedPanelTab::Prompts);
        QFETCH(int, count);
        QFETCH(int, active);
        QFETCH(int, deleted);
        QFETCH(int, activeAfter);
        QList<Project> projects;
        for (int i = 0; i < count; ++i)
            projects.append(project(u"P%1"_s.arg(i), {prompt(1, u"One"_s)}));
        m->setProjects(projects, active);

        QCOMPARE(deleteFromContextMenu(m->sidebar().projectList(), deleted), count >= 2);
        QCOMPARE(m->state.projects().size(), std::max(count - 1, 1));
        QVERIFY(count == 1 || !m->state.projects().contains(projects[deleted]));
        QCOMPARE(m->state.activeProjectIndex(), activeAfter);
        QCOMPARE(m->settings.integer(SettingsKeys::activeProjectIndex), activeAfter);
        QCOMPARE(m->stored(), m->state.projects());
        // The method refuses the last project too, whoever calls it.
        while (m->state.projects().size() > 1)
            m->sidebar().deleteProjectAt(0);
        m->sidebar().deleteProjectAt(0);
        QCOMPARE(m->state.projects().size(), 1);
    }

    void join_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("error");
        QTest::newRow("blank code: no call") << -1 << u"   "_s << QString();
        QTest::newRow("unknown code") << 0 << u" NOPE42 "_s << SyncError::notFound().description();
        QTest::newRow("server error") << 500 << u" NOPE42 "_s
                                      << SyncError::httpError(500, u"{\"message\":\"down\"}"_s).description();
        QTest::newRow("success") << 200 << u"  TEAM77"_s << QString();
    }

    void join()
    {
        m->expand(ExpandedPanelTab::Prompts);
        QFETCH(int, status);
        QFETCH(QString, code);
        QFETCH(QString, error);
        if (status == 200)
            m->server.addProject(sharedPayload(u"Team voice"_s), u"owner"_s, u"TEAM77"_s);
        else if (status > 0)
            m->server.setOverride(u"get_shared_project"_s, HttpResponse::json("{\"message\":\"down\"}", status));
        m->enterJoinCode(code);
        if (status == 200) {
            QTRY_COMPARE(m->state.projects().size(), 2);
            QCOMPARE(m->state.projects().last().shareCode, std::optional<QString>(u"TEAM77"_s));
            QCOMPARE(m->state.activeProjectIndex(), 1);
            QCOMPARE(m->stored(), m->state.projects());
            QVERIFY(!m->sidebar().joinField()->isVisible());
            return;
        }
        if (error.isEmpty()) {
            QTest::qWait(50);
            QCOMPARE(m->server.callCount(), 0);
            QVERIFY(!m->sidebar().joinErrorLabel()->isVisible());
        } else {
            QTRY_VERIFY(m->sidebar().joinErrorLabel()->isVisible());
            QCOMPARE(m->sidebar().joinErrorLabel()->text(), error);
            const auto calls = m->server.calls(u"get_shared_project"_s);
            QCOMPARE(calls.size(), 1);
            QCOMPARE(calls.first().value(u"code").toString(), u"NOPE42"_s);
        }
        // The field stays open with the code, ready for another try.
        QCOMPARE(m->sidebar().joinField()->text(), code);
        QCOMPARE(m->state.projects().size(), 1);
    }

    void cancelledJoinIgnoresTheLateAnswer()
    {
        m->expand(ExpandedPanelTab::Prompts);
        // The answer comes only after the user has cancelled.
        bool answered = false;
        connect(&m->server, &FakeSyncServer::called, this, [&] { answered = true; });
        QJsonObject row = sharedPayload(u"Late"_s);
        row.insert(u"share_code"_s, u"LATE1"_s);
        HttpResponse slow = HttpResponse::json(QByteArray());
        slow.chunks = {QByteArray(), QJsonDocument(QJsonArray{row}).toJson(QJsonDocument::Compact)};
        slow.delayMs = 300;
        m->server.setOverride(u"get_shared_project"_s, slow);
        m->enterJoinCode(u"LATE1"_s);
        QTRY_VERIFY(answered);
        QTest::mouseClick(m->sidebar().findChild<QPushButton*>(u"cancelJoinButton"_s), Qt::LeftButton);
        QTest::qWait(600);
        QCOMPARE(m->state.projects().size(), 1);
        QVERIFY(!m->sidebar().joinField()->isVisible());
        QVERIFY(!m->sidebar().joinErrorLabel()->isVisible());
    }
};

QTEST_MAIN(PanelViewsTest)
#include "tst_panelviews.moc"
