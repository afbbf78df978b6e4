// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/x11/GlobalHotkey.h"
#include "platform/x11/KeyMonitor.h"

#include <memory>

// Picks the key backends for this session: X11 ones under the xcb platform (or, without a GUI application, when
// DISPLAY is set outside a Wayland session), otherwise Null ones that say why global keys are unavailable.
// VANTRO_KEY_BACKEND=null forces the Null ones.
namespace InputBackends {

std::unique_ptr<KeyMonitor> createKeyMonitor();
std::unique_ptr<GlobalHotkey> createGlobalHotkey();

// Empty when X11 key grabs can work here; otherwise the sentence the Null backends report.
QString unsupportedReason();

} // namespace InputBackends
