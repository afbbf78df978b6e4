// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QWindow;

// Windows that follow the user from workspace to workspace, as the panel does.
namespace Workspaces {

// Puts `window` on every workspace of an X11 desktop, whether it is shown yet or not. Elsewhere nothing: Wayland
// compositors show a new window on the workspace in use.
void showOnAll(QWindow* window);

} // namespace Workspaces
