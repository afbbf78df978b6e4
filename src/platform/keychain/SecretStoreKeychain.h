// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/SecretStore.h"

// Secrets in the desktop's keyring through the Secret Service (GNOME Keyring, KWallet, KeePassXC), under the
// application's id as the service name.
class SecretStoreKeychain : public SecretStore
{
    Q_OBJECT

public:
    explicit SecretStoreKeychain(QString service, QObject* parent = nullptr);

    void read(const QString& name, ReadCompletion completion) override;
    void write(const QString& name, const QString& secret, WriteCompletion completion) override;
    void remove(const QString& name, WriteCompletion completion) override;

    bool isAvailable() const override { return true; }
    QString unavailableReason() const override { return {}; }

private:
    QString m_service;
};
