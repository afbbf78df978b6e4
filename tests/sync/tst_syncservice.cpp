// SPDX-License-Identifier: GPL-3.0-or-later
#include "sync/SyncService.h"

#include "model/AppState.h"
#include "model/Settings.h"
#include "support/FakeSyncServer.h"
#include "support/TestEnvironment.h"

#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

const QString ownerKey = u"6B1D3A2C-9F4E-4C1B-A7D2-0E5F8C3B9A10"_s;

Prompt prompt(qint64 number, const QString& title)
{
    return Prompt{QUuid::createUuid(), number, title, title + u" this."_s};
}

Project project(const QString& name, QList<Prompt> prompts = {}, std::optional<QString> shareCode = std::nullopt)
{
    return Project{QUuid::createUuid(), name,      u"📁"_s,       QString(),
                   std::move(prompts),  shareCode, std::nullopt, std::nullopt};
}

// What the service holds for a project of that name and those prompts.
QJsonObject sharedPayload(const QString& name, const QList<Prompt>& prompts = {})
{
    return SharedProjectPayload::uploadPayload(project(name, prompts));
}

// Settings, state, sync client and fake service in temporary folders; the state is made on demand so a test can
// prepare the stored data first.
struct Fixture
{
    TestEnvironment env;
    Settings settings;
    QNetworkAccessManager network;
    FakeSyncServer server;
    SharedProjectClient client{network, settings};
    std::unique_ptr<AppState> state;
    std::unique_ptr<SyncService> sync;

    Fixture()
    {
        server.listen();
        settings.setString(SettingsKeys::syncBaseUrl, server.restBaseUrl());
    }

    void start()
    {
        state = std::make_unique<AppState>(settings, ChatStore());
        sync = std::make_unique<SyncService>(*state, client);
    }
    void storeProjects(const QList<Project>& list)
    {
        settings.setBytes(SettingsKeys::userProjects, Project::encodeList(list));
    }
    QList<Project> stored() const
    {
        return Project::decodeList(settings.bytes(SettingsKeys::userProjects)).value_or(QList<Project>{});
    }
};

} // namespace

class TestSyncService : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void replaceProjectsPushesOnlyWithAnOwnerKey()
    {
        Fixture f;
        f.start();
        AppState* state = f.state.get();
        Project shared = state->projects().first();
        shared.shareCode = u"CODE1"_s;
        state->replaceProjects({shared});
        QCOMPARE(f.stored(), QList<Project>{shared});
        QTest::qWait(200);
        QCOMPARE(f.server.calls(u"upsert_shared_project"_s).size(), 0);
        state->replaceProjects({shared}, u"owner"_s);
        QTRY_COMPARE(f.server.calls(u"upsert_shared_project"_s).size(), 1);
    }

    // The merge rules themselves are the sync client's; here the refresh writes the merge back, leaves local projects
    // and unknown codes alone, keeps the user's changes made while it runs, and never runs twice at once.
    void refreshMergesServerCopies()
    {
        Fixture f;
        const Prompt retitle = prompt(9, u"Old title"_s);
        const QString codeA = f.server.addProject(sharedPayload(u"A server"_s), ownerKey);
        const QString codeB = f.server.addProject(sharedPayload(u"B server"_s), ownerKey);
        const QString codeC = f.server.addProject(
            sharedPayload(u"C server"_s, {Prompt{retitle.id, 1, u"New title"_s, u"Better."_s}}), u"someone else"_s);
        const Project local = project(u"Mine"_s, {prompt(1, u"Y"_s)});
        const Project b = project(u"B"_s, {}, codeB);
        const Project gone = project(u"Gone"_s, {prompt(1, u"X"_s)}, u"NOPE"_s);
        const Project c = project(u"C"_s, {retitle, prompt(2, u"Removed"_s)}, codeC);
        f.storeProjects({local, project(u"A"_s, {}, codeA), b, c, gone});
        f.start();
        AppState* state = f.state.get();

        // While A's copy is on its way, the user deletes A; while B's is, the user unlinks B.
        connect(&f.server, &FakeSyncServer::called, state, [&](const QString&, const QJsonObject& body) {
            const QString code = body.value(u"code"_s).toString();
            QList<Project> projects = state->projects();
            if (code == codeA)
                projects.removeAt(1);
            else if (code == codeB)
                projects[1].shareCode.reset();
            state->setProjects(projects);
        });
        QSignalSpy done(f.sync.get(), &SyncService::sharedProjectsRefreshed);
        f.sync->refreshSharedProjects();
        f.sync->refreshSharedProjects(); // already running: no second pass
        QVERIFY(done.wait(5000));
        QCOMPARE(done.first().first().toBool(), true);
        QCOMPARE(f.server.calls(u"get_shared_project"_s).size(), 4);
        Project unlinkedB = b;
        unlinkedB.shareCode.reset();
        Project mergedC = c;
        mergedC.name = u"C server"_s;
        mergedC.prompts = {Prompt{retitle.id, 9, u"New title"_s, u"Better."_s}};
        QCOMPARE(state->projects(), (QList<Project>{local, unlinkedB, mergedC, gone}));
        QCOMPARE(f.stored(), state->projects());

        // A later refresh where every fetch fails reports failure and writes nothing.
        disconnect(&f.server, nullptr, state, nullptr);
        f.server.setOverride(u"get_shared_project"_s, HttpResponse::json("{\"message\":\"down\"}", 503));
        QSignalSpy stored(&f.settings, &Settings::changed);
        f.sync->refreshSharedProjects();
        QVERIFY(done.wait(5000));
        QCOMPARE(done.size(), 2); // the doubled first call made no second report
        QCOMPARE(done.last().first().toBool(), false);
        QCOMPARE(stored.size(), 0);
    }
};

QTEST_MAIN(TestSyncService)
#include "tst_syncservice.moc"
