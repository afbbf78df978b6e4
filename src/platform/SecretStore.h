// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

// Secrets (the API key, the sync owner key) kept where the desktop keeps its users' secrets. Every call answers
// later, on the GUI thread: a keyring may be locked and ask the user first, and start-up must never wait for it.
class SecretStore : public QObject
{
    Q_OBJECT

public:
    // `secret` is none when nothing is stored under the name; `error` is a sentence for the user when the store
    // could not be asked, and never contains the secret.
    using ReadCompletion = std::function<void(std::optional<QString> secret, QString error)>;
    // `error` is empty on success.
    using WriteCompletion = std::function<void(QString error)>;

    using QObject::QObject;

    virtual void read(const QString& name, ReadCompletion completion) = 0;
    virtual void write(const QString& name, const QString& secret, WriteCompletion completion) = 0;
    virtual void remove(const QString& name, WriteCompletion completion) = 0;

    virtual bool isAvailable() const = 0;
    // Why no secret can be kept here, as a sentence for the user; empty when they can.
    virtual QString unavailableReason() const = 0;
};
