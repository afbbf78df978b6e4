// SPDX-License-Identifier: GPL-3.0-or-later
// Offscreen on two monitors, the right one at twice the scale: the panel window (edges, keys, frame, where it opens
// and goes when the monitors change, a region taken across both); the controller with it (triggers, quick runs
// against a fake chat service, recording, copy-and-close, panel keys, re-arming); the single-instance socket.
#include "app/AppDelegate.h"
#include "app/FloatingPanel.h"
#include "app/SingleInstance.h"
#include "input/HotkeyManager.h"
#include "model/Settings.h"
#include "platform/AtomicFile.h"
#include "platform/GlobalHotkey.h"
#include "platform/dbus/DBusNotifier.h"
#include "platform/null/GlobalHotkeyNull.h"
#include "platform/null/KeyMonitorNull.h"
#include "platform/null/NotifierNull.h"
#include "platform/portal/GlobalHotkeyPortal.h"
#include "platform/x11/RegionSelector.h"
#include "support/FakeChatServer.h"
#include "support/FakeGlobalShortcutsPortal.h"
#include "support/FakeNotificationServer.h"
#include "support/TestEnvironment.h"
#include "ui/FloatingPanelView.h"
#include "ui/OnboardingView.h"
#include "ui/PanelTestSupport.h"

#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QJsonArray>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocalSocket>
#include <QNetworkAccessManager>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryFile>
#include <QTextEdit>
#include <QVBoxLayout>
#include <QtTest>

#include <future>

using namespace Qt::StringLiterals;

namespace {

QString systemPromptOf(const QJsonObject& body)
{
    const QJsonObject first = body.value(QLatin1StringView("messages")).toArray().at(0).toObject();
    return first.value(QLatin1StringView("content")).toString();
}

using PanelTest::image;
using PanelTest::project;
using PanelTest::prompt;

// Records the keys pressed that reach a widget.
class KeyCounter : public QObject
{
public:
    QList<int> keys;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress)
            keys.append(static_cast<QKeyEvent*>(event)->key());
        return false;
    }
};

struct Fixture
{
    QWidget* content = new QWidget;
    QLineEdit* input = new QLineEdit(content);
    QTextEdit* result = new QTextEdit(content);
    QPushButton* button = new QPushButton(QStringLiteral("Button"), content);
    FloatingPanel panel{content, ThemeColors{AppTheme::Light}};
    QStringList calls;
    bool escapeHandled = false;

    Fixture()
    {
        result->setReadOnly(true);
        result->setPlainText(QStringLiteral("The answer text"));
        auto* layout = new QVBoxLayout(content);
        layout->addWidget(input);
        layout->addWidget(result);
        layout->addWidget(button);
        const auto record = [this](const char* name) { return [this, name] { calls << QString::fromLatin1(name); }; };
        QObject::connect(&panel, &FloatingPanel::numberKeyPressed,
                         [this](int n) { calls << QStringLiteral("number %1").arg(n); });
        QObject::connect(&panel, &FloatingPanel::copyResultAndCloseRequested, record("copy"));
        QObject::connect(&panel, &FloatingPanel::enterPressed, record("enter"));
        QObject::connect(&panel, &FloatingPanel::escapePressed, &panel, [this](QKeyEvent* event) {
            calls << QStringLiteral("esc");
            event->setAccepted(escapeHandled);
        });
        QObject::connect(&panel, &FloatingPanel::tabPressed, record("tab"));
        QObject::connect(&panel, &FloatingPanel::replaceRequested, &panel, [this](QKeyEvent* event) {
            calls << QStringLiteral("replace");
            event->accept();
        });
        QObject::connect(button, &QPushButton::clicked, record("clicked"));
        QObject::connect(&panel, &FloatingPanel::newChatRequested, record("new chat"));
        QObject::connect(&panel, &FloatingPanel::shortcutsRequested, record("shortcuts"));
        QObject::connect(&panel, &FloatingPanel::arrowDownPressed, record("down"));
    }

    bool show()
    {
        panel.showCentered(0);
        return QTest::qWaitForWindowActive(&panel);
    }
    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::keyClick(panel.windowHandle(), key, modifiers);
    }
};

