// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <functional>

// A clock that moves only when the test says so, with one one-shot timer that fires when advance() reaches it.
class ManualClock
{
public:
    using Duration = std::chrono::nanoseconds;

    Duration now() const { return m_now; }
    void startTimer(Duration delay);
    void cancelTimer();
    bool isTimerPending() const { return m_pending; }
    Duration timerDeadline() const { return m_deadline; }
    int timerStarts() const { return m_starts; }

    // Called when the timer runs out.
    void setTimerHandler(std::function<void()> handler) { m_handler = std::move(handler); }

    // Moves time forward, firing the timer at its deadline if it falls within.
    void advance(Duration by);
    void advanceMs(int milliseconds) { advance(std::chrono::milliseconds(milliseconds)); }

private:
    Duration m_now{std::chrono::seconds(1000)};
    Duration m_deadline{0};
    bool m_pending = false;
    int m_starts = 0;
    std::function<void()> m_handler;
};
