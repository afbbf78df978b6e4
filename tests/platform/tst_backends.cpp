// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Backends.h"
#include "platform/Session.h"
#include "platform/command/ScreenshotCommand.h"
#include "platform/null/ScreenGrabberNull.h"
#include "platform/portal/ScreenshotPortal.h"

#include <QtTest>

#include <memory>

using namespace Qt::StringLiterals;

// Which backend the factory picks for a session, under the offscreen platform with the environment of each row.
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
};

QTEST_MAIN(TestBackends)
#include "tst_backends.moc"