const QRect left(0, 0, 1280, 800);
const QRect right(1280, 0, 1920, 1080);

} // namespace

class TestAppDelegate : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<Settings> m_settings;
    std::unique_ptr<QNetworkAccessManager> m_network;
    std::unique_ptr<FakeChatServer> m_server;
    std::unique_ptr<AppDelegate> m_delegate;

    AppState& state() { return m_delegate->appState(); }

    // Notifications go to `server` when there is one; a custom hotkey is refused unless a backend is given.
    void makeDelegate(const FakeNotificationServer* server = nullptr, std::unique_ptr<GlobalHotkey> hotkey = {})
    {
        m_delegate.reset();
        if (!hotkey)
            hotkey = std::make_unique<GlobalHotkeyNull>(QStringLiteral("not in this test"));
        std::unique_ptr<Notifier> notifier = std::make_unique<NotifierNull>(QStringLiteral("not in this test"));
        if (server)
            notifier = std::make_unique<DBusNotifier>(
                QDBusConnection::connectToBus(server->busAddress(), QUuid::createUuid().toString()));
        auto manager = std::make_unique<HotkeyManager>(
            std::make_unique<KeyMonitorNull>(QStringLiteral("not in this test")), std::move(hotkey), m_settings.get());
        m_delegate = std::make_unique<AppDelegate>(
            AppDelegate::Dependencies{*m_settings, *m_network, std::move(manager), false, std::move(notifier)});
        m_delegate->applicationDidFinishLaunching();
    }

    void setProjects(const QList<Project>& projects)
    {
        m_settings->setBytes(SettingsKeys::userProjects, Project::encodeList(projects));
        makeDelegate();
    }

    void trigger(const QString& text)
    {
        QGuiApplication::clipboard()->setText(text);
        m_delegate->handleTextTrigger();
    }

    // Runs a prompt (the active project's first unless given) and waits until the run has ended.
    bool run(std::optional<Prompt> which = {})
    {
        m_delegate->runPrompt(which ? *which : state().activeProject().prompts[0]);
        return waitForRun();
    }
    bool waitForRun()
    {
        return QTest::qWaitFor([this] { return !state().isLoading(); }, 5000);
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_env = std::make_unique<TestEnvironment>();
        m_settings = std::make_unique<Settings>();
        m_network = std::make_unique<QNetworkAccessManager>();
    }

    void init()
    {
        QFile::remove(m_env->appFolder() + QStringLiteral("/chat_sessions.json"));
        for (const SettingKey& key : SettingsKeys::all)
            m_settings->remove(key);
        m_settings->setBoolean(SettingsKeys::hasCompletedOnboarding, true);
        m_server = std::make_unique<FakeChatServer>();
        QVERIFY(m_server->listen());
        m_server->setResponse(FakeChatServer::answer({u"Hal"_s, u"lo"_s}));
        m_settings->setString(SettingsKeys::apiBaseUrl, m_server->baseUrl());
        m_settings->setString(SettingsKeys::openaiApiKey, QStringLiteral("sk-test"));
        // The fake server answers chat requests only; asking it about its models' vision would add requests.
        m_settings->setString(SettingsKeys::visionSupport, QStringLiteral("yes"));
        makeDelegate();
    }

    void cleanup()
    {
        m_delegate.reset();
        m_server.reset();
    }

    // Runs of one showing share a session; a new trigger starts another. Copy-and-close copies nothing before a run;
    // in the chat it copies the newest answer and keeps the panel (the quick view's is the end-to-end test's).
    void runsOfOneShowingShareASessionAndCopy()
    {
        trigger(u"  Hello world  "_s);
        m_delegate->copyResultAndClose(); // nothing to copy yet: the panel stays
        QVERIFY(m_delegate->panel() && m_delegate->panel()->isVisible());
        QCOMPARE(QGuiApplication::clipboard()->text(), u"  Hello world  "_s);
        QVERIFY(run());                                   // Translate
        QVERIFY(run(state().activeProject().prompts[3])); // Summarize
        const ChatSession session = state().chatSessions().first();
        QCOMPARE(session.messages.size(), 4);
        trigger(u"Second text"_s);
        QVERIFY(run());
        state().waitForSavedSessions();
        QCOMPARE(ChatStore().loadSessions().size(), 2);

        m_delegate->showChatPanel();
        state().setActiveChatSessionID(m_delegate->floatingPanelSessionID());
        m_delegate->copyResultAndClose();
        QCOMPARE(QGuiApplication::clipboard()->text(), u"Hallo"_s);
        QVERIFY(m_delegate->panel() && m_delegate->panel()->isVisible());
    }

    void failuresShowTheirText_data()
    {
        QTest::addColumn<bool>("withKey");
        QTest::addColumn<bool>("openAI");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("expectedPrefix");
        QTest::newRow("OpenAI without a key") << false << true << 200 << AppDelegate::noApiKeyText();
        QTest::newRow("server error") << true << false << 500 << QStringLiteral("Error: HTTP 500: ");
        QTest::newRow("a local server that wants a key")
            << false << false << 401 << QStringLiteral("Error: This server wants an API key.");
    }

    void failuresShowTheirText()
    {
        QFETCH(bool, withKey);
        QFETCH(bool, openAI);
        QFETCH(int, status);
        QFETCH(QString, expectedPrefix);
        if (!withKey)
            m_settings->setString(SettingsKeys::openaiApiKey, QString());
        if (openAI)
            m_settings->setString(SettingsKeys::apiBaseUrl, QStringLiteral("https://api.openai.com"));
        m_server->setResponse(FakeChatServer::status(status, "{\"error\":{\"message\":\"nope\"}}"));
        trigger(QStringLiteral("Hello"));
        QVERIFY(run());
        QVERIFY2(state().resultText().startsWith(expectedPrefix), qPrintable(state().resultText()));
        QVERIFY(!state().resultText().contains(QStringLiteral("sk-test")));
        QCOMPARE(m_server->requests().size(), openAI ? 0 : 1);
        // A keyless request carries no Authorization header at all.
        if (!openAI)
            QCOMPARE(m_server->requests().first().header("Authorization").isEmpty(), !withKey);
        QVERIFY(state().chatSessions().isEmpty());
    }

    void closingCancelsTheRunAndRecordsNothing()
    {
        m_server->setResponse(FakeChatServer::answer({u"Partial"_s, u" more"_s}, 300));
        trigger(QStringLiteral("Hello"));
        m_delegate->runPrompt(state().activeProject().prompts[0]);
        QTRY_COMPARE(state().resultText(), QStringLiteral("Partial"));
        m_delegate->panel()->close();
        QTRY_VERIFY(!m_delegate->panel());
        QTest::qWait(800);
        QVERIFY(state().chatSessions().isEmpty());
    }

    // Return opens the custom prompt and Escape closes that first; a digit runs the prompt with that number, not at
    // that position; Down expands into this showing's session, where digits do nothing.
    void panelKeys()
    {
        setProjects({project(u"P"_s, {prompt(3, u"third"_s), prompt(1, u"first"_s), prompt(2, u"second"_s)})});
        trigger(u"Hello"_s);
        FloatingPanel* panel = m_delegate->panel();
        QVERIFY(panel && panel->isVisible());
        const auto escape = [panel] {
            QKeyEvent event(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            event.ignore();
            Q_EMIT panel->escapePressed(&event);
            return event.isAccepted();
        };
        Q_EMIT panel->enterPressed();
        QVERIFY(state().showCustomPromptInput());
        state().setCustomPromptText(u"draft"_s);
        QVERIFY(escape()); // closes the input, the panel stays
        QCOMPARE(state().customPromptText(), QString());
        QVERIFY(!escape()); // now the panel may hide itself

        Q_EMIT panel->numberKeyPressed(2);
        QVERIFY(waitForRun());
        QCOMPARE(systemPromptOf(m_server->lastBody()), u"second this."_s);
        Q_EMIT panel->numberKeyPressed(7); // no such prompt
        Q_EMIT panel->arrowDownPressed();
        QVERIFY(state().isPanelExpanded());
        QCOMPARE(state().activeChatSessionID(), m_delegate->floatingPanelSessionID());
        Q_EMIT panel->numberKeyPressed(1);
        QTest::qWait(50);
        QCOMPARE(m_server->requests().size(), 1);

        // Expanded, Escape clears a search across chats before anything else.
        auto* search = panel->findChild<QLineEdit*>(u"chatSearchField"_s);
        search->setText(u"hello"_s);
        QVERIFY(escape());
        QVERIFY(search->text().isEmpty());
        QVERIFY(!escape());
    }

    // The image default runs on a copied image; the text default's run is the Wayland end-to-end test's.
    void imageDefaultPromptRunsAtOnce()
    {
        const Prompt forText = prompt(1, QStringLiteral("for text")),
                     forImages = prompt(2, QStringLiteral("for images"));
        Project both = project(u"P"_s, {forText, forImages});
        both.defaultPromptID = forText.id;
        both.defaultImagePromptID = forImages.id;
        setProjects({both});
        QGuiApplication::clipboard()->setImage(image(20, 10, Qt::red));
        m_delegate->handleTextTrigger();
        QTRY_COMPARE(m_server->requests().size(), 1);
        QCOMPARE(systemPromptOf(m_server->lastBody()), forImages.systemPrompt);
        QVERIFY(waitForRun());
        const ChatMessage recorded = state().chatSessions().first().messages.first();
        QVERIFY(recorded.imageData.value_or(QByteArray()).startsWith("\x89PNG"));
    }

    // A refused custom hotkey is told once however many of its settings change, with the way out: Try Again arms
    // again and tells again what still fails; Open Preferences opens them. The key detection's own refusal is the
    // first-run test's, with a real grab.
    void refusedHotkeyIsTold()
    {
        FakeNotificationServer server({u"actions"_s, u"body"_s});
        QVERIFY(server.isRunning());
        makeDelegate(&server);
        m_settings->setInteger(SettingsKeys::customHotkeyModifiers, 0x100);
        m_settings->setInteger(SettingsKeys::customHotkeyKeycode, 40);
        QTRY_COMPARE(server.shown().size(), 1);
        QTest::qWait(100);
        QCOMPARE(server.shown().size(), 1);

        server.invoke(server.shown().first().id, u"retry"_s);
        QTRY_COMPARE(server.shown().size(), 2);
        server.invoke(server.shown().first().id, u"preferences"_s);
        QTRY_VERIFY(m_delegate->settingsWindow() && m_delegate->settingsWindow()->isVisible());
    }

    // Where the desktop binds the shortcuts, the walkthrough lists what it bound, and its shortcut is the
    // exercise's gesture.
    void desktopShortcutsInTheWalkthrough()
    {
        FakeGlobalShortcutsPortal portal;
        QVERIFY(portal.isRunning());
        const QString name = u"delegate-portal"_s;
        const auto disconnect = qScopeGuard([&name] { QDBusConnection::disconnectFromBus(name); });
        m_settings->setBoolean(SettingsKeys::hasCompletedOnboarding, false);
        makeDelegate(nullptr, std::make_unique<GlobalHotkeyPortal>(
                                  QDBusConnection::connectToBus(portal.busAddress(), name), u"app.vantro.Vantro"_s));
        OnboardingView* view = m_delegate->onboardingView();
        QVERIFY(view);
        const auto shows = [view](const QString& text) {
            for (const QLabel* label : view->findChildren<QLabel*>())
                if (label->text().contains(text))
                    return true;
            return false;
        };
        QTRY_VERIFY(shows(u"Your Shortcuts Are Ready"_s));
        QVERIFY(shows(u"Prompt on a screenshot: CTRL+ALT+s"_s));

        view->setCurrentStep(OnboardingView::Step::TextExercise);
        portal.press(u"prompt-copied-text"_s);
        QTRY_VERIFY(view->textExercise().isDetected());
    }

    // A history that cannot be written is told once, and the old file stays.
    void failedHistorySaveIsTold()
    {
        FakeNotificationServer server({u"body"_s});
        QVERIFY(server.isRunning());
        makeDelegate(&server);
        state().setHistorySaveRetryInterval(std::chrono::milliseconds(100));
        AtomicFile::setWriteFunctionForTesting(
            [](QIODevice& device, const QByteArray& data) { return device.write(data.left(10)); });
        for (int i = 0; i < 2; ++i) {
            trigger(u"Hello"_s);
            QVERIFY(run());
            state().waitForSavedSessions();
        }
        // Told once in a notification, and in the chat for as long as saving fails.
        QTRY_COMPARE(server.shown().size(), 1);
        m_delegate->showChatPanel();
        auto* line = m_delegate->panelView()->findChild<QLabel*>(u"historySaveProblem"_s);
        QVERIFY(line && line->isVisible());
        QVERIFY(!QFile::exists(m_env->appFolder() + QStringLiteral("/chat_sessions.json")));
        // Writing works again: the next try saves without a new answer, and the line goes.
        AtomicFile::setWriteFunctionForTesting({});
        QTRY_VERIFY(QFile::exists(m_env->appFolder() + QStringLiteral("/chat_sessions.json")));
        QTRY_VERIFY(!line->isVisible());
        QCOMPARE(server.shown().size(), 1);
    }

    void commandsFromASecondStart()
    {
        m_delegate->handleCommand({QStringLiteral("--new-chat")});
        QVERIFY(state().isPanelExpanded() && m_delegate->panel()->isVisible());
        // One new chat, not one for the panel and one for the command.
        const qsizetype sessions = state().chatSessions().size();
        QCOMPARE(sessions, 1);
        m_delegate->handleCommand({}); // no command: nothing new
        QCOMPARE(state().chatSessions().size(), sessions);
        // A trigger on an empty clipboard opens the chat; the typed prompt is what gets recorded.
        trigger(QString());
        QVERIFY(state().isPanelExpanded() && m_delegate->panelView());
        Q_EMIT m_delegate->panelView()->customPromptSubmitted(QStringLiteral("Write a haiku"));
        QVERIFY(waitForRun());
        QCOMPARE(state().chatSessions().first().messages.first().content, QStringLiteral("Write a haiku"));
    }

    // A socket file with no listener behind it, as a killed instance leaves it, is taken over. Handing a command to
    // the running instance is the end-to-end test's.
    void takesOverALeftSocket()
    {
        TestEnvironment env;
        QVERIFY(TestEnvironment::writeFile(SingleInstance::defaultSocketPath(), QByteArray()));
        SingleInstance first;
        QVERIFY(first.listen());

        // A second listener on the same socket is refused while the first one runs.
        SingleInstance second;
        auto refused = std::async(std::launch::async, [&second] { return second.listen(); });
        QTRY_VERIFY(refused.wait_for(std::chrono::seconds(0)) == std::future_status::ready);
        QVERIFY(!refused.get());
    }

    void badMessagesAreDropped_data()
    {
        QTest::addColumn<QByteArray>("message");
        QByteArray corruptCount;
        QDataStream(&corruptCount, QIODevice::WriteOnly) << quint32(4) << quint32(0xFFFFFFFFu);
        QByteArray oversized;
        QDataStream(&oversized, QIODevice::WriteOnly) << (quint32(1) << 30);
        QTest::newRow("oversized") << oversized + QByteArray(1024, 'x');
        // A list header that claims billions of entries inside a tiny message must not make us reserve for them.
        QTest::newRow("corrupt list count") << corruptCount;
    }

    void badMessagesAreDropped()
    {
        QFETCH(QByteArray, message);
        TestEnvironment env;
        SingleInstance instance;
        QVERIFY(instance.listen());
        QSignalSpy received(&instance, &SingleInstance::commandReceived);
        QLocalSocket socket;
        socket.connectToServer(instance.socketPath());
        QVERIFY(socket.waitForConnected(1000));
        socket.write(message);
        socket.flush();
        QTRY_COMPARE(socket.state(), QLocalSocket::UnconnectedState);
        QCOMPARE(received.size(), 0);
    }
};

