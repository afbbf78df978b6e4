// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sys/types.h>

// Makes sure a benchmark has an X display: uses $DISPLAY when set, otherwise starts its own Xvfb on a free display
// number for as long as this object lives.
class XvfbDisplay
{
public:
    explicit XvfbDisplay(const char* screen = "1280x1024x24");
    ~XvfbDisplay();
    XvfbDisplay(const XvfbDisplay&) = delete;
    XvfbDisplay& operator=(const XvfbDisplay&) = delete;

    bool isAvailable() const { return m_available; }

private:
    pid_t m_xvfb = 0;
    bool m_available = false;
};
