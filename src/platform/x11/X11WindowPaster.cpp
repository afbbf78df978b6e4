// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11WindowPaster.h"

#include "platform/Log.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTimer>
#include <QWindow>

#include <optional>

// Last: Xlib defines names Qt uses.
#include "platform/x11/XErrorTrap.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace {

const QString component = QStringLiteral("paste");
constexpr int maxDepth = 32;
constexpr std::chrono::milliseconds pollInterval{10};

} // namespace

struct X11WindowPaster::Private
{
    Display* display = nullptr;
    std::unique_ptr<XErrorTrap> trap;
    QString reason;
    Atom activeWindow = None;
    Atom supportingWmCheck = None;

    // The paste in progress.
    Target target;
    Keystroke keystroke = Keystroke::Paste;
    std::function<void(Outcome)> done;
    QElapsedTimer waited;
    QTimer* poller = nullptr;

    Window root() const { return DefaultRootWindow(display); }
    Window parentOf(Window window) const;
    bool exists(Window window) const;
    std::optional<Window> windowProperty(Window window, Atom property) const;
    bool hasWindowManager() const;
    void activate(Window window) const;
    bool focusIsIn(Window window) const;
    bool keyboardIsFree() const;
    // Empty when the focus moved or the keyboard is held at the last moment: the wait goes on.
    std::optional<Outcome> sendKeystroke();
};

Window X11WindowPaster::Private::parentOf(Window window) const
{
    Window parentRoot = 0, parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, window, &parentRoot, &parent, &children, &count))
        return 0;
    if (children)
        XFree(children);
    return parent;
}

bool X11WindowPaster::Private::exists(Window window) const
{
    trap->begin();
    XWindowAttributes attributes;
    const Status found = XGetWindowAttributes(display, window, &attributes);
    return found && trap->firstError() == 0;
}

std::optional<Window> X11WindowPaster::Private::windowProperty(Window window, Atom property) const
{
    Atom type = None;
    int format = 0;
    unsigned long count = 0, remaining = 0;
    unsigned char* data = nullptr;
    trap->begin();
    const int status = XGetWindowProperty(display, window, property, 0, 1, False, XA_WINDOW, &type, &format, &count,
                                          &remaining, &data);
    std::optional<Window> value;
    if (status == Success && trap->firstError() == 0 && type == XA_WINDOW && format == 32 && count == 1 && data)
        value = Window(*reinterpret_cast<unsigned long*>(data));
    if (data)
        XFree(data);
    return value;
}

// A window manager that speaks EWMH names a window of its own on the root, and that window names itself.
bool X11WindowPaster::Private::hasWindowManager() const
{
    const std::optional<Window> check = windowProperty(root(), supportingWmCheck);
    return check && *check != 0 && windowProperty(*check, supportingWmCheck) == check;
}

void X11WindowPaster::Private::activate(Window window) const
{
    if (hasWindowManager()) {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = activeWindow;
        event.xclient.format = 32;
        event.xclient.data.l[0] = 2; // a pager's request: a direct user action, not focus stealing
        event.xclient.data.l[1] = CurrentTime;
        XSendEvent(display, root(), False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
    } else {
        trap->begin();
        XRaiseWindow(display, window);
        XSetInputFocus(display, window, RevertToParent, CurrentTime);
        trap->sync();
    }
    XFlush(display);
}

// The window manager names `window` active and the input focus is on it or inside it.
bool X11WindowPaster::Private::focusIsIn(Window window) const
{
    if (hasWindowManager() && windowProperty(root(), activeWindow) != window)
        return false;
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(display, &focus, &revert);
    for (int depth = 0; depth < maxDepth && focus > PointerRoot && focus != root(); ++depth) {
        if (focus == window)
            return true;
        trap->begin();
        focus = parentOf(focus);
        if (trap->firstError() != 0)
            return false;
    }
    return false;
}

// A client holding the keyboard (a menu, a screen locker) would get our keys whatever has the focus.
bool X11WindowPaster::Private::keyboardIsFree() const
{
    if (XGrabKeyboard(display, root(), False, GrabModeAsync, GrabModeAsync, CurrentTime) != GrabSuccess)
        return false;
    XUngrabKeyboard(display, CurrentTime);
    return true;
}

std::optional<WindowPaster::Outcome> X11WindowPaster::Private::sendKeystroke()
{
    const auto window = Window(target.window);
    XGrabServer(display);
    std::optional<Outcome> outcome;
    if (!exists(window)) {
        outcome = Outcome::Gone;
    } else if (focusIsIn(window) && keyboardIsFree()) {
        char keys[32] = {};
        XQueryKeymap(display, keys);
        const auto isDown = [&keys](KeyCode code) { return code != 0 && (keys[code / 8] & (1 << (code % 8))); };
        const KeyCode control = XKeysymToKeycode(display, XK_Control_L);
        const KeyCode shift = XKeysymToKeycode(display, XK_Shift_L);
        const KeyCode v = XKeysymToKeycode(display, XK_v);
        // A modifier the user still holds stays as it is; what we press, we release.
        const bool pressControl = !isDown(control) && !isDown(XKeysymToKeycode(display, XK_Control_R));
        const bool pressShift =
            keystroke == Keystroke::TerminalPaste && !isDown(shift) && !isDown(XKeysymToKeycode(display, XK_Shift_R));
        if (control != 0 && v != 0 && (shift != 0 || !pressShift)) {
            if (pressControl)
                XTestFakeKeyEvent(display, control, True, CurrentTime);
            if (pressShift)
                XTestFakeKeyEvent(display, shift, True, CurrentTime);
            XTestFakeKeyEvent(display, v, True, CurrentTime);
            XTestFakeKeyEvent(display, v, False, CurrentTime);
            if (pressShift)
                XTestFakeKeyEvent(display, shift, False, CurrentTime);
            if (pressControl)
                XTestFakeKeyEvent(display, control, False, CurrentTime);
            // The server delivers the keys before it answers this, while the grab still holds the focus where it is.
            XSync(display, False);
            outcome = Outcome::Pasted;
        } else {
            outcome = Outcome::Unavailable; // a keyboard map without Control or V
        }
    }
    XUngrabServer(display);
    XSync(display, False);
    return outcome;
}

X11WindowPaster::X11WindowPaster(QObject* parent) : WindowPaster(parent), d(std::make_unique<Private>())
{
    d->display = XOpenDisplay(nullptr);
    if (!d->display) {
        d->reason = QCoreApplication::translate("WindowPaster", "Vantro cannot reach the X server to paste.");
        return;
    }
    d->trap = std::make_unique<XErrorTrap>(d->display);
    int event = 0, error = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(d->display, &event, &error, &major, &minor)) {
        d->reason =
            QCoreApplication::translate("WindowPaster", "The X server has no XTest extension, so Vantro cannot paste.");
        return;
    }
    d->activeWindow = XInternAtom(d->display, "_NET_ACTIVE_WINDOW", False);
    d->supportingWmCheck = XInternAtom(d->display, "_NET_SUPPORTING_WM_CHECK", False);
    d->poller = new QTimer(this);
    d->poller->setInterval(pollInterval);
    connect(d->poller, &QTimer::timeout, this, &X11WindowPaster::poll);
}

