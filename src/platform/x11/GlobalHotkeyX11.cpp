// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/GlobalHotkeyX11.h"

#include "platform/Log.h"
#include "platform/x11/MacKeyCodes.h"

#include <QGuiApplication>

#include <cstring>
#include <string>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <xcb/xcb.h>

namespace {

constexpr auto component = u"HotkeyManager";

struct X11Connection
{
    Display* display = nullptr;
    xcb_connection_t* connection = nullptr;
};

X11Connection qtConnection()
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11)
        return {};
    return {x11->display(), x11->connection()};
}

constexpr unsigned lockVariants = 4;

} // namespace

GlobalHotkeyX11::GlobalHotkeyX11(QObject* parent) : GlobalHotkey(parent)
{
    if (qGuiApp)
        qGuiApp->installNativeEventFilter(this);
}

GlobalHotkeyX11::~GlobalHotkeyX11()
{
    ungrab();
    if (qGuiApp)
        qGuiApp->removeNativeEventFilter(this);
}

quint8 GlobalHotkeyX11::keycodeFor(quint32 macKeyCode) const
{
    const std::string_view name = MacKeyCodes::xkbKeyName(macKeyCode);
    const X11Connection x = qtConnection();
    if (name.empty() || !x.display)
        return 0;
    XkbDescPtr keyboard = XkbGetMap(x.display, 0, XkbUseCoreKbd);
    if (!keyboard)
        return 0;
    quint8 found = 0;
    if (XkbGetNames(x.display, XkbKeyNamesMask | XkbKeyAliasesMask, keyboard) == Success && keyboard->names) {
        const auto matches = [&](const char* keyName) {
            return std::string_view(keyName, strnlen(keyName, XkbKeyNameLength)) == name;
        };
        std::string_view target = name;
        // An alias (e.g. <LSGT> on some layouts) names the real key it stands for.
        for (int i = 0; i < keyboard->names->num_key_aliases; ++i) {
            const XkbKeyAliasRec& alias = keyboard->names->key_aliases[i];
            if (matches(alias.alias)) {
                target = std::string_view(alias.real, strnlen(alias.real, XkbKeyNameLength));
                break;
            }
        }
        for (int code = keyboard->min_key_code; code <= keyboard->max_key_code && !found; ++code) {
            const char* keyName = keyboard->names->keys[code].name;
            if (std::string_view(keyName, strnlen(keyName, XkbKeyNameLength)) == target)
                found = quint8(code);
        }
    }
    XkbFreeKeyboard(keyboard, 0, True);
    return found;
}

bool GlobalHotkeyX11::registerHotkey(quint32 keyCode, quint32 modifiers)
{
    ungrab();
    const X11Connection x = qtConnection();
    if (!x.connection) {
        logLine(component, QStringLiteral("Cannot register the hotkey: no X11 connection"));
        return false;
    }
    const quint8 keycode = keycodeFor(keyCode);
    if (keycode == 0) {
        logLine(component,
                QStringLiteral("Cannot register the hotkey: key code %1 has no key in this layout").arg(keyCode));
        return false;
    }
    const auto maskOf = [&](KeySym sym, unsigned fallback) {
        const unsigned mask = XkbKeysymToModifiers(x.display, sym);
        return quint16(mask ? mask : fallback);
    };
    const quint16 alt = maskOf(XK_Alt_L, Mod1Mask);
    const quint16 super = maskOf(XK_Super_L, Mod4Mask);
    m_numLock = quint16(XkbKeysymToModifiers(x.display, XK_Num_Lock));
    m_matchMask = quint16(ShiftMask | ControlMask | alt | super);
    quint16 mask = 0;
    if (modifiers & 0x100)
        mask |= ControlMask;
    if (modifiers & 0x200)
        mask |= ShiftMask;
    if (modifiers & 0x800)
        mask |= alt;
    if (modifiers & 0x1000)
        mask |= super;
    m_root = quint32(DefaultRootWindow(x.display));

    const quint16 locks[lockVariants] = {0, quint16(LockMask), m_numLock, quint16(LockMask | m_numLock)};
    xcb_void_cookie_t cookies[lockVariants];
    for (unsigned i = 0; i < lockVariants; ++i)
        cookies[i] = xcb_grab_key_checked(x.connection, 1, m_root, mask | locks[i], keycode, XCB_GRAB_MODE_ASYNC,
                                          XCB_GRAB_MODE_ASYNC);
    bool refused = false;
    for (const xcb_void_cookie_t& cookie : cookies) {
        if (xcb_generic_error_t* error = xcb_request_check(x.connection, cookie)) {
            refused = true;
            free(error);
        }
    }
    m_keycode = keycode;
    m_modifiers = mask;
    if (refused) {
        ungrab();
        logLine(component, QStringLiteral("Cannot register the hotkey (key %1, modifiers 0x%2): another program "
                                          "holds it")
                               .arg(keyCode)
                               .arg(modifiers, 0, 16));
        return false;
    }
    return true;
}

void GlobalHotkeyX11::unregisterHotkey()
{
    ungrab();
}

void GlobalHotkeyX11::ungrab()
{
    if (m_keycode == 0)
        return;
    const X11Connection x = qtConnection();
    if (x.connection) {
        const quint16 locks[lockVariants] = {0, quint16(LockMask), m_numLock, quint16(LockMask | m_numLock)};
        for (quint16 lock : locks)
            xcb_ungrab_key(x.connection, m_keycode, m_root, m_modifiers | lock);
        xcb_flush(x.connection);
    }
    m_keycode = 0;
    m_held = false;
}

bool GlobalHotkeyX11::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
    if (m_keycode == 0 || eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    const quint8 type = event->response_type & 0x7f;
    if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE)
        return false;
    const auto* key = reinterpret_cast<const xcb_key_press_event_t*>(event);
    if (key->detail != m_keycode)
        return false;
    if (type == XCB_KEY_RELEASE) {
        // The grab reports to its owner's windows: when one of ours took the focus meanwhile (the panel the
        // hotkey opened), the release comes to that window, not the root.
        m_held = false;
        return key->event == m_root;
    }
    if (key->event != m_root)
        return false;
    if ((key->state & m_matchMask) != m_modifiers)
        return false;
    // Holding the shortcut repeats the press; one press is one trigger.
    if (!m_held) {
        m_held = true;
        Q_EMIT activated();
    }
    return true;
}
