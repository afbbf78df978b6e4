// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/ChatStore.h"

#include "platform/AppPaths.h"
#include "platform/AtomicFile.h"
#include "platform/Log.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

namespace {
constexpr QStringView component = u"ChatStore";
}

ChatStore::ChatStore(QString folder) : m_folder(std::move(folder)) {}

QString ChatStore::sessionsFilePath() const
{
    QString folder = m_folder;
    if (folder.isEmpty())
        folder = AppPaths::appFolder();
    else
        QDir().mkpath(folder);
    if (folder.isEmpty())
        return {};
    return folder + QStringLiteral("/chat_sessions.json");
}

QList<ChatSession> ChatStore::loadSessions() const
{
    const QString path = sessionsFilePath();
    if (path.isEmpty()) {
        logLine(component, QStringLiteral("Failed to load sessions: no data folder is available"));
        return {};
    }
    QFile file(path);
    if (!file.exists())
        return {};
    if (!file.open(QIODevice::ReadOnly)) {
        // The next save would replace a history we could not read: move it out of the way first, unchanged.
        logLine(component, QStringLiteral("Failed to load sessions: ") + file.errorString());
        const QString kept = AppPaths::keepAside(path);
        if (!kept.isEmpty())
            logLine(component, QStringLiteral("The unreadable file was kept as ") + kept);
        return {};
    }
    const QByteArray bytes = file.readAll();
    file.close();
    DecodeError error;
    auto sessions = decodeJsonArray<ChatSession>(bytes, &error);
    if (!sessions) {
        logLine(component, QStringLiteral("Failed to load sessions: ") + error.description());
        const QString kept = AppPaths::keepAside(path);
        if (kept.isEmpty())
            logLine(component, QStringLiteral("Could not move the damaged file aside: ") + path);
        else
            logLine(component, QStringLiteral("The damaged file was kept as ") + kept);
        return {};
    }
    return *std::move(sessions);
}

QByteArray ChatStore::encode(const QList<ChatSession>& sessions)
{
    QJsonArray array;
    for (const ChatSession& session : sessions)
        array.append(session.toJson());
    return QJsonDocument(array).toJson(QJsonDocument::Indented);
}

bool ChatStore::saveSessions(const QList<ChatSession>& sessions, QString* error) const
{
    const QString path = sessionsFilePath();
    QString reason;
    if (path.isEmpty())
        reason = QStringLiteral("no data folder is available");
    else if (AtomicFile::write(path, encode(sessions), &reason))
        return true;
    logLine(component, QStringLiteral("Failed to save sessions: ") + reason);
    if (error)
        *error = reason;
    return false;
}
