// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/ChatStore.h"

#include <QMutex>
#include <QObject>
#include <QThreadPool>
#include <QWaitCondition>

#include <optional>

// Writes the chat history on a worker thread. The GUI thread hands over a snapshot (implicitly shared, so handing it
// over copies nothing) and goes on; snapshots that pile up while a write runs are coalesced into the newest. The
// store's rules hold: an atomic replace, the old file kept when a write fails.
class ChatSaveQueue : public QObject
{
    Q_OBJECT

public:
    explicit ChatSaveQueue(ChatStore store, QObject* parent = nullptr);
    // Waits for the last snapshot to be written.
    ~ChatSaveQueue() override;

    void save(const QList<ChatSession>& sessions);
    // Blocks until every snapshot handed over so far is written (quit, tests).
    void waitForIdle();

Q_SIGNALS:
    // A write failed; the previous file is intact. Emitted on the queue's own thread.
    void saveFailed(const QString& reason);

private:
    void drain();

    ChatStore m_store;
    QThreadPool m_worker;
    QMutex m_mutex;
    QWaitCondition m_idle;
    std::optional<QList<ChatSession>> m_pending;
    bool m_running = false;
};
