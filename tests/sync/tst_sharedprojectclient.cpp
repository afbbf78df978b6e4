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

namespace {

const QString clientKey = QStringLiteral("sb_publishable_0123456789abcdefghijklmnopqrstuv");
const QString ownerKey = QStringLiteral("0F0E0D0C-0B0A-4908-8706-050403020100");

Project sampleProject(std::optional<QString> shareCode = std::nullopt)
{
    return Project{QUuid::createUuid(),
                   QStringLiteral("Team"),
                   QStringLiteral("🚀"),
                   QStringLiteral("We write release notes."),
                   {Prompt{QUuid::createUuid(), 7, QStringLiteral("Shorten"), QStringLiteral("Make it short.")},
                    Prompt{QUuid::createUuid(), 2, QStringLiteral("Polish"), QStringLiteral("Polish \"this\".")}},
                   shareCode,
                   QUuid::createUuid(),
                   QUuid::createUuid()};
}

QJsonObject payloadJson(int promptCount)
{
    QJsonArray prompts;
    for (int i = 0; i < promptCount; ++i) {
        prompts.append(QJsonObject{{QStringLiteral("id"), QUuid::createUuid().toString(QUuid::WithoutBraces)},
                                   {QStringLiteral("title"), QStringLiteral("Prompt %1").arg(i)},
                                   {QStringLiteral("systemPrompt"), QStringLiteral("Do %1.").arg(i)}});
    }
    return QJsonObject{{QStringLiteral("name"), QStringLiteral("Shared")},
                       {QStringLiteral("emoji"), QStringLiteral("🧪")},
                       {QStringLiteral("context_description"), QStringLiteral("Lab notes")},
                       {QStringLiteral("prompts"), prompts}};
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
        return !r        ? QStringLiteral("no single report")
               : r->ok() ? QStringLiteral("ok:") + value
                         : r->error().description();
    };
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
    return describe(r, r && r->ok() && r->value() ? QStringLiteral("true") : QStringLiteral("false"));
}

} // namespace

