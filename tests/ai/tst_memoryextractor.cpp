// SPDX-License-Identifier: GPL-3.0-or-later
#include "ai/MemoryExtractor.h"
#include "support/FakeChatServer.h"
#include "support/StdoutCapture.h"
#include "support/TestEnvironment.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <QtTest>

Q_DECLARE_METATYPE(MemoryExtractor::Facts)
Q_DECLARE_METATYPE(HttpResponse)

namespace {

QString q(const char* text)
{
    return QString::fromUtf8(text).replace(u'\'', u'"');
}

// A complete non-streamed answer whose message content is `content`.
HttpResponse completion(const QString& content)
{
    const QJsonObject body{{QStringLiteral("choices"),
                            QJsonArray{QJsonObject{{QStringLiteral("message"),
                                                    QJsonObject{{QStringLiteral("role"), QStringLiteral("assistant")},
                                                                {QStringLiteral("content"), content}}}}}}};
    return HttpResponse::json(QJsonDocument(body).toJson());
}

} // namespace

class TestMemoryExtractor : public QObject
{
    Q_OBJECT

private:
    QNetworkAccessManager m_network;

    // Runs one extraction to its end and returns what it logged.
    QString extract(FakeChatServer& server, const MemoryStore& store, const QUuid& project,
                    const QString& user = QStringLiteral("I write React all day"),
                    const QString& answer = QStringLiteral("Nice!"))
    {
        StdoutCapture capture;
        MemoryExtractor extractor(&m_network, store);
        QSignalSpy ended(&extractor, &MemoryExtractor::extractionEnded);
        extractor.extractMemory({server.baseUrl(), QStringLiteral("sk-mem"), MemoryExtractor::model()}, user, answer,
                                project);
        if (!ended.wait(5000))
            return QStringLiteral("extraction did not end");
        return capture.text();
    }

private Q_SLOTS:
    void prompt()
    {
        const QString text = MemoryExtractor::memoryExtractionPrompt();
        QCOMPARE(text.toUtf8().size(), 1088);
        QVERIFY(text.startsWith(u"You extract durable memory from conversation exchanges.\n"));
        QVERIFY(text.endsWith(u"return empty arrays."));
        QCOMPARE(text.count(u'\u2014'), 3);
    }

