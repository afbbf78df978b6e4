// SPDX-License-Identifier: GPL-3.0-or-later
// vantro-sync on a real PostgreSQL cluster: the answers a REST client gets, the database functions' limits and what a
// dump or a hosted REST role can see, recovery when the database restarts, migrations applied once, and Vantro's own
// sync client against it.
#include "SyncDatabase.h"
#include "SyncFront.h"
#include "model/AppState.h"
#include "model/ChatStore.h"
#include "model/Project.h"
#include "model/Settings.h"
#include "support/PostgresCluster.h"
#include "support/TestEnvironment.h"
#include "sync/SharedProjectClient.h"
#include "sync/SyncService.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtConcurrent>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

const QString clientKey = u"client-"_s + QUuid::createUuid().toString(QUuid::Id128);

QString quoted(const QString& text)
{
    return u"'"_s + QString(text).replace(u"'"_s, u"''"_s) + u"'"_s;
}

QJsonObject prompt(const QString& title)
{
    return {{u"id"_s, QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper()},
            {u"title"_s, title},
            {u"systemPrompt"_s, QString(u"Do "_s + title + u"."_s)}};
}

QJsonObject payload(const QString& name, const QJsonArray& prompts = {prompt(u"A"_s), prompt(u"B"_s)})
{
    return {{u"name"_s, name},
            {u"emoji"_s, u"🛰️"_s},
            {u"context_description"_s, u"Our team."_s},
            {u"prompts"_s, prompts}};
}

QString json(const QJsonObject& object)
{
    return quoted(QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)));
}

const QByteArray projectBody = "{\"p_license_key\":\"owner\",\"payload\":{\"name\":\"Team\",\"emoji\":\"x\",\"context_"
                               "description\":\"\",\"prompts\":[]}}";

} // namespace

