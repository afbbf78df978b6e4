// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Whether a compositing manager runs on the display of this application, so that windows may be translucent
// and cast shadows. Always false off X11 (and on the offscreen platform) where we cannot tell.
bool compositorIsRunning();
