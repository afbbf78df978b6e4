// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/LoopbackHttpServer.h"

#include <QTcpSocket>
#include <QTimer>

QByteArray HttpRequest::header(const QByteArray& name) const
{
    for (const auto& [key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

HttpResponse HttpResponse::json(const QByteArray& body, int status)
{
    return text(body, status, "application/json");
}

HttpResponse HttpResponse::text(const QByteArray& body, int status, const QByteArray& contentType)
{
    HttpResponse response;
    response.status = status;
    response.headers = {{"Content-Type", contentType}};
    response.chunks = {body};
    response.sendContentLength = true;
    return response;
}

LoopbackHttpServer::LoopbackHttpServer(QObject* parent) : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, &LoopbackHttpServer::onNewConnection);
}

LoopbackHttpServer::~LoopbackHttpServer()
{
    for (const auto& socket : std::as_const(m_sockets)) {
        if (socket)
            socket->abort();
    }
}

bool LoopbackHttpServer::listen()
{
    return m_server.listen(QHostAddress::LocalHost, 0);
}

QString LoopbackHttpServer::baseUrl() const
{
    return QStringLiteral("http://127.0.0.1:") + QString::number(port());
}

int LoopbackHttpServer::openConnections() const
{
    int count = 0;
    for (const auto& socket : m_sockets)
        count += socket && socket->state() == QAbstractSocket::ConnectedState && socket->property("asked").toBool();
    return count;
}

int LoopbackHttpServer::unansweredRequests() const
{
    int count = 0;
    for (const auto& socket : m_sockets)
        count += socket && socket->state() == QAbstractSocket::ConnectedState &&
                 socket->property(answeringProperty).toBool();
    return count;
}

void LoopbackHttpServer::onNewConnection()
{
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        socket->setParent(this);
        m_sockets.append(socket);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
}

void LoopbackHttpServer::onReadyRead(QTcpSocket* socket)
{
    // Requests are small; keep what arrived on the socket until the head and the whole body are there.
    QByteArray buffer = socket->property("buffer").toByteArray() + socket->readAll();
    const qsizetype headEnd = buffer.indexOf("\r\n\r\n");
    if (headEnd < 0) {
        socket->setProperty("buffer", buffer);
        return;
    }
    HttpRequest request;
    const QList<QByteArray> lines = buffer.left(headEnd).split('\n');
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    request.method = requestLine.value(0);
    request.target = requestLine.value(1);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon > 0)
            request.headers.append({line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
    }
    const qsizetype contentLength = request.header("content-length").toLongLong();
    if (buffer.size() - headEnd - 4 < contentLength) {
        socket->setProperty("buffer", buffer);
        return;
    }
    request.body = buffer.mid(headEnd + 4, contentLength);
    socket->setProperty("buffer", QByteArray());
    m_requests.append(request);
    socket->setProperty("asked", true);
    respond(socket, m_handler ? m_handler(request) : HttpResponse::text("no handler", 500));
}

void LoopbackHttpServer::respond(QTcpSocket* socket, const HttpResponse& response)
{
    socket->setProperty(answeringProperty, true);
    if (response.hang)
        return;
    // Clients read the code; the reason phrase is free text.
    QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) + " Status\r\n";
    for (const auto& [key, value] : response.headers)
        head += key + ": " + value + "\r\n";
    if (response.sendContentLength || response.ending == HttpResponse::Ending::Drop)
        head += "Content-Length: " + QByteArray::number(response.chunks.join().size()) + "\r\n";
    head += "Connection: close\r\n\r\n";
    socket->write(head);
    socket->flush();

    QList<QByteArray> chunks = response.chunks;
    if (response.ending == HttpResponse::Ending::Drop && !chunks.isEmpty())
        chunks.removeLast();
    socket->setProperty("stall", response.ending == HttpResponse::Ending::Stall);
    QTimer::singleShot(0, socket,
                       [socket, chunks, delayMs = response.delayMs] { sendPieces(socket, chunks, 0, delayMs); });
}

// Each piece at its own time, so the client sees them arrive separately, then the close. Each piece schedules the
// next, so they can never overtake one another under load. The timers die with the socket when the client goes away.
void LoopbackHttpServer::sendPieces(QTcpSocket* socket, const QList<QByteArray>& chunks, qsizetype index, int delayMs)
{
    if (index == chunks.size()) {
        socket->setProperty(answeringProperty, false);
        if (!socket->property("stall").toBool())
            QTimer::singleShot(delayMs, Qt::PreciseTimer, socket, [socket] { socket->disconnectFromHost(); });
        return;
    }
    socket->write(chunks.at(index));
    socket->flush();
    QTimer::singleShot(delayMs, Qt::PreciseTimer, socket,
                       [socket, chunks, index, delayMs] { sendPieces(socket, chunks, index + 1, delayMs); });
}
