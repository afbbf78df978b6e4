// SPDX-License-Identifier: GPL-3.0-or-later
#include "sync/SyncError.h"

#include <QCoreApplication>

SyncError SyncError::httpError(int statusCode, const QString& body)
{
    SyncError error(Kind::HttpError, body);
    error.m_statusCode = statusCode;
    return error;
}

SyncError SyncError::decodingError(const QString& message)
{
    return SyncError(Kind::DecodingError, message);
}

SyncError SyncError::invalidURL()
{
    return SyncError(Kind::InvalidURL);
}

SyncError SyncError::notFound()
{
    return SyncError(Kind::NotFound);
}

SyncError SyncError::projectDeleted()
{
    return SyncError(Kind::ProjectDeleted);
}

SyncError SyncError::notConfigured()
{
    return SyncError(Kind::NotConfigured);
}

SyncError SyncError::network(QNetworkReply::NetworkError code, const QString& message)
{
    SyncError error(Kind::Network, message);
    error.m_network = code;
    return error;
}

QString SyncError::description() const
{
    switch (m_kind) {
    case Kind::HttpError:
        return QCoreApplication::translate("SyncError", "Sync error %1: %2").arg(QString::number(m_statusCode), m_text);
    case Kind::DecodingError:
        return QCoreApplication::translate("SyncError", "Sync decoding error: %1").arg(m_text);
    case Kind::InvalidURL:
        return QCoreApplication::translate("SyncError", "Invalid sync URL.");
    case Kind::NotFound:
        return QCoreApplication::translate("SyncError", "No shared project found with that code.");
    case Kind::ProjectDeleted:
        return QCoreApplication::translate("SyncError", "This shared project no longer exists on the server.");
    case Kind::NotConfigured:
        return QCoreApplication::translate("SyncError",
                                           "Sharing is not configured: set the sync service URL (sync_base_url) "
                                           "in the settings.");
    case Kind::Network:
        return m_text;
    }
    return m_text;
}
