// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Workspaces.h"

#include "platform/Session.h"
#include "platform/x11/X11Workspaces.h"

#include <QGuiApplication>
#include <QWindow>

void Workspaces::showOnAll(QWindow* window)
{
    if (window && Session::currentKind() == Session::Kind::X11 && QGuiApplication::platformName() == u"xcb")
        X11Workspaces::showOnAll(window);
}
