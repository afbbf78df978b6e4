// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Clipboard.h"
#include "platform/GlobalHotkey.h"
#include "platform/KeyMonitor.h"
#include "platform/Notifier.h"
#include "platform/ScreenGrabber.h"
#include "platform/SecretStore.h"
#include "platform/TrayWatcher.h"
#include "platform/WindowPaster.h"

#include <memory>

// The one place that picks a backend for every platform capability, from Session::current() and the environment.
// A session without a capability gets its null backend, which says why.
namespace Backends {

// X11 with XInput 2 under the xcb platform; on Wayland the hotkey is the desktop portal's GlobalShortcuts.
// VANTRO_KEY_BACKEND=null forces the null ones, VANTRO_KEY_BACKEND=portal the portal's shortcuts and no key
// watching, in any session.
std::unique_ptr<KeyMonitor> createKeyMonitor();
std::unique_ptr<GlobalHotkey> createGlobalHotkey();

// A new interactive capture, owned by `parent` until it deletes itself after completing:
//   1. an external command, from VANTRO_SCREENSHOT_COMMAND or else `configuredCommand`;
//   2. on Wayland, the desktop portal's interactive screenshot;
//   3. on X11, our own region selector;
//   4. anywhere else, none (the capture ends with no image).
ScreenGrabber* createScreenGrabber(const QString& configuredCommand, QObject* parent);

// The session's clipboard, owned by the application; null without a GUI application.
Clipboard* clipboard();

std::unique_ptr<Notifier> createNotifier();
// Hears a tray appear through every way this session has: the StatusNotifier watcher on the session bus, and on
// X11 the tray's announcement on the root window.
std::unique_ptr<TrayWatcher> createTrayWatcher();
std::unique_ptr<SecretStore> createSecretStore();
// Pasting into the window the text came from: X11 with key detection on; nowhere else.
std::unique_ptr<WindowPaster> createWindowPaster();

} // namespace Backends