class TestFloatingPanel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QCOMPARE(QGuiApplication::screens().size(), 2); }

    void keyMap_data()
    {
        // "content", "input", "selection" (in the input), "result"; "inactive": another window is active;
        // "unhandled": the receiver of escapePressed leaves the event ignored.
        QTest::addColumn<QString>("focus");
        QTest::addColumn<int>("key");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<QString>("expectedCall"); // empty: none, the key reaches the focus
        QTest::addColumn<bool>("stays");           // the panel is still visible
        const Qt::KeyboardModifiers no, ctrl(Qt::ControlModifier), keypad(Qt::KeypadModifier);
        const auto row = [](const char* name, const char* focus, int key, Qt::KeyboardModifiers mods, const char* call,
                            bool stays = true) { QTest::newRow(name) << focus << key << mods << call << stays; };
        row("Escape handled", "input", Qt::Key_Escape, no, "esc");
        row("Escape unhandled hides", "unhandled", Qt::Key_Escape, no, "esc", false);
        row("inactive: Escape", "inactive", Qt::Key_Escape, no, "");
        row("Ctrl+C with a selection copies it", "selection", Qt::Key_C, ctrl, "");
        row("Ctrl+N", "input", Qt::Key_N, ctrl, "new chat");
        row("Return", "result", Qt::Key_Return, no, "enter");
        row("Return while editing", "input", Qt::Key_Return, no, "");
        row("Tab while editing", "input", Qt::Key_Tab, no, "tab");
        row("keypad 7", "content", Qt::Key_7, keypad, "number 7");
        row("3 while editing types", "input", Qt::Key_3, no, "");
        row("Ctrl+Down", "result", Qt::Key_Down, ctrl, "down");
        row("Ctrl+Return while editing", "input", Qt::Key_Return, ctrl, "replace");
        row("Ctrl+? while editing", "input", Qt::Key_Question, ctrl | Qt::ShiftModifier, "shortcuts");
        // A control reached with the keyboard: Tab goes on to the next, Return presses a button.
        row("Tab on a button", "button", Qt::Key_Tab, no, "");
        row("Ctrl+Tab on a button", "button", Qt::Key_Tab, ctrl, "tab");
        row("Return on a button", "button", Qt::Key_Return, no, "clicked");
    }

    void keyMap()
    {
        QFETCH(QString, focus);
        QFETCH(int, key);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(QString, expectedCall);
        QFETCH(bool, stays);
        Fixture f;
        f.escapeHandled = focus != u"unhandled";
        QSignalSpy closing(&f.panel, &FloatingPanel::willClose);
        QVERIFY(f.show());
        const bool inInput = focus == u"input" || focus == u"selection";
        QWidget* target = inInput              ? static_cast<QWidget*>(f.input)
                          : focus == u"result" ? static_cast<QWidget*>(f.result)
                          : focus == u"button" ? static_cast<QWidget*>(f.button)
                                               : f.content;
        KeyCounter counter;
        target->installEventFilter(&counter);
        target->setFocus();
        if (focus == u"selection") {
            f.input->setText(QStringLiteral("custom prompt"));
            f.input->setSelection(0, 6);
        }
        QWidget other;
        if (focus == u"inactive") {
            other.show();
            other.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&other));
        }
        f.key(Qt::Key(key), modifiers);
        QCOMPARE(f.calls, expectedCall.isEmpty() ? QStringList() : QStringList{expectedCall});
        if (stays && focus != u"inactive")
            QCOMPARE(counter.keys.contains(key), expectedCall.isEmpty());
        if (expectedCall == u"enter" || expectedCall.startsWith(u"number"))
            QCOMPARE(QApplication::focusWidget(), f.content);
        if (focus == u"selection")
            QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("custom"));
        QCOMPARE(f.panel.isVisible(), stays);
        QCOMPARE(closing.count(), 0); // Escape hides, never closes
    }

    // Shown with the focus on its content, opaque without a compositor; a double click on the background
    // zooms, and an edge dragged resizes down to the minimum.
    void showZoomAndResize()
    {
        Fixture f;
        f.input->setFocus();
        QVERIFY(f.show());
        QWindow* window = f.panel.windowHandle();
        const QRect before = f.panel.geometry();
        QCOMPARE(QApplication::focusWidget(), f.content);
        // Without a compositor the card is opaque: the frame is drawn in the theme's colours, never left transparent.
        QVERIFY(!f.panel.hasTranslucentCard());

        QTest::mouseDClick(window, Qt::LeftButton, {}, QPoint(8, f.panel.height() / 2)); // background, clear of edge
        QTRY_COMPARE(f.panel.geometry(), f.panel.screen()->availableGeometry());
        f.panel.toggleZoom();
        QCOMPARE(f.panel.geometry(), before);

        // Left edge dragged far to the right: stops at the minimum width, the right edge stays.
        QTest::mousePress(window, Qt::LeftButton, {}, QPoint(2, 300));
        QTest::mouseMove(window, QPoint(602, 300));
        QTest::mouseRelease(window, Qt::LeftButton, {}, QPoint(602, 300));
        QTRY_COMPARE(f.panel.geometry().width(), 624);
        QCOMPARE(f.panel.geometry().right(), before.right());
    }

    // On the monitor under the pointer, not the primary one.
    void panelOpensWhereThePointerIs()
    {
        QCursor::setPos(QPoint(3000, 50));
        FloatingPanel panel(new QLabel(u"content"_qs), ThemeColors());
        panel.showCentered();
        QCOMPARE(panel.geometry().center(), right.center());
    }

    // Rows: where the panel was, and where it must be once the monitors changed. A monitor gone is the next test's,
    // through the panel.
    void keptOnScreens_data()
    {
        QTest::addColumn<QRect>("frame");
        QTest::addColumn<QRect>("expect");
        QTest::newRow("over the edge") << QRect(2900, 800, 500, 400) << QRect(2700, 680, 500, 400);
        QTest::newRow("larger than it") << QRect(-100, -100, 1600, 1000) << left;
    }

    void keptOnScreens()
    {
        QFETCH(QRect, frame);
        QFETCH(QRect, expect);
        QCOMPARE(PanelGeometry::keptOnScreens(frame, {left, right}, left), expect);
    }

    // The panel hears the monitors change while it is shown.
    void panelFollowsMonitorChanges()
    {
        QCursor::setPos(QPoint(10, 10));
        FloatingPanel panel(new QLabel(u"content"_qs), ThemeColors());
        panel.showCentered();
        panel.setGeometry(5000, 100, 500, 400); // where a monitor was
        QScreen* screen = QGuiApplication::screens().constLast();
        Q_EMIT screen->availableGeometryChanged(screen->availableGeometry());
        QTRY_VERIFY(left.contains(panel.geometry()));
    }

    // Each monitor's part of a region comes from its own pixels, at the finest scale of the monitors covered; where
    // no monitor is (under the left one's bottom edge), black.
    void composeAcrossMonitors()
    {
        const QImage shot = RegionSelector::compose(
            {{left, image(1280, 800, Qt::red)}, {right, image(3840, 2160, Qt::blue)}}, QRect(1180, 700, 200, 200));
        QCOMPARE(shot.size(), QSize(400, 400));
        QCOMPARE(QColor(shot.pixel(1, 2)), QColor(Qt::red));
        QCOMPARE(QColor(shot.pixel(shot.width() / 2 + 2, 2)), QColor(Qt::blue));
        QCOMPARE(QColor(shot.pixel(1, shot.height() - 2)), QColor(Qt::black));
    }
};

int main(int argc, char* argv[])
{
    // Qt's offscreen platform, told of two monitors.
    QTemporaryFile config;
    if (!config.open())
        return 1;
    config.write(R"({"screens": [
        {"name": "left", "x": 0, "y": 0, "width": 1280, "height": 800, "logicalDpi": 96, "dpr": 1},
        {"name": "right", "x": 1280, "y": 0, "width": 1920, "height": 1080, "logicalDpi": 96, "dpr": 2}]})");
    config.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(config.fileName()));
    QApplication app(argc, argv);
    TestFloatingPanel panel;
    TestAppDelegate delegate;
    return QTest::qExec(&panel, argc, argv) | QTest::qExec(&delegate, argc, argv);
}

#include "tst_appdelegate.moc"
