// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/AppState.h"
#include "model/Settings.h"
#include "support/FakeSyncServer.h"
#include "support/TestEnvironment.h"
#include "sync/SyncService.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QString clientKey = u"sb_publishable_0123456789abcdefghijklmnopqrstuv"_s;
const QString ownerKey = u"0F0E0D0C-0B0A-4908-8706-050403020100"_s;
const QUuid shortenId(u"6b1d3a2c-9f4e-4c1b-a7d2-0e5f8c3b9a10"_s), polishId(u"0a1b2c3d-4e5f-4a6b-8c7d-9e0f1a2b3c4d"_s);

Project sampleProject(std::optional<QString> shareCode = std::nullopt)
{
    return Project{QUuid::createUuid(),
                   u"Team"_s,
                   u"🚀"_s,
                   u"We write release notes."_s,
                   {Prompt{shortenId, 7, u"Shorten"_s, u"Make it short."_s},
                    Prompt{polishId, 2, u"Polish"_s, u"Polish \"this\"."_s}},
                   shareCode,
                   QUuid::createUuid(),
                   QUuid::createUuid()};
}

Prompt prompt(qint64 number, const QString& title)
{
    return Prompt{QUuid::createUuid(), number, title, title + u" this."_s};
}

Project project(const QString& name, QList<Prompt> prompts = {}, std::optional<QString> shareCode = std::nullopt)
{
    return Project{QUuid::createUuid(), name,      u"📁"_s,       QString(),
                   std::move(prompts),  shareCode, std::nullopt, std::nullopt};
}

// What the service holds for a project of that name (its context too) and those prompts.
QJsonObject sharedPayload(const QString& name, const QList<Prompt>& prompts = {})
{
    Project shared = project(name, prompts);
    shared.contextDescription = name;
    return SharedProjectPayload::uploadPayload(shared);
}

// One client talking to a fresh fake service, with settings in a temporary folder.
struct Fixture
{
    TestEnvironment env;
    Settings settings;
    QNetworkAccessManager network;
    FakeSyncServer server;
    SharedProjectClient client{network, settings};

    Fixture()
    {
        server.listen();
        settings.setString(SettingsKeys::syncBaseUrl, server.restBaseUrl());
        settings.setString(SettingsKeys::syncClientKey, clientKey);
        server.setClientKey(clientKey.toUtf8());
    }

    QList<Project> stored() const
    {
        return Project::decodeList(settings.bytes(SettingsKeys::userProjects)).value_or(QList<Project>{});
    }
};

// Starts a call and waits for its one report, which must never come before the call has returned.
template <typename T, typename Start> std::optional<SyncResult<T>> await(Start start)
{
    std::optional<SyncResult<T>> result;
    int reports = 0;
    bool returned = false;
    start([&](const SyncResult<T>& r) {
        result = r;
        reports += returned ? 1 : 100;
    });
    returned = true;
    if (!QTest::qWaitFor([&] { return reports > 0; }, 5000))
        return std::nullopt;
    QTest::qWait(20); // a second report would be a fault
    return reports == 1 ? result : std::nullopt;
}

// A call's outcome as one comparable text: "ok:<value>", "network:<text>" or the error description.
QString outcomeOf(Fixture& f, const QString& function, const Project& project)
{
    const auto text = [](const auto& r, const auto& value) -> QString {
        if (!r)
            return u"no single report"_s;
        if (r->ok())
            return u"ok:"_s + value(r->value());
        return (r->error().kind() == SyncError::Kind::Network ? u"network:"_s : QString()) + r->error().description();
    };
    SharedProjectClient& c = f.client;
    if (function == u"get_shared_project")
        return text(
            await<SharedProjectPayload>([&](auto done) { c.getSharedProject(*project.shareCode, nullptr, done); }),
            [](const SharedProjectPayload& p) { return p.name; });
    if (function == u"create_shared_project")
        return text(await<QString>([&](auto done) { c.createSharedProject(project, ownerKey, nullptr, done); }),
                    [](const QString& code) { return code; });
    if (function == u"upsert_shared_project")
        return text(await<std::monostate>([&](auto done) { c.upsertSharedProject(project, ownerKey, nullptr, done); }),
                    [](std::monostate) { return QString(); });
    return text(await<bool>([&](auto done) { c.deleteSharedProject(*project.shareCode, ownerKey, nullptr, done); }),
                [](bool deleted) { return deleted ? u"true"_s : u"false"_s; });
}

// What a call answers when the service, the settings or the connection say something other than "fine".
struct Call
{
    QString function;
    QString expected;                                    // a trailing "…" matches a prefix
    std::optional<HttpResponse> response = std::nullopt; // none: the fake table answers
    QString baseUrl = u"@"_s;                            // "@": the fake service
    bool withClientKey = true;
};

} // namespace

Q_DECLARE_METATYPE(Call)

