// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/ChatStore.h"

#include <QMutex>
#include <QObject>
#include <QThreadPool>
#include <QTimer>
#include <QWaitCondition>

#include <chrono>

#include <optional>

// Writes the chat history on a worker thread. The GUI thread hands over a snapshot (implicitly shared, so handing it
// over copies nothing) and goes on; snapshots that pile up while a write runs are coalesced into the newest. The
// store's rules hold: an atomic replace, the old file kept when a write fails. After a failure (a full or read-only
// disk) the newest snapshot is written again now and then until it succeeds.
class ChatSaveQueue : public QObject
{
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds defaultRetryInterval = std::chrono::seconds(30);

    explicit ChatSaveQueue(ChatStore store, QObject* parent = nullptr);
    // Waits for the last snapshot to be written.
    ~ChatSaveQueue() override;

    void save(const QList<ChatSession>& sessions);
    // Blocks until every snapshot handed over so far is written (quit, tests).
    void waitForIdle();
    void setRetryInterval(std::chrono::milliseconds interval) { m_retry.setInterval(interval); }
    // The reason of the last write while it failed; empty once a write succeeds.
    QString failure() const { return m_failure; }

Q_SIGNALS:
    // On the queue's own thread. A write failed; the previous file is intact.
    void saveFailed(const QString& reason);
    // A write succeeded after one or more had failed.
    void saveRecovered();

private:
    void drain();
    void written(bool ok, const QString& error);

    ChatStore m_store;
    QThreadPool m_worker;
    QMutex m_mutex;
    QWaitCondition m_idle;
    std::optional<QList<ChatSession>> m_pending;
    bool m_running = false;
    // On the GUI thread: the newest snapshot handed over, written again by the retry timer while writes fail.
    QList<ChatSession> m_newest;
    QString m_failure;
    QTimer m_retry;
};
