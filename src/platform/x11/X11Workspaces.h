// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QWindow;

namespace X11Workspaces {

// _NET_WM_DESKTOP 0xFFFFFFFF: the property for a window not yet mapped, the request to the window manager for one
// that is.
void showOnAll(QWindow* window);

} // namespace X11Workspaces
