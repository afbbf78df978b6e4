// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/ChatSession.h"

// Keeps the whole chat history in "chat_sessions.json" in the application folder. Stateless: every call reads or
// writes the file from scratch, and the caller owns the list in memory.
class ChatStore
{
public:
    // `folder` overrides the application folder (tests, benchmarks); empty means AppPaths::appFolder().
    explicit ChatStore(QString folder = {});

    QString sessionsFilePath() const;

    // A missing file is an empty history. A damaged one is moved aside (never overwritten later) and also yields
    // an empty history, with the line "ChatStore: Failed to load sessions: ...".
    QList<ChatSession> loadSessions() const;

    // Atomic: the file holds either the old or the new list. Failures are logged, leave the old file and return
    // false with the reason in `error`. Safe on any thread.
    bool saveSessions(const QList<ChatSession>& sessions, QString* error = nullptr) const;

    static QByteArray encode(const QList<ChatSession>& sessions);

private:
    QString m_folder;
};
