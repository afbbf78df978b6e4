// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/FakeSettingsPortal.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>

FakeSettingsPortal::FakeSettingsPortal(std::optional<uint> scheme, bool supportsReadOne)
    : m_scheme(scheme), m_supportsReadOne(supportsReadOne)
{
    m_exported = m_bus.isRunning() &&
                 m_bus.connection().registerObject(QStringLiteral("/org/freedesktop/portal/desktop"), this,
                                                   QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals);
}

void FakeSettingsPortal::setColorScheme(uint scheme)
{
    m_scheme = scheme;
    Q_EMIT SettingChanged(QStringLiteral("org.freedesktop.appearance"), QStringLiteral("color-scheme"),
                          QDBusVariant(scheme));
}

std::optional<QDBusVariant> FakeSettingsPortal::lookup(const QString& nameSpace, const QString& key)
{
    ++m_reads;
    if (nameSpace == u"org.freedesktop.appearance" && key == u"color-scheme" && m_scheme)
        return QDBusVariant(*m_scheme);
    sendErrorReply(QStringLiteral("org.freedesktop.portal.Error.NotFound"),
                   QStringLiteral("Requested setting not found"));
    return std::nullopt;
}

QDBusVariant FakeSettingsPortal::ReadOne(const QString& nameSpace, const QString& key)
{
    if (!m_supportsReadOne) {
        sendErrorReply(QDBusError::UnknownMethod, QStringLiteral("No such method"));
        return {};
    }
    return lookup(nameSpace, key).value_or(QDBusVariant());
}

QDBusVariant FakeSettingsPortal::Read(const QString& nameSpace, const QString& key)
{
    // Version 1 wraps the value in one more variant.
    const auto value = lookup(nameSpace, key);
    return value ? QDBusVariant(QVariant::fromValue(*value)) : QDBusVariant();
}
