// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/Settings.h"
#include "support/FakeSyncServer.h"
#include "support/TestEnvironment.h"
#include "sync/SharedProjectClient.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QTcpServer>
#include <QtTest>

#include <memory>

Q_DECLARE_METATYPE(HttpResponse)

using namespace Qt::StringLiterals;

namespace {

const QString clientKey = u"sb_publishable_0123456789abcdefghijklmnopqrstuv"_s;
const QString ownerKey = u"0F0E0D0C-0B0A-4908-8706-050403020100"_s;

Project sampleProject(std::optional<QString> shareCode = std::nullopt)
{
    return Project{QUuid::createUuid(),
                   u"Team"_s,
                   u"🚀"_s,
                   u"We write release notes."_s,
                   {Prompt{QUuid::createUuid(), 7, u"Shorten"_s, u"Make it short."_s},
                    Prompt{QUuid::createUuid(), 2, u"Polish"_s, u"Polish \"this\"."_s}},
                   shareCode,
                   QUuid::createUuid(),
                   QUuid::createUuid()};
}

// The service's copy of a project; its wire form is checked in requestShape.
QJsonObject payloadJson()
{
    return SharedProjectPayload::uploadPayload(sampleProject());
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

// A call's outcome as one comparable text: "ok:<value>" or the error description.
QString outcomeOf(Fixture& f, const QString& function, const Project& project)
{
    const auto describe = [](const auto& r, const QString& value) {
        return !r ? u"no single report"_s : r->ok() ? u"ok:"_s + value : r->error().description();
    };
    if (function == u"get_shared_project") {
        const auto r = await<SharedProjectPayload>(
            [&](auto done) { f.client.getSharedProject(*project.shareCode, nullptr, done); });
        return describe(r, r && r->ok() ? r->value().name : QString());
    }
    if (function == u"create_shared_project") {
        const auto r =
            await<QString>([&](auto done) { f.client.createSharedProject(project, ownerKey, nullptr, done); });
        return describe(r, r && r->ok() ? r->value() : QString());
    }
    if (function == u"upsert_shared_project") {
        const auto r =
            await<std::monostate>([&](auto done) { f.client.upsertSharedProject(project, ownerKey, nullptr, done); });
        return describe(r, QString());
    }
    const auto r =
        await<bool>([&](auto done) { f.client.deleteSharedProject(*project.shareCode, ownerKey, nullptr, done); });
    return describe(r, r && r->ok() && r->value() ? u"true"_s : u"false"_s);
}

} // namespace

class TestSharedProjectClient : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void requestShape()
    {
        Fixture f;
        const QString code = f.server.addProject(payloadJson(), ownerKey);
        const Project project = sampleProject(code);
        const QList<QByteArray> functions{"get_shared_project", "create_shared_project", "upsert_shared_project",
                                          "delete_shared_project"};
        for (const QByteArray& function : functions)
            QVERIFY(outcomeOf(f, QString::fromLatin1(function), project).startsWith(u"ok:"));

        const QList<HttpRequest>& requests = f.server.http().requests();
        QCOMPARE(requests.size(), 4);
        for (qsizetype i = 0; i < requests.size(); ++i) {
            const HttpRequest& request = requests.at(i);
            QCOMPARE(request.target, "/rest/v1/rpc/" + functions.at(i));
            QCOMPARE(request.header("Content-Type"), QByteArray("application/json"));
            QCOMPARE(request.header("apikey"), clientKey.toUtf8());
            QCOMPARE(request.header("Authorization"), "Bearer " + clientKey.toUtf8());
            QVERIFY2(!request.body.contains('\n') && !request.body.contains(": "), request.body.constData());
        }

        // The upload carries the prompts in list order, ids in upper case, and nothing that stays local.
        QJsonArray prompts;
        for (const Prompt& p : project.prompts)
            prompts.append(QJsonObject{{u"id"_s, p.id.toString(QUuid::WithoutBraces).toUpper()},
                                       {u"title"_s, p.title},
                                       {u"systemPrompt"_s, p.systemPrompt}});
        const QJsonObject payload{{u"name"_s, project.name},
                                  {u"emoji"_s, project.emoji},
                                  {u"context_description"_s, project.contextDescription},
                                  {u"prompts"_s, prompts}};
        QCOMPARE(QJsonDocument::fromJson(requests.at(2).body).object(),
                 (QJsonObject{{u"p_license_key"_s, ownerKey}, {u"p_share_code"_s, code}, {u"payload"_s, payload}}));
    }

