// SPDX-License-Identifier: GPL-3.0-or-later
// How long the X11 key monitor keeps the keyboard frozen: from receiving a grabbed key event to flushing its
// XAllowEvents. Drives 10,000 Ctrl+C presses through XTest, one at a time, with the production tap counter deciding.
// Runs on $DISPLAY, or starts its own Xvfb when there is none.
#include "input/CopyTapDetector.h"
#include "platform/x11/KeyMonitorX11.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include "XvfbDisplay.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace {

constexpr int presses = 10000;

class BenchHandler : public KeyMonitor::Handler
{
public:
    explicit BenchHandler(KeyMonitor& monitor)
        : m_detector({[] {
                          return std::chrono::duration_cast<CopyTapDetector::Duration>(
                              std::chrono::steady_clock::now().time_since_epoch());
                      },
                      [&monitor](auto delay) { monitor.startTimer(delay); }, [&monitor] { monitor.cancelTimer(); }})
    {}
    KeyTap::Verdict keyDown(const KeyTap::KeyDown& key) override
    {
        const KeyTap::Verdict verdict = m_detector.keyDown(key);
        if (key.copyKey)
            ++copyPresses;
        return verdict;
    }
    void timerFired() override { m_detector.timerFired(); }
    std::atomic<int> copyPresses{0};

private:
    CopyTapDetector m_detector;
};

void BM_GrabbedPressToAllowEvents(benchmark::State& state)
{
    KeyMonitorX11 monitor;
    // As in use: the terminal check runs on every press.
    monitor.setIgnoredWindowClasses({QStringLiteral("xterm"), QStringLiteral("konsole")});
    std::vector<std::int64_t> latencies;
    latencies.reserve(presses * 2 + 16);
    monitor.setLatencyRecorder([&latencies](std::chrono::nanoseconds latency) {
        if (latencies.size() < latencies.capacity())
            latencies.push_back(latency.count());
    });
    BenchHandler handler(monitor);
    if (!monitor.start(&handler)) {
        state.SkipWithError("the key monitor could not grab Ctrl+C");
        return;
    }
    Display* driver = XOpenDisplay(nullptr);
    const KeyCode control = XKeysymToKeycode(driver, XK_Control_L);
    const KeyCode c = XKeysymToKeycode(driver, XK_c);

    for (auto _ : state) {
        XTestFakeKeyEvent(driver, control, True, CurrentTime);
        for (int i = 0; i < presses; ++i) {
            const int before = handler.copyPresses;
            XTestFakeKeyEvent(driver, c, True, CurrentTime);
            XTestFakeKeyEvent(driver, c, False, CurrentTime);
            XSync(driver, False);
            while (handler.copyPresses == before)
                std::this_thread::yield();
        }
        XTestFakeKeyEvent(driver, control, False, CurrentTime);
        XSync(driver, False);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    monitor.stop();
    XCloseDisplay(driver);

    std::sort(latencies.begin(), latencies.end());
    const auto at = [&](double q) { return double(latencies[size_t(q * double(latencies.size() - 1))]) / 1000.0; };
    state.counters["events"] = double(latencies.size());
    state.counters["median_us"] = at(0.5);
    state.counters["p99_us"] = at(0.99);
    state.counters["worst_us"] = double(latencies.back()) / 1000.0;
}

BENCHMARK(BM_GrabbedPressToAllowEvents)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    const XvfbDisplay display("640x480x24");
    if (!display.isAvailable()) {
        std::fprintf(stderr, "No X display and Xvfb could not be started\n");
        return 1;
    }
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
