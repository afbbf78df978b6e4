// SPDX-License-Identifier: GPL-3.0-or-later
// vantro-sync's front on a real PostgreSQL cluster: the answers a REST client gets, recovery when the database
// restarts, migrations applied once, and Vantro's own sync client against it.
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
#include <QTcpServer>
#include <QTcpSocket>
#include <QtConcurrent>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

const QString clientKey = u"client-"_s + QUuid::createUuid().toString(QUuid::Id128);

// What went wrong, for a failed check's message; empty when nothing did.
template <typename T> QString problem(const SyncResult<T>& result)
{
    return result.ok() ? QString() : result.error().description();
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

    Answer send(const QByteArray& method, const QString& path, const QByteArray& body = {},
                const QByteArray& key = clientKey.toUtf8(), quint16 port = 0)
    {
        QNetworkRequest request(QUrl(u"http://127.0.0.1:"_s + QString::number(port ? port : m_front->port()) + path));
        request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
        if (!key.isEmpty()) {
            request.setRawHeader("apikey", key);
            request.setRawHeader("Authorization", "Bearer " + key);
        }
        QNetworkReply* reply = m_network.sendCustomRequest(request, method, body);
        QSignalSpy done(reply, &QNetworkReply::finished);
        done.wait(10000);
        reply->deleteLater();
        return {reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), reply->readAll()};
    }

    QString m_shared; // a project "owner" shares, made once

private Q_SLOTS:
    void initTestCase()
    {
        m_env = std::make_unique<TestEnvironment>();
        m_db = std::make_unique<PostgresCluster>();
        QVERIFY2(m_db->isRunning(), qPrintable(m_db->error()));
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
        const QString get = u"/rest/v1/rpc/get_shared_project"_s;
        const QByteArray key = clientKey.toUtf8();
        QTest::newRow("found nothing") << QByteArray("POST") << get << QByteArray("{\"code\":\"NONE\"}") << key << 200;
        QTest::newRow("no key") << QByteArray("POST") << get << QByteArray("{\"code\":\"A\"}") << QByteArray() << 401;
        QTest::newRow("wrong key") << QByteArray("POST") << get << QByteArray("{\"code\":\"A\"}") << QByteArray("x")
                                   << 401;
        QTest::newRow("unknown function")
            << QByteArray("POST") << u"/rest/v1/rpc/drop_everything"_s << QByteArray("{}") << key << 404;
        QTest::newRow("GET on a function") << QByteArray("GET") << get << QByteArray() << key << 405;
        QTest::newRow("malformed JSON") << QByteArray("POST") << get << QByteArray("{\"code\":") << key << 400;
        QTest::newRow("missing parameter") << QByteArray("POST") << get << QByteArray("{}") << key << 400;
        QTest::newRow("bad payload") << QByteArray("POST") << u"/rest/v1/rpc/create_shared_project"_s
                                     << QByteArray("{\"p_license_key\":\"o\",\"payload\":{\"name\":1}}") << key << 400;
        // Another key's edit is refused as a REST front refuses it; the owner's is the two-people test's.
        QTest::newRow("another key's edit") << QByteArray("POST") << u"/rest/v1/rpc/upsert_shared_project"_s
                                            << "{\"p_share_code\":\"" + m_shared.toUtf8() +
                                                   "\",\"p_license_key\":\"thief\",\"payload\":{\"name\":\"New\","
                                                   "\"emoji\":\"x\",\"context_description\":\"\",\"prompts\":[]}}"
                                            << key << 403;
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

    // The front says when the database is gone and serves again by itself when it is back, losing nothing.
    void databaseRestart()
    {
        QCOMPARE(send("GET", u"/health"_s).status, 200);
        QVERIFY(m_db->stop());
        QCOMPARE(send("GET", u"/health"_s).status, 503);
        QCOMPARE(send("POST", u"/rest/v1/rpc/get_shared_project"_s, "{\"code\":\"A\"}").status, 503);
        QVERIFY(m_db->start());
        QCOMPARE(send("GET", u"/health"_s).status, 200);
        const Answer found =
            send("POST", u"/rest/v1/rpc/get_shared_project"_s, "{\"code\":\"" + m_shared.toUtf8() + "\"}");
        QVERIFY2(found.body.contains(m_shared.toUtf8()), found.body.constData());
    }

    // Two people with Vantro, each on their own front: the owner shares, a colleague joins by code and the
    // preferences' check passes, the owner's edit reaches the colleague's refresh, and the owner stops sharing (what
    // the colleague keeps then is the sync test's).
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
        QVERIFY2(shared->ok(), qPrintable(problem(*shared)));
        team.shareCode = shared->value();
        owner.replaceProjects({team}, ownerKey);

        std::optional<SyncResult<SharedProjectPayload>> joined;
        colleagueSync.join(u" "_s + shared->value().toLower() + u" "_s, this, [&](const auto& r) { joined = r; });
        QTRY_VERIFY(joined);
        QVERIFY2(joined->ok(), qPrintable(problem(*joined)));
        colleague.replaceProjects({joined->value().toLocalProject(shared->value())});
        std::optional<SyncResult<std::monostate>> checked;
        colleagueSync.checkConnection(this, [&](const auto& r) { checked = r; });
        QTRY_VERIFY(checked);
        QVERIFY2(checked->ok(), qPrintable(problem(*checked)));

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

        std::optional<SyncResult<bool>> stopped;
        ownerSync.deleteFromServer(*team.shareCode, ownerKey, this, [&](const auto& r) { stopped = r; });
        QTRY_VERIFY(stopped);
        QVERIFY(stopped->ok() && stopped->value());
    }

    // The program itself: settings from the environment, migrations only, and serving until it is stopped.
    void theProgram()
    {
        QProcess program;
        program.setProcessChannelMode(QProcess::MergedChannels);
        program.start(QStringLiteral(VANTRO_SYNC_BINARY), {u"--listen"_s, u"127.0.0.1:1"_s});
        QVERIFY(program.waitForFinished(10000));
        QCOMPARE(program.exitCode(), 2); // no database

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