    // Not found, a 403 on create, a created code and delete's true and false are proven through the sidebar's join
    // and the prompts tab.
    void answers_data()
    {
        QTest::addColumn<QString>("function");
        QTest::addColumn<HttpResponse>("response");
        QTest::addColumn<QString>("expected"); // "ok:<value>" or the error description; a trailing "…" matches a prefix

        const QString get = u"get_shared_project"_s, create = u"create_shared_project"_s;
        const QString upsert = u"upsert_shared_project"_s, remove = u"delete_shared_project"_s;
        const auto json = [](const char* body) { return HttpResponse::json(body); };
        const QByteArray row = QJsonDocument(QJsonArray{payloadJson()}).toJson(QJsonDocument::Compact);
        const QByteArray body401 = R"({"message":"Invalid API key","hint":"Double check"})";
        QTest::newRow("get 401") << get << HttpResponse::json(body401, 401)
                                 << u"Sync error 401: "_s + QString::fromUtf8(body401);
        QTest::newRow("get 500 not UTF-8") << get << HttpResponse::text("\xff\xfe oops", 500) << u"Sync error 500: "_s;
        QTest::newRow("get missing share_code")
            << get << HttpResponse::json(row) << u"Sync decoding error: [0].share_code: …"_s;
        QTest::newRow("get bad prompt id") << get
                                           << json(R"([{"share_code":"A","name":"n","emoji":"e",)"
                                                   R"("context_description":"","prompts":[{"id":"nope",)"
                                                   R"("title":"t","systemPrompt":"s"}]}])")
                                           << u"Sync decoding error: [0].prompts[0].id…"_s;
        QTest::newRow("create number") << create << json("42")
                                       << u"Sync decoding error: Expected a string share code"_s;
        QTest::newRow("upsert false") << upsert << json("false")
                                      << u"This shared project no longer exists on the server."_s;
        QTest::newRow("upsert null") << upsert << json("null") << u"ok:"_s;
        QTest::newRow("delete null") << remove << json("null") << u"ok:false"_s;
    }

    void answers()
    {
        QFETCH(QString, function);
        QFETCH(HttpResponse, response);
        QFETCH(QString, expected);
        Fixture f;
        f.server.setOverride(function, response);
        const QString outcome = outcomeOf(f, function, sampleProject(u"K7Q2"_s));
        if (expected.endsWith(u'…'))
            QVERIFY2(outcome.startsWith(expected.chopped(1)), qPrintable(outcome));
        else
            QCOMPARE(outcome, expected);
        QCOMPARE(f.server.callCount(), 1);
    }

    // Settings and share codes that stop a call early or shape the request.
    void requestPreconditions_data()
    {
        QTest::addColumn<QString>("function");
        QTest::addColumn<QString>("baseUrl");   // "@" stands for the fake service's URL
        QTest::addColumn<QString>("shareCode"); // "-": none
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QByteArray>("target"); // empty: no request, else the one request (sent without client key)

        const QString upsert = u"upsert_shared_project"_s;
        QTest::newRow("not configured")
            << upsert << QString() << u"K"_s
            << u"Sharing is not configured: set the sync service URL (sync_base_url) in the settings."_s
            << QByteArray();
        QTest::newRow("no scheme") << upsert << u"example.org/rest/v1"_s << u"K"_s << u"Invalid sync URL."_s
                                   << QByteArray();
        QTest::newRow("upsert without share code") << upsert << u"@"_s << u"-"_s << u"ok:"_s << QByteArray();
        QTest::newRow("upsert with empty share code") << upsert << u"@"_s << QString() << u"ok:"_s << QByteArray();
        QTest::newRow("no client key, trailing slash")
            << u"delete_shared_project"_s << u"@/"_s << u"X"_s << u"ok:false"_s
            << QByteArray("/rest/v1/rpc/delete_shared_project");
    }

    void requestPreconditions()
    {
        QFETCH(QString, function);
        QFETCH(QString, baseUrl);
        QFETCH(QString, shareCode);
        QFETCH(QString, expected);
        QFETCH(QByteArray, target);
        Fixture f;
        f.settings.setString(SettingsKeys::syncBaseUrl, baseUrl.replace(u"@"_s, f.server.restBaseUrl()));
        if (!target.isEmpty()) {
            f.server.setClientKey({});
            f.settings.setString(SettingsKeys::syncClientKey, QString());
        }
        const auto code = shareCode == u"-" ? std::optional<QString>() : std::optional<QString>(shareCode);
        QCOMPARE(outcomeOf(f, function, sampleProject(code)), expected);
        const QList<HttpRequest>& requests = f.server.http().requests();
        QCOMPARE(requests.size(), target.isEmpty() ? 0 : 1);
        if (!target.isEmpty()) {
            QCOMPARE(requests.at(0).target, target);
            QVERIFY(requests.at(0).header("apikey").isEmpty() && requests.at(0).header("Authorization").isEmpty());
        }
    }

    // Timeouts, refused connections and a 200 whose body is broken in transit are transport failures, never a
    // (lenient) answer.
    void transportFailures_data()
    {
        QTest::addColumn<HttpResponse>("response");
        QTest::addColumn<bool>("closedPort");
        QTest::addColumn<int>("networkError"); // -1: whichever the network layer reports
        HttpResponse hang;
        hang.hang = true;
        QTest::newRow("timeout") << hang << false << int(QNetworkReply::TimeoutError);
        QTest::newRow("nobody listening") << HttpResponse() << true << int(QNetworkReply::ConnectionRefusedError);
        HttpResponse cut = HttpResponse::json("fal");
        cut.headers.append(std::pair<QByteArray, QByteArray>("Content-Length", "5"));
        QTest::newRow("cut short") << cut << false << -1;
    }

