// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "HttpRequestReader.h"
#include "SyncDatabase.h"

#include <QHostAddress>
#include <QObject>
#include <QTcpServer>

#include <functional>

class QTcpSocket;

// The HTTP front of the sync service: POST /rest/v1/rpc/<function> for the four shared-project functions, in the
// request shape hosted REST fronts use (JSON body, "apikey" and "Authorization: Bearer" headers), and GET /health.
// It keeps no state of its own, so any number of fronts can serve one database.
class SyncFront : public QObject
{
    Q_OBJECT

public:
    struct Options
    {
        QString conninfo;
        QHostAddress address = QHostAddress::LocalHost;
        quint16 port = 0;
        QString clientKey;
        int connections = 4;
    };

    explicit SyncFront(Options options, QObject* parent = nullptr);

    bool listen();
    // Takes no new connections, lets the requests in flight finish (a few seconds at most), then calls `done`.
    void stop(std::function<void()> done);
    quint16 port() const { return m_server.serverPort(); }
    QString errorString() const { return m_server.errorString(); }

    struct Response
    {
        int status = 200;
        QByteArray body;
    };

private:
    void onConnection();
    void serve(QTcpSocket* socket, const HttpRequestReader::Request& request);
    void answer(QTcpSocket* socket, const Response& response, bool keepAlive, const QByteArray& method,
                const QByteArray& path, qint64 startedMs);

    Options m_options;
    QTcpServer m_server;
    SyncDatabase m_database;
    int m_inFlight = 0;
};
