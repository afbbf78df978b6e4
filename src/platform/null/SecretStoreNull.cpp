// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/null/SecretStoreNull.h"

#include <QTimer>

SecretStoreNull::SecretStoreNull(QString reason, QObject* parent) : SecretStore(parent), m_reason(std::move(reason)) {}

void SecretStoreNull::read(const QString&, ReadCompletion completion)
{
    QTimer::singleShot(0, this, [this, completion = std::move(completion)] { completion(std::nullopt, m_reason); });
}

void SecretStoreNull::write(const QString&, const QString&, WriteCompletion completion)
{
    QTimer::singleShot(0, this, [this, completion = std::move(completion)] { completion(m_reason); });
}

void SecretStoreNull::remove(const QString&, WriteCompletion completion)
{
    QTimer::singleShot(0, this, [this, completion = std::move(completion)] { completion(m_reason); });
}
