// SPDX-License-Identifier: GPL-3.0-or-later
#include "SyncFront.h"

#include "HttpRequestReader.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QTcpSocket>
#include <QTextStream>
#include <QTimer>

namespace {

constexpr int idleTimeoutMs = 15000;
constexpr int drainQuietMs = 500;
constexpr int stopGraceMs = 5000;

QByteArray reason(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 400:
        return "Bad Request";
    case 401:
        return "Unauthorized";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 409:
        return "Conflict";
    case 411:
        return "Length Required";
    case 413:
        return "Content Too Large";
    case 431:
        return "Request Header Fields Too Large";
    case 503:
        return "Service Unavailable";
    default:
        return "Internal Server Error";
    }
}

SyncFront::Response error(int status, const QString& code, const QString& message)
{
    return {status, QJsonDocument(QJsonObject{{QStringLiteral("code"), code}, {QStringLiteral("message"), message}})
                        .toJson(QJsonDocument::Compact)};
}

// The status a REST front gives a database error: refusals 403, bad input 400, conflicts 409, no database 503.
int statusOf(const QString& sqlState)
{
    if (sqlState == u"42501")
        return 403;
    if (sqlState.startsWith(u"22"))
        return 400;
    if (sqlState.startsWith(u"23"))
        return 409;
    if (sqlState.startsWith(u"08") || sqlState.startsWith(u"57"))
        return 503;
    return 500;
}

struct RpcFunction
{
    const char* name;
    SyncDatabase::Function function;
    QList<std::pair<const char*, QJsonValue::Type>> parameters;
};

const QList<RpcFunction>& functions()
{
    static const QList<RpcFunction> all{
        {"get_shared_project", SyncDatabase::Function::Get, {{"code", QJsonValue::String}}},
        {"create_shared_project",
         SyncDatabase::Function::Create,
         {{"p_license_key", QJsonValue::String}, {"payload", QJsonValue::Object}}},
        {"upsert_shared_project",
         SyncDatabase::Function::Upsert,
         {{"p_share_code", QJsonValue::String},
          {"p_license_key", QJsonValue::String},
          {"payload", QJsonValue::Object}}},
        {"delete_shared_project",
         SyncDatabase::Function::Delete,
         {{"p_share_code", QJsonValue::String}, {"p_license_key", QJsonValue::String}}},
    };
    return all;
}

// The function's text value as the JSON a REST front returns for its type.
QByteArray jsonOf(SyncDatabase::Function function, const QByteArray& value)
{
    switch (function) {
    case SyncDatabase::Function::Get:
        return value;
    case SyncDatabase::Function::Create:
        return QJsonDocument(QJsonArray{QString::fromUtf8(value)}).toJson(QJsonDocument::Compact).mid(1).chopped(1);
    case SyncDatabase::Function::Upsert:
    case SyncDatabase::Function::Delete:
        return value == "t" ? QByteArray("true") : QByteArray("false");
    case SyncDatabase::Function::Health:
        break;
    }
    return value;
}

// Constant-time comparison, so the key cannot be guessed from answer times.
bool sameKey(const QByteArray& given, const QByteArray& expected)
{
    if (given.size() != expected.size())
        return false;
    unsigned char difference = 0;
    for (qsizetype i = 0; i < given.size(); ++i)
        difference |= static_cast<unsigned char>(given[i] ^ expected[i]);
    return difference == 0;
}

} // namespace

SyncFront::SyncFront(Options options, QObject* parent)
    : QObject(parent), m_options(std::move(options)), m_database(m_options.conninfo, m_options.connections)
{
    connect(&m_server, &QTcpServer::newConnection, this, &SyncFront::onConnection);
}

bool SyncFront::listen()
{
    return m_server.listen(m_options.address, m_options.port);
}

void SyncFront::stop(std::function<void()> done)
{
    m_server.close();
    auto* wait = new QTimer(this);
    QElapsedTimer waited;
    waited.start();
    connect(wait, &QTimer::timeout, this, [this, wait, waited, done = std::move(done)] {
        // Requests already with the database get their answers; a stuck one is not waited for past the bound.
        if (m_inFlight > 0 && waited.elapsed() < stopGraceMs)
            return;
        wait->deleteLater();
        done();
    });
    wait->start(20);
}

void SyncFront::onConnection()
{
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        auto* reader = new HttpRequestReader;
        auto* idle = new QTimer(socket);
        idle->setSingleShot(true);
        idle->start(idleTimeoutMs);
        connect(idle, &QTimer::timeout, socket, &QTcpSocket::abort);
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QObject::destroyed, socket, [reader] { delete reader; });
        socket->setProperty("busy", false);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket, reader, idle] {
            if (socket->property("draining").toBool()) {
                // Refused: what the client still sends is read and dropped, so that it gets to read the answer;
                // the connection closes once it has been quiet for a moment.
                socket->readAll();
                idle->start(drainQuietMs);
                return;
            }
            idle->start(idleTimeoutMs);
            if (socket->property("busy").toBool())
                return; // one request at a time; the rest waits in the socket
            QElapsedTimer started;
            started.start();
            switch (reader->feed(socket->readAll())) {
            case HttpRequestReader::State::NeedMore:
                return;
            case HttpRequestReader::State::Refused:
                answer(socket,
                       error(reader->refusalStatus(), QStringLiteral("PGRST000"),
                             QString::fromLatin1(reason(reader->refusalStatus()))),
                       false, "-", "-", 0);
                return;
            case HttpRequestReader::State::Complete:
                break;
            }
            serve(socket, reader->take());
        });
    }
}

