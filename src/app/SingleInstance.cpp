// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SingleInstance.h"

#include "platform/Log.h"

#include <QDataStream>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QtEndian>

#include <unistd.h>

namespace {

constexpr QStringView component = u"SingleInstance";
constexpr qint64 maxMessageBytes = 64 * 1024; // a command line, nothing more

} // namespace

QByteArray SingleInstance::encodeCommand(const QStringList& arguments)
{
    QByteArray payload;
    QDataStream stream(&payload, QIODevice::WriteOnly);
    stream << arguments;
    return payload;
}

std::optional<QStringList> SingleInstance::decodeCommand(const QByteArray& payload)
{
    // QDataStream reserves room for as many entries as the list header claims: check the claim against the bytes
    // first (every string takes at least its 4-byte length).
    quint32 count = 0;
    QDataStream(payload) >> count;
    if (count > quint32(payload.size() / 4))
        return std::nullopt;
    QStringList arguments;
    QDataStream stream(payload);
    stream >> arguments;
    if (stream.status() != QDataStream::Ok)
        return std::nullopt;
    return arguments;
}

SingleInstance::SingleInstance(QString socketPath, QObject* parent)
    : QObject(parent), m_socketPath(std::move(socketPath))
{}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::defaultSocketPath()
{
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir(QString::fromLocal8Bit(runtime)).exists())
        return QString::fromLocal8Bit(runtime) + QStringLiteral("/vantro.socket");
    return QDir::tempPath() + QStringLiteral("/vantro-") + QString::number(::getuid()) + QStringLiteral(".socket");
}

bool SingleInstance::sendToRunningInstance(const QStringList& arguments, int timeoutMs) const
{
    QLocalSocket socket;
    socket.connectToServer(m_socketPath);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    const QByteArray payload = encodeCommand(arguments);
    QDataStream(&socket) << quint32(payload.size());
    socket.write(payload);
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    // Wait for the receiver's acknowledgement so the command is not lost if we exit at once.
    return socket.waitForReadyRead(timeoutMs) && socket.read(1) == "1";
}

bool SingleInstance::listen()
{
    if (m_server)
        return true;
    // With socket options Qt binds a temporary socket and renames it over the path, which would silently take the
    // socket from a running instance: ask first whether one answers.
    {
        QLocalSocket probe;
        probe.connectToServer(m_socketPath);
        if (probe.waitForConnected(200))
            return false;
    }
    QLocalServer::removeServer(m_socketPath); // a socket file left over from a crash
    auto* server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(m_socketPath)) {
        logLine(component,
                QStringLiteral("Cannot listen on ") + m_socketPath + QStringLiteral(": ") + server->errorString());
        delete server;
        return false;
    }
    m_server = server;
    connect(server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (socket->bytesAvailable() < qint64(sizeof(quint32)))
                    return;
                quint32 size = 0;
                socket->peek(reinterpret_cast<char*>(&size), sizeof size);
                size = qFromBigEndian(size);
                if (size > maxMessageBytes) {
                    socket->abort();
                    return;
                }
                if (socket->bytesAvailable() < qint64(sizeof(quint32)) + size)
                    return;
                socket->read(sizeof(quint32));
                const std::optional<QStringList> arguments = decodeCommand(socket->read(size));
                if (!arguments) {
                    socket->abort();
                    return;
                }
                socket->write("1");
                socket->flush();
                Q_EMIT commandReceived(*arguments);
            });
        }
    });
    return true;
}
