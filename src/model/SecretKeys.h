// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/SettingsKeys.h"
#include "platform/SecretStore.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>

class Settings;

// The API key and the sync owner key, kept in the desktop's keyring when there is one and in the settings file
// (readable by the user only) otherwise. load() asks the keyring without blocking: a locked keyring may ask the user
// first. A key still in the file is moved into the keyring, read back, and only then removed from the file; when any
// step fails it stays in the file and nothing is lost. A keyring that refuses leaves the file in charge.
class SecretKeys : public QObject
{
    Q_OBJECT

public:
    SecretKeys(Settings& settings, std::unique_ptr<SecretStore> store, QObject* parent = nullptr);
    // The settings stop handing new keys to it.
    ~SecretKeys() override;

    void load();
    bool isLoaded() const { return m_started && m_pending == 0; }
    // Runs `then` once the keys are known: at once when they are, or after load() has finished.
    void whenLoaded(QObject* context, std::function<void()> then);

Q_SIGNALS:
    void loaded();

private:
    void loadKey(const SettingKey& key);
    void moveIntoKeyring(const SettingKey& key, const QString& value);
    void keyDone();
    void writeThrough(const SettingKey& key, const QString& value);
    void fallBackToFile(const SettingKey& key, const QString& value, const QString& why);

    Settings& m_settings;
    std::unique_ptr<SecretStore> m_store;
    bool m_started = false;
    int m_pending = 0;
    int m_inKeyring = 0;
};