    void transportFailures()
    {
        QFETCH(HttpResponse, response);
        QFETCH(bool, closedPort);
        QFETCH(int, networkError);
        Fixture f;
        f.client.setTimeout(std::chrono::milliseconds(300));
        f.server.setOverride(u"upsert_shared_project"_s, response);
        if (closedPort) {
            QTcpServer probe;
            QVERIFY(probe.listen(QHostAddress::LocalHost));
            f.settings.setString(SettingsKeys::syncBaseUrl, u"http://127.0.0.1:%1/rest/v1"_s.arg(probe.serverPort()));
        }
        const auto r = await<std::monostate>(
            [&](auto done) { f.client.upsertSharedProject(sampleProject(u"K7Q2"_s), ownerKey, nullptr, done); });
        QVERIFY(r && !r->ok());
        QCOMPARE(r->error().kind(), SyncError::Kind::Network);
        if (networkError >= 0)
            QCOMPARE(int(r->error().networkError()), networkError);
        if (networkError == QNetworkReply::TimeoutError)
            QCOMPARE(r->error().description(), u"The request timed out."_s);
    }

    void goneContextGetsNoReport()
    {
        Fixture f;
        auto context = std::make_unique<QObject>();
        int reports = 0;
        f.client.getSharedProject(u"ABC"_s, context.get(), [&](const auto&) { ++reports; });
        f.client.getSharedProject(u"ABC"_s, nullptr, [&](const auto&) { reports += 10; });
        QCOMPARE(f.client.pendingRequests(), 2);
        context.reset();
        QTRY_COMPARE(f.client.pendingRequests(), 0);
        QTRY_COMPARE(reports, 10);

        // A client destroyed with requests in flight reports nothing and leaks nothing.
        auto client = std::make_unique<SharedProjectClient>(f.network, f.settings);
        client->getSharedProject(u"ABC"_s, nullptr, [&](const auto&) { ++reports; });
        client.reset();
        QTest::qWait(100);
        QCOMPARE(reports, 10);
    }

    void joinMapping()
    {
        Fixture f;
        const Project shared = sampleProject();
        f.server.addProject(SharedProjectPayload::uploadPayload(shared), ownerKey, u"TEAM42"_s);
        const auto result =
            await<SharedProjectPayload>([&](auto done) { f.client.getSharedProject(u"TEAM42"_s, nullptr, done); });
        QVERIFY(result && result->ok());
        SharedProjectPayload found = result->value();
        found.shareCode = u"ROWCODE"_s; // the code is the one the user entered, not the row's own
        const Project first = found.toLocalProject(u"team42"_s);
        QVERIFY(!first.id.isNull() && first.id != found.toLocalProject(u"team42"_s).id && first.id != shared.id);
        QCOMPARE(first.shareCode, std::optional<QString>(u"team42"_s));
        QVERIFY(!first.defaultPromptID && !first.defaultImagePromptID);
        QList<Prompt> expected = shared.prompts; // numbered 1..n in the service's order
        for (qsizetype i = 0; i < expected.size(); ++i)
            expected[i].number = i + 1;
        QCOMPARE(first.prompts, expected);
        QCOMPARE(first.contextDescription, shared.contextDescription);
    }

    void mergeIntoLocalCopy()
    {
        const QUuid a = QUuid::createUuid(), b = QUuid::createUuid(), c = QUuid::createUuid(), d = QUuid::createUuid();
        const auto p = [](QUuid id, qint64 number, const QString& title) {
            return Prompt{id, number, title, title.toLower()};
        };
        Project local = sampleProject(u"CODE"_s);
        local.prompts = {p(a, 4, u"A"_s), p(b, 9, u"B"_s), p(c, 2, u"C"_s)};
        // The server retitled B, removed A, added D, and lists D before C.
        const QList<SharedPromptPayload> prompts{{b, u"B2"_s, u"b2"_s}, {d, u"D"_s, u"d"_s}, {c, u"C"_s, u"c"_s}};
        const SharedProjectPayload server{u"CODE"_s, u"New"_s, u"🧭"_s, u"new context"_s, prompts};
        Project expected = local;
        expected.name = u"New"_s;
        expected.emoji = u"🧭"_s;
        expected.contextDescription = u"new context"_s;
        expected.prompts = {p(b, 9, u"B2"_s), p(c, 2, u"C"_s), p(d, 10, u"D"_s)};
        QCOMPARE(server.mergedInto(local), expected);

        // Nothing kept: new prompts count from 1.
        local.prompts = {p(a, 5, u"A"_s)};
        QCOMPARE(server.mergedInto(local).prompts, (QList<Prompt>{p(b, 1, u"B2"_s), p(d, 2, u"D"_s), p(c, 3, u"C"_s)}));
    }
};

QTEST_GUILESS_MAIN(TestSharedProjectClient)
#include "tst_sharedprojectclient.moc"
