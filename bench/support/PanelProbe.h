// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <benchmark/benchmark.h>

#include <QEventLoop>
#include <QProcess>
#include <QObject>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <vector>

// Notes the first paint of the panel window after `arm()`, and when the event loop is back after it, which is when
// that paint (children included) has been flushed. Install it on the application.
class FirstPaintProbe : public QObject
{
public:
    void arm()
    {
        m_painted = false;
        m_flushed = false;
    }
    bool flushed() const { return m_flushed; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !m_painted) {
            auto* widget = qobject_cast<QWidget*>(watched);
            if (widget && widget->window()->objectName() == u"floatingPanel") {
                m_painted = true;
                QTimer::singleShot(0, this, [this] { m_flushed = true; });
            }
        }
        return false;
    }

private:
    bool m_painted = false;
    bool m_flushed = false;
};

// Lets the event loop run for `ms` without spinning, so CPU figures show only the work measured.
inline void settle(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Runs a benchmark's iterations: `prepare()` puts the panel into the state measured (false when it could not), then
// `measure()` gives the milliseconds to its first paint (negative when it never painted). Reports the median and
// the slowest sample as counters; returns false after an error.
template <typename Prepare, typename Measure>
bool samplePaints(benchmark::State& state, Prepare prepare, Measure measure)
{
    std::vector<double> samples;
    for (auto _ : state) {
        if (!prepare()) {
            state.SkipWithError("the panel could not be put away");
            return false;
        }
        const double ms = measure();
        if (ms < 0) {
            state.SkipWithError("the panel never painted");
            return false;
        }
        state.SetIterationTime(ms / 1000);
        samples.push_back(ms);
    }
    if (samples.empty())
        return true;
    std::sort(samples.begin(), samples.end());
    state.counters["median_ms"] = samples[samples.size() / 2];
    state.counters["max_ms"] = samples.back();
    return true;
}

// Runs `program` (the `vantro` of this build, with a command for the running instance) and waits for it.
inline bool runCommand(const QString& program, const QStringList& arguments, const QProcessEnvironment& environment)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    return process.waitForFinished(20000) && process.exitCode() == 0;
}
