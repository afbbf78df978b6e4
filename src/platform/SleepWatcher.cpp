// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SleepWatcher.h"

#include <QDBusConnection>

SleepWatcher::SleepWatcher(QObject* parent) : QObject(parent)
{
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected())
        return;
    // Qt's D-Bus signal connections take the slot by its signature string.
    m_watching = bus.connect(QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
                             QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"), this,
                             SLOT(onPrepareForSleep(bool)));
}

void SleepWatcher::onPrepareForSleep(bool goingToSleep)
{
    if (!goingToSleep)
        Q_EMIT resumed();
}
