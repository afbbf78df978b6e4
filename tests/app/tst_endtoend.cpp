// SPDX-License-Identifier: GPL-3.0-or-later
// The real `vantro` on a real X server, driven like a user: select text in another window, Ctrl+C twice, press 1,
// watch the answer stream in from a fake chat service, Ctrl+C to take it away; a shortcut's command on the selected
// text; then quit it from a second start.
#include "model/Prompt.h"
#include "model/Settings.h"
#include "support/AccessibilityBus.h"
#include "support/FakeChatServer.h"
#include "support/KeyRecorderWindow.h"
#include "support/TestEnvironment.h"
#include "support/XdoTool.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QtTest>

namespace {

const QString copiedText = QStringLiteral("Good morning, how are you today?");
const QStringList answerPieces{QStringLiteral("Bonjour, "), QStringLiteral("comment allez-vous "),
                               QStringLiteral("aujourd'hui ?")};
const QString apiKey = QStringLiteral("sk-e2e-") + QUuid::createUuid().toString(QUuid::Id128);

const QString answer = answerPieces.join(QString());

// "role: content" of a message in a request body or a stored session; negative indexes count from the end.
QString messageAt(const QJsonObject& object, qsizetype index)
{
    const QJsonArray messages = object.value(QLatin1StringView("messages")).toArray();
    const QJsonObject message = messages.at(index < 0 ? messages.size() + index : index).toObject();
    return message.value(QLatin1StringView("role")).toString() + u": " +
           message.value(QLatin1StringView("content")).toString();
}

} // namespace

