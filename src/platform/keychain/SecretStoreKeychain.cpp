// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/keychain/SecretStoreKeychain.h"

#include <QCoreApplication>

#include <qt6keychain/keychain.h>

namespace {

// The keyring's own words say what went wrong; they never hold the secret.
QString failure(const QKeychain::Job& job)
{
    return QCoreApplication::translate("SecretStore", "The keyring did not answer: %1").arg(job.errorString());
}

} // namespace

SecretStoreKeychain::SecretStoreKeychain(QString service, QObject* parent)
    : SecretStore(parent), m_service(std::move(service))
{}

void SecretStoreKeychain::read(const QString& name, ReadCompletion completion)
{
    auto* job = new QKeychain::ReadPasswordJob(m_service, this);
    job->setAutoDelete(true);
    job->setKey(name);
    connect(job, &QKeychain::Job::finished, this, [job, completion = std::move(completion)] {
        if (job->error() == QKeychain::EntryNotFound)
            completion(std::nullopt, QString());
        else if (job->error() != QKeychain::NoError)
            completion(std::nullopt, failure(*job));
        else
            completion(job->textData(), QString());
    });
    job->start();
}

void SecretStoreKeychain::write(const QString& name, const QString& secret, WriteCompletion completion)
{
    auto* job = new QKeychain::WritePasswordJob(m_service, this);
    job->setAutoDelete(true);
    job->setKey(name);
    job->setTextData(secret);
    connect(job, &QKeychain::Job::finished, this, [job, completion = std::move(completion)] {
        completion(job->error() == QKeychain::NoError ? QString() : failure(*job));
    });
    job->start();
}

void SecretStoreKeychain::remove(const QString& name, WriteCompletion completion)
{
    auto* job = new QKeychain::DeletePasswordJob(m_service, this);
    job->setAutoDelete(true);
    job->setKey(name);
    connect(job, &QKeychain::Job::finished, this, [job, completion = std::move(completion)] {
        const bool gone = job->error() == QKeychain::NoError || job->error() == QKeychain::EntryNotFound;
        completion(gone ? QString() : failure(*job));
    });
    job->start();
}
