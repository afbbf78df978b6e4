// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/SettingsKeys.h"

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QSettings>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

// The per-user preferences store: an INI file at $XDG_CONFIG_HOME/vantro/vantro.conf, mode 0600 because it holds
// the API key. Reads apply each key's type and default; every write that changes a value emits changed(key).
class Settings : public QObject
{
    Q_OBJECT

public:
    // `filePath` overrides the location (tests); empty means AppPaths::settingsFile().
    explicit Settings(QString filePath = {}, QObject* parent = nullptr);
    ~Settings() override;

    QString filePath() const { return m_path; }

    bool contains(const SettingKey& key) const;

    QString string(const SettingKey& key) const;
    bool boolean(const SettingKey& key) const;
    qint64 integer(const SettingKey& key) const;
    quint32 hotkeyValue(const SettingKey& key) const;
    QByteArray bytes(const SettingKey& key) const;
    QStringList stringList(const SettingKey& key) const;

    void setString(const SettingKey& key, const QString& value);
    void setBoolean(const SettingKey& key, bool value);
    void setInteger(const SettingKey& key, qint64 value);
    void setBytes(const SettingKey& key, const QByteArray& value);
    void setStringList(const SettingKey& key, const QStringList& value);
    void remove(const SettingKey& key);

    // The random UUID that identifies this user to the sync service, made and stored on first need.
    QString syncOwnerKey();

    // The API key and the owner key may live in the desktop's keyring instead of this file. Once SecretKeys has
    // read one from there, its value comes from here and a new value goes to `writer`, not to the file; none puts
    // the file back in charge of it.
    using SecretWriter = std::function<void(const SettingKey& key, const QString& value)>;
    void setSecretValue(const SettingKey& key, const std::optional<QString>& value);
    void setSecretWriter(SecretWriter writer) { m_secretWriter = std::move(writer); }
    // What the file itself holds, whatever the keyring holds.
    QString fileString(const SettingKey& key) const;
    void setFileString(const SettingKey& key, const QString& value);
    // Where the secrets are kept, as one sentence for the user.
    QString secretsStorage() const { return m_secretsStorage; }
    void setSecretsStorage(const QString& sentence);

Q_SIGNALS:
    void secretsStorageChanged();
    void changed(const QString& key);

private:
    QHash<QString, QString> m_secretValues;
    SecretWriter m_secretWriter;
    QString m_secretsStorage;
    QVariant raw(const SettingKey& key) const;
    void write(const SettingKey& key, const QVariant& value);
    void persist();

    QString m_path;
    std::unique_ptr<QSettings> m_settings;
};
