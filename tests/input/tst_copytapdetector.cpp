// SPDX-License-Identifier: GPL-3.0-or-later
#include "input/CopyTapDetector.h"
#include "support/ManualClock.h"
#include "ui/CopyGestureExercise.h"

#include <QtTest>

using KeyTap::KeyDown;
using KeyTap::Verdict;

namespace {

const KeyDown ctrlC{true, KeyTap::Control, false};

// A detector on a manual clock that logs its callbacks and timer cancels, with the firing time of trigger and
// screenshot in ms.
struct Detector
{
    ManualClock clock;
    QStringList log;
    CopyTapDetector detector{{[this] { return clock.now(); }, [this](auto delay) { clock.startTimer(delay); },
                              [this] {
                                  log << QStringLiteral("cancel");
                                  clock.cancelTimer();
                              }}};
    const ManualClock::Duration start = clock.now();

    Detector()
    {
        clock.setTimerHandler([this] { detector.timerFired(); });
        detector.onCopyTap = [this](int n) { log << QStringLiteral("tap%1").arg(n); };
        detector.onTrigger = [this] { log << u"trigger@" + at(); };
        detector.onScreenshotTrigger = [this] { log << u"shot@" + at(); };
    }
    QString at() const
    {
        return QString::number(std::chrono::duration_cast<std::chrono::milliseconds>(clock.now() - start).count());
    }
};

void row(const char* name, const char* script, const char* expected)
{
    QTest::newRow(name) << QString::fromLatin1(script) << QString::fromLatin1(expected);
}

} // namespace

class TestCopyTapDetector : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Each step of a script advances the clock by its number of ms, then presses: c (Ctrl+C), caps-c, shift-c,
    // alt-c, super-c, plain-c (C alone), repeat (an auto-repeated Ctrl+C), other (another key), or nothing for wait;
    // reset calls resetTapState() (as configure() does), late delivers a timer that was on its way before it.
    // Expected: the verdicts (Pass/Swallow), the callbacks with the ms they fired at (a double fires exactly 0.2 s
    // after its second tap), and the tap count at the end.
    void sequences_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("expected");
        row("one tap", "c+0 wait+2000", "P | tap1 | 1");
        row("double exactly 0.4 s", "c+0 c+400 wait+1000", "PS | tap1 tap2 trigger@600 | 0");
        row("0.401 s is a new first tap", "c+0 c+401 wait+1000", "PP | tap1 tap1 | 1");
        row("triple, third after 0.1 s", "c+0 c+300 c+100 wait+1000", "PSS | tap1 tap2 tap3 cancel shot@400 | 0");
        row("third when the timer is due", "c+0 c+300 c+200", "PSP | tap1 tap2 trigger@500 tap1 | 1");
        row("fourth tap starts over", "c+0 c+100 c+100 c+100", "PSSP | tap1 tap2 tap3 cancel shot@200 tap1 | 1");
        row("other key within 0.2 s cancels", "c+0 c+300 other+100 wait+1000", "PSP | tap1 tap2 cancel | 0");
        row("other key between taps", "c+0 other+50 c+50 wait+1000", "PPP | tap1 tap1 | 1");
        row("Ctrl+Alt+C resets", "c+0 alt-c+100 c+100 wait+1000", "PPP | tap1 tap1 | 1");
        row("Super+Ctrl+C resets", "c+0 super-c+100 c+100 wait+1000", "PPP | tap1 tap1 | 1");
        row("Ctrl+Shift+C cancels a pending double", "c+0 c+100 shift-c+50 wait+1000", "PSP | tap1 tap2 cancel | 0");
        row("reset cancels a pending double", "c+0 c+100 reset+0 late+0 c+100 wait+1000",
            "PSP | tap1 tap2 cancel tap1 | 1");
        row("C without Ctrl is not a tap", "plain-c+0 plain-c+100 wait+1000", "PP |  | 0");
        row("Caps Lock counts", "caps-c+0 caps-c+300 wait+1000", "PS | tap1 tap2 trigger@500 | 0");
        row("held key repeats pass uncounted", "c+0 repeat+500 repeat+40 wait+1000", "PPP | tap1 | 0");
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
            d.clock.advanceMs(step.section(u'+', 1, 1).toInt());
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
            else if (name == u"super-c")
                key.modifiers |= KeyTap::Super;
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

    // The key caps of the walkthrough's exercises after a sequence of events: "down"/"up" (Ctrl), "tapN" (the
    // detector's N-th counted tap), "trigger" (the detector's own trigger). A plain double copy and an exercise shown
    // again are the first-run test's.
    void exerciseSequences_data()
    {
        QTest::addColumn<int>("taps");
        QTest::addColumn<QString>("events");
        QTest::addColumn<QString>("lit"); // the caps lit, e.g. "ctrl 1 2"
        QTest::addColumn<bool>("detected");
        const auto exercise = [](const char* name, int taps, const char* events, const char* lit, bool detected) {
            QTest::newRow(name) << taps << events << lit << detected;
        };
        exercise("one tap, then Ctrl let go: start over", 2, "down tap1 up", "", false);
        exercise("start over, then succeed", 2, "down tap1 up down tap1 tap2", "ctrl 1 2", true);
        exercise("a triple copy passes the double", 2, "tap3", "ctrl 1 2", true);
        exercise("detected stays lit when Ctrl is let go", 2, "tap1 tap2 up", "ctrl 1 2", true);
        exercise("trigger lights everything", 3, "down trigger", "ctrl 1 2 3", true);
        exercise("two taps are not a triple copy", 3, "down tap1 tap2", "ctrl 1 2", false);
    }

    void exerciseSequences()
    {
        QFETCH(int, taps);
        QFETCH(QString, events);
        QFETCH(QString, lit);
        QFETCH(bool, detected);
        CopyGestureExercise exercise(taps);
        for (const QString& event : events.split(u' ', Qt::SkipEmptyParts)) {
            if (event == u"down" || event == u"up")
                exercise.ctrlChanged(event == u"down");
            else if (event.startsWith(u"tap"))
                exercise.copyTapped(event.mid(3).toInt());
            else if (event == u"trigger")
                exercise.triggered();
        }
        QStringList shown;
        if (exercise.ctrlHeld())
            shown << QStringLiteral("ctrl");
        for (int n = 1; n <= exercise.taps(); ++n) {
            if (exercise.tapLit(n))
                shown << QString::number(n);
        }
        QCOMPARE(shown.join(u' '), lit);
        QCOMPARE(exercise.isDetected(), detected);
    }
};

QTEST_GUILESS_MAIN(TestCopyTapDetector)
#include "tst_copytapdetector.moc"
