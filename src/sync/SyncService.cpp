// SPDX-License-Identifier: GPL-3.0-or-later
#include "sync/SyncService.h"

#include "model/AppState.h"

namespace {

bool hasShareCode(const Project& project)
{
    return project.shareCode && !project.shareCode->isEmpty();
}

} // namespace

SyncService::SyncService(AppState& state, SharedProjectClient& client, QObject* parent)
    : QObject(parent), m_state(state), m_client(client)
{
    connect(&m_state, &AppState::projectsReplaced, this, &SyncService::push);
}

bool SyncService::isConfigured() const
{
    return m_client.isConfigured();
}

void SyncService::push(const QList<Project>& projects, const QString& ownerKey)
{
    if (ownerKey.isEmpty())
        return;
    // Each push goes out on its own; nobody waits for it and its outcome is dropped.
    for (const Project& project : projects) {
        if (hasShareCode(project))
            m_client.upsertSharedProject(project, ownerKey, nullptr, {});
    }
}

void SyncService::share(const Project& project, const QString& ownerKey, QObject* context, Callback<QString> done)
{
    m_client.createSharedProject(project, ownerKey, context, std::move(done));
}

void SyncService::deleteFromServer(const QString& code, const QString& ownerKey, QObject* context, Callback<bool> done)
{
    m_client.deleteSharedProject(code, ownerKey, context, std::move(done));
}

void SyncService::join(const QString& code, QObject* context, Callback<SharedProjectPayload> done)
{
    m_client.getSharedProject(code.trimmed(), context, std::move(done));
}

void SyncService::checkConnection(QObject* context, Callback<std::monostate> done)
{
    m_client.checkConnection(context, std::move(done));
}

void SyncService::refreshSharedProjects()
{
    if (m_refreshing)
        return;
    m_refreshing = true;
    // Walk the projects as they were at the start, by id: the list may change between fetches.
    QList<QUuid> ids;
    for (const Project& project : m_state.projects())
        ids.append(project.id);
    refreshNext(std::move(ids), 0, false);
}

void SyncService::refreshNext(QList<QUuid> ids, qsizetype index, bool anySucceeded)
{
    const auto find = [this](const QUuid& id) -> qsizetype {
        const QList<Project>& projects = m_state.projects();
        for (qsizetype i = 0; i < projects.size(); ++i) {
            if (projects.at(i).id == id)
                return i;
        }
        return -1;
    };
    for (; index < ids.size(); ++index) {
        const qsizetype at = find(ids.at(index));
        if (at < 0 || !hasShareCode(m_state.projects().at(at)))
            continue;
        const QUuid id = ids.at(index);
        const QString code = *m_state.projects().at(at).shareCode;
        m_client.getSharedProject(
            code, this, [this, ids, index, anySucceeded, id, code, find](const SyncResult<SharedProjectPayload>& r) {
                if (r) {
                    // Deleted, unlinked or shared anew while we waited: leave it as it is now.
                    const qsizetype now = find(id);
                    if (now >= 0 && m_state.projects().at(now).shareCode == code) {
                        QList<Project> projects = m_state.projects();
                        projects[now] = r.value().mergedInto(projects.at(now));
                        m_state.setProjects(projects);
                    }
                }
                refreshNext(ids, index + 1, anySucceeded || r.ok());
            });
        return;
    }
    if (anySucceeded)
        m_state.saveProjects(m_state.projects());
    m_refreshing = false;
    Q_EMIT sharedProjectsRefreshed(anySucceeded);
}
