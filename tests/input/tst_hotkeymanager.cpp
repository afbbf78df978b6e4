// SPDX-License-Identifier: GPL-3.0-or-later
// Key detection: the tap detector and the walkthrough's exercises on a manual clock; then on a real X server, typed
// with xdotool, the X11 key monitor itself and the manager over it.
#include "input/CopyTapDetector.h"
#include "input/HotkeyManager.h"
#include "platform/x11/KeyMonitorX11.h"
#include "support/KeyRecorderWindow.h"
#include "support/XdoTool.h"
#include "ui/CopyGestureExercise.h"

#include <QSignalSpy>
#include <QtTest>

#include <atomic>
#include <thread>

using namespace Qt::StringLiterals;
using KeyTap::KeyDown;
using KeyTap::Verdict;

namespace {

const KeyDown ctrlC{true, KeyTap::Control, false};

// A detector on a clock that moves only when the test says so, with its one timer; it logs its callbacks and timer
// cancels, with the firing time of trigger and screenshot in ms.
struct Detector
{
    CopyTapDetector::Duration now{std::chrono::seconds(1000)};
    std::optional<CopyTapDetector::Duration> deadline;
    QStringList log;
    CopyTapDetector detector{{[this] { return now; }, [this](auto delay) { deadline = now + delay; },
                              [this] {
                                  log << QStringLiteral("cancel");
                                  deadline.reset();
                              }}};
    const CopyTapDetector::Duration start = now;

    Detector()
    {
        detector.onCopyTap = [this](int n) { log << QStringLiteral("tap%1").arg(n); };
        detector.onTrigger = [this] { log << u"trigger@" + at(); };
        detector.onScreenshotTrigger = [this] { log << u"shot@" + at(); };
    }
    QString at() const
    {
        return QString::number(std::chrono::duration_cast<std::chrono::milliseconds>(now - start).count());
    }
    // Moves time forward, firing the timer at its deadline if it falls within.
    void advanceMs(int milliseconds)
    {
        const CopyTapDetector::Duration target = now + std::chrono::milliseconds(milliseconds);
        if (deadline && *deadline <= target) {
            now = *std::exchange(deadline, std::nullopt);
            detector.timerFired();
        }
        now = target;
    }
};

void row(const char* name, const char* script, const char* expected)
{
    QTest::newRow(name) << QString::fromLatin1(script) << QString::fromLatin1(expected);
}

// A focused recorder window and a manager that counts what it reported through its three callbacks.
struct Watched
{
    KeyRecorderWindow window;
    HotkeyManager manager;
    QList<int> taps;
    int triggers = 0;
    int screenshots = 0;

    Watched()
    {
        QObject::connect(&manager, &HotkeyManager::copyTapped, [this](int n) { taps << n; });
        QObject::connect(&manager, &HotkeyManager::triggered, [this] { ++triggers; });
        QObject::connect(&manager, &HotkeyManager::screenshotTriggered, [this] { ++screenshots; });
    }
};

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

// A focused recorder window and a bare monitor reporting to a StallingHandler.
struct WatchedMonitor
{
    KeyRecorderWindow window;
    StallingHandler handler;
    KeyMonitorX11 monitor;
    bool start() { return XdoTool::focus(window) && monitor.start(&handler); }
};

} // namespace

