// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/Settings.h"

#include "platform/AppPaths.h"
#include "platform/Log.h"

#include <QFile>
#include <QFileInfo>
#include <QUuid>

#include <optional>

namespace {

constexpr QStringView component = u"Settings";

QString keyName(const SettingKey& key)
{
    return QString::fromLatin1(key.name.data(), qsizetype(key.name.size()));
}

// INI files keep no types: a Boolean comes back as the text "true" or "false". Only those two (or a real bool)
// count as a stored Boolean; anything else is "not a Boolean".
std::optional<bool> storedBoolean(const QVariant& value)
{
    if (value.typeId() == QMetaType::Bool)
        return value.toBool();
    if (value.typeId() == QMetaType::QString) {
        const QString text = value.toString();
        if (text == u"true")
            return true;
        if (text == u"false")
            return false;
    }
    return std::nullopt;
}

std::optional<qint64> storedInteger(const QVariant& value)
{
    bool ok = false;
    qint64 number = 0;
    if (value.typeId() == QMetaType::QString)
        number = value.toString().trimmed().toLongLong(&ok);
    else if (value.canConvert<qint64>() && value.typeId() != QMetaType::Bool)
        number = value.toLongLong(&ok);
    return ok ? std::optional<qint64>(number) : std::nullopt;
}

} // namespace

Settings::Settings(QString filePath, QObject* parent)
    : QObject(parent), m_path(filePath.isEmpty() ? AppPaths::settingsFile() : std::move(filePath))
{
    m_settings = std::make_unique<QSettings>(m_path, QSettings::IniFormat);
    if (m_settings->status() == QSettings::FormatError) {
        // Keep the unreadable file; the next write would otherwise replace it with what we could parse.
        m_settings.reset();
        const QString kept = AppPaths::keepAside(m_path);
        logLine(component, QStringLiteral("Could not read %1; kept it as %2 and started with defaults")
                               .arg(m_path, kept.isEmpty() ? QStringLiteral("(failed to move)") : kept));
        m_settings = std::make_unique<QSettings>(m_path, QSettings::IniFormat);
    }
}

Settings::~Settings() = default;

QVariant Settings::raw(const SettingKey& key) const
{
    return m_settings->value(keyName(key));
}

bool Settings::contains(const SettingKey& key) const
{
    return m_settings->contains(keyName(key));
}

QString Settings::string(const SettingKey& key) const
{
    const QVariant value = raw(key);
    if (!value.isValid())
        return QString::fromLatin1(key.defaultText.data(), qsizetype(key.defaultText.size()));
    return value.toString();
}

bool Settings::boolean(const SettingKey& key) const
{
    return storedBoolean(raw(key)).value_or(key.defaultNumber != 0);
}

qint64 Settings::integer(const SettingKey& key) const
{
    return storedInteger(raw(key)).value_or(key.defaultNumber);
}

quint32 Settings::hotkeyValue(const SettingKey& key) const
{
    // Only whole numbers that fit an unsigned 32-bit value count; anything else means "not set".
    const auto number = storedInteger(raw(key));
    if (!number || *number < 0 || *number > qint64(0xFFFFFFFFu))
        return 0;
    return quint32(*number);
}

QByteArray Settings::bytes(const SettingKey& key) const
{
    const QVariant value = raw(key);
    if (value.typeId() == QMetaType::QByteArray)
        return value.toByteArray();
    if (value.typeId() == QMetaType::QString)
        return value.toString().toUtf8();
    return {};
}

QStringList Settings::stringList(const SettingKey& key) const
{
    const QVariant value = raw(key);
    if (!value.isValid())
        return QString::fromLatin1(key.defaultText.data(), qsizetype(key.defaultText.size()))
            .split(u',', Qt::SkipEmptyParts);
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList();
    return value.toString().split(u',', Qt::SkipEmptyParts);
}

void Settings::write(const SettingKey& key, const QVariant& value)
{
    const QString name = keyName(key);
    const bool existed = m_settings->contains(name);
    bool same = false;
    if (existed) {
        switch (key.type) {
        case SettingType::String:
            same = string(key) == value.toString() && raw(key).typeId() == QMetaType::QString;
            break;
        case SettingType::Bool:
            same = storedBoolean(raw(key)) == std::optional<bool>(value.toBool());
            break;
        case SettingType::Integer:
        case SettingType::HotkeyValue:
            same = storedInteger(raw(key)) == std::optional<qint64>(value.toLongLong());
            break;
        case SettingType::Bytes:
            same = raw(key).typeId() == QMetaType::QByteArray && bytes(key) == value.toByteArray();
            break;
        case SettingType::StringList:
            same = stringList(key) == value.toStringList();
            break;
        }
    }
    if (same)
        return;
    // QSettings writes an empty list as "@Invalid()", which reads back as "not set", i.e. as the default list.
    const bool emptyList = key.type == SettingType::StringList && value.toStringList().isEmpty();
    m_settings->setValue(name, emptyList ? QVariant(QString()) : value);
    persist();
    Q_EMIT changed(name);
}

void Settings::persist()
{
    m_settings->sync();
    if (m_settings->status() != QSettings::NoError)
        logLine(component, QStringLiteral("Failed to write ") + m_path);
    QFile::setPermissions(m_path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

void Settings::setString(const SettingKey& key, const QString& value)
{
    write(key, value);
}

void Settings::setBoolean(const SettingKey& key, bool value)
{
    write(key, value);
}

void Settings::setInteger(const SettingKey& key, qint64 value)
{
    write(key, value);
}

void Settings::setBytes(const SettingKey& key, const QByteArray& value)
{
    write(key, value);
}

void Settings::setStringList(const SettingKey& key, const QStringList& value)
{
    write(key, value);
}

void Settings::remove(const SettingKey& key)
{
    const QString name = keyName(key);
    if (!m_settings->contains(name))
        return;
    m_settings->remove(name);
    persist();
    Q_EMIT changed(name);
}

QString Settings::syncOwnerKey()
{
    QString key = string(SettingsKeys::syncOwnerKey);
    if (key.isEmpty()) {
        key = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
        setString(SettingsKeys::syncOwnerKey, key);
    }
    return key;
}
