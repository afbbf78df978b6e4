// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sync/SharedProjectClient.h"

#include <QList>
#include <QObject>
#include <QUuid>

class AppState;

// The shared-project workflows over the sync client: pushing the projects the user edits (AppState announces each
// replaced list), pulling every shared project's server copy, and sharing, deleting and joining. The state knows
// nothing of the service; everything that talks to it goes through here.
class SyncService : public QObject
{
    Q_OBJECT

public:
    template <typename T> using Callback = SharedProjectClient::Callback<T>;

    // Both must outlive the service.
    SyncService(AppState& state, SharedProjectClient& client, QObject* parent = nullptr);

    // Whether a service address is set; without one every call below fails with "not configured".
    bool isConfigured() const;

    // Fetches each shared project's server copy, one after another, and merges it into the state's list. Started
    // without waiting; failures leave the local copy alone. A call while a refresh runs does nothing.
    void refreshSharedProjects();
    bool isRefreshing() const { return m_refreshing; }

    // Uploads `project` as a new shared project; `done` gets its share code.
    void share(const Project& project, const QString& ownerKey, QObject* context, Callback<QString> done);
    // Deletes the shared project; `done` gets whether the service deleted it (false: not the owner).
    void deleteFromServer(const QString& code, const QString& ownerKey, QObject* context, Callback<bool> done);
    // The shared project behind `code` (blanks around it dropped), for joining it.
    void join(const QString& code, QObject* context, Callback<SharedProjectPayload> done);
    // Whether the configured service answers as a sync service should, for the preferences' check.
    void checkConnection(QObject* context, Callback<std::monostate> done);

Q_SIGNALS:
    // A refresh ended; `updated` tells whether any server copy arrived.
    void sharedProjectsRefreshed(bool updated);

private:
    // With an owner key, every shared project in the list goes to the service, without waiting or reporting.
    void push(const QList<Project>& projects, const QString& ownerKey);
    void refreshNext(QList<QUuid> ids, qsizetype index, bool anySucceeded);

    AppState& m_state;
    SharedProjectClient& m_client;
    bool m_refreshing = false;
};