class TestHotkeyManager : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb")); }

    // Each step of a script advances the clock by its number of ms, then presses: c (Ctrl+C), caps-c, shift-c,
    // alt-c, plain-c (C alone), repeat (an auto-repeated Ctrl+C), other (another key), or nothing for wait;
    // reset calls resetTapState() (as configure() does), late delivers a timer that was on its way before it.
    // Expected: the verdicts (Pass/Swallow), the callbacks with the ms they fired at (a double fires exactly 0.2 s
    // after its second tap), and the tap count at the end.
    void sequences_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("expected");
        row("double exactly 0.4 s", "c+0 c+400 wait+1000", "PS | tap1 tap2 trigger@600 | 0");
        row("0.401 s is a new first tap", "c+0 c+401 wait+1000", "PP | tap1 tap1 | 1");
        row("triple, third after 0.1 s", "c+0 c+300 c+100 wait+1000", "PSS | tap1 tap2 tap3 cancel shot@400 | 0");
        row("third when the timer is due", "c+0 c+300 c+200", "PSP | tap1 tap2 trigger@500 tap1 | 1");
        row("fourth tap starts over", "c+0 c+100 c+100 c+100", "PSSP | tap1 tap2 tap3 cancel shot@200 tap1 | 1");
        row("other key within 0.2 s cancels", "c+0 c+300 other+100 wait+1000", "PSP | tap1 tap2 cancel | 0");
        row("other key between taps", "c+0 other+50 c+50 wait+1000", "PPP | tap1 tap1 | 1");
        row("Ctrl+Alt+C resets", "c+0 alt-c+100 c+100 wait+1000", "PPP | tap1 tap1 | 1");
        row("Ctrl+Shift+C cancels a pending double", "c+0 c+100 shift-c+50 wait+1000", "PSP | tap1 tap2 cancel | 0");
        row("reset cancels a pending double", "c+0 c+100 reset+0 late+0 c+100 wait+1000",
            "PSP | tap1 tap2 cancel tap1 | 1");
        row("C without Ctrl is not a tap", "plain-c+0 plain-c+100 wait+1000", "PP |  | 0");
        row("Caps Lock counts", "caps-c+0 caps-c+300 wait+1000", "PS | tap1 tap2 trigger@500 | 0");
        row("repeat breaks the sequence", "c+0 repeat+100 c+100 wait+1000", "PPP | tap1 tap1 | 1");
    }

    void sequences()
    {
        QFETCH(QString, script);
        QFETCH(QString, expected);
        Detector d;
        QString verdicts;
        for (const QString& step : script.split(u' ', Qt::SkipEmptyParts)) {
            const QString name = step.section(u'+', 0, 0);
            d.advanceMs(step.section(u'+', 1, 1).toInt());
            KeyDown key = ctrlC;
            if (name == u"wait")
                continue;
            if (name == u"reset" || name == u"late") {
                name == u"reset" ? d.detector.resetTapState() : d.detector.timerFired();
                continue;
            }
            if (name == u"caps-c")
                key.modifiers |= KeyTap::CapsLock;
            else if (name == u"shift-c")
                key.modifiers |= KeyTap::Shift;
            else if (name == u"alt-c")
                key.modifiers |= KeyTap::Alt;
            else if (name == u"plain-c")
                key.modifiers = 0;
            else if (name == u"repeat")
                key.autoRepeat = true;
            else if (name == u"other")
                key.copyKey = false;
            else if (name != u"c")
                QFAIL("unknown step");
            verdicts += d.detector.keyDown(key) == Verdict::Swallow ? u'S' : u'P';
        }
        QCOMPARE(verdicts + u" | " + d.log.join(u' ') + u" | " + QString::number(d.detector.tapCount()), expected);
    }

    // The walkthrough's exercises after the detector's counted taps; more taps than needed still pass. The double
    // and triple copies themselves, and an exercise shown again, are the first-run test's.
    void exerciseSequences_data()
    {
        QTest::addColumn<int>("taps");
        QTest::addColumn<QString>("events");
        QTest::addColumn<bool>("detected");
        QTest::newRow("one tap is not a double copy") << 2 << u"tap1"_s << false;
        QTest::newRow("a triple copy passes the double") << 2 << u"tap3"_s << true;
    }

    void exerciseSequences()
    {
        QFETCH(int, taps);
        QFETCH(QString, events);
        QFETCH(bool, detected);
        CopyGestureExercise exercise(taps);
        for (const QString& event : events.split(u' ', Qt::SkipEmptyParts))
            exercise.copyTapped(event.mid(3).toInt());
        QCOMPARE(exercise.isDetected(), detected);
    }

    // The rows of the double-copy table, typed with xdotool into a real window while the manager watches.
    void doubleCopy_data()
    {
        QTest::addColumn<QString>("typing");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<bool>("locks");
        QTest::addColumn<QString>("windowClass");
        QTest::addColumn<QList<int>>("taps");
        QTest::addColumn<int>("triggers");
        QTest::addColumn<int>("copies"); // Ctrl+C presses the window received; -1: held, repeats and all

        const auto typed = [](const char* name, const char* typing, QList<int> taps, int triggers, int copies,
                              bool enabled = true, bool locks = false, const char* cls = "") {
            QTest::newRow(name) << QString::fromLatin1(typing) << enabled << locks << QString::fromLatin1(cls) << taps
                                << triggers << copies;
        };
        // The timing rules are the detector's own test, the plain double the end-to-end test's and the triple the
        // first-run test's; these rows are what the X server adds to them.
        const char* twice = "keydown ctrl key c sleep 0.15 key c keyup ctrl";
        typed("other key", "keydown ctrl key c key v key c keyup ctrl", {1, 1}, 0, 2);
        typed("other modifiers", "keydown ctrl key c key shift+c key c keyup ctrl", {1, 1}, 0, 2);
        typed("locks", twice, {1, 2}, 1, 1, true, true);
        typed("terminal", twice, {}, 0, 2, true, false, "XTerm");
        // Held down: the repeats reach the window and nothing fires.
        typed("held", "keydown ctrl keydown c sleep 1.2 keyup c keyup ctrl", {1}, 0, -1);
        // Disabled: no key grabbed, Ctrl+C belongs to the application alone.
        typed("disabled", twice, {}, 0, 2, false);
    }

    void doubleCopy()
    {
        QFETCH(QString, typing);
        QFETCH(bool, enabled);
        QFETCH(bool, locks);
        QFETCH(QString, windowClass);
        QFETCH(QList<int>, taps);
        QFETCH(int, triggers);
        QFETCH(int, copies);

        Watched w;
        w.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w.window));
        if (!windowClass.isEmpty())
            QVERIFY(XdoTool::run(QStringLiteral("set_window --class %1 --classname %2 %3")
                                     .arg(windowClass, windowClass.toLower(), QString::number(w.window.winId()))));
        QVERIFY(XdoTool::focus(w.window));
        w.manager.configure(enabled, 0, 0);

        // Caps Lock and Num Lock must be off again before the next test, whatever happens.
        const QString toggleLocks = QStringLiteral("key Caps_Lock Num_Lock");
        const bool locked = locks && XdoTool::run(toggleLocks);
        const auto unlock = qScopeGuard([&] {
            if (locked)
                XdoTool::run(toggleLocks);
        });
        QCOMPARE(locked, locks);
        QVERIFY(XdoTool::run(typing));
        // What should come may be slow on a loaded machine; then long enough for anything that should not.
        QTRY_COMPARE(w.taps, taps);
        QTRY_COMPARE(w.triggers, triggers);
        if (copies >= 0)
            QTRY_COMPARE(w.window.copies(), copies);
        QTest::qWait(400);

        QCOMPARE(w.taps, taps);
        QCOMPARE(w.triggers, triggers);
        QCOMPARE(w.screenshots, 0);
        if (copies < 0) {
            QVERIFY2(w.window.autoRepeats() >= 2, qPrintable(QString::number(w.window.autoRepeats())));
            QCOMPARE(w.window.count(Qt::Key_C, Qt::ControlModifier), w.window.autoRepeats() + 1);
        } else {
            QCOMPARE(w.window.copies(), copies);
        }
    }

    // Another client holding Ctrl+C: the same key cannot be had as a custom hotkey either, nothing crashes, and the
    // first client keeps working. Detection reported unavailable, telling the user and re-arming once the key is free
    // are the first-run test's.
    void grabTaken()
    {
        Watched w;
        QVERIFY(XdoTool::focus(w.window));
        w.manager.configure(true, 0, 0);

        // Asking before starting grabs nothing (a grab of a moment would eat a Ctrl+C), so it cannot see the holder.
        QVERIFY(HotkeyManager().isDetectionAvailable());
        HotkeyManager custom;
        custom.configure(false, 0x08, 0x100); // Ctrl+C
        QVERIFY(!custom.isCustomHotkeyRegistered());
        custom.configure(false, 0x34, 0x100); // no such key position on a PC keyboard
        QVERIFY(!custom.isCustomHotkeyRegistered());

        QVERIFY(XdoTool::run(QStringLiteral("keydown ctrl key c sleep 0.1 key c keyup ctrl")));
        QTRY_COMPARE(w.triggers, 1);
    }

    void customHotkey_data()
    {
        QTest::addColumn<quint32>("keyCode");
        QTest::addColumn<quint32>("modifiers");
        QTest::addColumn<QString>("press");
        QTest::newRow("Ctrl+Shift+K") << 0x28u << 0x300u << "key ctrl+shift+k";
        QTest::newRow("Ctrl+Space, caps lock bit ignored") << 0x31u << 0x500u << "key ctrl+space";
        QTest::newRow("with Num Lock on") << 0x28u << 0x300u << "key Num_Lock ctrl+shift+k Num_Lock";
    }

    void customHotkey()
    {
        QFETCH(quint32, keyCode);
        QFETCH(quint32, modifiers);
        QFETCH(QString, press);
        Watched w;
        QVERIFY(XdoTool::focus(w.window));
        w.manager.configure(false, keyCode, modifiers);
        QVERIFY(w.manager.isCustomHotkeyRegistered());

        QVERIFY(XdoTool::run(press));
        QTRY_COMPARE(w.triggers, 1);
        QVERIFY(w.window.presses().isEmpty() || w.window.presses().constLast().key != Qt::Key_K);
        // Our own window has the focus, so the release goes to it rather than to the root window; the hotkey must
        // still fire on the next press.
        QVERIFY(XdoTool::run(press));
        QTRY_COMPARE(w.triggers, 2);

        // The same key without its modifiers, or with one more, is not the hotkey.
        QVERIFY(XdoTool::run(QStringLiteral("key k key ctrl+alt+shift+k")));
        QTest::qWait(200);
        QCOMPARE(w.triggers, 2);
        w.manager.configure(false, 0, 0); // replaced: the old shortcut no longer fires
        QVERIFY(XdoTool::run(press));
        QTest::qWait(200);
        QCOMPARE(w.triggers, 2);
    }

    // A monitor that does not answer in time: the watchdog cuts its connection, the keyboard thaws, and the
    // monitor comes back with a new connection and grabs Ctrl+C again. Stopped while it hangs, the watchdog still
    // thaws it, rather than leaving the keyboard frozen until the hang ends.
    void watchdogThawsAStalledKeyboard()
    {
        WatchedMonitor w;
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

    // After a swallowed Ctrl+C the grab stays frozen on us: the next keys must still reach the window. The grab ends
    // with each release of C, so V and the release of Ctrl go straight to the window.
    void swallowKeepsTheKeyboardUsable()
    {
        WatchedMonitor w;
        QVERIFY(w.start());
        QVERIFY(XdoTool::run(QStringLiteral("keydown ctrl key c key c key v keyup ctrl key a b")));
        QTRY_COMPARE(w.window.count(Qt::Key_B, Qt::NoModifier), 1);
        QCOMPARE(w.window.count(Qt::Key_V, Qt::ControlModifier), 1);
        QCOMPARE(w.window.count(Qt::Key_A, Qt::NoModifier), 1);
        QCOMPARE(w.window.copies(), 0);
        QCOMPARE(w.handler.copyPresses.load(), 2);
    }
};

QTEST_MAIN(TestHotkeyManager)
#include "tst_hotkeymanager.moc"
