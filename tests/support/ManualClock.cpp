// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/ManualClock.h"

void ManualClock::startTimer(Duration delay)
{
    m_pending = true;
    m_deadline = m_now + delay;
    ++m_starts;
}

void ManualClock::cancelTimer()
{
    m_pending = false;
}

void ManualClock::advance(Duration by)
{
    const Duration target = m_now + by;
    if (m_pending && m_deadline <= target) {
        m_now = m_deadline;
        m_pending = false;
        if (m_handler)
            m_handler();
    }
    m_now = target;
}
