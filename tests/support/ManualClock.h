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
    void startTimer(Duration delay) { m_pending = true, m_deadline = m_now + delay; }
    void cancelTimer() { m_pending = false; }

    // Called when the timer runs out.
    void setTimerHandler(std::function<void()> handler) { m_handler = std::move(handler); }

    // Moves time forward, firing the timer at its deadline if it falls within.
    void advanceMs(int milliseconds)
    {
        const Duration target = m_now + std::chrono::milliseconds(milliseconds);
        if (m_pending && m_deadline <= target) {
            m_now = m_deadline;
            m_pending = false;
            if (m_handler)
                m_handler();
        }
        m_now = target;
    }

private:
    Duration m_now{std::chrono::seconds(1000)};
    Duration m_deadline{0};
    bool m_pending = false;
    std::function<void()> m_handler;
};
