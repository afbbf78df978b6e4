// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11TrayWatcher.h"

#include <QGuiApplication>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

namespace {

xcb_atom_t atom(xcb_connection_t* connection, const QByteArray& name)
{
    const xcb_intern_atom_cookie_t cookie = xcb_intern_atom(connection, 0, name.size(), name.constData());
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
        xcb_intern_atom_reply(connection, cookie, nullptr), &std::free);
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

} // namespace

X11TrayWatcher::X11TrayWatcher(QObject* parent) : TrayWatcher(parent)
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection)
        return;
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    if (!screen)
        return;
    m_manager = atom(connection, "MANAGER");
    m_selection = atom(connection, "_NET_SYSTEM_TRAY_S0");
    // The announcement goes to clients that listen for structure changes on the root; add that to what Qt already
    // listens for there (a client's event mask on a window is one value, so it must be read first).
    const xcb_get_window_attributes_cookie_t cookie = xcb_get_window_attributes(connection, screen->root);
    std::unique_ptr<xcb_get_window_attributes_reply_t, decltype(&std::free)> attributes(
        xcb_get_window_attributes_reply(connection, cookie, nullptr), &std::free);
    if (!attributes)
        return;
    const uint32_t mask = attributes->your_event_mask | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection, screen->root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(connection);
    qGuiApp->installNativeEventFilter(this);
}

X11TrayWatcher::~X11TrayWatcher()
{
    if (qGuiApp)
        qGuiApp->removeNativeEventFilter(this);
}

bool X11TrayWatcher::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
    if (eventType != "xcb_generic_event_t" || m_manager == XCB_ATOM_NONE)
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != XCB_CLIENT_MESSAGE)
        return false;
    const auto* client = reinterpret_cast<const xcb_client_message_event_t*>(event);
    if (client->type == m_manager && client->format == 32 && client->data.data32[1] == m_selection)
        Q_EMIT trayAppeared();
    return false; // others may want it too
}
