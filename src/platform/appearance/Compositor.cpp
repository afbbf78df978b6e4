// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/appearance/Compositor.h"

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

#include <X11/Xlib.h>

#include <string>

bool compositorIsRunning()
{
    if (QGuiApplication::platformName() != u"xcb")
        return false;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    Display* display = x11 ? x11->display() : nullptr;
    if (!display)
        return false;
    // A compositing manager owns the selection _NET_WM_CM_S<screen> (EWMH).
    const std::string name = "_NET_WM_CM_S" + std::to_string(DefaultScreen(display));
    const Atom selection = XInternAtom(display, name.c_str(), False);
    return XGetSelectionOwner(display, selection) != None;
}
