// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/InputBackends.h"

#include "platform/x11/GlobalHotkeyNull.h"
#include "platform/x11/GlobalHotkeyX11.h"
#include "platform/x11/KeyMonitorNull.h"
#include "platform/x11/KeyMonitorX11.h"

#include <QCoreApplication>
#include <QGuiApplication>

namespace InputBackends {

QString unsupportedReason()
{
    if (qEnvironmentVariable("VANTRO_KEY_BACKEND") == u"null")
        return QCoreApplication::translate("KeyMonitor", "Global key detection is turned off (VANTRO_KEY_BACKEND).");
    const QString platform =
        qobject_cast<QGuiApplication*>(QCoreApplication::instance()) ? QGuiApplication::platformName() : QString();
    const bool wayland = platform.startsWith(u"wayland") ||
                         (platform.isEmpty() && qEnvironmentVariable("XDG_SESSION_TYPE") == u"wayland");
    if (wayland)
        return QCoreApplication::translate(
            "KeyMonitor", "Wayland lets no program watch keys globally. Bind \u201cvantro --trigger\u201d and "
                          "\u201cvantro --screenshot\u201d to shortcuts in your desktop's keyboard settings.");
    if (platform == u"xcb" || (platform.isEmpty() && qEnvironmentVariableIsSet("DISPLAY")))
        return {};
    return QCoreApplication::translate("KeyMonitor", "Global key detection needs an X11 session.");
}

std::unique_ptr<KeyMonitor> createKeyMonitor()
{
    const QString reason = unsupportedReason();
    if (!reason.isEmpty())
        return std::make_unique<KeyMonitorNull>(reason);
    return std::make_unique<KeyMonitorX11>();
}

std::unique_ptr<GlobalHotkey> createGlobalHotkey()
{
    const QString reason = unsupportedReason();
    // The X11 hotkey lives on Qt's own connection, so it needs the xcb platform itself.
    if (!reason.isEmpty() || QGuiApplication::platformName() != u"xcb")
        return std::make_unique<GlobalHotkeyNull>(
            reason.isEmpty() ? QCoreApplication::translate("KeyMonitor", "Global key detection needs an X11 session.")
                             : reason);
    return std::make_unique<GlobalHotkeyX11>();
}

} // namespace InputBackends
