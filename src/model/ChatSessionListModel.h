// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractListModel>
#include <QHash>
#include <QList>
#include <QSet>
#include <QUuid>

#include <optional>

class AppState;

// The chat sessions as rows for the sidebar, in the state's order (newest first), narrowed to the sessions a search
// found while there is one. A session changed where it stands updates its one row, so a streaming answer costs one
// row however long the history; a list changed as a whole is compared by id, so rows are inserted and removed rather
// than all rebuilt. The rows hold ids only: the data is read from the state when a row is drawn.
class ChatSessionListModel : public QAbstractListModel
{
    Q_OBJECT

public:
    enum Role
    {
        IdRole = Qt::UserRole + 1,
        UpdatedAtRole, // QDateTime, for the row's age
        ActiveRole,    // bool: the session the chat shows
    };

    explicit ChatSessionListModel(const AppState& state, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    // Only these sessions are rows; nothing shows them all.
    void setFilter(const std::optional<QSet<QUuid>>& ids);
    bool isFiltered() const { return m_filter.has_value(); }
    // The row of a session, invalid when it is not shown.
    QModelIndex indexOf(const QUuid& id) const;
    QUuid idAt(int row) const { return row >= 0 && row < m_rows.size() ? m_rows.at(row) : QUuid(); }

private:
    QList<QUuid> wantedRows() const;
    void follow();
    void rowChanged(const QUuid& id);
    void activeChanged();
    void reindex();

    const AppState& m_state;
    QList<QUuid> m_rows;
    QHash<QUuid, int> m_rowOf;
    std::optional<QSet<QUuid>> m_filter;
    std::optional<QUuid> m_active;
};
