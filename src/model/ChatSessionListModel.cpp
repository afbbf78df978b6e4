// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/ChatSessionListModel.h"

#include "model/AppState.h"

ChatSessionListModel::ChatSessionListModel(const AppState& state, QObject* parent)
    : QAbstractListModel(parent), m_state(state), m_active(state.activeChatSessionID())
{
    m_rows = wantedRows();
    reindex();
    connect(&state, &AppState::chatSessionsChanged, this, &ChatSessionListModel::follow);
    connect(&state, &AppState::chatSessionChanged, this, &ChatSessionListModel::rowChanged);
    connect(&state, &AppState::activeChatSessionIDChanged, this, &ChatSessionListModel::activeChanged);
}

int ChatSessionListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

QVariant ChatSessionListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    const QUuid& id = m_rows.at(index.row());
    const ChatSession* session = m_state.chatSession(id);
    if (!session)
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return session->title;
    case IdRole:
        return id;
    case UpdatedAtRole:
        return session->updatedAt;
    case ActiveRole:
        return m_active == id;
    default:
        return {};
    }
}

QModelIndex ChatSessionListModel::indexOf(const QUuid& id) const
{
    const int row = m_rowOf.value(id, -1);
    return row < 0 ? QModelIndex() : index(row);
}

void ChatSessionListModel::setFilter(const std::optional<QSet<QUuid>>& ids)
{
    if (ids == m_filter)
        return;
    // A new search replaces the rows wholesale; removing thousands of ranges one by one would cost far more.
    beginResetModel();
    m_filter = ids;
    m_rows = wantedRows();
    reindex();
    endResetModel();
}

QList<QUuid> ChatSessionListModel::wantedRows() const
{
    QList<QUuid> rows;
    rows.reserve(m_filter ? m_filter->size() : m_state.chatSessions().size());
    for (const ChatSession& session : m_state.chatSessions()) {
        if (!m_filter || m_filter->contains(session.id))
            rows.append(session.id);
    }
    return rows;
}

void ChatSessionListModel::follow()
{
    const QList<QUuid> wanted = wantedRows();
    if (wanted == m_rows) {
        // Same rows, perhaps new content in them all (the list was replaced at once).
        if (!m_rows.isEmpty())
            Q_EMIT dataChanged(index(0), index(int(m_rows.size()) - 1));
        return;
    }
    const QSet<QUuid> wantedSet(wanted.cbegin(), wanted.cend());
    // Rows that went, in ranges from the end so that earlier row numbers stay right.
    for (int row = int(m_rows.size()) - 1; row >= 0;) {
        if (wantedSet.contains(m_rows.at(row))) {
            --row;
            continue;
        }
        int first = row;
        while (first > 0 && !wantedSet.contains(m_rows.at(first - 1)))
            --first;
        beginRemoveRows({}, first, row);
        m_rows.remove(first, row - first + 1);
        endRemoveRows();
        row = first - 1;
    }
    // What is left must be in the wanted order for insertions alone to get there; otherwise start over.
    const QSet<QUuid> kept(m_rows.cbegin(), m_rows.cend());
    QList<QUuid> keptInWantedOrder;
    for (const QUuid& id : wanted) {
        if (kept.contains(id))
            keptInWantedOrder.append(id);
    }
    if (keptInWantedOrder != m_rows) {
        beginResetModel();
        m_rows = wanted;
        reindex();
        endResetModel();
        return;
    }
    for (int row = 0; row < wanted.size(); ++row) {
        if (row < m_rows.size() && m_rows.at(row) == wanted.at(row))
            continue;
        int last = row;
        while (last + 1 < wanted.size() && !kept.contains(wanted.at(last + 1)))
            ++last;
        beginInsertRows({}, row, last);
        m_rows.insert(row, last - row + 1, QUuid());
        for (int i = row; i <= last; ++i)
            m_rows[i] = wanted.at(i);
        endInsertRows();
        row = last;
    }
    reindex();
    if (!m_rows.isEmpty())
        Q_EMIT dataChanged(index(0), index(int(m_rows.size()) - 1));
}

void ChatSessionListModel::rowChanged(const QUuid& id)
{
    const QModelIndex changed = indexOf(id);
    if (changed.isValid())
        Q_EMIT dataChanged(changed, changed);
}

void ChatSessionListModel::activeChanged()
{
    const std::optional<QUuid> before = m_active;
    m_active = m_state.activeChatSessionID();
    if (before)
        rowChanged(*before);
    if (m_active)
        rowChanged(*m_active);
}

void ChatSessionListModel::reindex()
{
    m_rowOf.clear();
    m_rowOf.reserve(m_rows.size());
    for (int row = 0; row < m_rows.size(); ++row)
        m_rowOf.insert(m_rows.at(row), row);
}