class TestSharedProjectClient : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void requestShape()
    {
        Fixture f;
        const QString code = f.server.addProject(payloadJson(1), ownerKey);
        const Project project = sampleProject(code);
        QVERIFY(await<SharedProjectPayload>([&](auto done) { f.client.getSharedProject(code, nullptr, done); }));
        for (const char* function : {"create_shared_project", "upsert_shared_project", "delete_shared_project"})
            QVERIFY(outcomeOf(f, QLatin1StringView(function), project).startsWith(u"ok:"));

        const QList<HttpRequest>& requests = f.server.http().requests();
        QCOMPARE(requests.size(), 4);
        const QList<QByteArray> functions{"get_shared_project", "create_shared_project", "upsert_shared_project",
                                          "delete_shared_project"};
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
            prompts.append(QJsonObject{{QStringLiteral("id"), p.id.toString(QUuid::WithoutBraces).toUpper()},
                                       {QStringLiteral("title"), p.title},
                                       {QStringLiteral("systemPrompt"), p.systemPrompt}});
        const QJsonObject payload{{QStringLiteral("name"), project.name},
                                  {QStringLiteral("emoji"), project.emoji},
                                  {QStringLiteral("context_description"), project.contextDescription},
                                  {QStringLiteral("prompts"), prompts}};
        const auto bodyOf = [&](int i) { return QJsonDocument::fromJson(requests.at(i).body).object(); };
        QCOMPARE(bodyOf(0), (QJsonObject{{QStringLiteral("code"), code}}));
        QCOMPARE(bodyOf(1),
                 (QJsonObject{{QStringLiteral("p_license_key"), ownerKey}, {QStringLiteral("payload"), payload}}));
        QCOMPARE(bodyOf(2), (QJsonObject{{QStringLiteral("p_license_key"), ownerKey},
                                         {QStringLiteral("p_share_code"), code},
                                         {QStringLiteral("payload"), payload}}));
        QCOMPARE(bodyOf(3),
                 (QJsonObject{{QStringLiteral("p_share_code"), code}, {QStringLiteral("p_license_key"), ownerKey}}));
    }

    void requestWithoutClientKeyOrWithSlash()
    {
        Fixture f;
        f.server.setClientKey({});
        f.settings.setString(SettingsKeys::syncClientKey, QString());
        f.settings.setString(SettingsKeys::syncBaseUrl, f.server.restBaseUrl() + QStringLiteral("/"));
        QVERIFY(outcomeOf(f, QStringLiteral("delete_shared_project"), sampleProject(QStringLiteral("X")))
                    .startsWith(u"ok:"));
        const HttpRequest& request = f.server.http().requests().at(0);
        QCOMPARE(request.target, QByteArray("/rest/v1/rpc/delete_shared_project"));
        QVERIFY(request.header("apikey").isEmpty());
        QVERIFY(request.header("Authorization").isEmpty());
    }

    void getAnswers_data()
    {
        QTest::addColumn<HttpResponse>("response");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("description");

        const QByteArray row = QJsonDocument(QJsonArray{payloadJson(2)}).toJson(QJsonDocument::Compact);
        QTest::newRow("empty array") << HttpResponse::json("[]") << int(SyncError::Kind::NotFound)
                                     << QStringLiteral("No shared project found with that code.");
        const QByteArray body401 = R"({"message":"Invalid API key","hint":"Double check"})";
        QTest::newRow("401") << HttpResponse::json(body401, 401) << int(SyncError::Kind::HttpError)
                             << QStringLiteral("Sync error 401: ") + QString::fromUtf8(body401);
        QTest::newRow("500 not UTF-8") << HttpResponse::text("\xff\xfe oops", 500) << int(SyncError::Kind::HttpError)
                                       << QStringLiteral("Sync error 500: ");
        QTest::newRow("missing share_code") << HttpResponse::json(row) << int(SyncError::Kind::DecodingError)
                                            << QStringLiteral("Sync decoding error: [0].share_code: ");
        QTest::newRow("bad prompt id") << HttpResponse::json(R"([{"share_code":"A","name":"n","emoji":"e",)"
                                                             R"("context_description":"","prompts":[{"id":"nope",)"
                                                             R"("title":"t","systemPrompt":"s"}]}])")
                                       << int(SyncError::Kind::DecodingError)
                                       << QStringLiteral("Sync decoding error: [0].prompts[0].id");
    }

    void getAnswers()
    {
        QFETCH(HttpResponse, response);
        QFETCH(int, kind);
        QFETCH(QString, description);
        Fixture f;
        f.server.setOverride(QStringLiteral("get_shared_project"), response);
        const auto result = await<SharedProjectPayload>(
            [&](auto done) { f.client.getSharedProject(QStringLiteral("ABC"), nullptr, done); });
        QVERIFY(result);
        QVERIFY(!result->ok());
        QCOMPARE(int(result->error().kind()), kind);
        if (kind == int(SyncError::Kind::DecodingError))
            QVERIFY2(result->error().description().startsWith(description), qPrintable(result->error().description()));
        else
            QCOMPARE(result->error().description(), description);
    }

    void scalarAnswers_data()
    {
        QTest::addColumn<QString>("function");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("expected"); // "ok:<value>" or the error description

        const QString create = QStringLiteral("create_shared_project");
        const QString upsert = QStringLiteral("upsert_shared_project");
        const QString remove = QStringLiteral("delete_shared_project");
        const QString noCode = QStringLiteral("Sync decoding error: Expected a string share code");
        QTest::newRow("create string") << create << QByteArray("\"K7Q2\"") << QStringLiteral("ok:K7Q2");
        QTest::newRow("create number") << create << QByteArray("42") << noCode;
        QTest::newRow("upsert true") << upsert << QByteArray("true") << QStringLiteral("ok:");
        QTest::newRow("upsert false") << upsert << QByteArray("false")
                                      << QStringLiteral("This shared project no longer exists on the server.");
        QTest::newRow("upsert null") << upsert << QByteArray("null") << QStringLiteral("ok:");
        QTest::newRow("delete true") << remove << QByteArray("true") << QStringLiteral("ok:true");
        QTest::newRow("delete false") << remove << QByteArray("false") << QStringLiteral("ok:false");
        QTest::newRow("delete null") << remove << QByteArray("null") << QStringLiteral("ok:false");
    }

    void scalarAnswers()
    {
        QFETCH(QString, function);
        QFETCH(QByteArray, body);
        QFETCH(QString, expected);
        Fixture f;
        f.server.setOverride(function, HttpResponse::json(body));
        QCOMPARE(outcomeOf(f, function, sampleProject(QStringLiteral("K7Q2"))), expected);
        QCOMPARE(f.server.callCount(), 1);
    }

    void upsertWithoutShareCodeSendsNothing()
    {
        Fixture f;
        for (const std::optional<QString>& code : {std::optional<QString>(), std::optional<QString>(QString())})
            QCOMPARE(outcomeOf(f, QStringLiteral("upsert_shared_project"), sampleProject(code)), QStringLiteral("ok:"));
        QCOMPARE(f.server.http().requests().size(), 0);
    }

    void failuresBeforeAnyRequest_data()
    {
        QTest::addColumn<QString>("baseUrl");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("description");
        QTest::newRow("not configured") << QString() << int(SyncError::Kind::NotConfigured)
                                        << QStringLiteral("Sharing is not configured: set the sync service URL "
                                                          "(sync_base_url) in the settings.");
        QTest::newRow("no scheme") << QStringLiteral("example.org/rest/v1") << int(SyncError::Kind::InvalidURL)
                                   << QStringLiteral("Invalid sync URL.");
    }

    void failuresBeforeAnyRequest()
    {
        QFETCH(QString, baseUrl);
        QFETCH(int, kind);
        QFETCH(QString, description);
        Fixture f;
        f.settings.setString(SettingsKeys::syncBaseUrl, baseUrl);
        const auto result = await<SharedProjectPayload>(
            [&](auto done) { f.client.getSharedProject(QStringLiteral("ABC"), nullptr, done); });
        QVERIFY(result && !result->ok());
        QCOMPARE(int(result->error().kind()), kind);
        if (!description.isEmpty())
            QCOMPARE(result->error().description(), description);
        QCOMPARE(f.server.http().requests().size(), 0);
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
        HttpResponse badGzip = HttpResponse::json("not gzip data at all");
        badGzip.headers.append(std::pair<QByteArray, QByteArray>("Content-Encoding", "gzip"));
        QTest::newRow("bad gzip") << badGzip << false << -1;
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
        f.server.setOverride(QStringLiteral("upsert_shared_project"), response);
        if (closedPort) {
            QTcpServer probe;
            QVERIFY(probe.listen(QHostAddress::LocalHost));
            f.settings.setString(SettingsKeys::syncBaseUrl,
                                 QStringLiteral("http://127.0.0.1:%1/rest/v1").arg(probe.serverPort()));
        }
        const auto r = await<std::monostate>([&](auto done) {
            f.client.upsertSharedProject(sampleProject(QStringLiteral("K7Q2")), ownerKey, nullptr, done);
        });
        QVERIFY(r && !r->ok());
        QCOMPARE(r->error().kind(), SyncError::Kind::Network);
        if (networkError >= 0)
            QCOMPARE(int(r->error().networkError()), networkError);
        if (networkError == QNetworkReply::TimeoutError)
            QCOMPARE(r->error().description(), QStringLiteral("The request timed out."));
    }

    void goneContextGetsNoReport()
    {
        Fixture f;
        auto context = std::make_unique<QObject>();
        int reports = 0;
        f.client.getSharedProject(QStringLiteral("ABC"), context.get(), [&](const auto&) { ++reports; });
        f.client.getSharedProject(QStringLiteral("ABC"), nullptr, [&](const auto&) { reports += 10; });
        QCOMPARE(f.client.pendingRequests(), 2);
        context.reset();
        QTRY_COMPARE(f.client.pendingRequests(), 0);
        QTRY_COMPARE(reports, 10);

        // A client destroyed with requests in flight reports nothing and leaks nothing.
        auto client = std::make_unique<SharedProjectClient>(f.network, f.settings);
        client->getSharedProject(QStringLiteral("ABC"), nullptr, [&](const auto&) { ++reports; });
        client.reset();
        QTest::qWait(100);
        QCOMPARE(reports, 10);
    }

    void joinMapping()
    {
        Fixture f;
        const QJsonObject payload = payloadJson(3);
        f.server.addProject(payload, ownerKey, QStringLiteral("TEAM42"));
        const auto result = await<SharedProjectPayload>(
            [&](auto done) { f.client.getSharedProject(QStringLiteral("TEAM42"), nullptr, done); });
        QVERIFY(result && result->ok());
        SharedProjectPayload found = result->value();
        found.shareCode = QStringLiteral("ROWCODE"); // the code is the one the user entered, not the row's own
        const Project first = found.toLocalProject(QStringLiteral("team42"));
        QVERIFY(!first.id.isNull() && first.id != found.toLocalProject(QStringLiteral("team42")).id);
        QCOMPARE(first.shareCode, std::optional<QString>(QStringLiteral("team42")));
        QVERIFY(!first.defaultPromptID && !first.defaultImagePromptID);
        const QJsonArray prompts = payload.value(QStringLiteral("prompts")).toArray();
        QCOMPARE(first.prompts.size(), 3);
        for (qsizetype i = 0; i < 3; ++i) {
            const QJsonObject wire = prompts.at(i).toObject();
            QCOMPARE(first.prompts.at(i), (Prompt{QUuid::fromString(wire.value(QStringLiteral("id")).toString()), i + 1,
                                                  wire.value(QStringLiteral("title")).toString(),
                                                  wire.value(QStringLiteral("systemPrompt")).toString()}));
        }
    }

    void mergeIntoLocalCopy()
    {
        const QUuid a = QUuid::createUuid(), b = QUuid::createUuid(), c = QUuid::createUuid(), d = QUuid::createUuid();
        Project local{QUuid::createUuid(),
                      QStringLiteral("Old"),
                      QStringLiteral("📁"),
                      QStringLiteral("old context"),
                      {Prompt{a, 4, QStringLiteral("A"), QStringLiteral("a")},
                       Prompt{b, 9, QStringLiteral("B"), QStringLiteral("b")},
                       Prompt{c, 2, QStringLiteral("C"), QStringLiteral("c")}},
                      QStringLiteral("CODE"),
                      b,
                      std::nullopt};
        // The server retitled B, removed A, added D, and lists D before C.
        const SharedProjectPayload server{QStringLiteral("CODE"),
                                          QStringLiteral("New"),
                                          QStringLiteral("🧭"),
                                          QStringLiteral("new context"),
                                          {SharedPromptPayload{b, QStringLiteral("B2"), QStringLiteral("b2")},
                                           SharedPromptPayload{d, QStringLiteral("D"), QStringLiteral("d")},
                                           SharedPromptPayload{c, QStringLiteral("C"), QStringLiteral("c")}}};
        Project expected = local;
        expected.name = QStringLiteral("New");
        expected.emoji = QStringLiteral("🧭");
        expected.contextDescription = QStringLiteral("new context");
        expected.prompts = {Prompt{b, 9, QStringLiteral("B2"), QStringLiteral("b2")},
                            Prompt{c, 2, QStringLiteral("C"), QStringLiteral("c")},
                            Prompt{d, 10, QStringLiteral("D"), QStringLiteral("d")}};
        QCOMPARE(server.mergedInto(local), expected);

        // Nothing kept: new prompts count from 1.
        local.prompts = {Prompt{a, 5, QStringLiteral("A"), QStringLiteral("a")}};
        const Project fresh = server.mergedInto(local);
        QCOMPARE(fresh.prompts.at(0).number, 1);
        QCOMPARE(fresh.prompts.at(2).number, 3);
    }
};

QTEST_GUILESS_MAIN(TestSharedProjectClient)
#include "tst_sharedprojectclient.moc"
