// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCoreApplication>
#include <QMetaType>
#include <QString>

// Why a chat-completions request failed. `description()` is the text shown to the user.
class OpenAIError
{
    Q_DECLARE_TR_FUNCTIONS(OpenAIError)

public:
    enum class Kind
    {
        HttpError,                 // status other than 200 (or no HTTP response at all: status 0)
        NoAPIKey,                  // nothing configured; reported before any network activity
        KeyRequired,               // a server asked without a key answered 401
        InvalidURL,                // the endpoint cannot be built from the configured base URL
        ModelDoesNotSupportVision, // an image was given for a model that does not take images
        Transport,                 // the network layer's own error, its text passed through
        Service,                   // the service reported an error inside a 200 event stream
    };

    OpenAIError() = default;

    static OpenAIError httpError(int statusCode, const QString& message);
    static OpenAIError noAPIKey() { return OpenAIError(Kind::NoAPIKey); }
    static OpenAIError keyRequired() { return OpenAIError(Kind::KeyRequired); }
    static OpenAIError invalidURL() { return OpenAIError(Kind::InvalidURL); }
    // OpenAI's own host has vision models to suggest; elsewhere the user may know better than our guess.
    static OpenAIError modelDoesNotSupportVision(bool openAIHost = true);
    static OpenAIError transport(const QString& description);
    static OpenAIError service(const QString& message);

    Kind kind() const { return m_kind; }
    int statusCode() const { return m_statusCode; }
    QString message() const { return m_message; }

    QString description() const;

    bool operator==(const OpenAIError&) const = default;

private:
    explicit OpenAIError(Kind kind) : m_kind(kind) {}

    Kind m_kind = Kind::Transport;
    int m_statusCode = 0;
    QString m_message;
};

Q_DECLARE_METATYPE(OpenAIError)
