// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/dbus/StatusNotifierWatcher.h"

#include <QDBusServiceWatcher>

StatusNotifierWatcher::StatusNotifierWatcher(const QDBusConnection& bus, QObject* parent)
    : TrayWatcher(parent), m_watcher(new QDBusServiceWatcher(QStringLiteral("org.kde.StatusNotifierWatcher"), bus,
                                                             QDBusServiceWatcher::WatchForRegistration, this))
{
    connect(m_watcher, &QDBusServiceWatcher::serviceRegistered, this, &TrayWatcher::trayAppeared);
}