X11WindowPaster::~X11WindowPaster()
{
    if (d->done)
        logLine(component, QStringLiteral("A paste was still waiting for the focus at exit"));
    d->trap.reset();
    if (d->display)
        XCloseDisplay(d->display);
}

bool X11WindowPaster::isAvailable() const
{
    return d->reason.isEmpty();
}

QString X11WindowPaster::unavailableReason() const
{
    return d->reason;
}

WindowPaster::Target X11WindowPaster::focusedWindow() const
{
    if (!isAvailable())
        return {};
    Window window = 0;
    int revert = 0;
    XGetInputFocus(d->display, &window, &revert);
    // Up from the focused window to the client window that carries WM_CLASS.
    for (int depth = 0; depth < maxDepth && window > PointerRoot && window != d->root(); ++depth) {
        d->trap->begin();
        XClassHint hint{nullptr, nullptr};
        const Status found = XGetClassHint(d->display, window, &hint);
        QStringList classes;
        if (found) {
            classes = {QString::fromLocal8Bit(hint.res_name), QString::fromLocal8Bit(hint.res_class)};
            XFree(hint.res_name);
            XFree(hint.res_class);
        }
        if (d->trap->firstError() != 0)
            return {};
        if (found) {
            const QWindowList ours = QGuiApplication::topLevelWindows();
            for (const QWindow* own : ours) {
                if (own->handle() && own->winId() == window)
                    return {};
            }
            return {quint64(window), classes};
        }
        window = d->parentOf(window);
    }
    return {};
}

void X11WindowPaster::paste(const Target& target, Keystroke keystroke, std::function<void(Outcome)> done)
{
    if (d->done)
        finish(Outcome::NotFocused); // a newer paste replaces the one still waiting
    if (!isAvailable() || !target.isValid()) {
        done(isAvailable() ? Outcome::Gone : Outcome::Unavailable);
        return;
    }
    if (!d->exists(Window(target.window))) {
        done(Outcome::Gone);
        return;
    }
    d->target = target;
    d->keystroke = keystroke;
    d->done = std::move(done);
    d->waited.start();
    d->activate(Window(target.window));
    d->poller->start();
    poll();
}

void X11WindowPaster::poll()
{
    if (!d->done)
        return;
    const auto window = Window(d->target.window);
    if (!d->exists(window)) {
        finish(Outcome::Gone);
        return;
    }
    if (d->focusIsIn(window)) {
        if (const std::optional<Outcome> outcome = d->sendKeystroke()) {
            finish(*outcome);
            return;
        }
    }
    if (d->waited.elapsed() >= focusTimeout.count()) {
        logLine(component, QStringLiteral("The window did not get the focus in time; nothing was typed"));
        finish(Outcome::NotFocused);
    }
}

void X11WindowPaster::finish(Outcome outcome)
{
    d->poller->stop();
    const std::function<void(Outcome)> done = std::exchange(d->done, nullptr);
    d->target = {};
    if (done)
        done(outcome);
}
