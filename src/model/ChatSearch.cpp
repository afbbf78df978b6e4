// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/ChatSearch.h"

#include <QByteArrayMatcher>
#include <QMutexLocker>

ChatSearch::ChatSearch(QObject* parent) : QObject(parent)
{
    m_worker.setMaxThreadCount(1);
}

ChatSearch::~ChatSearch()
{
    {
        const QMutexLocker lock(&m_mutex);
        m_pending.reset();
    }
    m_worker.waitForDone();
}

QString ChatSearch::fold(QStringView text, QList<qsizetype>* origin)
{
    QString folded;
    folded.reserve(text.size());
    if (origin)
        origin->reserve(origin->size() + text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.unicode() < 0x80) {
            // Most text is ASCII; it needs no decomposition.
            folded.append(c.unicode() >= 'A' && c.unicode() <= 'Z' ? QChar(c.unicode() + 32) : c);
            if (origin)
                origin->append(i);
            continue;
        }
        const qsizetype length = c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate() ? 2 : 1;
        const QString decomposed = text.mid(i, length).toString().normalized(QString::NormalizationForm_D);
        for (const QChar part : decomposed) {
            const QChar::Category category = part.category();
            if (category == QChar::Mark_NonSpacing || category == QChar::Mark_SpacingCombining ||
                category == QChar::Mark_Enclosing)
                continue;
            const QString lower = QString(part).toCaseFolded();
            folded.append(lower);
            if (origin) {
                for (qsizetype k = 0; k < lower.size(); ++k)
                    origin->append(i);
            }
        }
        i += length - 1;
    }
    return folded;
}

void ChatSearch::search(const QList<ChatSession>& sessions, const QString& query)
{
    const QMutexLocker lock(&m_mutex);
    m_pending = Request{sessions, query};
    if (m_running)
        return; // the search in progress picks the newest request up when it is done
    m_running = true;
    m_worker.start([this] { drain(); });
}

QSet<QUuid> ChatSearch::searchNow(const QList<ChatSession>& sessions, const QString& query)
{
    return run(m_callerIndex, sessions, query);
}

void ChatSearch::drain()
{
    for (;;) {
        Request request;
        {
            const QMutexLocker lock(&m_mutex);
            if (!m_pending) {
                m_running = false;
                return;
            }
            request = std::move(*m_pending);
            m_pending.reset();
        }
        const QSet<QUuid> matches = run(m_index, request.sessions, request.query);
        {
            // A newer request makes this answer stale: skip it rather than flash an old result.
            const QMutexLocker lock(&m_mutex);
            if (m_pending)
                continue;
        }
        QMetaObject::invokeMethod(
            this, [this, query = request.query, matches] { Q_EMIT finished(query, matches); }, Qt::QueuedConnection);
    }
}

QSet<QUuid> ChatSearch::run(QHash<QUuid, Entry>& index, const QList<ChatSession>& sessions, const QString& query)
{
    QSet<QUuid> matches;
    const QByteArray needle = fold(query.trimmed()).toUtf8();
    QSet<QUuid> present;
    present.reserve(sessions.size());
    const QByteArrayMatcher matcher(needle);
    for (const ChatSession& session : sessions) {
        present.insert(session.id);
        Entry& entry = index[session.id];
        // The same list data means the same messages: the entry's copy keeps that data alive, so it cannot be
        // another list's that happens to reuse the address.
        if (!entry.built || entry.title != session.title ||
            entry.messages.constData() != session.messages.constData() ||
            entry.messages.size() != session.messages.size()) {
            QString text = session.title;
            for (const ChatMessage& message : session.messages) {
                text += u'\n';
                text += message.content;
            }
            entry.title = session.title;
            entry.messages = session.messages;
            entry.folded = fold(text).toUtf8();
            entry.built = true;
        }
        if (!needle.isEmpty() && matcher.indexIn(entry.folded) >= 0)
            matches.insert(session.id);
    }
    // Deleted sessions leave the index.
    if (index.size() > present.size())
        index.removeIf([&present](const auto& it) { return !present.contains(it.key()); });
    return matches;
}
