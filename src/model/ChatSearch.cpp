// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/ChatSearch.h"

#include <QByteArrayMatcher>
#include <QMutexLocker>

#include <array>

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

namespace {

QString foldOne(QStringView character)
{
    QString folded;
    for (const QChar part : character.toString().normalized(QString::NormalizationForm_D)) {
        const QChar::Category category = part.category();
        if (category != QChar::Mark_NonSpacing && category != QChar::Mark_SpacingCombining &&
            category != QChar::Mark_Enclosing)
            folded += QString(part).toCaseFolded();
    }
    return folded;
}

// The folding of the Latin letters with accents, worked out once: they are most of the non-ASCII text people
// write in Latin scripts, and decomposing each one as it comes is slow. 0 where a character folds to more or less
// than one character.
char16_t latinFold(char16_t c)
{
    constexpr char16_t end = 0x250;
    static const auto table = [] {
        std::array<char16_t, end> folds{};
        for (char16_t k = 0x80; k < end; ++k) {
            const QChar character(k);
            const QString folded = foldOne(QStringView(&character, 1));
            folds[k] = folded.size() == 1 ? folded.at(0).unicode() : 0;
        }
        return folds;
    }();
    return c < end ? table[c] : 0;
}

} // namespace

QString ChatSearch::fold(QStringView text, QList<qsizetype>* origin)
{
    QString folded;
    folded.reserve(text.size());
    if (origin)
        origin->reserve(origin->size() + text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        // Most text is ASCII, which needs no decomposition: lower a whole run of it at once.
        qsizetype end = i;
        while (end < text.size() && text[end].unicode() < 0x80)
            ++end;
        if (end > i) {
            const qsizetype at = folded.size();
            folded.resize(at + end - i);
            char16_t* out = reinterpret_cast<char16_t*>(folded.data()) + at;
            for (qsizetype k = i; k < end; ++k) {
                const char16_t c = text[k].unicode();
                *out++ = c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c;
                if (origin)
                    origin->append(k);
            }
            i = end - 1;
            continue;
        }
        const QChar c = text[i];
        if (const char16_t quick = latinFold(c.unicode())) {
            folded.append(QChar(quick));
            if (origin)
                origin->append(i);
            continue;
        }
        const qsizetype length = c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate() ? 2 : 1;
        const QString part = foldOne(text.mid(i, length));
        folded.append(part);
        if (origin) {
            for (qsizetype k = 0; k < part.size(); ++k)
                origin->append(i);
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
            qsizetype length = session.title.size();
            for (const ChatMessage& message : session.messages)
                length += 1 + message.content.size();
            QString text;
            text.reserve(length);
            text += session.title;
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