void SyncFront::serve(QTcpSocket* socket, const HttpRequestReader::Request& request)
{
    const qint64 started = QDateTime::currentMSecsSinceEpoch();
    const auto reply = [this, socket, request, started](const Response& response) {
        answer(socket, response, request.keepAlive, request.method, request.path, started);
    };

    if (request.path == "/health") {
        if (request.method != "GET" && request.method != "HEAD")
            return reply(error(405, QStringLiteral("PGRST117"), QStringLiteral("use GET")));
        socket->setProperty("busy", true);
        ++m_inFlight;
        QPointer<QTcpSocket> alive(socket);
        m_database.call(SyncDatabase::Function::Health, {}, [this, reply, alive](const SyncDatabase::Result& result) {
            --m_inFlight;
            if (alive)
                reply(result.ok ? Response{200, "{\"status\":\"ok\"}"}
                                : error(503, result.sqlState, QStringLiteral("the database does not answer")));
        });
        return;
    }
    static const QByteArray rpc = "/rest/v1/rpc/";
    if (!request.path.startsWith(rpc))
        return reply(error(404, QStringLiteral("PGRST125"), QStringLiteral("no such path")));
    if (request.method != "POST")
        return reply(error(405, QStringLiteral("PGRST117"), QStringLiteral("functions are called with POST")));
    const QByteArray key = m_options.clientKey.toUtf8();
    QByteArray bearer = request.header("Authorization");
    bearer = bearer.startsWith("Bearer ") ? bearer.mid(7) : QByteArray();
    if (!sameKey(request.header("apikey"), key) && !sameKey(bearer, key))
        return reply(error(401, QStringLiteral("PGRST301"), QStringLiteral("wrong or missing client key")));
    const QByteArray name = request.path.mid(rpc.size());
    const auto called =
        std::find_if(functions().begin(), functions().end(), [&name](const RpcFunction& f) { return name == f.name; });
    if (called == functions().end())
        return reply(error(404, QStringLiteral("PGRST202"), QStringLiteral("no such function")));
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(request.body, &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isObject())
        return reply(error(400, QStringLiteral("PGRST102"), QStringLiteral("the body is not a JSON object")));
    const QJsonObject body = document.object();
    QStringList parameters;
    for (const auto& [parameter, type] : called->parameters) {
        const QJsonValue value = body.value(QLatin1StringView(parameter));
        if (value.type() != type)
            return reply(error(
                400, QStringLiteral("PGRST102"),
                QStringLiteral("parameter %1 is missing or of the wrong type").arg(QLatin1StringView(parameter))));
        parameters.append(type == QJsonValue::Object
                              ? QString::fromUtf8(QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact))
                              : value.toString());
    }
    socket->setProperty("busy", true);
    ++m_inFlight;
    QPointer<QTcpSocket> alive(socket);
    const SyncDatabase::Function function = called->function;
    m_database.call(function, parameters, [this, reply, alive, function](const SyncDatabase::Result& result) {
        --m_inFlight;
        if (!alive)
            return;
        if (result.ok)
            reply({200, jsonOf(function, result.value)});
        else
            reply(error(statusOf(result.sqlState), result.sqlState, result.message));
    });
}

void SyncFront::answer(QTcpSocket* socket, const Response& response, bool keepAlive, const QByteArray& method,
                       const QByteArray& path, qint64 startedMs)
{
    QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) + ' ' + reason(response.status) + "\r\n";
    head +=
        "Content-Type: application/json; charset=utf-8\r\nContent-Length: " + QByteArray::number(response.body.size()) +
        "\r\n";
    if (!keepAlive)
        head += "Connection: close\r\n";
    socket->write(head + "\r\n" + response.body);
    // One line per request; never a key or a payload.
    const qint64 ms = startedMs > 0 ? QDateTime::currentMSecsSinceEpoch() - startedMs : 0;
    QTextStream(stdout) << method << ' ' << path.left(80) << ' ' << response.status << ' ' << ms << " ms\n";
    socket->setProperty("busy", false);
    if (!keepAlive) {
        if (!socket->property("draining").toBool())
            socket->disconnectFromHost();
        return;
    }
    // Requests that arrived while this one was served, in the socket or already read.
    QTimer::singleShot(0, socket, [socket] { Q_EMIT socket->readyRead(); });
}
