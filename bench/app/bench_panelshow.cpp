// SPDX-License-Identifier: GPL-3.0-or-later
// From the text trigger to the panel on screen, and what the idle application costs.
//
// Trigger to first paint: AppDelegate::handleTextTrigger() until the panel's first paint has been drawn and flushed
// to the X server (the event loop is back after the panel's first Paint event), on a real X server (xcb on Xvfb).
// The clipboard is owned by another client (xclip), as after a copy in another application. Samples:
//  - first in process: the very first showing (fonts, styles and the panel's widgets all built for the first time);
//  - cold: the panel is created again (the previous one was closed, which drops it);
//  - warm: the panel is shown again after Escape hid it.
// Each reports the median, the slowest sample and the mean (the benchmark's own time).
//
// Idle process: starts the `vantro` executable of this build with temporary folders, lets it settle, then counts
// the context switches of all its threads over 10 s (every timer or poll wake-up is one) and reads its resident
// memory; then shows and hides the panel once and counts again for 5 s.
//
// Runs on $DISPLAY, or starts its own Xvfb when there is none.
#include "app/AppDelegate.h"
#include "app/FloatingPanel.h"
#include "input/HotkeyManager.h"
#include "model/Settings.h"
#include "platform/null/GlobalHotkeyNull.h"
#include "platform/null/KeyMonitorNull.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QNetworkAccessManager>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QWidget>

#include <benchmark/benchmark.h>

