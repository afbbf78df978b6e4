// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/KeyMonitorX11.h"

#include "platform/Log.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <array>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/socket.h>
#include <unistd.h>

// Xlib last: its macros (None, KeyPress, Bool, ...) clash with Qt names.
#include "platform/x11/XErrorTrap.h"
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XInput2.h>
#include <X11/keysym.h>

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

constexpr auto component = u"KeyMonitor";
// A raw press of C that no grabbed core press follows within this time was not Ctrl+C (Ctrl+Shift+C, plain C).
constexpr auto rawMatchWindow = 30ms;
constexpr auto reconnectDelay = 1s;

qint64 nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count();
}

QString text(const char* sentence)
{
    return QCoreApplication::translate("KeyMonitor", sentence);
}

} // namespace

struct KeyMonitorX11::Private
{
    KeyMonitorX11* q = nullptr;

    // Shared between threads.
    std::atomic<bool> running{false};
    std::atomic<bool> stopRequested{false};
    std::atomic<bool> watchdogStopRequested{false};
    std::atomic<bool> reenableRequested{false};
    std::atomic<bool> classesChanged{false};
    std::atomic<qint64> timerDeadline{0}; // steady nanoseconds, 0 = no timer
    std::atomic<qint64> frozenSince{0};   // steady nanoseconds while the keyboard waits for our verdict
    std::atomic<int> connectionFd{-1};
    std::atomic<int> connections{0};
    std::atomic<bool> available{false};
    int wakePipe[2] = {-1, -1};
    std::thread monitorThread;
    std::thread watchdogThread;
    std::mutex watchdogMutex;
    std::condition_variable watchdogWake;
    mutable std::mutex stateMutex; // guards reason, ignoredClasses, probed
    QString reason;
    QStringList ignoredClasses;
    bool probed = false;
    std::thread::id monitorThreadId;
    Handler* handler = nullptr;
    std::function<void(std::chrono::nanoseconds)> latencyRecorder;

    // Monitor thread only (and start() before the thread exists).
    Display* display = nullptr;
    std::unique_ptr<XErrorTrap> trap;
    bool ioError = false;
    int xiOpcode = 0;
    KeyCode copyKeycode = 0;
    unsigned numLockMask = 0, altMask = 0, superMask = 0;
    std::array<bool, 256> keepsCount{}; // Control, Caps Lock and Num Lock presses leave the tap count alone
    std::array<bool, 256> isControl{};
    struct PendingRaw
    {
        bool valid = false;
        KeyCode code = 0;
        Time time = 0;
        qint64 expires = 0;
    } pendingRaw;
    KeyCode lastRawCode = 0;
    Time lastRawTime = 0;
    Window focusWindow = 0;
    bool focusIgnored = false;
    QStringList classes; // lower-case copy of ignoredClasses for this thread
    qint64 retryAt = 0;

    // Opens our own connection; with `andGrab`, also watches raw key presses and grabs Ctrl+C.
    bool connect(QString* failure, bool andGrab = true);
    void disconnect();
    bool grab(QString* failure);
    void ungrab();
    void refreshKeys();
    void run();
    void watchdog();
    void handleEvent(XEvent& event, qint64 received);
    void onRawPress(KeyCode code, Time time);
    void resolvePendingRaw();
    void onCoreKey(const XKeyEvent& key, qint64 received);
    bool focusIsIgnored();
    QString classOf(Window window);
    unsigned modifiersOf(unsigned state) const;
    void setAvailable(bool value, const QString& why);
    void wake();
    static void connectionLost(Display*, void* data);
};

// Xlib calls this instead of ending the process when our connection breaks (the watchdog cut it, or the server
// went away). Marking the connection is enough: the loop drops it and reconnects.
void KeyMonitorX11::Private::connectionLost(Display*, void* data)
{
    static_cast<Private*>(data)->ioError = true;
}

KeyMonitorX11::KeyMonitorX11(QObject* parent) : KeyMonitor(parent), d(std::make_unique<Private>())
{
    d->q = this;
}

KeyMonitorX11::~KeyMonitorX11()
{
    stop();
}

