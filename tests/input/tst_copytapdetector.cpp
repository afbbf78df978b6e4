// SPDX-License-Identifier: GPL-3.0-or-later
#include "input/CopyTapDetector.h"
#include "support/ManualClock.h"

#include <QtTest>

using KeyTap::KeyDown;
using KeyTap::Verdict;

namespace {

// Runs a script such as "c+0 c+300 wait+500" against a detector on a manual clock. Each step advances the clock by
// its number of milliseconds, then presses: c (Ctrl+C), caps-c, shift-c, alt-c, super-c, plain-c (C alone),
// repeat (an auto-repeated Ctrl+C), other (another key), or nothing for wait. Returns the verdicts ("P"/"S") and a
// log of the callbacks, with the firing time of trigger and screenshot in ms since the script started.
struct Run
{
    QString verdicts;
    QStringList log;
    int finalCount = 0;
};

Run play(const QString& script)
{
    ManualClock clock;
    CopyTapDetector detector(
        {[&] { return clock.now(); }, [&](auto delay) { clock.startTimer(delay); }, [&] { clock.cancelTimer(); }});
    clock.setTimerHandler([&] { detector.timerFired(); });
    const auto start = clock.now();
    const auto at = [&] {
        return QString::number(std::chrono::duration_cast<std::chrono::milliseconds>(clock.now() - start).count());
    };
    Run run;
    detector.onCmdCTap = [&](int n) { run.log << QStringLiteral("tap%1").arg(n); };
    detector.onTrigger = [&] { run.log << u"trigger@" + at(); };
    detector.onScreenshotTrigger = [&] { run.log << u"shot@" + at(); };

    for (const QString& step : script.split(u' ', Qt::SkipEmptyParts)) {
        const QString name = step.section(u'+', 0, 0);
        clock.advanceMs(step.section(u'+', 1, 1).toInt());
        KeyDown key{true, KeyTap::Control, false};
        if (name == u"wait")
            continue;
        if (name == u"caps-c")
            key.modifiers |= KeyTap::CapsLock;
        else if (name == u"shift-c")
            key.modifiers |= KeyTap::Shift;
        else if (name == u"alt-c")
            key.modifiers |= KeyTap::Alt;
        else if (name == u"super-c")
            key.modifiers |= KeyTap::Super;
        else if (name == u"plain-c")
            key.modifiers = 0;
        else if (name == u"repeat")
            key.autoRepeat = true;
        else if (name == u"other")
            key = KeyDown{false, KeyTap::Control, false};
        else if (name != u"c")
            qFatal("unknown step");
        run.verdicts += detector.keyDown(key) == Verdict::Swallow ? u'S' : u'P';
    }
    run.finalCount = detector.tapCount();
    return run;
}

} // namespace

