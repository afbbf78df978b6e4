// SPDX-License-Identifier: GPL-3.0-or-later
// Replace under a real window manager: the real `vantro` pastes the answer into the window the text was copied
// from, and never into another one.
#include "model/Settings.h"
#include "support/FakeChatServer.h"
#include "support/FakeNotificationServer.h"
#include "support/KeyRecorderWindow.h"
#include "support/TestEnvironment.h"
#include "support/XdoTool.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QProcess>
#include <QtTest>

#include <xcb/xcb.h>

using namespace Qt::StringLiterals;

namespace {

const QString answer = u"Guten Morgen, wie geht es dir?"_s;

// An application window that pastes like a text field: at Ctrl+V (Ctrl+Shift+V in a terminal) it reads the
// clipboard as it is when the keystroke arrives.
class PasteTarget : public KeyRecorderWindow
{
public:
    explicit PasteTarget(const QString& selection) : KeyRecorderWindow(selection) {}

    QStringList pasted;
    int terminalPastes = 0;

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        KeyRecorderWindow::keyPressEvent(event);
        const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
        if (event->key() != Qt::Key_V)
            return;
        if (modifiers == (Qt::ControlModifier | Qt::ShiftModifier))
            ++terminalPastes;
        else if (modifiers != Qt::ControlModifier)
            return;
        pasted.append(QGuiApplication::clipboard()->text());
    }
};

// The window manager may no longer give `window` the focus: WM_HINTS says it takes no input.
void refuseFocus(QWindow& window)
{
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11->connection();
    const quint32 hints[9] = {1 /* InputHint */, 0 /* input: false */};
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, xcb_window_t(window.winId()), XCB_ATOM_WM_HINTS,
                        XCB_ATOM_WM_HINTS, 32, 9, hints);
    xcb_flush(connection);
}

bool activate(QWindow& window)
{
    window.show();
    return QTest::qWaitForWindowExposed(&window) &&
           XdoTool::run(u"windowactivate --sync "_s + QString::number(window.winId())) &&
           QTest::qWaitForWindowActive(&window);
}

} // namespace

class TestReplace : public QObject
{
    Q_OBJECT

private:
    QProcess m_windowManager;
    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<FakeChatServer> m_server;
    std::unique_ptr<FakeNotificationServer> m_notifications;
    QProcess m_vantro;
    QByteArray m_output;

