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

using namespace Qt::StringLiterals;
using Facts = MemoryExtractor::Facts;
using MaybeFacts = std::optional<Facts>;

Q_DECLARE_METATYPE(MaybeFacts)
Q_DECLARE_METATYPE(HttpResponse)

namespace {

QString q(const char* text)
{
    return QString::fromUtf8(text).replace(u'\'', u'"');
}

const auto completion = &FakeChatServer::reply;

} // namespace

class TestMemoryExtractor : public QObject
{
    Q_OBJECT

    QNetworkAccessManager m_network;
    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<FakeChatServer> m_server;

    // Runs one extraction to its end and returns what it logged.
    QString extract(const QUuid& project, const QString& user = u"I write React all day"_s,
                    const QString& answer = u"Nice!"_s)
    {
        StdoutCapture capture;
        MemoryExtractor extractor(&m_network, MemoryStore());
        extractor.setTimeout(std::chrono::milliseconds(1000));
        QSignalSpy ended(&extractor, &MemoryExtractor::extractionEnded);
        extractor.extractMemory({m_server->baseUrl(), u"sk-mem"_s, MemoryExtractor::model()}, user, answer, project);
        return ended.wait(5000) ? capture.text() : u"extraction did not end"_s;
    }

private Q_SLOTS:
    void init()
    {
        m_env.reset(); // the old folders go first: each environment restores what it found
        m_env = std::make_unique<TestEnvironment>();
        m_server = std::make_unique<FakeChatServer>();
        QVERIFY(m_server->listen());
    }

    void parseReply_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<MaybeFacts>("facts");
        QTest::newRow("fenced json")
            << q("```json\n{'user_memory': ['User likes tea'],\n 'project_memory': ['Qt']}\n```")
            << MaybeFacts(Facts{{u"User likes tea"_s}, {u"Qt"_s}});
        QTest::newRow("indented closing fence")
            << q("  ```\n{'user_memory': ['a']}\n\t ```  ") << MaybeFacts(Facts{{u"a"_s}, {}});
        QTest::newRow("prose around the object")
            << q("Here you go: {'user_memory': [], 'project_memory': ['B2B SaaS']} Hope it helps.")
            << MaybeFacts(Facts{{}, {u"B2B SaaS"_s}});
        QTest::newRow("project list of the wrong type")
            << q("{'user_memory': ['frontend developer'], 'project_memory': 5}")
            << MaybeFacts(Facts{{u"frontend developer"_s}, {}});
        const MaybeFacts none;
        QTest::newRow("mixed array counts as missing") << q("{'user_memory': ['a', 3]}") << none;
        QTest::newRow("both empty") << q("{'user_memory': [], 'project_memory': []}") << none;
        QTest::newRow("closing brace before opening") << q("} nothing here {") << none;
        QTest::newRow("not json") << u"I found nothing."_s << none;
        QTest::newRow("array at top") << q("['a']") << none;
    }

    void parseReply()
    {
        QFETCH(QString, reply);
        QFETCH(MaybeFacts, facts);
        QCOMPARE(MemoryExtractor::parseMemoryReply(reply), facts);
    }

    void requestAndMerge()
    {
        const MemoryStore store;
        const QUuid project = QUuid::createUuid();
        QVERIFY(TestEnvironment::writeFile(store.userMemoryPath(), "User likes tea\n"));
        m_server->setResponse(completion(q(
            "{'user_memory': ['user likes tea ', 'User is a frontend developer', ' '], 'project_memory': ['React']}")));
        const QString log = extract(project);

        // Path and key header come from the chat client's request, which its tests check.
        QVERIFY(m_server->requests().first().body.contains("\"temperature\":0}")); // an integer; keys come sorted
        QCOMPARE(m_server->lastBody(),
                 (QJsonObject{
                     {u"model"_s, u"gpt-4o-mini"_s},
                     {u"stream"_s, false},
                     {u"temperature"_s, 0},
                     {u"max_tokens"_s, 500},
                     {u"response_format"_s, QJsonObject{{u"type"_s, u"json_object"_s}}},
                     {u"messages"_s,
                      QJsonArray{QJsonObject{{u"role"_s, u"system"_s},
                                             {u"content"_s, MemoryExtractor::memoryExtractionPrompt()}},
                                 QJsonObject{{u"role"_s, u"user"_s},
                                             {u"content"_s, u"User: I write React all day\n\nAssistant: Nice!"_s}}}}}));

        // The counts are what the model returned; the file gets only what is new.
        QCOMPARE(log,
                 u"MemoryExtractor: saved 3 user memory fact(s)\nMemoryExtractor: saved 1 project memory fact(s)\n"_s);
        QCOMPARE(TestEnvironment::readFile(store.userMemoryPath()),
                 QByteArray("User likes tea\nUser is a frontend developer\n"));
        QCOMPARE(TestEnvironment::readFile(store.projectMemoryPath(project)), QByteArray("React\n"));
    }

    void failuresOnlyLog_data()
    {
        QTest::addColumn<HttpResponse>("response");
        QTest::addColumn<QStringList>("exchange");
        QTest::addColumn<QString>("log");
        const auto row = [](const char* name, const HttpResponse& response, const QString& log,
                            const QStringList& exchange = {u"I write React all day"_s, u"Nice!"_s}) {
            QTest::newRow(name) << response << exchange << log;
        };
        const QString body = u"x"_s.repeated(250), start = q("{\n 'error': {'message': '");
        row("401, body cut at 200", HttpResponse::json((start + body + q("'}}")).toUtf8(), 401),
            u"MemoryExtractor: HTTP 401 \u2014 " + QString(start).replace(u'\n', u' ') + body.left(200 - start.size()) +
                u'\n');
        row("invalid utf-8 error body", HttpResponse::json("\xff\xfe oops", 500),
            u"MemoryExtractor: HTTP 500 \u2014 unknown\n"_s);
        const QString structure = u"MemoryExtractor: failed to parse OpenAI response structure\n"_s;
        row("no choices", HttpResponse::json(q("{'choices': []}").toUtf8()), structure);
        row("not json", HttpResponse::json("<html>"), structure);
        const QString raw = q("{'user_memory': [], 'project_memory': []}") + QString(400, u' ') + u"tail";
        row("nothing memorable", completion(raw),
            u"MemoryExtractor: no memorable facts extracted (or JSON parse failed). Raw: " + raw.left(300) + u'\n');
        row("timeout", FakeChatServer::hang(), u"MemoryExtractor: error \u2014 The request timed out.\n"_s);
        // Nothing to send: no request and no log.
        const HttpResponse facts = completion(q("{'user_memory': ['x']}"));
        row("no question", facts, QString(), {QString(), u"a"_s});
        row("no answer", facts, QString(), {u"q"_s, QString()});
    }

    void failuresOnlyLog()
    {
        QFETCH(HttpResponse, response);
        QFETCH(QStringList, exchange);
        QFETCH(QString, log);
        m_server->setResponse(response);
        QCOMPARE(extract(QUuid::createUuid(), exchange[0], exchange[1]), log);
        QCOMPARE(m_server->requests().size(), log.isEmpty() ? 0 : 1);
        QCOMPARE(TestEnvironment::readFile(MemoryStore().userMemoryPath()), QByteArray());
    }
};

QTEST_GUILESS_MAIN(TestMemoryExtractor)
#include "tst_memoryextractor.moc"
