// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Autostart.h"
#include "platform/Backends.h"
#include "platform/Log.h"
#include "platform/Session.h"
#include "platform/command/ScreenshotCommand.h"
#include "platform/dbus/StatusNotifierWatcher.h"
#include "platform/null/ScreenGrabberNull.h"
#include "platform/portal/ScreenshotPortal.h"
#include "support/PrivateSessionBus.h"
#include "support/StdoutCapture.h"
#include "support/TestEnvironment.h"

#include <QSignalSpy>
#include <QtTest>

#include <memory>

using namespace Qt::StringLiterals;

// The platform layer under the offscreen platform: which backend the factory picks for a session, the log line, the
// autostart entry and the StatusNotifier tray's arrival.
class TestBackends : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void picksForTheSession_data()
    {
        QTest::addColumn<QString>("sessionType");       // XDG_SESSION_TYPE
        QTest::addColumn<QString>("keyBackend");        // VANTRO_KEY_BACKEND
        QTest::addColumn<QString>("screenshotCommand"); // VANTRO_SCREENSHOT_COMMAND
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("reasonStart");
        QTest::addColumn<QString>("grabber");
        const auto row = [](const char* name, const char* session, const char* keys, const char* command,
                            Session::Kind kind, const char* reason, const char* grabber) {
            QTest::newRow(name) << QString::fromLatin1(session) << QString::fromLatin1(keys)
                                << QString::fromLatin1(command) << int(kind) << QString::fromLatin1(reason)
                                << QString::fromLatin1(grabber);
        };
        const auto wayland = Session::Kind::Wayland;
        row("no desktop", "", "", "", Session::Kind::None, "Global key detection needs an X11 session.",
            "ScreenGrabberNull");
        row("wayland", "wayland", "", "", wayland, "Wayland lets no program watch keys globally.", "ScreenshotPortal");
        row("keys turned off", "wayland", "null", "", wayland, "Global key detection is turned off",
            "ScreenshotPortal");
        row("a command wins", "wayland", "", "true", wayland, "Wayland lets", "ScreenshotCommand");
    }

    void picksForTheSession()
    {
        QFETCH(QString, sessionType);
        QFETCH(QString, keyBackend);
        QFETCH(QString, screenshotCommand);
        QFETCH(int, kind);
        QFETCH(QString, reasonStart);
        QFETCH(QString, grabber);
        const auto set = [](const char* name, const QString& value) {
            if (value.isEmpty())
                qunsetenv(name);
            else
                qputenv(name, value.toUtf8());
        };
        set("XDG_SESSION_TYPE", sessionType);
        set("VANTRO_KEY_BACKEND", keyBackend);
        set("VANTRO_SCREENSHOT_COMMAND", screenshotCommand);

        const Session session = Session::current();
        QCOMPARE(int(session.kind), kind);
        QVERIFY2(session.keyDetectionUnavailableReason.startsWith(reasonStart),
                 qPrintable(session.keyDetectionUnavailableReason));

        // Off X11 every key backend is a null one that tells the same reason.
        const std::unique_ptr<KeyMonitor> monitor = Backends::createKeyMonitor();
        QVERIFY(!monitor->isAvailable());
        QCOMPARE(monitor->unavailableReason(), session.keyDetectionUnavailableReason);
        QVERIFY(!Backends::createGlobalHotkey()->registerHotkey(8, 0x100));

        const std::unique_ptr<ScreenGrabber> picked(Backends::createScreenGrabber(QString(), nullptr));
        QCOMPARE(QString::fromLatin1(picked->metaObject()->className()), grabber);
    }

    // The null grabber ends every capture later, with nothing, and then deletes itself.
    void nullGrabberCompletesLater()
    {
        QPointer<ScreenGrabber> grabber = new ScreenGrabberNull;
        int calls = 0;
        grabber->grab(
            [&calls](std::optional<QImage> image, const QString& error) { calls += !image && error.isEmpty(); });
        QCOMPARE(calls, 0);
        QTRY_COMPARE(calls, 1);
        QTRY_VERIFY(grabber.isNull());
    }

    void oneLinePerDiagnostic_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("expected");
        QTest::newRow("plain") << u"saved"_s << u"Test: saved\n"_s;
        QTest::newRow("server body with line breaks")
            << u"HTTP 401 — {\n \"error\": 1\r\n}"_s << u"Test: HTTP 401 — {  \"error\": 1  }\n"_s;
        QTest::newRow("a body posing as another component")
            << u"x\nChatStore: fake"_s << u"Test: x ChatStore: fake\n"_s;
        QTest::newRow("unicode separators") << u"a\u2028b\u2029c"_s << u"Test: a b c\n"_s;
    }

    void oneLinePerDiagnostic()
    {
        QFETCH(QString, message);
        QFETCH(QString, expected);
        StdoutCapture out;
        logLine(u"Test", message);
        QCOMPARE(out.text(), expected);
    }

    // The Exec value a desktop reads back as the same path: quoted, with the reserved characters escaped.
    void execValue_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("expected");
        QTest::newRow("space") << u"/opt/my apps/vantro"_s << u"\"/opt/my apps/vantro\""_s;
        // Escaped for the quotes, then each backslash doubled for the value.
        QTest::newRow("reserved") << u"/a\"b`c$d\\e"_s << u"\"/a\\\\\"b\\\\`c\\\\$d\\\\\\\\e\""_s;
        QTest::newRow("percent") << u"/tmp/100%/vantro"_s << u"\"/tmp/100%%/vantro\""_s;
    }

    void execValue()
    {
        QFETCH(QString, program);
        QFETCH(QString, expected);
        QCOMPARE(Autostart::execValue(program), expected);
    }

    // The entry where the desktop looks, as it reads it; one the desktop turned off counts as off. The switch that
    // writes and removes it, and its failure on a blocked folder, are the preferences test's.
    void entryAsTheDesktopReadsIt()
    {
        TestEnvironment env;
        QCOMPARE(Autostart::entryPath(), env.configHome() + u"/autostart/vantro.desktop"_s);
        QVERIFY(Autostart::setEnabled(true, u"/usr/bin/vantro"_s));
        const QByteArray entry = TestEnvironment::readFile(Autostart::entryPath());
        QVERIFY(entry.startsWith("[Desktop Entry]\n"));
        QVERIFY(entry.contains("\nExec=\"/usr/bin/vantro\"\n"));
        QVERIFY(TestEnvironment::writeFile(Autostart::entryPath(), entry + "Hidden=true\n"));
        QVERIFY(!Autostart::isEnabled());
        QVERIFY(Autostart::setEnabled(false, QString()));
        QVERIFY(Autostart::setEnabled(false, QString())); // nothing to remove is no failure
    }

    // The StatusNotifier tray is there once its watcher takes its name on the session bus. The XEmbed tray's
    // announcement is the first-run test's: a tray announced after launch docks the icon there.
    void statusNotifierWatcherName()
    {
        PrivateSessionBus bus(u"org.example.Panel"_s);
        QVERIFY(bus.isRunning());
        StatusNotifierWatcher watcher(QDBusConnection::connectToBus(bus.address(), u"tray-test"_s));
        QSignalSpy appeared(&watcher, &TrayWatcher::trayAppeared);
        QVERIFY(bus.connection().registerService(u"org.kde.StatusNotifierWatcher"_s));
        QTRY_COMPARE(appeared.size(), 1);
    }
};

QTEST_MAIN(TestBackends)
#include "tst_backends.moc"
