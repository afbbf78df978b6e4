// SPDX-License-Identifier: GPL-3.0-or-later
#include "AnswerServer.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <pthread.h>

namespace {

QByteArray deltaEvent(const QString& content)
{
    const QJsonObject delta{{QStringLiteral("content"), content}};
    const QJsonObject event{{QStringLiteral("choices"), QJsonArray{QJsonObject{{QStringLiteral("delta"), delta}}}}};
    return "data: " + QJsonDocument(event).toJson(QJsonDocument::Compact) + "\n\n";
}

// One request and its answer on one connection (the client closes or we do after the answer).
class Exchange : public QObject
{
public:
    Exchange(QTcpSocket* socket, const QList<QByteArray>& events, double piecesPerMs, std::atomic<int>& answered)
        : QObject(socket), m_socket(socket), m_events(events), m_piecesPerMs(piecesPerMs), m_answered(answered)
    {
        connect(socket, &QTcpSocket::readyRead, this, &Exchange::read);
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(2);
        connect(&m_timer, &QTimer::timeout, this, &Exchange::writeDue);
    }

private:
    void read()
    {
        m_request += m_socket->readAll();
        const qsizetype headEnd = m_request.indexOf("\r\n\r\n");
        if (headEnd < 0 || m_streaming)
            return;
        qsizetype contentLength = 0;
        for (const QByteArray& line : m_request.left(headEnd).split('\n')) {
            if (line.toLower().startsWith("content-length:"))
                contentLength = line.mid(15).trimmed().toLongLong();
        }
        if (m_request.size() < headEnd + 4 + contentLength)
            return;
        const QList<QByteArray> requestLine = m_request.left(m_request.indexOf("\r\n")).split(' ');
        if (requestLine.value(0) != "POST" || !requestLine.value(1).endsWith("/chat/completions")) {
            const QByteArray body = R"({"error":{"message":"not found"}})";
            m_socket->write("HTTP/1.1 404 Not Found\r\nContent-Type: application/json\r\nContent-Length: " +
                            QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
            m_socket->disconnectFromHost();
            return;
        }
        m_streaming = true;
        m_socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/event-stream\r\nCache-Control: no-cache\r\n"
                        "Connection: close\r\n\r\n");
        m_socket->flush();
        m_clock.start();
        m_timer.start();
    }

    // Everything that is due by now at the set pace, in one write: the pace holds even when a tick comes late.
    void writeDue()
    {
        const qsizetype pieces = m_events.size() - 1;
        const auto due = std::min(pieces, qsizetype(double(m_clock.nsecsElapsed()) / 1e6 * m_piecesPerMs) + 1);
        QByteArray batch;
        for (; m_sent < due; ++m_sent)
            batch += m_events.at(m_sent);
        if (m_sent == pieces) {
            batch += m_events.last();
            m_timer.stop();
        }
        if (!batch.isEmpty()) {
            m_socket->write(batch);
            m_socket->flush();
        }
        if (!m_timer.isActive()) {
            ++m_answered;
            m_socket->disconnectFromHost();
        }
    }

    QTcpSocket* m_socket;
    const QList<QByteArray>& m_events;
    double m_piecesPerMs;
    std::atomic<int>& m_answered;
    QByteArray m_request;
    bool m_streaming = false;
    QElapsedTimer m_clock;
    QTimer m_timer;
    qsizetype m_sent = 0;
};

} // namespace

AnswerServer::AnswerServer(const QStringList& pieces, double piecesPerMs) : m_piecesPerMs(piecesPerMs)
{
    m_events.reserve(pieces.size() + 1);
    for (const QString& piece : pieces)
        m_events.append(deltaEvent(piece));
    m_events.append(QByteArrayLiteral("data: [DONE]\n\n"));
}

AnswerServer::~AnswerServer()
{
    quit();
    wait();
}

bool AnswerServer::startListening()
{
    start();
    m_ready.acquire();
    return m_port.load() != 0;
}

QString AnswerServer::baseUrl() const
{
    return QStringLiteral("http://127.0.0.1:") + QString::number(m_port.load());
}

double AnswerServer::cpuMs() const
{
    timespec time{};
    if (clock_gettime(m_cpuClock, &time) != 0)
        return 0;
    return double(time.tv_sec) * 1e3 + double(time.tv_nsec) / 1e6;
}

void AnswerServer::run()
{
    pthread_getcpuclockid(pthread_self(), &m_cpuClock);
    QTcpServer server;
    if (server.listen(QHostAddress::LocalHost, 0))
        m_port = server.serverPort();
    QObject::connect(&server, &QTcpServer::newConnection, &server, [this, &server] {
        while (QTcpSocket* socket = server.nextPendingConnection())
            new Exchange(socket, m_events, m_piecesPerMs, m_answered);
    });
    m_ready.release();
    if (m_port.load() != 0)
        exec();
}
