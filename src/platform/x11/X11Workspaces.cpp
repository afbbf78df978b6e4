// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11Workspaces.h"

#include <QGuiApplication>
#include <QWindow>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

namespace {

constexpr quint32 allDesktops = 0xFFFFFFFF;

xcb_atom_t atom(xcb_connection_t* connection, const char* name)
{
    const xcb_intern_atom_cookie_t cookie = xcb_intern_atom(connection, 0, uint16_t(qstrlen(name)), name);
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
        xcb_intern_atom_reply(connection, cookie, nullptr), &std::free);
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

} // namespace

void X11Workspaces::showOnAll(QWindow* window)
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    xcb_screen_t* screen = connection ? xcb_setup_roots_iterator(xcb_get_setup(connection)).data : nullptr;
    const xcb_atom_t desktop = screen ? atom(connection, "_NET_WM_DESKTOP") : xcb_atom_t(XCB_ATOM_NONE);
    if (desktop == XCB_ATOM_NONE)
        return;
    const auto id = xcb_window_t(window->winId());
    // Read by the window manager when the window is mapped.
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, desktop, XCB_ATOM_CARDINAL, 32, 1, &allDesktops);
    if (window->isVisible()) {
        // A mapped window moves only when the window manager is asked to move it.
        xcb_client_message_event_t message = {};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = id;
        message.type = desktop;
        message.data.data32[0] = allDesktops;
        message.data.data32[1] = 2; // from a pager or the application itself: a direct user action
        xcb_send_event(connection, 0, screen->root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&message));
    }
    xcb_flush(connection);
}
