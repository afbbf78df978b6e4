// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/SecretStore.h"

// Sessions without a keyring: every call fails, later, with the reason.
class SecretStoreNull : public SecretStore
{
    Q_OBJECT

public:
    explicit SecretStoreNull(QString reason, QObject* parent = nullptr);

    void read(const QString& name, ReadCompletion completion) override;
    void write(const QString& name, const QString& secret, WriteCompletion completion) override;
    void remove(const QString& name, WriteCompletion completion) override;
    bool isAvailable() const override { return false; }
    QString unavailableReason() const override { return m_reason; }

private:
    QString m_reason;
};
