// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "support/PrivateSessionBus.h"

#include <QDBusContext>
#include <QDBusVariant>
#include <QObject>

#include <optional>

// A settings portal on a private D-Bus session bus that publishes org.freedesktop.appearance color-scheme and
// announces changes like the real one.
class FakeSettingsPortal : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")

public:
    // `scheme` absent: the portal has no such setting. `supportsReadOne` false: an old portal with only Read.
    explicit FakeSettingsPortal(std::optional<uint> scheme, bool supportsReadOne = true);

    bool isRunning() const { return m_exported; }
    QString busAddress() const { return m_exported ? m_bus.address() : QString(); }
    int reads() const { return m_reads; }

    void setColorScheme(uint scheme);

public Q_SLOTS:
    QDBusVariant ReadOne(const QString& nameSpace, const QString& key);
    QDBusVariant Read(const QString& nameSpace, const QString& key);

Q_SIGNALS:
    void SettingChanged(const QString& nameSpace, const QString& key, const QDBusVariant& value);

private:
    std::optional<QDBusVariant> lookup(const QString& nameSpace, const QString& key);

    PrivateSessionBus m_bus{QStringLiteral("org.freedesktop.portal.Desktop")};
    bool m_exported = false;
    std::optional<uint> m_scheme;
    bool m_supportsReadOne;
    int m_reads = 0;
};
