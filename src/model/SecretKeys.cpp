// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/SecretKeys.h"

#include "model/Settings.h"
#include "platform/Log.h"

namespace {

constexpr QStringView component = u"SecretKeys";
const SettingKey secretKeys[] = {SettingsKeys::openaiApiKey, SettingsKeys::syncOwnerKey};

QString nameOf(const SettingKey& key)
{
    return settingName(key).toString();
}

} // namespace

SecretKeys::SecretKeys(Settings& settings, std::unique_ptr<SecretStore> store, QObject* parent)
    : QObject(parent), m_settings(settings), m_store(std::move(store))
{}

SecretKeys::~SecretKeys()
{
    m_settings.setSecretWriter({});
}

void SecretKeys::load()
{
    if (m_started)
        return;
    m_started = true;
    if (!m_store->isAvailable()) {
        m_settings.setSecretsStorage(tr("Stored in a file only you can read: no keyring was found."));
        Q_EMIT loaded();
        return;
    }
    m_pending = int(std::size(secretKeys));
    for (const SettingKey& key : secretKeys)
        loadKey(key);
}

void SecretKeys::whenLoaded(QObject* context, std::function<void()> then)
{
    if (isLoaded()) {
        then();
        return;
    }
    auto connection = std::make_shared<QMetaObject::Connection>();
    *connection = connect(this, &SecretKeys::loaded, context, [connection, then = std::move(then)] {
        QObject::disconnect(*connection);
        then();
    });
}

void SecretKeys::loadKey(const SettingKey& key)
{
    m_store->read(nameOf(key), [this, key](std::optional<QString> secret, const QString& error) {
        if (!error.isEmpty()) {
            logLine(component,
                    QStringLiteral("Keeping ") + nameOf(key) + QStringLiteral(" in the settings file: ") + error);
            keyDone();
            return;
        }
        const QString inFile = m_settings.fileString(key);
        if (!inFile.isEmpty()) {
            // The file's value is the newest: it was written while the keyring was not in charge.
            moveIntoKeyring(key, inFile);
            return;
        }
        m_settings.setSecretValue(key, secret.value_or(QString()));
        ++m_inKeyring;
        keyDone();
    });
}

void SecretKeys::moveIntoKeyring(const SettingKey& key, const QString& value)
{
    const QString name = nameOf(key);
    m_store->write(name, value, [this, key, name, value](const QString& error) {
        if (!error.isEmpty()) {
            fallBackToFile(key, value, error);
            keyDone();
            return;
        }
        m_store->read(name, [this, key, value](std::optional<QString> back, const QString& error) {
            if (back != value) {
                fallBackToFile(key, value, error.isEmpty() ? QStringLiteral("it gave back another value") : error);
            } else {
                m_settings.setSecretValue(key, value);
                m_settings.remove(key); // only now: the keyring holds it
                ++m_inKeyring;
            }
            keyDone();
        });
    });
}

void SecretKeys::keyDone()
{
    if (--m_pending > 0)
        return;
    // Keys the keyring holds are written there from now on; the others stay with the file.
    m_settings.setSecretWriter([this](const SettingKey& key, const QString& value) { writeThrough(key, value); });
    m_settings.setSecretsStorage(m_inKeyring == int(std::size(secretKeys))
                                     ? tr("Stored in your keyring.")
                                     : tr("Stored in a file only you can read: the keyring did not take it."));
    Q_EMIT loaded();
}

void SecretKeys::writeThrough(const SettingKey& key, const QString& value)
{
    const QString name = nameOf(key);
    const auto done = [this, key, value](const QString& error) {
        if (!error.isEmpty())
            fallBackToFile(key, value, error);
    };
    if (value.isEmpty())
        m_store->remove(name, done);
    else
        m_store->write(name, value, done);
}

void SecretKeys::fallBackToFile(const SettingKey& key, const QString& value, const QString& why)
{
    logLine(component, QStringLiteral("Keeping ") + nameOf(key) + QStringLiteral(" in the settings file: ") + why);
    m_settings.setSecretValue(key, std::nullopt);
    m_settings.setFileString(key, value);
    m_settings.setSecretsStorage(tr("Stored in a file only you can read: the keyring did not take it."));
}