    void parseReply_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<bool>("parsed");
        QTest::addColumn<MemoryExtractor::Facts>("facts");
        QTest::newRow("fenced json")
            << q("```json\n{'user_memory': ['User likes tea'],\n 'project_memory': ['Uses Qt']}\n```") << true
            << MemoryExtractor::Facts{{QStringLiteral("User likes tea")}, {QStringLiteral("Uses Qt")}};
        QTest::newRow("indented closing fence") << q("  ```\n{'user_memory': ['a']}\n\t ```  ") << true
                                                << MemoryExtractor::Facts{{QStringLiteral("a")}, {}};
        QTest::newRow("prose around the object")
            << q("Here you go: {'user_memory': [], 'project_memory': ['B2B SaaS']} Hope it helps.") << true
            << MemoryExtractor::Facts{{}, {QStringLiteral("B2B SaaS")}};
        QTest::newRow("project list of the wrong type")
            << q("{'user_memory': ['User is a frontend developer'], 'project_memory': 5}") << true
            << MemoryExtractor::Facts{{QStringLiteral("User is a frontend developer")}, {}};
        QTest::newRow("mixed array counts as missing")
            << q("{'user_memory': ['a', 3]}") << false << MemoryExtractor::Facts{};
        QTest::newRow("both empty") << q("{'user_memory': [], 'project_memory': []}") << false
                                    << MemoryExtractor::Facts{};
        QTest::newRow("closing brace before opening") << q("} nothing here {") << false << MemoryExtractor::Facts{};
        QTest::newRow("not json") << QStringLiteral("I found nothing.") << false << MemoryExtractor::Facts{};
        QTest::newRow("array at top") << q("['a']") << false << MemoryExtractor::Facts{};
    }

    void parseReply()
    {
        QFETCH(QString, reply);
        QFETCH(bool, parsed);
        QFETCH(MemoryExtractor::Facts, facts);
        const std::optional<MemoryExtractor::Facts> result = MemoryExtractor::parseMemoryReply(reply);
        QCOMPARE(result.has_value(), parsed);
        if (parsed)
            QCOMPARE(*result, facts);
    }

    void requestAndMerge()
    {
        TestEnvironment env;
        const MemoryStore store;
        const QUuid project = QUuid::createUuid();
        QVERIFY(TestEnvironment::writeFile(store.userMemoryPath(), "User likes tea\n"));
        FakeChatServer server;
        QVERIFY(server.listen());
        server.setResponse(completion(q("{'user_memory': ['user likes tea ', 'User is a frontend developer', ' '], "
                                        "'project_memory': ['Uses React']}")));
        const QString log = extract(server, store, project);

        QCOMPARE(server.requests().size(), 1);
        const HttpRequest& request = server.requests().first();
        QCOMPARE(request.target, QByteArray("/v1/chat/completions"));
        QCOMPARE(request.header("Authorization"), QByteArray("Bearer sk-mem"));
        QCOMPARE(request.header("Content-Type"), QByteArray("application/json"));
        QVERIFY(request.body.contains("\"temperature\":0}")); // an integer, keys come out sorted
        const QJsonObject expected{
            {QStringLiteral("model"), QStringLiteral("gpt-4o-mini")},
            {QStringLiteral("stream"), false},
            {QStringLiteral("temperature"), 0},
            {QStringLiteral("max_tokens"), 500},
            {QStringLiteral("response_format"), QJsonObject{{QStringLiteral("type"), QStringLiteral("json_object")}}},
            {QStringLiteral("messages"),
             QJsonArray{QJsonObject{{QStringLiteral("role"), QStringLiteral("system")},
                                    {QStringLiteral("content"), MemoryExtractor::memoryExtractionPrompt()}},
                        QJsonObject{{QStringLiteral("role"), QStringLiteral("user")},
                                    {QStringLiteral("content"),
                                     QStringLiteral("User: I write React all day\n\nAssistant: Nice!")}}}},
        };
        QCOMPARE(server.lastBody(), expected);

        // The counts are what the model returned; the file gets only what is new.
        QCOMPARE(log, QStringLiteral("MemoryExtractor: saved 3 user memory fact(s)\n"
                                     "MemoryExtractor: saved 1 project memory fact(s)\n"));
        QCOMPARE(TestEnvironment::readFile(store.userMemoryPath()),
                 QByteArray("User likes tea\nUser is a frontend developer\n"));
        QCOMPARE(TestEnvironment::readFile(store.projectMemoryPath(project)), QByteArray("Uses React\n"));
    }

    void failuresOnlyLog_data()
    {
        QTest::addColumn<HttpResponse>("response");
        QTest::addColumn<QString>("log");
        const QString longBody = QString(250, u'x');
        const QString start = q("{\n 'error': {'message': '");
        QTest::newRow("401") << HttpResponse::json(start.toUtf8() + longBody.toUtf8() + "'}}", 401)
                             << QString(u"MemoryExtractor: HTTP 401 \u2014 " + QString(start).replace(u'\n', u' ') +
                                        longBody.left(200 - start.size()) + u'\n');
        QTest::newRow("invalid utf-8 error body")
            << HttpResponse::json("\xff\xfe oops", 500) << QStringLiteral("MemoryExtractor: HTTP 500 \u2014 unknown\n");
        QTest::newRow("no choices") << HttpResponse::json(q("{'choices': []}").toUtf8())
                                    << QStringLiteral("MemoryExtractor: failed to parse OpenAI response structure\n");
        QTest::newRow("not json") << HttpResponse::json("<html>")
                                  << QStringLiteral("MemoryExtractor: failed to parse OpenAI response structure\n");
        const QString raw = q("{'user_memory': [], 'project_memory': []}") + QString(400, u' ') + u"tail";
        QTest::newRow("nothing memorable")
            << completion(raw)
            << QString(u"MemoryExtractor: no memorable facts extracted (or JSON parse failed). Raw: " + raw.left(300) +
                       u'\n');
    }

    void failuresOnlyLog()
    {
        QFETCH(HttpResponse, response);
        QFETCH(QString, log);
        TestEnvironment env;
        const MemoryStore store;
        FakeChatServer server;
        QVERIFY(server.listen());
        server.setResponse(response);
        QCOMPARE(extract(server, store, QUuid::createUuid()), log);
        QCOMPARE(server.requests().size(), 1);
        QCOMPARE(TestEnvironment::readFile(store.userMemoryPath()), QByteArray());
    }

    void nothingToSend()
    {
        TestEnvironment env;
        const MemoryStore store;
        FakeChatServer server;
        QVERIFY(server.listen());
        server.setResponse(completion(q("{'user_memory': ['x']}")));
        QCOMPARE(extract(server, store, QUuid::createUuid(), QString(), QStringLiteral("answer")), QString());
        QCOMPARE(extract(server, store, QUuid::createUuid(), QStringLiteral("question"), QString()), QString());
        QVERIFY(server.requests().isEmpty());
    }

    void transportFailureAndTimeout()
    {
        TestEnvironment env;
        const MemoryStore store;
        FakeChatServer server;
        QVERIFY(server.listen());
        server.setResponse(FakeChatServer::hang());
        StdoutCapture capture;
        MemoryExtractor extractor(&m_network, store);
        extractor.setTimeout(std::chrono::milliseconds(200));
        QSignalSpy ended(&extractor, &MemoryExtractor::extractionEnded);
        extractor.extractMemory({server.baseUrl(), QStringLiteral("k"), MemoryExtractor::model()}, QStringLiteral("a"),
                                QStringLiteral("b"), QUuid::createUuid());
        QVERIFY(ended.wait(5000));
        QCOMPARE(capture.text(), QStringLiteral("MemoryExtractor: error \u2014 The request timed out.\n"));
    }
};

QTEST_GUILESS_MAIN(TestMemoryExtractor)
#include "tst_memoryextractor.moc"
