// SPDX-License-Identifier: GPL-3.0-or-later
#include "input/CopyTapDetector.h"

using KeyTap::Verdict;

CopyTapDetector::CopyTapDetector(Timing timing) : m_timing(std::move(timing)) {}

bool CopyTapDetector::isCopyTap(const KeyTap::KeyDown& key)
{
    constexpr unsigned guard = KeyTap::Shift | KeyTap::Control | KeyTap::Alt | KeyTap::Super;
    return key.copyKey && (key.modifiers & guard) == KeyTap::Control;
}

Verdict CopyTapDetector::keyDown(const KeyTap::KeyDown& key)
{
    // A held key repeating is not a tap: holding Ctrl+C a little long must not open the screenshot tool.
    if (!isCopyTap(key) || key.autoRepeat) {
        resetTapState();
        return Verdict::Pass;
    }
    const Duration now = m_timing.now();
    if (m_tapCount >= 1 && now - m_lastTapTime > tapThreshold)
        resetTapState();
    const int count = ++m_tapCount;
    m_lastTapTime = now;
    if (onCopyTap)
        onCopyTap(count);

    switch (count) {
    case 1:
        return Verdict::Pass;
    case 2:
        cancelPendingTimer();
        m_timerPending = true;
        m_timing.startTimer(tripleTapWait);
        return Verdict::Swallow;
    case 3:
        cancelPendingTimer();
        resetTapState();
        if (onScreenshotTrigger)
            onScreenshotTrigger();
        return Verdict::Swallow;
    default:
        resetTapState();
        return Verdict::Pass;
    }
}

void CopyTapDetector::timerFired()
{
    // A timer cancelled by a reset may still have been on its way.
    if (!m_timerPending)
        return;
    m_timerPending = false;
    resetTapState();
    if (onTrigger)
        onTrigger();
}

void CopyTapDetector::resetTapState()
{
    m_tapCount = 0;
    m_lastTapTime = Duration{0};
    cancelPendingTimer();
}

void CopyTapDetector::cancelPendingTimer()
{
    if (!m_timerPending)
        return;
    m_timerPending = false;
    m_timing.cancelTimer();
}
