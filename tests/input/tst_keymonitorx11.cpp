// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/KeyMonitorX11.h"
#include "support/KeyRecorderWindow.h"
#include "support/StdoutCapture.h"
#include "support/XdoTool.h"

#include <QtTest>

#include <atomic>
#include <thread>

namespace {

// Counts copy presses; the first one can be made to hang, as a stuck monitor thread would.
class StallingHandler : public KeyMonitor::Handler
{
public:
    std::atomic<int> copyPresses{0};
    std::atomic<int> stallMs{0};

    KeyTap::Verdict keyDown(const KeyTap::KeyDown& key) override
    {
        if (!key.copyKey)
            return KeyTap::Verdict::Pass;
        ++copyPresses;
        if (const int ms = stallMs.exchange(0))
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        return KeyTap::Verdict::Swallow;
    }
    void timerFired() override {}
};

} // namespace

class TestKeyMonitorX11 : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // A monitor that does not answer in time: the watchdog cuts its connection, the keyboard thaws, and the
    // monitor comes back with a new connection and grabs Ctrl+C again.
    void watchdogThawsAStalledKeyboard()
    {
        KeyRecorderWindow window;
        QVERIFY(XdoTool::focus(window));
        StallingHandler handler;
        KeyMonitorX11 monitor;
        StdoutCapture out;
        QVERIFY(monitor.start(&handler));
        QCOMPARE(monitor.connectionCount(), 1);

        handler.stallMs = 1500;
        QVERIFY(XdoTool::run(QStringLiteral("keydown ctrl key c keyup ctrl key x")));
        // The keyboard works again while the monitor thread is still asleep.
        QTRY_COMPARE_WITH_TIMEOUT(window.count(Qt::Key_X, Qt::NoModifier), 1, 1200);
        QVERIFY(out.text().contains(u"KeyMonitor: The keyboard waited more than 200 ms"));

        QTRY_COMPARE_WITH_TIMEOUT(monitor.connectionCount(), 2, 5000);
        QTRY_VERIFY(monitor.isAvailable());
        const int before = handler.copyPresses;
        const int copiesBefore = window.copies();
        QVERIFY(XdoTool::run(QStringLiteral("keydown ctrl key c keyup ctrl")));
        QTRY_COMPARE(handler.copyPresses.load(), before + 1);
        // Swallowed by the new grab.
        QTest::qWait(100);
        QCOMPARE(window.copies(), copiesBefore);
    }

    // Stopping the monitor while it hangs on a frozen keyboard: the watchdog still thaws it, rather than leaving
    // the keyboard frozen until the hang ends.
    void stopWhileStalledStillThaws()
    {
        KeyRecorderWindow window;
        QVERIFY(XdoTool::focus(window));
        StallingHandler handler;
        KeyMonitorX11 monitor;
        QVERIFY(monitor.start(&handler));

        handler.stallMs = 3000;
        QVERIFY(XdoTool::run(QStringLiteral("keydown ctrl key c keyup ctrl")));
        QTRY_COMPARE(handler.copyPresses.load(), 1);
        std::jthread stopper([&monitor] { monitor.stop(); });
        QVERIFY(XdoTool::run(QStringLiteral("key x")));
        QTRY_COMPARE_WITH_TIMEOUT(window.count(Qt::Key_X, Qt::NoModifier), 1, 1500);
        stopper.join();
        QVERIFY(!monitor.isRunning());
    }

    // After a swallowed Ctrl+C the grab stays frozen on us: the next keys must still reach the window.
    void swallowKeepsTheKeyboardUsable()
    {
        KeyRecorderWindow window;
        QVERIFY(XdoTool::focus(window));
        StallingHandler handler;
        KeyMonitorX11 monitor;
        QVERIFY(monitor.start(&handler));

        QVERIFY(XdoTool::run(QStringLiteral("keydown ctrl key c key v keyup ctrl key a b")));
        QTRY_COMPARE(window.count(Qt::Key_B, Qt::NoModifier), 1);
        QCOMPARE(window.count(Qt::Key_V, Qt::ControlModifier), 1);
        QCOMPARE(window.count(Qt::Key_A, Qt::NoModifier), 1);
        QCOMPARE(window.copies(), 0);
        QCOMPARE(handler.copyPresses.load(), 1);
    }

    void latencyIsRecorded()
    {
        KeyRecorderWindow window;
        QVERIFY(XdoTool::focus(window));
        StallingHandler handler;
        KeyMonitorX11 monitor;
        std::atomic<int> recorded{0};
        monitor.setLatencyRecorder([&recorded](std::chrono::nanoseconds latency) {
            if (latency.count() > 0)
                ++recorded;
        });
        QVERIFY(monitor.start(&handler));
        QVERIFY(XdoTool::run(QStringLiteral("keydown ctrl key c key c keyup ctrl")));
        // Two presses and two releases of C pass through the grab; the grab ends with each release of C, so the
        // release of Ctrl goes straight to the window.
        QTRY_COMPARE(recorded.load(), 4);
        QTest::qWait(100);
        QCOMPARE(recorded.load(), 4);
    }

    void noGrabWhenDisabled()
    {
        qputenv("VANTRO_NO_GRAB", "1");
        StallingHandler handler;
        KeyMonitorX11 monitor;
        QVERIFY(!monitor.start(&handler));
        QVERIFY(!monitor.isAvailable());
        QVERIFY(monitor.unavailableReason().contains(u"VANTRO_NO_GRAB"));
        qunsetenv("VANTRO_NO_GRAB");

        KeyRecorderWindow window;
        QVERIFY(XdoTool::focus(window));
        QVERIFY(XdoTool::run(QStringLiteral("keydown ctrl key c key c keyup ctrl")));
        QTRY_COMPARE(window.copies(), 2);
        QCOMPARE(handler.copyPresses.load(), 0);
    }
};

QTEST_MAIN(TestKeyMonitorX11)
#include "tst_keymonitorx11.moc"
