// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "support/PrivateSessionBus.h"

#include <QDBusContext>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

// A desktop notification service on a private session bus, with the capabilities it is given. It records every
// notification; invoke() plays the user pressing one of its buttons.
class FakeNotificationServer : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    struct Shown
    {
        QString summary, body;
        QStringList actions;
        uint id = 0;
    };

    explicit FakeNotificationServer(QStringList capabilities);

    bool isRunning() const { return m_exported; }
    QString busAddress() const { return m_exported ? m_bus.address() : QString(); }
    const QList<Shown>& shown() const { return m_shown; }

    void invoke(uint id, const QString& key);

public Q_SLOTS:
    QStringList GetCapabilities() { return m_capabilities; }
    uint Notify(const QString& appName, uint replacesId, const QString& icon, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap& hints, int timeout);

private:
    PrivateSessionBus m_bus{QStringLiteral("org.freedesktop.Notifications")};
    bool m_exported = false;
    QStringList m_capabilities;
    QList<Shown> m_shown;
};
