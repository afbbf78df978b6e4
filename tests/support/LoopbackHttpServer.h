// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTcpServer>
#include <QUrl>

#include <functional>

class QTcpSocket;

// One request as the server received it.
struct HttpRequest
{
    QByteArray method;
    QByteArray target; // path and query, as sent
    QList<std::pair<QByteArray, QByteArray>> headers;
    QByteArray body;

    // Case-insensitive header lookup; empty when absent.
    QByteArray header(const QByteArray& name) const;
};

// What the server answers. The body goes out in `chunks`, `delayMs` apart, and the connection closes after the
// last one (unless `contentLength` is set, the close marks the end of the body, as HTTP/1.1 allows).
struct HttpResponse
{
    int status = 200;
    QList<std::pair<QByteArray, QByteArray>> headers;
    QList<QByteArray> chunks;
    int delayMs = 0;
    bool sendContentLength = false;
    bool hang = false; // accept the request and never answer
    // How the response ends after its chunks: closed; or, the whole length declared, the last chunk never sent and
    // the connection dropped (a server gone mid-answer); or held open in silence (a server stalled mid-answer).
    enum class Ending
    {
        Close,
        Drop,
        Stall
    } ending = Ending::Close;

    static HttpResponse json(const QByteArray& body, int status = 200);
    static HttpResponse text(const QByteArray& body, int status, const QByteArray& contentType = "text/plain");
};

// A tiny HTTP/1.1 server on 127.0.0.1 for tests: every request is recorded and answered by `handler`.
class LoopbackHttpServer : public QObject
{
    Q_OBJECT

public:
    using Handler = std::function<HttpResponse(const HttpRequest&)>;

    explicit LoopbackHttpServer(QObject* parent = nullptr);
    ~LoopbackHttpServer() override;

    bool listen(); // on 127.0.0.1, any free port
    quint16 port() const { return m_server.serverPort(); }
    QString baseUrl() const; // "http://127.0.0.1:<port>"

    void setHandler(Handler handler) { m_handler = std::move(handler); }
    const QList<HttpRequest>& requests() const { return m_requests; }
    void clearRequests() { m_requests.clear(); }

    // Connections currently open that carried a request (a hung request keeps one open until the client gives up).
    // A client may open a spare connection it never uses; that one is not counted.
    int openConnections() const;
    // Requests received whose answer is not yet sent in full (a closing connection no longer counts).
    int unansweredRequests() const;

private:
    void onNewConnection();
    void onReadyRead(QTcpSocket* socket);
    void respond(QTcpSocket* socket, const HttpResponse& response);
    static void sendPieces(QTcpSocket* socket, const QList<QByteArray>& chunks, qsizetype index, int delayMs);

    static constexpr const char* answeringProperty = "vantroAnswering";

    QTcpServer m_server;
    Handler m_handler;
    QList<HttpRequest> m_requests;
    QList<QPointer<QTcpSocket>> m_sockets;
};
