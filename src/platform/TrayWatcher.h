// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

#include <memory>

// Tells when a system tray appears after we started (a desktop whose panel starts after Vantro, a panel restarted),
// without polling: the StatusNotifier watcher taking its name on the session bus, or a tray announcing itself on the
// X11 root window. Backends::createTrayWatcher() gives the sources this session has.
class TrayWatcher : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

Q_SIGNALS:
    // A tray may now show icons; QSystemTrayIcon::isSystemTrayAvailable() says whether Qt can use it.
    void trayAppeared();
};