    bool startVantro(bool restore, bool terminal)
    {
        {
            Settings settings;
            settings.setString(SettingsKeys::apiBaseUrl, m_server->baseUrl());
            settings.setString(SettingsKeys::openaiApiKey, u"sk-replace-test"_s);
            settings.setBoolean(SettingsKeys::hasCompletedOnboarding, true);
            settings.setBoolean(SettingsKeys::replaceRestoresClipboard, restore);
            // This test's windows play the terminal.
            settings.setStringList(SettingsKeys::doubleCopyIgnoredClasses,
                                   terminal ? QStringList{u"xterm"_s, QCoreApplication::applicationName()}
                                            : QStringList{u"xterm"_s});
        }
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, m_notifications->busAddress());
        environment.insert(u"VANTRO_SECRET_BACKEND"_s, u"null"_s);
        m_vantro.setProcessEnvironment(environment);
        m_vantro.setProcessChannelMode(QProcess::MergedChannels);
        m_output.clear();
        m_vantro.start(QStringLiteral(VANTRO_BINARY), QStringList());
        return m_vantro.waitForStarted(10000) &&
               QTest::qWaitFor([this] { return QFile::exists(m_env->root() + u"/runtime/vantro.socket"_s); }, 15000);
    }

    void stopVantro()
    {
        QProcess quit;
        quit.setProcessEnvironment(m_vantro.processEnvironment());
        quit.start(QStringLiteral(VANTRO_BINARY), {u"--quit"_s});
        [[maybe_unused]] const bool ended =
            QTest::qWaitFor([&] { return m_vantro.state() == QProcess::NotRunning; }, 15000);
        if (m_vantro.state() != QProcess::NotRunning) {
            m_vantro.kill();
            m_vantro.waitForFinished(5000);
        }
        quit.waitForFinished(5000);
    }

    qulonglong visibleVantroWindow() const
    {
        return XdoTool::output({u"search"_s, u"--onlyvisible"_s, u"--pid"_s, QString::number(m_vantro.processId()),
                                u"--class"_s, u"^vantro$"_s})
            .section(u'\n', 0, 0)
            .toULongLong();
    }

    qsizetype storedRuns() const
    {
        const QByteArray file = TestEnvironment::readFile(m_env->appFolder() + u"/chat_sessions.json"_s);
        return file.count("\"assistant\"");
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_windowManager.start(u"openbox"_s, {u"--sm-disable"_s});
        QVERIFY2(m_windowManager.waitForStarted(5000), "openbox is needed for this test");
        QTRY_VERIFY_WITH_TIMEOUT(XdoTool::output({u"get_num_desktops"_s}).trimmed().toInt() > 0, 10000);
        m_env = std::make_unique<TestEnvironment>();
        QVERIFY(m_env->isValid());
        m_server = std::make_unique<FakeChatServer>();
        QVERIFY(m_server->listen());
        m_server->setResponse(FakeChatServer::answer({u"Guten Morgen, "_s, u"wie geht es dir?"_s}, 20));
        m_notifications = std::make_unique<FakeNotificationServer>(QStringList{u"body"_s});
        QVERIFY(m_notifications->isRunning());
        connect(&m_vantro, &QProcess::readyRead, this, [this] { m_output += m_vantro.readAll(); });
    }

    void cleanupTestCase()
    {
        m_notifications.reset();
        m_server.reset();
        m_env.reset();
        m_windowManager.terminate();
        m_windowManager.waitForFinished(5000);
    }

    void cleanup()
    {
        if (m_vantro.state() != QProcess::NotRunning)
            stopVantro();
        if (QTest::currentTestFailed())
            qInfo().noquote() << "vantro said:\n" << QString::fromUtf8(m_output);
    }

    void replace_data()
    {
        QTest::addColumn<QString>("before"); // what happens to the source window before Ctrl+Return
        QTest::addColumn<bool>("restore");
        QTest::addColumn<bool>("terminal");
        QTest::addColumn<bool>("pastes");
        QTest::addColumn<QString>("clipboardAfter");

        const QString copied = u"Good morning, how are you?"_s;
        QTest::newRow("pasted, answer stays on the clipboard") << QString() << false << false << true << answer;
        QTest::newRow("pasted, clipboard restored") << QString() << true << false << true << copied;
        QTest::newRow("terminal: Ctrl+Shift+V") << QString() << false << true << true << answer;
        QTest::newRow("window closed") << u"close"_s << true << false << false << answer;
        QTest::newRow("focus refused") << u"refuse"_s << false << false << false << answer;
    }

    void replace()
    {
        QFETCH(QString, before);
        QFETCH(bool, restore);
        QFETCH(bool, terminal);
        QFETCH(bool, pastes);
        QFETCH(QString, clipboardAfter);
        const QString copied = u"Good morning, how are you?"_s;

        QVERIFY(startVantro(restore, terminal));
        PasteTarget other(u"other"_s);
        QVERIFY(activate(other));
        auto source = std::make_unique<PasteTarget>(copied);
        QVERIFY(activate(*source));

        // From a terminal the trigger is the desktop's shortcut command: a double copy there is ignored.
        qulonglong panel = 0;
        if (terminal) {
            QGuiApplication::clipboard()->setText(copied);
            QProcess trigger;
            trigger.start(QStringLiteral(VANTRO_BINARY), {u"--trigger"_s});
            QVERIFY(trigger.waitForFinished(15000));
            QTRY_VERIFY_WITH_TIMEOUT((panel = visibleVantroWindow()) != 0, 5000);
        } else {
            // The socket exists a moment before the key detection is armed: a gesture too early is repeated.
            for (int attempt = 0; attempt < 3 && panel == 0; ++attempt) {
                QVERIFY(XdoTool::run(u"keydown ctrl key c sleep 0.15 key c keyup ctrl"_s));
                [[maybe_unused]] const bool shown =
                    QTest::qWaitFor([&] { return (panel = visibleVantroWindow()) != 0; }, 4000);
            }
            QVERIFY2(panel != 0, "no panel after a double Ctrl+C");
        }
        QTRY_COMPARE_WITH_TIMEOUT(XdoTool::output({u"getwindowfocus"_s}).trimmed().toULongLong(), panel, 5000);
        const qsizetype runs = storedRuns();
        QVERIFY(XdoTool::run(u"key 1"_s));
        QTRY_COMPARE_WITH_TIMEOUT(storedRuns(), runs + 1, 10000);

        if (before == u"close")
            source.reset();
        else if (before == u"refuse")
            refuseFocus(*source);
        const qsizetype notified = m_notifications->shown().size();
        QVERIFY(XdoTool::run(u"key ctrl+Return"_s));
        QTRY_COMPARE_WITH_TIMEOUT(visibleVantroWindow(), qulonglong(0), 5000);

        if (pastes) {
            QTRY_COMPARE_WITH_TIMEOUT(source->pasted.size(), 1, 5000);
            QCOMPARE(source->pasted.first(), answer);
            QCOMPARE(source->terminalPastes, terminal ? 1 : 0);
        } else {
            QTRY_COMPARE_WITH_TIMEOUT(m_notifications->shown().size(), notified + 1, 5000);
            QCOMPARE(m_notifications->shown().last().body, u"Vantro copied the answer; press Ctrl+V to paste it."_s);
        }
        // Long enough for a second paste or a restore to have happened.
        QTest::qWait(3500);
        if (source) {
            QCOMPARE(source->pasted.size(), pastes ? 1 : 0);
            if (before == u"refuse")
                QCOMPARE(source->count(Qt::Key_V, Qt::ControlModifier), 0);
        }
        QCOMPARE(other.pasted.size(), 0);
        QCOMPARE(other.count(Qt::Key_V, Qt::ControlModifier) + other.terminalPastes, 0);
        QCOMPARE(QGuiApplication::clipboard()->text(), clipboardAfter);
    }
};

QTEST_MAIN(TestReplace)
#include "tst_replace.moc"