bool KeyMonitorX11::start(Handler* handler)
{
    stop();
    if (qEnvironmentVariable("VANTRO_NO_GRAB") == u"1") {
        d->setAvailable(false, text("Global key detection is turned off (VANTRO_NO_GRAB=1)."));
        return false;
    }
    QString failure;
    if (!d->connect(&failure)) {
        d->setAvailable(false, failure);
        logLine(component, QStringLiteral("Global key detection unavailable: ") + failure);
        Q_EMIT startFailed(failure);
        return false;
    }
    {
        std::lock_guard lock(d->stateMutex);
        d->probed = true;
        d->classes.clear();
        for (const QString& name : std::as_const(d->ignoredClasses))
            d->classes.append(name.toLower());
    }
    d->setAvailable(true, {});
    d->handler = handler;
    d->connections = 1;
    d->stopRequested = false;
    d->watchdogStopRequested = false;
    d->timerDeadline = 0;
    d->frozenSince = 0;
    if (::pipe2(d->wakePipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        d->disconnect();
        d->setAvailable(false, text("The key monitor could not start a thread."));
        Q_EMIT startFailed(text("The key monitor could not start a thread."));
        return false;
    }
    d->running = true;
    d->monitorThread = std::thread([this] { d->run(); });
    d->watchdogThread = std::thread([this] { d->watchdog(); });
    return true;
}

void KeyMonitorX11::stop()
{
    if (!d->running)
        return;
    d->stopRequested = true;
    d->wake();
    // The monitor thread may be the one holding the keyboard frozen: the watchdog stays on duty until it is gone.
    d->monitorThread.join();
    {
        std::lock_guard lock(d->watchdogMutex);
        d->watchdogStopRequested = true;
        d->watchdogWake.notify_all();
    }
    d->watchdogThread.join();
    d->running = false;
    ::close(d->wakePipe[0]);
    ::close(d->wakePipe[1]);
    d->wakePipe[0] = d->wakePipe[1] = -1;
    d->handler = nullptr;
}

bool KeyMonitorX11::isRunning() const
{
    return d->running;
}

void KeyMonitorX11::reenable()
{
    if (!d->running)
        return;
    d->reenableRequested = true;
    d->wake();
}

bool KeyMonitorX11::isAvailable() const
{
    {
        std::lock_guard lock(d->stateMutex);
        if (d->probed || d->running)
            return d->available;
    }
    // Never started: look at the display and its XInput without grabbing anything, since a grab of even a moment
    // would swallow a Ctrl+C the user makes then. Whether another client holds Ctrl+C shows only when start()
    // grabs; until then the answer is not kept, so a later question looks again.
    Private probe;
    QString failure;
    const bool ok = qEnvironmentVariable("VANTRO_NO_GRAB") != u"1" && probe.connect(&failure, false);
    probe.disconnect();
    if (!ok && failure.isEmpty())
        failure = text("Global key detection is turned off (VANTRO_NO_GRAB=1).");
    std::lock_guard lock(d->stateMutex);
    d->reason = failure;
    return ok;
}

QString KeyMonitorX11::unavailableReason() const
{
    if (isAvailable())
        return {};
    std::lock_guard lock(d->stateMutex);
    return d->reason;
}

void KeyMonitorX11::setIgnoredWindowClasses(const QStringList& classes)
{
    {
        std::lock_guard lock(d->stateMutex);
        d->ignoredClasses = classes;
    }
    d->classesChanged = true;
}

void KeyMonitorX11::startTimer(std::chrono::nanoseconds delay)
{
    d->timerDeadline = std::max<qint64>(1, nowNs() + delay.count());
    if (std::this_thread::get_id() != d->monitorThreadId)
        d->wake();
}

void KeyMonitorX11::cancelTimer()
{
    d->timerDeadline = 0;
}

void KeyMonitorX11::setLatencyRecorder(std::function<void(std::chrono::nanoseconds)> recorder)
{
    d->latencyRecorder = std::move(recorder);
}

int KeyMonitorX11::connectionCount() const
{
    return d->connections;
}

// ---- connection -------------------------------------------------------------------------------------------------

bool KeyMonitorX11::Private::connect(QString* failure, bool andGrab)
{
    ioError = false;
    display = XOpenDisplay(nullptr);
    if (!display) {
        *failure = text("No X11 display is available, so Ctrl+C cannot be watched.");
        return false;
    }
    trap = std::make_unique<XErrorTrap>(display);
    XSetIOErrorExitHandler(display, connectionLost, this);

    int event = 0, error = 0;
    int major = 2, minor = 2;
    if (!XQueryExtension(display, "XInputExtension", &xiOpcode, &event, &error) ||
        XIQueryVersion(display, &major, &minor) != Success || major * 100 + minor < 202) {
        *failure = text("The X server lacks XInput 2.2, which global key detection needs.");
        disconnect();
        return false;
    }
    if (!andGrab)
        return true;
    std::array<unsigned char, XIMaskLen(XI_LASTEVENT)> bits{};
    XISetMask(bits.data(), XI_RawKeyPress);
    XIEventMask mask{XIAllMasterDevices, int(bits.size()), bits.data()};
    XISelectEvents(display, DefaultRootWindow(display), &mask, 1);
    // Without this the server sends a release before every repeated press.
    XkbSetDetectableAutoRepeat(display, True, nullptr);

    if (!grab(failure)) {
        disconnect();
        return false;
    }
    connectionFd = ConnectionNumber(display);
    return true;
}

void KeyMonitorX11::Private::disconnect()
{
    if (!display)
        return;
    connectionFd = -1;
    trap.reset();
    XCloseDisplay(display);
    display = nullptr;
    pendingRaw = {};
    focusWindow = 0;
}

void KeyMonitorX11::Private::refreshKeys()
{
    copyKeycode = XKeysymToKeycode(display, XK_c);
    numLockMask = XkbKeysymToModifiers(display, XK_Num_Lock);
    altMask = XkbKeysymToModifiers(display, XK_Alt_L);
    superMask = XkbKeysymToModifiers(display, XK_Super_L);
    keepsCount.fill(false);
    isControl.fill(false);
    for (KeySym sym : {XK_Control_L, XK_Control_R, XK_Caps_Lock, XK_Num_Lock}) {
        const KeyCode code = XKeysymToKeycode(display, sym);
        if (code != 0) {
            keepsCount[code] = true;
            isControl[code] = sym == XK_Control_L || sym == XK_Control_R;
        }
    }
}

bool KeyMonitorX11::Private::grab(QString* failure)
{
    refreshKeys();
    if (copyKeycode == 0) {
        *failure = text("The keyboard layout has no C key.");
        return false;
    }
    const Window root = DefaultRootWindow(display);
    trap->begin();
    for (unsigned lock : {0u, unsigned(LockMask), numLockMask, LockMask | numLockMask})
        XGrabKey(display, copyKeycode, ControlMask | lock, root, False, GrabModeAsync, GrabModeSync);
    if (trap->sync() != 0) {
        ungrab();
        *failure = text("Another program already uses Ctrl+C as a global shortcut, so double copy cannot work.");
        return false;
    }
    return true;
}

void KeyMonitorX11::Private::ungrab()
{
    if (!display || copyKeycode == 0)
        return;
    trap->begin();
    const Window root = DefaultRootWindow(display);
    for (unsigned lock : {0u, unsigned(LockMask), numLockMask, LockMask | numLockMask})
        XUngrabKey(display, copyKeycode, ControlMask | lock, root);
    trap->sync();
}

void KeyMonitorX11::Private::setAvailable(bool value, const QString& why)
{
    bool changed = false;
    {
        std::lock_guard lock(stateMutex);
        changed = available != value;
        available = value;
        reason = why;
        probed = true;
    }
    if (changed && running)
        Q_EMIT q->availabilityChanged(value);
}

void KeyMonitorX11::Private::wake()
{
    if (wakePipe[1] >= 0) {
        const char byte = 1;
        [[maybe_unused]] const auto written = ::write(wakePipe[1], &byte, 1);
    }
}

// ---- monitor thread ---------------------------------------------------------------------------------------------

void KeyMonitorX11::Private::run()
{
    monitorThreadId = std::this_thread::get_id();
    // A write to a connection the watchdog cut must fail with EPIPE on this thread, not end the process.
    sigset_t pipeSignal;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr);

    while (!stopRequested) {
        if (classesChanged.exchange(false)) {
            std::lock_guard lock(stateMutex);
            classes.clear();
            for (const QString& name : std::as_const(ignoredClasses))
                classes.append(name.toLower());
            focusWindow = 0;
        }
        if (display && reenableRequested.exchange(false)) {
            ungrab();
            QString failure;
            if (!grab(&failure))
                setAvailable(false, failure);
            else
                setAvailable(true, {});
        }
        if (!display && nowNs() >= retryAt) {
            QString failure;
            if (connect(&failure)) {
                ++connections;
                setAvailable(true, {});
            } else {
                retryAt = nowNs() + std::chrono::nanoseconds(reconnectDelay).count();
                setAvailable(false, failure);
            }
        }
        if (display) {
            while (!ioError && XPending(display) > 0) {
                XEvent event;
                XNextEvent(display, &event);
                handleEvent(event, nowNs());
            }
            if (ioError) {
                logLine(component, QStringLiteral("Lost the X connection; reconnecting"));
                disconnect();
                continue;
            }
        }

        // Time-outs: an unmatched raw press of C, then the handler's timer (which must see that reset first).
        const qint64 now = nowNs();
        if (pendingRaw.valid && now >= pendingRaw.expires)
            resolvePendingRaw();
        qint64 deadline = timerDeadline;
        if (deadline != 0 && now >= deadline && !pendingRaw.valid) {
            if (timerDeadline.compare_exchange_strong(deadline, 0) && handler)
                handler->timerFired();
            continue;
        }
        qint64 next = -1;
        for (qint64 due : {pendingRaw.valid ? pendingRaw.expires : 0, deadline, display ? 0 : retryAt}) {
            if (due > 0 && (next < 0 || due < next))
                next = due;
        }
        const int timeoutMs = next < 0 ? -1 : int(std::max<qint64>(0, (next - now + 999'999) / 1'000'000));

        std::array<pollfd, 2> fds{{{wakePipe[0], POLLIN, 0}, {display ? ConnectionNumber(display) : -1, POLLIN, 0}}};
        ::poll(fds.data(), display ? 2 : 1, timeoutMs);
        if (fds[0].revents & POLLIN) {
            char buffer[64];
            while (::read(wakePipe[0], buffer, sizeof buffer) > 0) {
            }
        }
        if (display && (fds[1].revents & (POLLERR | POLLHUP)) && !(fds[1].revents & POLLIN))
            ioError = true;
        if (ioError) {
            logLine(component, QStringLiteral("Lost the X connection; reconnecting"));
            disconnect();
        }
    }
    if (display) {
        ungrab();
        disconnect();
    }
}

void KeyMonitorX11::Private::handleEvent(XEvent& event, qint64 received)
{
    switch (event.type) {
    case GenericEvent:
        if (event.xcookie.extension == xiOpcode && XGetEventData(display, &event.xcookie)) {
            if (event.xcookie.evtype == XI_RawKeyPress) {
                const auto* raw = static_cast<const XIRawEvent*>(event.xcookie.data);
                onRawPress(KeyCode(raw->detail), raw->time);
            }
            XFreeEventData(display, &event.xcookie);
        }
        break;
    case KeyPress:
    case KeyRelease:
        onCoreKey(event.xkey, received);
        break;
    case MappingNotify:
        XRefreshKeyboardMapping(&event.xmapping);
        if (event.xmapping.request != MappingPointer) {
            // The layout changed: C or Num Lock may sit on other keycodes now.
            ungrab();
            QString failure;
            if (!grab(&failure))
                setAvailable(false, failure);
        }
        break;
    default:
        break;
    }
}

void KeyMonitorX11::Private::onRawPress(KeyCode code, Time time)
{
    if (code == lastRawCode && time == lastRawTime)
        return; // the same press reported twice
    lastRawCode = code;
    lastRawTime = time;
    resolvePendingRaw();
    if (code == copyKeycode) {
        // Whether it was Ctrl+C shows when the grabbed core press with the same timestamp arrives.
        pendingRaw = {true, code, time, nowNs() + std::chrono::nanoseconds(rawMatchWindow).count()};
        return;
    }
    if (keepsCount[code]) {
        // Look the focused window up now, while the keyboard is free, so the Ctrl+C that follows finds it cached.
        if (isControl[code]) {
            focusWindow = 0;
            focusIsIgnored();
        }
        return;
    }
    if (handler)
        handler->keyDown(KeyTap::KeyDown{});
}

void KeyMonitorX11::Private::resolvePendingRaw()
{
    if (!pendingRaw.valid)
        return;
    pendingRaw.valid = false;
    if (handler)
        handler->keyDown(KeyTap::KeyDown{});
}

void KeyMonitorX11::Private::onCoreKey(const XKeyEvent& key, qint64 received)
{
    // Every core key event reaches us through the grab, with the keyboard frozen until XAllowEvents. The watchdog
    // sleeps until told; taking its mutex first means the notice cannot slip in before it starts waiting.
    frozenSince = received;
    {
        std::lock_guard lock(watchdogMutex);
    }
    watchdogWake.notify_one();
    KeyTap::Verdict verdict = KeyTap::Verdict::Pass;
    if (key.keycode == copyKeycode) {
        if (key.type == KeyPress) {
            const bool real = pendingRaw.valid && pendingRaw.code == key.keycode && pendingRaw.time == key.time;
            if (real)
                pendingRaw.valid = false;
            else
                resolvePendingRaw();
            if (handler) {
                if (focusIsIgnored())
                    handler->keyDown(KeyTap::KeyDown{}); // a terminal's interrupt: counts nothing, resets
                else
                    verdict = handler->keyDown({true, modifiersOf(key.state), !real});
            }
        } else {
            // The release of a C whose press we swallowed stays with us too.
            verdict = KeyTap::Verdict::Swallow;
        }
    }
    // Swallow keeps the frozen grab so the next key event comes to us as well; replay ends it and hands the event
    // back to the focused window with its own timestamp.
    XAllowEvents(display, verdict == KeyTap::Verdict::Swallow ? SyncKeyboard : ReplayKeyboard, key.time);
    XFlush(display);
    frozenSince = 0;
    if (latencyRecorder)
        latencyRecorder(std::chrono::nanoseconds(nowNs() - received));
}

unsigned KeyMonitorX11::Private::modifiersOf(unsigned state) const
{
    unsigned modifiers = 0;
    if (state & ShiftMask)
        modifiers |= KeyTap::Shift;
    if (state & ControlMask)
        modifiers |= KeyTap::Control;
    if (altMask && (state & altMask))
        modifiers |= KeyTap::Alt;
    if (superMask && (state & superMask))
        modifiers |= KeyTap::Super;
    if (state & LockMask)
        modifiers |= KeyTap::CapsLock;
    return modifiers;
}

bool KeyMonitorX11::Private::focusIsIgnored()
{
    if (classes.isEmpty())
        return false;
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(display, &focus, &revert);
    if (focus == focusWindow && focus != 0)
        return focusIgnored;
    focusWindow = focus;
    const QString found = focus > PointerRoot ? classOf(focus) : QString();
    focusIgnored = false;
    for (const QString& part : found.split(u'\n', Qt::SkipEmptyParts))
        focusIgnored = focusIgnored || classes.contains(part.toLower());
    return focusIgnored;
}

// WM_CLASS of the top-level window that holds `window`: instance and class joined by a newline.
QString KeyMonitorX11::Private::classOf(Window window)
{
    const Window root = DefaultRootWindow(display);
    for (int depth = 0; depth < 16 && window != 0 && window != root; ++depth) {
        trap->begin();
        XClassHint hint{nullptr, nullptr};
        const Status found = XGetClassHint(display, window, &hint);
        QString result;
        if (found) {
            result = QString::fromLocal8Bit(hint.res_name) + u'\n' + QString::fromLocal8Bit(hint.res_class);
            XFree(hint.res_name);
            XFree(hint.res_class);
        }
        if (trap->firstError() != 0)
            return {}; // the window is gone
        if (found)
            return result;
        Window parentRoot = 0, parent = 0;
        Window* children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(display, window, &parentRoot, &parent, &children, &count))
            return {};
        if (children)
            XFree(children);
        window = parent;
    }
    return {};
}

// ---- watchdog ---------------------------------------------------------------------------------------------------

void KeyMonitorX11::Private::watchdog()
{
    // No periodic wake-ups: it sleeps until a grabbed key freezes the keyboard, then until the limit of that freeze.
    std::unique_lock lock(watchdogMutex);
    while (!watchdogStopRequested) {
        const qint64 since = frozenSince;
        if (since == 0) {
            watchdogWake.wait(lock);
            continue;
        }
        const qint64 deadline = since + std::chrono::nanoseconds(watchdogLimit).count();
        if (nowNs() <= deadline) {
            watchdogWake.wait_until(lock, Clock::time_point(std::chrono::nanoseconds(deadline + 1)));
            continue;
        }
        // Still the same freeze past its limit (a later key would have moved `since`).
        qint64 expected = since;
        if (!frozenSince.compare_exchange_strong(expected, 0))
            continue;
        const int fd = connectionFd;
        if (fd >= 0) {
            // Closing our end makes the server drop the connection and its grabs, and the keyboard thaws.
            ::shutdown(fd, SHUT_RDWR);
            logLine(component, QStringLiteral("The keyboard waited more than %1 ms for a verdict; "
                                              "cut the connection to thaw it")
                                   .arg(watchdogLimit.count()));
            Q_EMIT q->keyboardThawed();
        }
    }
}
