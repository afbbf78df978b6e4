// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusContext>
#include <QDBusVariant>
#include <QObject>
#include <QProcess>

#include <optional>

// A private D-Bus session bus (its own dbus-daemon) with a settings portal on it that publishes
// org.freedesktop.appearance color-scheme and announces changes like the real one.
class FakeSettingsPortal : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")

public:
    // `scheme` absent: the portal has no such setting. `supportsReadOne` false: an old portal with only Read.
    explicit FakeSettingsPortal(std::optional<uint> scheme, bool supportsReadOne = true);
    ~FakeSettingsPortal() override;

    bool isRunning() const { return !m_address.isEmpty(); }
    QString busAddress() const { return m_address; }
    int reads() const { return m_reads; }

    void setColorScheme(uint scheme);

public Q_SLOTS:
    QDBusVariant ReadOne(const QString& nameSpace, const QString& key);
    QDBusVariant Read(const QString& nameSpace, const QString& key);

Q_SIGNALS:
    void SettingChanged(const QString& nameSpace, const QString& key, const QDBusVariant& value);

private:
    std::optional<QDBusVariant> lookup(const QString& nameSpace, const QString& key);

    QProcess m_daemon;
    QString m_address;
    QString m_connectionName;
    std::optional<uint> m_scheme;
    bool m_supportsReadOne;
    int m_reads = 0;
};
