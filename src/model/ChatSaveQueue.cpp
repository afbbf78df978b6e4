// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/ChatSaveQueue.h"

ChatSaveQueue::ChatSaveQueue(ChatStore store, QObject* parent) : QObject(parent), m_store(std::move(store))
{
    m_worker.setMaxThreadCount(1);
    m_retry.setSingleShot(true);
    m_retry.setInterval(defaultRetryInterval);
    connect(&m_retry, &QTimer::timeout, this, [this] { save(m_newest); });
}

ChatSaveQueue::~ChatSaveQueue()
{
    waitForIdle();
    m_worker.waitForDone();
}

void ChatSaveQueue::save(const QList<ChatSession>& sessions)
{
    m_newest = sessions;
    const QMutexLocker lock(&m_mutex);
    m_pending = sessions;
    if (m_running)
        return; // the running write picks the newest snapshot up when it is done
    m_running = true;
    m_worker.start([this] { drain(); });
}

void ChatSaveQueue::drain()
{
    for (;;) {
        QList<ChatSession> snapshot;
        {
            const QMutexLocker lock(&m_mutex);
            if (!m_pending) {
                m_running = false;
                m_idle.wakeAll();
                return;
            }
            snapshot = std::move(*m_pending);
            m_pending.reset();
        }
        QString error;
        const bool ok = m_store.saveSessions(snapshot, &error);
        QMetaObject::invokeMethod(
            this, [this, ok, error] { written(ok, error); }, Qt::QueuedConnection);
    }
}

void ChatSaveQueue::written(bool ok, const QString& error)
{
    if (ok) {
        m_retry.stop();
        if (!std::exchange(m_failure, QString()).isEmpty())
            Q_EMIT saveRecovered();
        return;
    }
    m_failure = error;
    if (!m_retry.isActive())
        m_retry.start();
    Q_EMIT saveFailed(error);
}

void ChatSaveQueue::waitForIdle()
{
    QMutexLocker lock(&m_mutex);
    while (m_running)
        m_idle.wait(&m_mutex);
}