class TestSync : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Every call goes through one request builder; paths and the apikey header are checked by the fake service on
    // each call of the other tests.
    void requestShape()
    {
        Fixture f;
        const QString code = f.server.addProject(SharedProjectPayload::uploadPayload(sampleProject()), ownerKey);
        QCOMPARE(outcomeOf(f, u"upsert_shared_project"_s, sampleProject(code)), u"ok:"_s);
        const HttpRequest& request = f.server.requests().first();
        QCOMPARE(request.header("Authorization"), "Bearer " + clientKey.toUtf8());
        // The upload carries the prompts in list order, ids in upper case, and nothing that stays local.
        const QByteArray payload = R"({"name":"Team","emoji":"🚀","context_description":"We write release notes.",)"
                                   R"("prompts":[{"id":"6B1D3A2C-9F4E-4C1B-A7D2-0E5F8C3B9A10","title":"Shorten",)"
                                   R"("systemPrompt":"Make it short."},{"id":"0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D",)"
                                   R"("title":"Polish","systemPrompt":"Polish \u0022this\u0022."}]})";
        QCOMPARE(QJsonDocument::fromJson(request.body).object(),
                 (QJsonObject{{u"p_license_key"_s, ownerKey},
                              {u"p_share_code"_s, code},
                              {u"payload"_s, QJsonDocument::fromJson(payload).object()}}));
    }

    // Not found, an error status with its body, a created code and delete's true and false are proven through the
    // sidebar's join and the prompts tab; a bad value deep in a row is the stores' decode test.
    void outcomes_data()
    {
        QTest::addColumn<Call>("call");
        const QString get = u"get_shared_project"_s, create = u"create_shared_project"_s;
        const QString upsert = u"upsert_shared_project"_s, remove = u"delete_shared_project"_s;
        const auto json = [](const QByteArray& body) { return HttpResponse::json(body); };
        const QByteArray row = QJsonDocument(QJsonArray{SharedProjectPayload::uploadPayload(sampleProject())}).toJson();
        const QString bad = u"Sync decoding error: "_s, gone = u"This shared project no longer exists on the server."_s;
        QTest::newRow("get 500 not UTF-8") << Call{get, u"Sync error 500: "_s, HttpResponse::text("\xff oops", 500)};
        QTest::newRow("get missing share_code") << Call{get, bad + u"[0].share_code: …"_s, json(row)};
        QTest::newRow("create number") << Call{create, bad + u"Expected a string share code"_s, json("42")};
        QTest::newRow("upsert false") << Call{upsert, gone, json("false")};
        QTest::newRow("upsert null") << Call{upsert, u"ok:"_s, json("null")};
        QTest::newRow("delete null") << Call{remove, u"ok:false"_s, json("null")};

        // Settings and share codes that stop a call early or shape the request.
        const QString off = u"Sharing is not configured: set the sync service URL (sync_base_url) in the settings."_s;
        QTest::newRow("not configured") << Call{upsert, off, {}, QString()};
        QTest::newRow("no scheme") << Call{upsert, u"Invalid sync URL."_s, {}, u"example.org/rest/v1"_s};
        QTest::newRow("no client key, trailing slash") << Call{remove, u"ok:false"_s, {}, u"@/"_s, false};

        // Timeouts and a 200 whose body is broken in transit are transport failures, never a (lenient) answer.
        HttpResponse hang;
        hang.hang = true;
        QTest::newRow("timeout") << Call{upsert, u"network:The request timed out."_s, hang};
        HttpResponse cut = HttpResponse::json("fal");
        cut.headers.append(std::pair<QByteArray, QByteArray>("Content-Length", "5"));
        QTest::newRow("cut short") << Call{upsert, u"network:…"_s, cut};
    }

    void outcomes()
    {
        QFETCH(Call, call);
        Fixture f;
        f.settings.setString(SettingsKeys::syncBaseUrl, call.baseUrl.replace(u"@"_s, f.server.restBaseUrl()));
        if (call.response)
            f.server.setOverride(call.function, *call.response);
        if (call.response && call.response->hang)
            f.client.setTimeout(std::chrono::milliseconds(300));
        if (!call.withClientKey) {
            f.server.setClientKey({});
            f.settings.setString(SettingsKeys::syncClientKey, QString());
        }
        const QString outcome = outcomeOf(f, call.function, sampleProject(u"K7Q2"_s));
        if (call.expected.endsWith(u'…'))
            QVERIFY2(outcome.startsWith(call.expected.chopped(1)), qPrintable(outcome));
        else
            QCOMPARE(outcome, call.expected);
        const QList<HttpRequest>& requests = f.server.requests();
        QCOMPARE(requests.size(), call.response || !call.withClientKey ? 1 : 0);
        if (!call.withClientKey) {
            QCOMPARE(requests.at(0).target, QByteArray("/rest/v1/rpc/delete_shared_project"));
            QVERIFY(requests.at(0).header("apikey").isEmpty() && requests.at(0).header("Authorization").isEmpty());
        }
    }

    void goneContextGetsNoReport()
    {
        Fixture f;
        auto context = std::make_unique<QObject>();
        int reports = 0;
        f.client.getSharedProject(u"ABC"_s, context.get(), [&](const auto&) { ++reports; });
        QCOMPARE(f.client.pendingRequests(), 1);
        context.reset();
        QTRY_COMPARE(f.client.pendingRequests(), 0);

        // A client destroyed with requests in flight reports nothing and leaks nothing.
        auto client = std::make_unique<SharedProjectClient>(f.network, f.settings);
        client->getSharedProject(u"ABC"_s, nullptr, [&](const auto&) { ++reports; });
        client.reset();
        QTest::qWait(100);
        QCOMPARE(reports, 0);
    }

    // Fetching and joining is the sidebar's test; the new project is numbered 1..n in the service's order, gets a
    // new id each time and keeps the code as the user entered it.
    void joinMapping()
    {
        SharedProjectPayload found;
        found.shareCode = u"ROWCODE"_s;
        found.prompts = {{polishId, u"Polish"_s, u"p"_s}, {shortenId, u"Shorten"_s, u"s"_s}};
        const Project first = found.toLocalProject(u"team42"_s);
        QVERIFY(!first.id.isNull() && first.id != found.toLocalProject(u"team42"_s).id);
        QCOMPARE(first.shareCode, std::optional<QString>(u"team42"_s));
        QCOMPARE(first.prompts,
                 (QList<Prompt>{Prompt{polishId, 1, u"Polish"_s, u"p"_s}, Prompt{shortenId, 2, u"Shorten"_s, u"s"_s}}));
    }

    // A server copy is merged in (its texts, the local numbers and order, a new prompt after the highest number, a
    // removed one gone) and written back; local projects and unknown codes are left alone, the user's changes made
    // while the refresh runs are kept, and it never runs twice at once.
    void refreshMergesServerCopies()
    {
        Fixture f;
        const Prompt retitle = prompt(9, u"Old title"_s), added = prompt(1, u"Added"_s);
        const QString codeA = f.server.addProject(sharedPayload(u"A server"_s), ownerKey);
        const QString codeB = f.server.addProject(sharedPayload(u"B server"_s), ownerKey);
        const QString codeC = f.server.addProject(
            sharedPayload(u"C server"_s, {added, Prompt{retitle.id, 1, u"New title"_s, u"Better."_s}}),
            u"someone else"_s);
        const Project local = project(u"Mine"_s, {prompt(1, u"Y"_s)});
        const Project b = project(u"B"_s, {}, codeB);
        const Project gone = project(u"Gone"_s, {prompt(1, u"X"_s)}, u"NOPE"_s);
        const Project c = project(u"C"_s, {retitle, prompt(2, u"Removed"_s)}, codeC);
        f.settings.setBytes(SettingsKeys::userProjects,
                            Project::encodeList({local, project(u"A"_s, {}, codeA), b, c, gone}));
        AppState state(f.settings, ChatStore());
        SyncService sync(state, f.client);

        // While A's copy is on its way, the user deletes A; while B's is, the user unlinks B.
        connect(&f.server, &FakeSyncServer::called, &state, [&](const QString&, const QJsonObject& body) {
            const QString code = body.value(u"code"_s).toString();
            QList<Project> projects = state.projects();
            if (code == codeA)
                projects.removeAt(1);
            else if (code == codeB)
                projects[1].shareCode.reset();
            state.setProjects(projects);
        });
        QSignalSpy done(&sync, &SyncService::sharedProjectsRefreshed);
        sync.refreshSharedProjects();
        sync.refreshSharedProjects(); // already running: no second pass
        QVERIFY(done.wait(5000));
        QCOMPARE(done.first().first().toBool(), true);
        QCOMPARE(f.server.calls(u"get_shared_project"_s).size(), 4);
        Project unlinkedB = b;
        unlinkedB.shareCode.reset();
        Project mergedC = c;
        mergedC.name = u"C server"_s;
        mergedC.contextDescription = u"C server"_s;
        mergedC.prompts = {Prompt{retitle.id, 9, u"New title"_s, u"Better."_s},
                           Prompt{added.id, 10, u"Added"_s, u"Added this."_s}};
        QCOMPARE(state.projects(), (QList<Project>{local, unlinkedB, mergedC, gone}));
        QCOMPARE(f.stored(), state.projects());

        // A later refresh where every fetch fails reports failure and writes nothing.
        disconnect(&f.server, nullptr, &state, nullptr);
        f.server.setOverride(u"get_shared_project"_s, HttpResponse::json("{\"message\":\"down\"}", 503));
        QSignalSpy stored(&f.settings, &Settings::changed);
        sync.refreshSharedProjects();
        QVERIFY(done.wait(5000));
        QCOMPARE(done.size(), 2); // the doubled first call made no second report
        QCOMPARE(done.last().first().toBool(), false);
        QCOMPARE(stored.size(), 0);
    }
};

QTEST_MAIN(TestSync)
#include "tst_sync.moc"
