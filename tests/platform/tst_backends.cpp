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
        QTest::newRow("no desktop") << ""
                                    << ""
                                    << "" << int(Session::Kind::None) << "Global key detection needs an X11 session."
                                    << "ScreenGrabberNull";
        QTest::newRow("wayland") << "wayland"
                                 << ""
                                 << "" << int(Session::Kind::Wayland) << "Wayland lets no program watch keys globally."
                                 << "ScreenshotPortal";
        QTest::newRow("keys turned off") << "wayland"
                                         << "null"
                                         << "" << int(Session::Kind::Wayland) << "Global key detection is turned off"
                                         << "ScreenshotPortal";
        QTest::newRow("a command wins") << "wayland"
                                        << ""
                                        << "true" << int(Session::Kind::Wayland) << "Wayland lets"
                                        << "ScreenshotCommand";
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
        grabber->grab([&calls](std::optional<QImage> image, const QString& error) {
            QVERIFY(!image && error.isEmpty());
            ++calls;
        });
        QCOMPARE(calls, 0);
        QTRY_COMPARE(calls, 1);
        QTRY_VERIFY(grabber.isNull());
    }
};

QTEST_MAIN(TestBackends)
#include "tst_backends.moc"
