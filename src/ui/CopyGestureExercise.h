// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>

// The state of one live exercise of the walkthrough: the double copy (two C taps) or the triple copy (three), drawn
// as key caps Ctrl, C, C(, C) that light up as the user performs the gesture. Fed by the panel's key events and by
// the copy-tap detector's taps and triggers, relayed while the walkthrough is visible.
class CopyGestureExercise
{
public:
    // 2 for the double copy, 3 for the triple copy.
    explicit CopyGestureExercise(int taps) : m_taps(taps) {}

    int taps() const { return m_taps; }
    bool ctrlHeld() const { return m_ctrlHeld; }
    // Whether the n-th C cap (1-based) is lit.
    bool tapLit(int n) const { return n >= 1 && n <= m_taps && m_lit[std::size_t(n - 1)]; }
    bool isDetected() const { return m_detected; }

    // Ctrl went down or up. Letting go of Ctrl before the gesture is complete starts the attempt over.
    void ctrlChanged(bool held);
    // The copy-tap detector counted a Ctrl+C tap with this ordinal (1, 2, 3).
    void copyTapped(int ordinal);
    // The detector's own trigger for this gesture fired: everything lights up.
    void triggered();
    // The step is shown (again): nothing lit, nothing detected.
    void reset();

private:
    int m_taps;
    bool m_ctrlHeld = false;
    std::array<bool, 3> m_lit{};
    bool m_detected = false;
};