class TestSyncFront : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<PostgresCluster> m_db;
    std::unique_ptr<SyncFront> m_front;
    QNetworkAccessManager m_network;

    struct Answer
    {
        int status = 0;
        QByteArray body;
    };

    QNetworkReply* start(const QByteArray& method, const QString& path, const QByteArray& body = {},
                         const QByteArray& key = clientKey.toUtf8(), quint16 port = 0)
    {
        QNetworkRequest request(QUrl(u"http://127.0.0.1:"_s + QString::number(port ? port : m_front->port()) + path));
        request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
        if (!key.isEmpty()) {
            request.setRawHeader("apikey", key);
            request.setRawHeader("Authorization", "Bearer " + key);
        }
        return m_network.sendCustomRequest(request, method, body);
    }

    Answer send(const QByteArray& method, const QString& path, const QByteArray& body = {},
                const QByteArray& key = clientKey.toUtf8(), quint16 port = 0)
    {
        QNetworkReply* reply = start(method, path, body, key, port);
        QSignalSpy done(reply, &QNetworkReply::finished);
        done.wait(10000);
        reply->deleteLater();
        return {reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), reply->readAll()};
    }

    QString m_shared; // a project "owner" shares, made once

    // One of the database functions, called directly on SQL literals.
    PostgresCluster::Result fn(const QString& name, const QStringList& arguments) const
    {
        return m_db->sql(u"SELECT "_s + name + u"("_s + arguments.join(u", "_s) + u")"_s);
    }

    QString create(const QJsonObject& project, const QString& owner) const
    {
        return fn(u"create_shared_project"_s, {quoted(owner), json(project)}).output;
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_env = std::make_unique<TestEnvironment>();
        m_db = std::make_unique<PostgresCluster>();
        QVERIFY2(m_db->isRunning(), qPrintable(m_db->error()));
        // The role a hosted database's REST front calls as; the migration grants it the functions only.
        QVERIFY(m_db->sql(u"CREATE ROLE anon NOLOGIN"_s).ok);
        // Two fronts starting at once: each finds the migrations applied once, by one of them.
        QFuture<SyncDatabase::Result> first = QtConcurrent::run(&SyncDatabase::migrate, m_db->conninfo());
        const SyncDatabase::Result second = SyncDatabase::migrate(m_db->conninfo());
        QVERIFY2(second.ok && first.result().ok, qPrintable(second.message + first.result().message));
        QCOMPARE(m_db->sql(u"SELECT count(*) FROM vantro_sync_migrations"_s).output, u"1"_s);
        m_front =
            std::make_unique<SyncFront>(SyncFront::Options{m_db->conninfo(), QHostAddress::LocalHost, 0, clientKey, 2});
        QVERIFY(m_front->listen());
        m_shared =
            QJsonDocument::fromJson("[" + send("POST", u"/rest/v1/rpc/create_shared_project"_s, projectBody).body + "]")
                .array()
                .first()
                .toString();
        QVERIFY(!m_shared.isEmpty());
    }

    void cleanupTestCase()
    {
        m_front.reset();
        m_db.reset();
    }

    void answers_data()
    {
        QTest::addColumn<QByteArray>("method");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<int>("status");
        const auto row = [](const char* name, const QString& function, const QByteArray& body, int status,
                            const QByteArray& key = clientKey.toUtf8(), const QByteArray& method = "POST") {
            QTest::newRow(name) << method << u"/rest/v1/rpc/"_s + function << body << key << status;
        };
        const QString get = u"get_shared_project"_s;
        row("found nothing", get, "{\"code\":\"NONE\"}", 200);
        row("wrong key", get, "{\"code\":\"A\"}", 401, "x");
        row("unknown function", u"drop_everything"_s, "{}", 404);
        row("GET on a function", get, QByteArray(), 405, clientKey.toUtf8(), "GET");
        row("malformed JSON", get, "{\"code\":", 400);
        row("missing parameter", get, "{}", 400);
        row("bad payload", u"create_shared_project"_s, "{\"p_license_key\":\"o\",\"payload\":{\"name\":1}}", 400);
        // Another key's edit is refused as a REST front refuses it; the owner's is the two-people test's.
        row("another key's edit", u"upsert_shared_project"_s,
            "{\"p_share_code\":\"" + m_shared.toUtf8() + "\",\"p_license_key\":\"thief\",\"payload\":" +
                QJsonDocument(payload(u"New"_s)).toJson(QJsonDocument::Compact) + '}',
            403);
    }

    void answers()
    {
        QFETCH(QByteArray, method);
        QFETCH(QString, path);
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, key);
        QFETCH(int, status);
        const Answer answer = send(method, path, body, key);
        QCOMPARE(answer.status, status);
        if (status != 200)
            QVERIFY2(QJsonDocument::fromJson(answer.body).object().contains(u"message"_s), answer.body.constData());
    }

    // What arrives on the socket is untrusted: each broken request gets its refusal, and two requests sent at once
    // get two answers in order.
    void rawRequests_data()
    {
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<QList<QByteArray>>("statusLines");
        const QByteArray health = "GET /health HTTP/1.1\r\nHost: x\r\n\r\n";
        QTest::newRow("two at once") << health + "GET /nowhere HTTP/1.1\r\nHost: x\r\n\r\n"
                                     << QList<QByteArray>{"HTTP/1.1 200 ", "HTTP/1.1 404 "};
        QTest::newRow("over 1 MiB announced")
            << QByteArray("POST /rest/v1/rpc/get_shared_project HTTP/1.1\r\nContent-Length: 1048577\r\n\r\n")
            << QList<QByteArray>{"HTTP/1.1 413 "};
        QTest::newRow("chunked") << QByteArray("POST /health HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n")
                                 << QList<QByteArray>{"HTTP/1.1 411 "};
        QTest::newRow("not HTTP") << QByteArray("HELLO\r\n\r\n") << QList<QByteArray>{"HTTP/1.1 400 "};
        QTest::newRow("negative length") << QByteArray("POST /health HTTP/1.1\r\nContent-Length: -5\r\n\r\n")
                                         << QList<QByteArray>{"HTTP/1.1 400 "};
        QTest::newRow("endless head") << QByteArray("GET /health HTTP/1.1\r\nX: ") + QByteArray(20000, 'a')
                                      << QList<QByteArray>{"HTTP/1.1 431 "};
    }

    void rawRequests()
    {
        QFETCH(QByteArray, sent);
        QFETCH(QList<QByteArray>, statusLines);
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, m_front->port());
        QVERIFY(socket.waitForConnected(5000));
        socket.write(sent);
        QByteArray received;
        QTRY_VERIFY_WITH_TIMEOUT(
            (received += socket.readAll()).count("HTTP/1.1 ") == statusLines.size() && received.endsWith("}"), 5000);
        qsizetype at = 0;
        for (const QByteArray& line : statusLines) {
            at = received.indexOf(line, at);
            QVERIFY2(at >= 0, received.constData());
        }
    }

    // What the two-people walk does not meet: the code's form, an edit or delete by another key or of an unknown
    // code, which changes nothing, and the owner's delete.
    void refusedChanges()
    {
        const QString code = create(payload(u"Team"_s), u"owner"_s);
        QVERIFY2(QRegularExpression(u"^[2-9A-HJKMNP-Z]{12}$"_s).match(code).hasMatch(), qPrintable(code));
        const QString owner = quoted(u"owner"_s);
        const QString upsert = u"upsert_shared_project"_s, remove = u"delete_shared_project"_s;
        QCOMPARE(fn(upsert, {u"'NOSUCHCODE23'"_s, owner, json(payload(u"Renamed"_s))}).output, u"f"_s);
        QCOMPARE(fn(remove, {quoted(code), u"'someone-else'"_s}).output, u"f"_s);
        QCOMPARE(fn(remove, {u"'NOSUCHCODE23'"_s, owner}).output, u"f"_s);
        QCOMPARE(fn(remove, {quoted(code), owner}).output, u"t"_s);
    }

    // Bad input is refused with a class 22 error naming what is wrong, and nothing is stored.
    void badPayloads_data()
    {
        QTest::addColumn<QString>("payload");
        QTest::addColumn<QString>("owner");
        QTest::addColumn<QString>("sqlState");
        QJsonObject noName = payload(u"x"_s);
        noName.remove(u"name"_s);
        QJsonObject badId = payload(
            u"x"_s, {QJsonObject{{u"id"_s, u"1; DROP TABLE x"_s}, {u"title"_s, u"t"_s}, {u"systemPrompt"_s, u"s"_s}}});
        QJsonArray many;
        for (int i = 0; i < 501; ++i)
            many.append(prompt(u"P"_s));
        QJsonObject huge = payload(u"x"_s, {prompt(u"big"_s)});
        huge.insert(u"context_description"_s, QString(270 * 1024, u'a'));
        QTest::newRow("missing name") << json(noName) << u"o"_s << u"22023"_s;
        QTest::newRow("prompt id not a UUID") << json(badId) << u"o"_s << u"22P02"_s;
        QTest::newRow("name over 200") << json(payload(QString(201, u'n'))) << u"o"_s << u"22001"_s;
        QTest::newRow("501 prompts") << json(payload(u"x"_s, many)) << u"o"_s << u"22023"_s;
        QTest::newRow("over 256 KiB") << json(huge) << u"o"_s << u"22001"_s;
        QTest::newRow("no owner key") << json(payload(u"x"_s)) << QString() << u"22023"_s;
    }

    void badPayloads()
    {
        QFETCH(QString, payload);
        QFETCH(QString, owner);
        QFETCH(QString, sqlState);
        const QString count = u"SELECT count(*) FROM vantro_sync.shared_projects"_s, before = m_db->sql(count).output;
        QCOMPARE(fn(u"create_shared_project"_s, {quoted(owner), payload}).sqlState, sqlState);
        QCOMPARE(m_db->sql(count).output, before);
    }

    // One owner key shares at most 100 projects; another key is not affected.
    void projectsPerOwner()
    {
        const QString owner = quoted(u"prolific"_s);
        const QString small = json(payload(u"p"_s, {}));
        QCOMPARE(m_db->sql(u"SELECT count(create_shared_project("_s + owner + u", "_s + small +
                           u")) FROM generate_series(1, 100)"_s)
                     .output,
                 u"100"_s);
        QCOMPARE(fn(u"create_shared_project"_s, {owner, small}).sqlState, u"23514"_s);
        QVERIFY(!create(payload(u"p"_s, {}), u"modest"_s).isEmpty());
    }

    // A dump holds no owner key, and the REST role reaches the data only through the functions.
    void nothingLeaks()
    {
        const QString owner = u"owner-"_s + QUuid::createUuid().toString(QUuid::Id128);
        const QString code = create(payload(u"Secret team"_s), owner);
        QVERIFY(!code.isEmpty());
        const QString dump = m_db->dump();
        QVERIFY(dump.contains(u"Secret team"_s));
        QVERIFY(!dump.contains(owner));

        QCOMPARE(m_db->sql(u"SELECT count(*) FROM vantro_sync.shared_projects"_s, u"anon"_s).sqlState, u"42501"_s);
        const PostgresCluster::Result viaFunction =
            m_db->sql(u"SELECT get_shared_project("_s + quoted(code) + u")"_s, u"anon"_s);
        QVERIFY2(viaFunction.output.contains(u"Secret team"_s), qPrintable(viaFunction.sqlState));
    }

    // The front says when the database is gone and serves again by itself when it is back, losing nothing.
    void databaseRestart()
    {
        QVERIFY(m_db->stop());
        QCOMPARE(send("GET", u"/health"_s).status, 503);
        QCOMPARE(send("POST", u"/rest/v1/rpc/get_shared_project"_s, "{\"code\":\"A\"}").status, 503);
        QVERIFY(m_db->start());
        const Answer found =
            send("POST", u"/rest/v1/rpc/get_shared_project"_s, "{\"code\":\"" + m_shared.toUtf8() + "\"}");
        QVERIFY2(found.body.contains(m_shared.toUtf8()), found.body.constData());
    }

    // Clients that send half a request and wait, and more requests at once than the front has database
    // connections (two): the slow ones hold nothing up, the many are all answered, none is dropped.
    void slowClientsAndAFullPool()
    {
        std::vector<std::unique_ptr<QTcpSocket>> slow;
        for (int i = 0; i < 40; ++i) {
            slow.push_back(std::make_unique<QTcpSocket>());
            slow.back()->connectToHost(QHostAddress::LocalHost, m_front->port());
            QVERIFY(slow.back()->waitForConnected(5000));
            slow.back()->write("POST /rest/v1/rpc/get_shared_project HTTP/1.1\r\nContent-Length: 100\r\n\r\n{");
            slow.back()->flush();
        }
        const QByteArray body = "{\"code\":\"" + m_shared.toUtf8() + "\"}";
        QList<QNetworkReply*> replies;
        for (int i = 0; i < 12; ++i)
            replies.append(start("POST", u"/rest/v1/rpc/get_shared_project"_s, body));
        for (QNetworkReply* reply : std::as_const(replies)) {
            QTRY_VERIFY_WITH_TIMEOUT(reply->isFinished(), 10000);
            QCOMPARE(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 200);
            QVERIFY(reply->readAll().contains(m_shared.toUtf8()));
            reply->deleteLater();
        }
    }

    // Two people with Vantro, each on their own front: the owner shares, a colleague joins by code (the connection
    // check asks the same function), and the owner's edit reaches the colleague's refresh. The owner's delete is
    // refusedChanges'.
    void twoPeopleShare()
    {
        SyncFront second({m_db->conninfo(), QHostAddress::LocalHost, 0, clientKey, 1});
        QVERIFY(second.listen());
        Settings settings, colleagueSettings(m_env->root() + u"/colleague.ini"_s); // two computers
        for (const auto& [s, port] : {std::pair{&settings, m_front->port()}, {&colleagueSettings, second.port()}}) {
            s->setString(SettingsKeys::syncBaseUrl, u"http://127.0.0.1:"_s + QString::number(port) + u"/rest/v1"_s);
            s->setString(SettingsKeys::syncClientKey, clientKey);
        }
        SharedProjectClient client(m_network, settings), colleagueClient(m_network, colleagueSettings);
        AppState owner(settings, ChatStore(), nullptr);
        AppState colleague(colleagueSettings, ChatStore(), nullptr);
        SyncService ownerSync(owner, client);
        SyncService colleagueSync(colleague, colleagueClient);
        const QString ownerKey = u"owner-of-team"_s;

        Project team = defaultProject();
        team.name = u"Team prompts"_s;
        std::optional<SyncResult<QString>> shared;
        ownerSync.share(team, ownerKey, this, [&](const auto& r) { shared = r; });
        QTRY_VERIFY(shared);
        QVERIFY2(shared->ok(), qPrintable(shared->ok() ? QString() : shared->error().description()));
        team.shareCode = shared->value();
        owner.replaceProjects({team}, ownerKey);

        std::optional<SyncResult<SharedProjectPayload>> joined;
        colleagueSync.join(u" "_s + shared->value().toLower() + u" "_s, this, [&](const auto& r) { joined = r; });
        QTRY_VERIFY(joined);
        QVERIFY2(joined->ok(), qPrintable(joined->ok() ? QString() : joined->error().description()));
        colleague.replaceProjects({joined->value().toLocalProject(shared->value())});

        // The owner renames a prompt; the edit is pushed as it is stored.
        team.prompts[0].title = u"Translate for the team"_s;
        owner.replaceProjects({team}, ownerKey);
        QTRY_VERIFY(
            send("POST", u"/rest/v1/rpc/get_shared_project"_s, "{\"code\":\"" + team.shareCode->toUtf8() + "\"}")
                .body.contains("Translate for the team"));
        QSignalSpy refreshed(&colleagueSync, &SyncService::sharedProjectsRefreshed);
        colleagueSync.refreshSharedProjects();
        QTRY_COMPARE(refreshed.size(), 1);
        QCOMPARE(colleague.projects().first().prompts.first().title, u"Translate for the team"_s);
    }

    // The program itself: settings from the environment, migrations only, and serving until it is stopped.
    void theProgram()
    {
        QProcess program;
        program.setProcessChannelMode(QProcess::MergedChannels);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"VANTRO_SYNC_DATABASE"_s, m_db->conninfo());
        environment.insert(u"VANTRO_SYNC_CLIENT_KEY"_s, clientKey);
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(VANTRO_SYNC_BINARY), {u"--migrate-only"_s});
        QVERIFY(program.waitForFinished(30000));
        QCOMPARE(program.exitCode(), 0);

        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        const quint16 port = probe.serverPort();
        probe.close();
        program.start(QStringLiteral(VANTRO_SYNC_BINARY), {u"--listen"_s, u"127.0.0.1:"_s + QString::number(port)});
        QVERIFY(program.waitForStarted());
        // The key goes along, so a log line that told the request's headers would show it.
        QTRY_COMPARE_WITH_TIMEOUT(send("GET", u"/health"_s, {}, clientKey.toUtf8(), port).status, 200, 10000);
        program.terminate(); // as systemd stops it
        QVERIFY(program.waitForFinished(10000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        const QByteArray log = program.readAll();
        QVERIFY2(log.contains("GET /health 200"), log.constData());
        QVERIFY(!log.contains(clientKey.toUtf8()));
    }
};

QTEST_GUILESS_MAIN(TestSyncFront)
#include "tst_syncfront.moc"
