// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QStringList>

#include <optional>

class QLocalServer;

// One Vantro per user: the first process listens on a socket in $XDG_RUNTIME_DIR; a later `vantro` hands its
// command line to it and exits, which is how the desktop file's actions and user-bound shortcuts reach the
// running application.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    explicit SingleInstance(QString socketPath = defaultSocketPath(), QObject* parent = nullptr);
    ~SingleInstance() override;

    // $XDG_RUNTIME_DIR/vantro.socket, or a per-user name in the temporary folder when there is no runtime dir.
    static QString defaultSocketPath();

    // A command as it travels between instances; decoding takes what another process sent, so it is bounded and
    // says no to anything malformed.
    static QByteArray encodeCommand(const QStringList& arguments);
    static std::optional<QStringList> decodeCommand(const QByteArray& payload);

    // Delivers `arguments` to a running instance. False when none answers within `timeoutMs`.
    // Blocks briefly; meant for start-up, before the event loop runs.
    bool sendToRunningInstance(const QStringList& arguments, int timeoutMs = 1000) const;

    // Starts listening, taking over a socket left behind by a crashed instance. False when another instance
    // is already listening or the socket cannot be created.
    bool listen();

    QString socketPath() const { return m_socketPath; }

Q_SIGNALS:
    void commandReceived(const QStringList& arguments);

private:
    QString m_socketPath;
    QLocalServer* m_server = nullptr;
};