#include "PanelProbe.h"
#include "XvfbDisplay.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct Fixture
{
    QTemporaryDir folders;
    std::unique_ptr<Settings> settings;
    std::unique_ptr<QNetworkAccessManager> network;
    std::unique_ptr<AppDelegate> delegate;
    FirstPaintProbe probe;
    QProcess clipboardOwner;

    Fixture()
    {
        qputenv("XDG_DATA_HOME", (folders.path() + QStringLiteral("/data")).toUtf8());
        qputenv("XDG_CONFIG_HOME", (folders.path() + QStringLiteral("/config")).toUtf8());
        settings = std::make_unique<Settings>();
        // Past the first-run walkthrough, which would take the trigger for its exercise.
        settings->setBoolean(SettingsKeys::hasCompletedOnboarding, true);
        network = std::make_unique<QNetworkAccessManager>();
        auto hotkeys = std::make_unique<HotkeyManager>(std::make_unique<KeyMonitorNull>(QStringLiteral("bench")),
                                                       std::make_unique<GlobalHotkeyNull>(QStringLiteral("bench")),
                                                       settings.get());
        delegate =
            std::make_unique<AppDelegate>(AppDelegate::Dependencies{*settings, *network, std::move(hotkeys), false});
        delegate->applicationDidFinishLaunching();
        qApp->installEventFilter(&probe);

        // Another client owns the clipboard, as after a copy in another application.
        clipboardOwner.start(QStringLiteral("xclip"),
                             {QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-quiet")});
        clipboardOwner.waitForStarted();
        clipboardOwner.write("The quick brown fox jumps over the lazy dog. Please make this sound more professional.");
        clipboardOwner.closeWriteChannel();
        settle(300);
    }

    ~Fixture()
    {
        qApp->removeEventFilter(&probe);
        delegate.reset();
        clipboardOwner.kill();
        clipboardOwner.waitForFinished();
    }

    // One trigger; milliseconds until its first paint was flushed, or a negative value on time-out.
    double triggerToFirstPaint()
    {
        probe.arm();
        QElapsedTimer timer;
        timer.start();
        delegate->handleTextTrigger();
        while (!probe.flushed() && timer.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
        const double ms = timer.nsecsElapsed() / 1e6;
        return probe.flushed() ? ms : -1;
    }

    void closePanel()
    {
        if (FloatingPanel* panel = delegate->panel())
            panel->close();
        settle(30); // the closed panel is deleted later
    }

    void hidePanel()
    {
        // What Escape does when no custom prompt is open.
        if (FloatingPanel* panel = delegate->panel())
            panel->hide();
        settle(30);
    }
};

Fixture* fixture = nullptr;

void BM_TriggerToFirstPaint_FirstInProcess(benchmark::State& state)
{
    if (!samplePaints(
            state, [] { return true; }, [] { return fixture->triggerToFirstPaint(); }))
        return;
    // The copied text was read from the other client: the panel opened in prompt mode, not on a new chat.
    if (fixture->delegate->appState().clipboardText().isEmpty() || fixture->delegate->appState().isPanelExpanded())
        state.SkipWithError("the clipboard was not read; is xclip installed?");
}

// Times the trigger after `prepare` put the panel into the state being measured.
template <typename Prepare> void sampleTriggers(benchmark::State& state, Prepare prepare)
{
    samplePaints(
        state,
        [&] {
            prepare();
            return true;
        },
        [] { return fixture->triggerToFirstPaint(); });
}

void BM_TriggerToFirstPaint_Cold(benchmark::State& state)
{
    sampleTriggers(state, [] { fixture->closePanel(); });
}

void BM_TriggerToFirstPaint_Warm(benchmark::State& state)
{
    if (!fixture->delegate->panel() && fixture->triggerToFirstPaint() < 0) {
        state.SkipWithError("the panel never painted");
        return;
    }
    sampleTriggers(state, [] { fixture->hidePanel(); });
}

// ---- the idle executable ----------------------------------------------------------------------------------------

struct ProcessSample
{
    qint64 switches = 0; // voluntary and involuntary context switches of all threads
    double rssMb = 0;
    int threads = 0;
};

qint64 statusValue(const QByteArray& status, const QByteArray& key)
{
    for (const QByteArray& line : status.split('\n')) {
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').first().toLongLong();
    }
    return 0;
}

ProcessSample sample(qint64 pid)
{
    ProcessSample result;
    const QString proc = QStringLiteral("/proc/") + QString::number(pid);
    QFile status(proc + QStringLiteral("/status"));
    if (status.open(QIODevice::ReadOnly))
        result.rssMb = statusValue(status.readAll(), "VmRSS:") / 1024.0;
    const QStringList tasks = QDir(proc + QStringLiteral("/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    result.threads = int(tasks.size());
    for (const QString& task : tasks) {
        QFile taskStatus(proc + QStringLiteral("/task/") + task + QStringLiteral("/status"));
        if (!taskStatus.open(QIODevice::ReadOnly))
            continue;
        const QByteArray text = taskStatus.readAll();
        result.switches +=
            statusValue(text, "voluntary_ctxt_switches:") + statusValue(text, "nonvoluntary_ctxt_switches:");
    }
    return result;
}

void BM_IdleProcess(benchmark::State& state)
{
    QTemporaryDir folders;
    QDir().mkpath(folders.path() + QStringLiteral("/runtime"));
    QFile::setPermissions(folders.path() + QStringLiteral("/runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_DATA_HOME"), folders.path() + QStringLiteral("/data"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), folders.path() + QStringLiteral("/config"));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), folders.path() + QStringLiteral("/runtime"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    const int idleSeconds = std::max(1, qEnvironmentVariableIntValue("VANTRO_BENCH_IDLE_SECONDS"));

    for (auto _ : state) {
        QProcess vantro;
        vantro.setProcessEnvironment(environment);
        vantro.setProcessChannelMode(QProcess::ForwardedChannels);
        vantro.start(QStringLiteral(VANTRO_BINARY), QStringList());
        if (!vantro.waitForStarted(10000)) {
            state.SkipWithError("vantro did not start");
            return;
        }
        const qint64 pid = vantro.processId();
        QThread::msleep(2000); // start-up done, the process has gone quiet

        const ProcessSample start = sample(pid);
        QThread::msleep(idleSeconds * 1000);
        const ProcessSample idle = sample(pid);

        // Show the panel once and hide it again, then idle once more.
        runCommand(QStringLiteral(VANTRO_BINARY), {QStringLiteral("--open-chat")}, environment);
        QThread::msleep(1000);
        QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("Escape")});
        QThread::msleep(1000);
        const ProcessSample afterPanel = sample(pid);
        QThread::msleep(idleSeconds * 500);
        const ProcessSample idleAfterPanel = sample(pid);

        const bool quit = runCommand(QStringLiteral(VANTRO_BINARY), {QStringLiteral("--quit")}, environment);
        if (!vantro.waitForFinished(10000) || !quit)
            vantro.kill();
        vantro.waitForFinished();

        state.SetIterationTime(idleSeconds);
        state.counters["rss_after_start_mb"] = start.rssMb;
        state.counters["wakeups_per_s_idle"] = double(idle.switches - start.switches) / idleSeconds;
        state.counters["threads"] = start.threads;
        state.counters["rss_after_panel_mb"] = afterPanel.rssMb;
        state.counters["wakeups_per_s_after_panel"] =
            double(idleAfterPanel.switches - afterPanel.switches) / (idleSeconds / 2.0);
    }
}

} // namespace

BENCHMARK(BM_TriggerToFirstPaint_FirstInProcess)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TriggerToFirstPaint_Cold)->Iterations(30)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TriggerToFirstPaint_Warm)->Iterations(100)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IdleProcess)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

int main(int argc, char** argv)
{
    const XvfbDisplay display;
    if (!display.isAvailable())
        return 1;
    qputenv("QT_QPA_PLATFORM", "xcb");
    if (!qEnvironmentVariableIsSet("VANTRO_BENCH_IDLE_SECONDS"))
        qputenv("VANTRO_BENCH_IDLE_SECONDS", "10");
    int result = 0;
    {
        QApplication app(argc, argv);
        QApplication::setApplicationName(QStringLiteral("vantro"));
        QApplication::setApplicationDisplayName(QStringLiteral("Vantro"));
        QApplication::setQuitOnLastWindowClosed(false);
        benchmark::Initialize(&argc, argv);
        if (benchmark::ReportUnrecognizedArguments(argc, argv))
            return 1;
        Fixture panelFixture;
        fixture = &panelFixture;
        benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();
        fixture = nullptr;
    }
    return result;
}
