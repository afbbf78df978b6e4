// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/ChatSession.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QSet>
#include <QString>
#include <QThreadPool>
#include <QUuid>

#include <optional>

// Search across all chats: which sessions hold a text in their title or in a message, ignoring case and accents.
// Each session's text is folded once into an index kept on a worker thread; a session is folded again only when it
// changed, which is seen in O(1) because the index holds a shared copy of the session's message list. A search
// hands over a snapshot of the sessions (implicitly shared, so free), runs on the worker, and only the newest
// request is answered: keystrokes that pile up while a search runs are coalesced.
class ChatSearch : public QObject
{
    Q_OBJECT

public:
    explicit ChatSearch(QObject* parent = nullptr);
    // Waits for a search in progress.
    ~ChatSearch() override;

    // Folds text for matching: case folded, accents and other combining marks dropped (É → e, Å → a). With
    // `origin`, each folded character's position in `text` is appended to it.
    static QString fold(QStringView text, QList<qsizetype>* origin = nullptr);

    // Starts a search; `finished` answers it unless a newer search came first. An empty query matches nothing, and
    // brings the index up to date for the searches to come.
    void search(const QList<ChatSession>& sessions, const QString& query);
    // The same search, done on the calling thread with its own index (benchmarks, tests).
    QSet<QUuid> searchNow(const QList<ChatSession>& sessions, const QString& query);

Q_SIGNALS:
    // The sessions that match `query`; emitted on the GUI thread.
    void finished(const QString& query, const QSet<QUuid>& matches);

private:
    struct Entry
    {
        QString title;
        QList<ChatMessage> messages; // shared with the session it was folded from
        QByteArray folded;           // title and messages, folded, as UTF-8
        bool built = false;
    };
    struct Request
    {
        QList<ChatSession> sessions;
        QString query;
    };

    static QSet<QUuid> run(QHash<QUuid, Entry>& index, const QList<ChatSession>& sessions, const QString& query);
    void drain();

    QThreadPool m_worker;
    QMutex m_mutex;
    std::optional<Request> m_pending;
    bool m_running = false;
    QHash<QUuid, Entry> m_index;       // the worker's
    QHash<QUuid, Entry> m_callerIndex; // searchNow()'s
};
