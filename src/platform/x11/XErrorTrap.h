// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <X11/Xlib.h>

#include <cstdint>

// Keeps the X protocol errors (and a broken connection) of one connection to itself. Xlib's error handler is process-wide and its default
// ends the process; Qt installs its own. This hook sees the errors of our connection first and records them, so a
// refused grab or a window that vanished mid-query is a value we check, never a crash or someone else's message.
class XErrorTrap
{
public:
    explicit XErrorTrap(Display* display);
    ~XErrorTrap();
    XErrorTrap(const XErrorTrap&) = delete;
    XErrorTrap& operator=(const XErrorTrap&) = delete;

    // Marks the start of a group of requests (the previous group must have been synced).
    void begin();
    // Waits for the server to answer everything sent since begin() and returns the first error code, 0 for none.
    int sync();
    // The first error code since begin() without a round trip (for requests that already had a reply).
    int firstError() const;

private:
    Display* m_display;
};
