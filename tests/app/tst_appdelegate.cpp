// SPDX-License-Identifier: GPL-3.0-or-later
// The controller and the panel together, offscreen: triggers, quick runs against a fake chat service, recording,
// copy-and-close, the panel keys and the re-arming of the key detection; and the single-instance socket.
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
#include "support/FakeChatServer.h"
#include "support/FakeGlobalShortcutsPortal.h"
#include "support/FakeNotificationServer.h"
#include "support/TestEnvironment.h"
#include "ui/FloatingPanelView.h"
#include "ui/OnboardingView.h"

#include <QApplication>
#include <QClipboard>
#include <QJsonArray>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocalSocket>
#include <QNetworkAccessManager>
#include <QtTest>

#include <future>

using namespace Qt::StringLiterals;

namespace {

QString systemPromptOf(const QJsonObject& body)
{
    const QJsonObject first = body.value(QLatin1StringView("messages")).toArray().at(0).toObject();
    return first.value(QLatin1StringView("content")).toString();
}

Prompt prompt(qint64 number, const QString& text)
{
    return Prompt{QUuid::createUuid(), number, QStringLiteral("T%1").arg(number), text};
}

Project project(const QList<Prompt>& prompts, std::optional<QUuid> textDefault = {},
                std::optional<QUuid> imageDefault = {})
{
    return Project{QUuid::createUuid(), u"📁"_s, u"📁"_s, {}, prompts, {}, textDefault, imageDefault};
}

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
        m_delegate.reset(); // its history writer finishes before the file goes
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
        QCOMPARE(session.messages[2].content, u"[Summarize] Hello world"_s);
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
        setProjects({project({prompt(3, u"third"_s), prompt(1, u"first"_s), prompt(2, u"second"_s)})});
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
        QCOMPARE(systemPromptOf(m_server->lastBody()), u"second"_s);
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
        setProjects({project({forText, forImages}, forText.id, forImages.id)});
        QImage picture(20, 10, QImage::Format_RGB32);
        picture.fill(Qt::red);
        QGuiApplication::clipboard()->setImage(picture);
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
        QGuiApplication::clipboard()->setText(QStringLiteral("via command"));
        m_delegate->handleCommand({QStringLiteral("--trigger")});
        QVERIFY(!state().isPanelExpanded());
        QCOMPARE(state().clipboardText(), QStringLiteral("via command"));
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

QTEST_MAIN(TestAppDelegate)
#include "tst_appdelegate.moc"
