// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/KeyMonitor.h"

#include <chrono>
#include <functional>

// Counts Ctrl+C taps. The first tap of a sequence passes (the application copies), the second is swallowed and
// fires onTrigger tripleTapWait later unless a third comes, which is swallowed and fires onScreenshotTrigger.
// A gap longer than tapThreshold starts a new sequence; any other key, or C with other modifiers, resets.
// Platform-free: the clock and the one-shot timer are injected, so it runs on whatever thread feeds it.
class CopyTapDetector
{
public:
    using Duration = std::chrono::nanoseconds;

    static constexpr Duration tapThreshold = std::chrono::milliseconds(400);
    static constexpr Duration tripleTapWait = std::chrono::milliseconds(200);

    // Integer time keeps "exactly 0.4 s apart" exact.
    struct Timing
    {
        std::function<Duration()> now;            // a monotonic clock
        std::function<void(Duration)> startTimer; // one-shot; timerFired() when it runs out; replaces a pending one
        std::function<void()> cancelTimer;
    };

    // Called synchronously from keyDown() and timerFired(); whoever feeds the detector decides where they run.
    std::function<void()> onTrigger;
    std::function<void()> onScreenshotTrigger;
    std::function<void(int)> onCopyTap;

    explicit CopyTapDetector(Timing timing);

    KeyTap::Verdict keyDown(const KeyTap::KeyDown& key);
    void timerFired();
    void resetTapState();

    // Ctrl held and none of Shift, Alt and Super; Caps Lock does not matter.
    static bool isCopyTap(const KeyTap::KeyDown& key);

    int tapCount() const { return m_tapCount; }
    Duration lastTapTime() const { return m_lastTapTime; }
    bool isTimerPending() const { return m_timerPending; }

private:
    void cancelPendingTimer();

    Timing m_timing;
    int m_tapCount = 0;
    Duration m_lastTapTime{0};
    bool m_timerPending = false;
};
