// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/KeyMonitorX11.h"
#include "platform/x11/MacKeyCodes.h"
#include "support/KeyRecorderWindow.h"
#include "support/XdoTool.h"

#include <QSignalSpy>
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

// A focused recorder window and a monitor reporting to a StallingHandler.
struct Watched
{
    KeyRecorderWindow window;
    StallingHandler handler;
    KeyMonitorX11 monitor;
    bool start() { return XdoTool::focus(window) && monitor.start(&handler); }
};

} // namespace

class TestKeyMonitorX11 : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Hardware codes of the evdev keymap name the same key whatever the layout: C, J, Space, Up, F12, none.
    void x11KeycodesNameThePhysicalKey()
    {
        const QList<std::pair<quint32, int>> rows{{54, 8}, {45, 40}, {65, 49}, {111, 126}, {96, 111}, {250, -1}};
        for (const auto& [x11, mac] : rows) {
            const auto code = MacKeyCodes::fromX11Keycode(x11);
            QCOMPARE(code ? int(*code) : -1, mac);
        }
    }

    // A monitor that does not answer in time: the watchdog cuts its connection, the keyboard thaws, and the
    // monitor comes back with a new connection and grabs Ctrl+C again. Stopped while it hangs, the watchdog still
    // thaws it, rather than leaving the keyboard frozen until the hang ends.
    void watchdogThawsAStalledKeyboard()
    {
        Watched w;
        QVERIFY(w.start());
        QSignalSpy thawed(&w.monitor, &KeyMonitor::keyboardThawed);

        w.handler.stallMs = 1500;
        QVERIFY(XdoTool::run(QStringLiteral("keydown ctrl key c keyup ctrl key x")));
        // The keyboard works again while the monitor thread is still asleep.
        QTRY_COMPARE_WITH_TIMEOUT(w.window.count(Qt::Key_X, Qt::NoModifier), 1, 1200);
        QTRY_COMPARE(thawed.size(), 1); // so that the user can be told

        QTRY_COMPARE_WITH_TIMEOUT(w.monitor.connectionCount(), 2, 5000);
        QTRY_VERIFY(w.monitor.isAvailable());
        const int before = w.handler.copyPresses;
        const int copiesBefore = w.window.copies();
        QVERIFY(XdoTool::run(QStringLiteral("keydown ctrl key c keyup ctrl")));
        QTRY_COMPARE(w.handler.copyPresses.load(), before + 1);
        QTest::qWait(100);
        QCOMPARE(w.window.copies(), copiesBefore); // swallowed by the new grab

        w.handler.stallMs = 3000;
        QVERIFY(XdoTool::run(QStringLiteral("keydown ctrl key c keyup ctrl")));
        QTRY_COMPARE(w.handler.copyPresses.load(), before + 2);
        std::jthread stopper([&w] { w.monitor.stop(); });
        QVERIFY(XdoTool::run(QStringLiteral("key x")));
        QTRY_COMPARE_WITH_TIMEOUT(w.window.count(Qt::Key_X, Qt::NoModifier), 2, 1500);
        stopper.join();
        QVERIFY(!w.monitor.isRunning());
    }

    // After a swallowed Ctrl+C the grab stays frozen on us: the next keys must still reach the window. Each press
    // and release of C passes through the grab and has its latency recorded; the grab ends with each release of C,
    // so V and the release of Ctrl go straight to the window.
    void swallowKeepsTheKeyboardUsable()
    {
        Watched w;
        std::atomic<int> recorded{0};
        w.monitor.setLatencyRecorder(
            [&recorded](std::chrono::nanoseconds latency) { recorded += latency.count() > 0; });
        QVERIFY(w.start());
        QVERIFY(XdoTool::run(QStringLiteral("keydown ctrl key c key c key v keyup ctrl key a b")));
        QTRY_COMPARE(w.window.count(Qt::Key_B, Qt::NoModifier), 1);
        QCOMPARE(w.window.count(Qt::Key_V, Qt::ControlModifier), 1);
        QCOMPARE(w.window.count(Qt::Key_A, Qt::NoModifier), 1);
        QCOMPARE(w.window.copies(), 0);
        QCOMPARE(w.handler.copyPresses.load(), 2);
        QTRY_COMPARE(recorded.load(), 4);
    }

    // Refused before any grab; Ctrl+C reaching the application without a grab is the hotkey manager's "disabled" row.
    void noGrabWhenDisabled()
    {
        Watched w;
        qputenv("VANTRO_NO_GRAB", "1");
        QVERIFY(!w.monitor.start(&w.handler));
        qunsetenv("VANTRO_NO_GRAB");
        QVERIFY(w.monitor.unavailableReason().contains(u"VANTRO_NO_GRAB"));
    }
};

QTEST_MAIN(TestKeyMonitorX11)
#include "tst_keymonitorx11.moc"
