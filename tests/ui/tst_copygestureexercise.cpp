// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/CopyGestureExercise.h"

#include <QtTest>

// The key caps of the walkthrough's exercises after a sequence of events: "down"/"up" (Ctrl), "tapN" (the detector's
// N-th counted tap), "trigger" (the detector's own trigger), "reset" (the step shown again).
class TestCopyGestureExercise : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sequences_data()
    {
        QTest::addColumn<int>("taps");
        QTest::addColumn<QString>("events");
        QTest::addColumn<QString>("lit"); // the caps lit, e.g. "ctrl 1 2"
        QTest::addColumn<bool>("detected");
        const auto row = [](const char* name, int taps, const char* events, const char* lit, bool detected) {
            QTest::newRow(name) << taps << events << lit << detected;
        };
        row("double copy", 2, "down tap1 tap2", "ctrl 1 2", true);
        row("one tap, then Ctrl let go: start over", 2, "down tap1 up", "", false);
        row("start over, then succeed", 2, "down tap1 up down tap1 tap2", "ctrl 1 2", true);
        row("a triple copy passes the double", 2, "tap3", "ctrl 1 2", true);
        row("detected stays lit when Ctrl is let go", 2, "tap1 tap2 up", "ctrl 1 2", true);
        row("trigger lights everything", 3, "down trigger", "ctrl 1 2 3", true);
        row("two taps are not a triple copy", 3, "down tap1 tap2", "ctrl 1 2", false);
        row("shown again", 3, "tap3 reset", "", false);
    }

    void sequences()
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
            else if (event == u"reset")
                exercise.reset();
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

QTEST_APPLESS_MAIN(TestCopyGestureExercise)
#include "tst_copygestureexercise.moc"
