// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/dbus/StatusNotifierWatcher.h"
#include "platform/x11/X11TrayWatcher.h"
#include "support/PrivateSessionBus.h"

#include <QGuiApplication>
#include <QSignalSpy>
#include <QtTest>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

using namespace Qt::StringLiterals;

namespace {

// What an XEmbed tray does when it starts: take the selection, then tell the root window's listeners.
bool announceX11Tray(Display* display, const char* selectionName, Window owner)
{
    const Atom selection = XInternAtom(display, selectionName, False);
    XSetSelectionOwner(display, selection, owner, CurrentTime);
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = DefaultRootWindow(display);
    event.xclient.message_type = XInternAtom(display, "MANAGER", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = CurrentTime;
    event.xclient.data.l[1] = long(selection);
    event.xclient.data.l[2] = long(owner);
    const Status sent = XSendEvent(display, DefaultRootWindow(display), False, StructureNotifyMask, &event);
    XFlush(display);
    return sent != 0;
}

} // namespace

class TestTrayWatcher : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QCOMPARE(QGuiApplication::platformName(), u"xcb"_s); }

    // A panel started after us brings its tray: the announcement of a tray counts, another selection's does not.
    void x11TrayAnnouncement()
    {
        X11TrayWatcher watcher;
        QSignalSpy appeared(&watcher, &TrayWatcher::trayAppeared);
        Display* display = XOpenDisplay(nullptr);
        QVERIFY(display);
        const Window owner = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
        QVERIFY(announceX11Tray(display, "CLIPBOARD_MANAGER", owner));
        QTest::qWait(200);
        QCOMPARE(appeared.size(), 0);
        QVERIFY(announceX11Tray(display, "_NET_SYSTEM_TRAY_S0", owner));
        QTRY_COMPARE(appeared.size(), 1);
        XDestroyWindow(display, owner);
        XCloseDisplay(display);
    }

    // The StatusNotifier tray is there once its watcher takes its name on the session bus.
    void statusNotifierWatcherName()
    {
        PrivateSessionBus bus(u"org.example.Panel"_s);
        QVERIFY(bus.isRunning());
        StatusNotifierWatcher watcher(QDBusConnection::connectToBus(bus.address(), u"tray-test"_s));
        QSignalSpy appeared(&watcher, &TrayWatcher::trayAppeared);
        QVERIFY(bus.connection().registerService(u"org.kde.StatusNotifierWatcher"_s));
        QTRY_COMPARE(appeared.size(), 1);
    }
};

QTEST_MAIN(TestTrayWatcher)
#include "tst_traywatcher.moc"
