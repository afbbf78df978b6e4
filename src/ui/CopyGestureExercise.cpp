// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/CopyGestureExercise.h"

#include <algorithm>

void CopyGestureExercise::ctrlChanged(bool held)
{
    if (m_detected)
        return;
    if (held) {
        m_ctrlHeld = true;
        return;
    }
    if (m_ctrlHeld) {
        m_ctrlHeld = false;
        m_lit = {};
    }
}

void CopyGestureExercise::copyTapped(int ordinal)
{
    if (m_detected || ordinal < 1)
        return;
    m_ctrlHeld = true;
    for (int n = 1; n <= std::min(ordinal, m_taps); ++n)
        m_lit[std::size_t(n - 1)] = true;
    // More taps than the gesture needs still show that the user has it: a triple copy passes the double's exercise.
    if (ordinal >= m_taps)
        m_detected = true;
}

void CopyGestureExercise::triggered()
{
    if (m_detected)
        return;
    m_ctrlHeld = true;
    for (int n = 0; n < m_taps; ++n)
        m_lit[std::size_t(n)] = true;
    m_detected = true;
}

void CopyGestureExercise::reset()
{
    m_ctrlHeld = false;
    m_lit = {};
    m_detected = false;
}