class TestCopyTapDetector : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sequences_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("verdicts");
        QTest::addColumn<QString>("log");
        QTest::addColumn<int>("finalCount");

        QTest::newRow("one tap") << "c+0 wait+2000"
                                 << "P"
                                 << "tap1" << 1;
        QTest::newRow("double 0.3 s") << "c+0 c+300 wait+1000"
                                      << "PS"
                                      << "tap1 tap2 trigger@500" << 0;
        QTest::newRow("double exactly 0.4 s") << "c+0 c+400 wait+1000"
                                              << "PS"
                                              << "tap1 tap2 trigger@600" << 0;
        QTest::newRow("0.401 s is a new first tap") << "c+0 c+401 wait+1000"
                                                    << "PP"
                                                    << "tap1 tap1" << 1;
        QTest::newRow("0.5 s is a new first tap") << "c+0 c+500 wait+1000"
                                                  << "PP"
                                                  << "tap1 tap1" << 1;
        QTest::newRow("triple, third after 0.1 s") << "c+0 c+300 c+100 wait+1000"
                                                   << "PSS"
                                                   << "tap1 tap2 tap3 shot@400" << 0;
        QTest::newRow("third after 0.25 s starts over") << "c+0 c+300 c+250 wait+1000"
                                                        << "PSP"
                                                        << "tap1 tap2 trigger@500 tap1" << 1;
        QTest::newRow("third when the timer is due") << "c+0 c+300 c+200"
                                                     << "PSP"
                                                     << "tap1 tap2 trigger@500 tap1" << 1;
        QTest::newRow("fourth tap starts over") << "c+0 c+100 c+100 c+100"
                                                << "PSSP"
                                                << "tap1 tap2 tap3 shot@200 tap1" << 1;
        QTest::newRow("other key within 0.2 s cancels") << "c+0 c+300 other+100 wait+1000"
                                                        << "PSP"
                                                        << "tap1 tap2" << 0;
        QTest::newRow("other key between taps") << "c+0 other+50 c+50 wait+1000"
                                                << "PPP"
                                                << "tap1 tap1" << 1;
        QTest::newRow("Ctrl+Shift+C resets") << "c+0 shift-c+100 c+100 wait+1000"
                                             << "PPP"
                                             << "tap1 tap1" << 1;
        QTest::newRow("Ctrl+Alt+C resets") << "c+0 alt-c+100 c+100 wait+1000"
                                           << "PPP"
                                           << "tap1 tap1" << 1;
        QTest::newRow("Super+Ctrl+C resets") << "c+0 super-c+100 c+100 wait+1000"
                                             << "PPP"
                                             << "tap1 tap1" << 1;
        QTest::newRow("Ctrl+Shift+C cancels a pending double") << "c+0 c+100 shift-c+50 wait+1000"
                                                               << "PSP"
                                                               << "tap1 tap2" << 0;
        QTest::newRow("C without Ctrl is not a tap") << "plain-c+0 plain-c+100 wait+1000"
                                                     << "PP"
                                                     << "" << 0;
        QTest::newRow("Caps Lock counts") << "caps-c+0 caps-c+300 wait+1000"
                                          << "PS"
                                          << "tap1 tap2 trigger@500" << 0;
        QTest::newRow("held key repeats pass uncounted") << "c+0 repeat+500 repeat+40 repeat+40 wait+1000"
                                                         << "PPPP"
                                                         << "tap1" << 0;
        QTest::newRow("repeat breaks the sequence") << "c+0 repeat+100 c+100 wait+1000"
                                                    << "PPP"
                                                    << "tap1 tap1" << 1;
    }

    void sequences()
    {
        QFETCH(QString, script);
        QFETCH(QString, verdicts);
        QFETCH(QString, log);
        QFETCH(int, finalCount);

        const Run run = play(script);
        QCOMPARE(run.verdicts, verdicts);
        QCOMPARE(run.log.join(u' '), log);
        QCOMPARE(run.finalCount, finalCount);
    }

    // The double fires exactly tripleTapWait after the second tap, not a moment earlier.
    void doubleWaitsForAThirdTap()
    {
        ManualClock clock;
        CopyTapDetector detector(
            {[&] { return clock.now(); }, [&](auto delay) { clock.startTimer(delay); }, [&] { clock.cancelTimer(); }});
        clock.setTimerHandler([&] { detector.timerFired(); });
        int triggers = 0;
        detector.onTrigger = [&] { ++triggers; };

        detector.keyDown({true, KeyTap::Control, false});
        clock.advanceMs(300);
        detector.keyDown({true, KeyTap::Control, false});
        QVERIFY(detector.isTimerPending());
        QCOMPARE(clock.timerDeadline() - clock.now(), CopyTapDetector::tripleTapWait);
        clock.advance(CopyTapDetector::tripleTapWait - std::chrono::nanoseconds(1));
        QCOMPARE(triggers, 0);
        QCOMPARE(detector.tapCount(), 2);
        clock.advance(std::chrono::nanoseconds(1));
        QCOMPARE(triggers, 1);
        QCOMPARE(detector.tapCount(), 0);
        QCOMPARE(detector.lastTapTime(), CopyTapDetector::Duration{0});
    }

    // configure() resets through resetTapState: a pending double is cancelled, and a timer that was already on
    // its way when the reset came does nothing.
    void resetCancelsThePendingDouble()
    {
        ManualClock clock;
        int cancels = 0;
        CopyTapDetector detector({[&] { return clock.now(); }, [&](auto delay) { clock.startTimer(delay); },
                                  [&] {
                                      ++cancels;
                                      clock.cancelTimer();
                                  }});
        clock.setTimerHandler([&] { detector.timerFired(); });
        int triggers = 0;
        detector.onTrigger = [&] { ++triggers; };

        detector.keyDown({true, KeyTap::Control, false});
        clock.advanceMs(100);
        detector.keyDown({true, KeyTap::Control, false});
        detector.resetTapState();
        QCOMPARE(cancels, 1);
        QCOMPARE(detector.tapCount(), 0);
        QVERIFY(!detector.isTimerPending());
        detector.timerFired(); // late delivery from another thread
        clock.advanceMs(1000);
        QCOMPARE(triggers, 0);

        // After the reset the next tap is a first tap again.
        int lastTap = 0;
        detector.onCmdCTap = [&](int n) { lastTap = n; };
        QCOMPARE(detector.keyDown({true, KeyTap::Control, false}), Verdict::Pass);
        QCOMPARE(lastTap, 1);
    }
};

QTEST_GUILESS_MAIN(TestCopyTapDetector)
#include "tst_copytapdetector.moc"