class TestEndToEnd : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<FakeChatServer> m_server;
    std::unique_ptr<AccessibilityBus> m_a11y;
    QProcess m_vantro;
    QByteArray m_vantroOutput;
    bool m_failed = false;

    // The visible top-level window of the running vantro, 0 when there is none.
    qulonglong visibleVantroWindow()
    {
        return windowId({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--pid"),
                         QString::number(m_vantro.processId()), QStringLiteral("--class"), QStringLiteral("^vantro$")});
    }
    static qulonglong focusedWindow() { return windowId({QStringLiteral("getwindowfocus")}); }
    static qulonglong windowId(const QStringList& query)
    {
        return XdoTool::output(query).section(u'\n', 0, 0).toULongLong();
    }

    QJsonArray storedSessions() const
    {
        const QString file = m_env->appFolder() + QStringLiteral("/chat_sessions.json");
        return QJsonDocument::fromJson(TestEnvironment::readFile(file)).array();
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_env = std::make_unique<TestEnvironment>();
        QVERIFY(m_env->isValid());
        m_server = std::make_unique<FakeChatServer>();
        QVERIFY(m_server->listen());
        m_server->setResponse(FakeChatServer::answer(answerPieces, 40));

        {
            Settings settings;
            settings.setString(SettingsKeys::apiBaseUrl, m_server->baseUrl());
            settings.setString(SettingsKeys::openaiApiKey, apiKey);
            settings.setBoolean(SettingsKeys::hasCompletedOnboarding, true);
        }

        // The child inherits the temporary XDG folders, the display and the sanitizer options of this test, and
        // shows itself to a screen reader's bus.
        m_a11y = std::make_unique<AccessibilityBus>();
        QVERIFY2(m_a11y->isRunning(), "at-spi2-core is needed for this test");
        QVERIFY(m_a11y->recordStateChanges());
        QProcessEnvironment environment = m_a11y->environment();
        // The bus could start a keyring; the key is in the settings.
        environment.insert(QStringLiteral("VANTRO_SECRET_BACKEND"), QStringLiteral("null"));
        m_vantro.setProcessEnvironment(environment);
        m_vantro.setProcessChannelMode(QProcess::MergedChannels);
        connect(&m_vantro, &QProcess::readyRead, this, [this] { m_vantroOutput += m_vantro.readAll(); });
        m_vantro.start(QStringLiteral(VANTRO_BINARY), QStringList());
        QVERIFY2(m_vantro.waitForStarted(10000), qPrintable(m_vantro.errorString()));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(m_env->root() + QStringLiteral("/runtime/vantro.socket")), 15000);
    }

    void cleanupTestCase()
    {
        if (m_vantro.state() != QProcess::NotRunning) {
            m_vantro.kill();
            m_vantro.waitForFinished(5000);
        }
        if (m_failed || m_vantro.exitCode() != 0)
            qInfo().noquote() << "vantro said:\n" << QString::fromUtf8(m_vantroOutput);
        m_server.reset();
        m_a11y.reset();
        m_env.reset();
    }

    void cleanup() { m_failed = m_failed || QTest::currentTestFailed(); }

    void doubleCopyRunsThePromptAndCopiesTheAnswer()
    {
        KeyRecorderWindow source(copiedText);
        QVERIFY(XdoTool::focus(source));

        // The socket exists a moment before the key detection is armed, so a gesture that came too early is
        // repeated: before arming both taps simply copy in the source window.
        qulonglong panel = 0;
        int copiesInTheGesture = 0;
        for (int attempt = 0; attempt < 3 && panel == 0; ++attempt) {
            const int before = source.copies();
            QVERIFY(XdoTool::run(QStringLiteral("keydown ctrl key c sleep 0.15 key c keyup ctrl")));
            [[maybe_unused]] const bool shown =
                QTest::qWaitFor([&] { return (panel = visibleVantroWindow()) != 0; }, 4000);
            copiesInTheGesture = source.copies() - before;
        }
        QVERIFY2(panel != 0, "no panel after a double Ctrl+C");
        // The first tap copied in the source window; the second was swallowed.
        QCOMPARE(copiesInTheGesture, 1);
        QTRY_COMPARE_WITH_TIMEOUT(focusedWindow(), panel, 5000);
        QVERIFY(m_server->requests().isEmpty()); // "General" has no default prompt: the panel waits for a choice

        m_a11y->stateChanges.clear();
        QVERIFY(XdoTool::run(QStringLiteral("key 1")));
        QTRY_COMPARE_WITH_TIMEOUT(m_server->requests().size(), 1, 5000);
        const HttpRequest& request = m_server->requests().first();
        QCOMPARE(request.target, QByteArray("/v1/chat/completions"));
        QCOMPARE(request.header("Authorization"), QByteArray("Bearer " + apiKey.toUtf8()));
        const QJsonObject body = m_server->lastBody();
        QCOMPARE(body.value(QLatin1StringView("stream")).toBool(), true);
        QCOMPARE(messageAt(body, 0), u"system: " + defaultPrompts().first().systemPrompt); // prompt 1, Translate
        QCOMPARE(messageAt(body, -1), u"user: " + copiedText);

        // The finished run is recorded; until then the file does not exist.
        QTRY_COMPARE_WITH_TIMEOUT(storedSessions().size(), 1, 5000);
        const QJsonObject session = storedSessions().first().toObject();
        QCOMPARE(session.value(QLatin1StringView("messages")).toArray().size(), 2);
        QCOMPARE(messageAt(session, 0), u"user: [Translate] " + copiedText);
        QCOMPARE(messageAt(session, 1), u"assistant: " + answer);
        QCOMPARE(session.value(QLatin1StringView("title")).toString(), QString(u"[Translate] " + copiedText).left(40));

        // A screen reader hears the finished answer once, not each piece as it streamed in.
        const auto announced = [this] {
            QStringList spoken;
            for (const AccessibilityBus::StateChange& change : std::as_const(m_a11y->stateChanges)) {
                if (change.state == u"showing" && change.value == 1 &&
                    m_a11y->roleName(change.sender, change.path) == u"notification")
                    spoken << m_a11y->name(change.sender, change.path);
            }
            return spoken;
        };
        QTRY_COMPARE_WITH_TIMEOUT(announced(), QStringList{answer}, 5000);

        // Nothing selected in the panel: Ctrl+C takes the answer and closes it. The key detection sees this single
        // tap too and lets it through.
        QCOMPARE(focusedWindow(), panel);
        QVERIFY(XdoTool::run(QStringLiteral("key ctrl+c")));
        QTRY_COMPARE_WITH_TIMEOUT(visibleVantroWindow(), qulonglong(0), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(XdoTool::clipboardText(), answer, 5000);
        QCOMPARE(m_server->requests().size(), 1);
        QCOMPARE(storedSessions().size(), 1);
    }

    // Text selected in another client, never copied: `--trigger --selection` runs on it, not on the clipboard.
    void triggerWithSelectionTakesTheSelectedText()
    {
        const QString selected = QStringLiteral("Selected without copying");
        QGuiApplication::clipboard()->setText(QStringLiteral("Copied earlier"), QClipboard::Clipboard);
        QGuiApplication::clipboard()->setText(selected, QClipboard::Selection);
        const qsizetype before = m_server->requests().size();
        QProcess second;
        second.start(QStringLiteral(VANTRO_BINARY), {QStringLiteral("--trigger"), QStringLiteral("--selection")});
        QTRY_VERIFY_WITH_TIMEOUT(second.state() == QProcess::NotRunning, 15000);
        qulonglong panel = 0;
        QTRY_VERIFY_WITH_TIMEOUT((panel = visibleVantroWindow()) != 0, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(focusedWindow(), panel, 5000);
        QVERIFY(XdoTool::run(QStringLiteral("key 1")));
        QTRY_COMPARE_WITH_TIMEOUT(m_server->requests().size(), before + 1, 5000);
        QCOMPARE(messageAt(m_server->lastBody(), -1), u"user: " + selected);
        QVERIFY(XdoTool::run(QStringLiteral("key Escape")));
        QTRY_COMPARE_WITH_TIMEOUT(visibleVantroWindow(), qulonglong(0), 5000);
    }

    void secondStartHandsQuitToTheRunningInstance()
    {
        QVERIFY(m_vantro.state() == QProcess::Running);
        QProcess second;
        second.setProcessChannelMode(QProcess::ForwardedChannels);
        second.start(QStringLiteral(VANTRO_BINARY), {QStringLiteral("--quit")});
        QTRY_VERIFY_WITH_TIMEOUT(second.state() == QProcess::NotRunning, 15000);
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);

        // The running one ends cleanly (with leak detection on, a leak would make this non-zero).
        QTRY_VERIFY_WITH_TIMEOUT(m_vantro.state() == QProcess::NotRunning, 15000);
        QCOMPARE(m_vantro.exitStatus(), QProcess::NormalExit);
        QCOMPARE(m_vantro.exitCode(), 0);
        QVERIFY2(!m_vantroOutput.contains(apiKey.toUtf8()), "the API key appeared in the output");
        QVERIFY(!QFile::exists(m_env->root() + QStringLiteral("/runtime/vantro.socket")));
    }
};

QTEST_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
