// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/TrayWatcher.h"

#include <QDBusConnection>

class QDBusServiceWatcher;

// The tray of the StatusNotifier protocol (Plasma, GNOME's AppIndicator extension, waybar…): it is there once its
// watcher owns org.kde.StatusNotifierWatcher on the session bus.
class StatusNotifierWatcher : public TrayWatcher
{
    Q_OBJECT

public:
    explicit StatusNotifierWatcher(const QDBusConnection& bus = QDBusConnection::sessionBus(),
                                   QObject* parent = nullptr);

private:
    QDBusServiceWatcher* m_watcher;
};
