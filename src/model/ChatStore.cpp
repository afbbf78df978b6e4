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
    if (sessions.isEmpty())
        return QJsonDocument(QJsonArray()).toJson(QJsonDocument::Indented);
    // Session by session, so that encoding a long history takes about its own size rather than several times it.
    // The bytes are those of the whole array as one document: each session one level in, separated by commas.
    QByteArray out("[\n");
    for (qsizetype i = 0; i < sessions.size(); ++i) {
        const QByteArray one = QJsonDocument(sessions.at(i).toJson()).toJson(QJsonDocument::Indented);
        out.reserve(out.size() + one.size() * 9 / 8 + 16);
        // Line breaks inside strings are escaped, so every '\n' here ends a line of the layout.
        qsizetype start = 0;
        for (qsizetype end = one.indexOf('\n'); end >= 0; end = one.indexOf('\n', start)) {
            out += "    ";
            out += QByteArrayView(one).sliced(start, end - start);
            start = end + 1;
            if (start < one.size())
                out += '\n';
        }
        out += i + 1 < sessions.size() ? ",\n" : "\n";
    }
    out += "]\n";
    return out;
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
