// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QNetworkReply>
#include <QString>

// Why a call to the sync service failed, with the text shown to the user under the field or button that started
// it. Transport failures keep the network layer's own error and text.
class SyncError
{
public:
    enum class Kind
    {
        HttpError,      // any status other than 200
        DecodingError,  // a 200 answer of the wrong shape
        InvalidURL,     // the configured base URL does not make a valid request URL
        NotFound,       // no shared project has that code
        ProjectDeleted, // the shared copy is gone from the server
        NotConfigured,  // no sync service URL is set, so sharing is off
        Network,        // no connection, timeout, TLS ...
    };

    static SyncError httpError(int statusCode, const QString& body);
    static SyncError decodingError(const QString& message);
    static SyncError invalidURL();
    static SyncError notFound();
    static SyncError projectDeleted();
    static SyncError notConfigured();
    static SyncError network(QNetworkReply::NetworkError code, const QString& message);

    Kind kind() const { return m_kind; }
    int statusCode() const { return m_statusCode; }                        // HttpError
    QString body() const { return m_text; }                                // HttpError
    QString message() const { return m_text; }                             // DecodingError, Network
    QNetworkReply::NetworkError networkError() const { return m_network; } // Network

    QString description() const;

    bool operator==(const SyncError&) const = default;

private:
    SyncError(Kind kind, QString text = {}) : m_kind(kind), m_text(std::move(text)) {}

    Kind m_kind;
    QString m_text;
    int m_statusCode = 0;
    QNetworkReply::NetworkError m_network = QNetworkReply::NoError;
};
