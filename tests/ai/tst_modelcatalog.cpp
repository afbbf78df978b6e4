// SPDX-License-Identifier: GPL-3.0-or-later
#include "ai/ChatServiceConfig.h"
#include "ai/ModelCatalog.h"
#include "support/LoopbackHttpServer.h"

#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QtTest>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(HttpResponse)

namespace {

QByteArray q(QByteArray text)
{
    return text.replace('\'', '"');
}

QByteArray listOf(const QStringList& ids)
{
    QJsonArray data;
    for (const QString& id : ids)
        data.append(QJsonObject{{u"id"_s, id}, {u"object"_s, u"model"_s}});
    return QJsonDocument(QJsonObject{{u"object"_s, u"list"_s}, {u"data"_s, data}}).toJson(QJsonDocument::Compact);
}

QStringList numbered(int count)
{
    QStringList ids;
    for (int i = 0; i < count; ++i)
        ids.append(u"model-%1"_s.arg(i));
    return ids;
}

} // namespace

class TestModelCatalog : public QObject
{
    Q_OBJECT

    QNetworkAccessManager m_network;

private Q_SLOTS:
    void listsWhatTheServerSent_data()
    {
        QTest::addColumn<HttpResponse>("response");
        QTest::addColumn<QString>("apiKey");
        QTest::addColumn<QStringList>("ids");
        QTest::addColumn<QString>("message");
        const QString notListed = u"This server does not list its models; type the model’s name."_s;

        QTest::newRow("OpenAI")
            << HttpResponse::json(q(
                   "{'object':'list','data':[{'id':'gpt-4o','object':'model','created':1715367049,'owned_by':'system'},"
                   "{'id':'o4-mini','object':'model','created':1744225351,'owned_by':'system'}]}"))
            << u"sk-test\r\n"_s << QStringList{u"gpt-4o"_s, u"o4-mini"_s} << QString();
        QTest::newRow("Ollama")
            << HttpResponse::json(
                   q("{'object':'list','data':[{'id':'qwen2.5vl:7b','object':'model','created':1739000000,'owned_by':'"
                     "library'},"
                     "{'id':'llama3.2:latest','object':'model','created':1738000000,'owned_by':'library'}]}"))
            << QString() << QStringList{u"qwen2.5vl:7b"_s, u"llama3.2:latest"_s} << QString();
        QTest::newRow("llama.cpp")
            << HttpResponse::json(q(
                   "{'models':[{'name':'qwen.gguf','model':'qwen.gguf','type':'model'}],'object':'list','data':[{'id':"
                   "'models/"
                   "qwen2.5-7b-instruct-q4_k_m.gguf','object':'model','created':1739000000,'owned_by':'llamacpp',"
                   "'meta':{'vocab_type':2,'n_vocab':152064,'n_ctx_train':32768,'n_params':7615616512}}]}"))
            << QString() << QStringList{u"models/qwen2.5-7b-instruct-q4_k_m.gguf"_s} << QString();
        QTest::newRow("LM Studio, an id twice")
            << HttpResponse::json(
                   q("{'data':[{'id':'qwen2.5-7b-instruct','object':'model','owned_by':'organization_owner'},{'id':"
                     "'text-embedding-nomic-embed-text-v1.5','object':'model','owned_by':'organization_owner'},{'id':"
                     "'qwen2.5-7b-instruct','object':'model','owned_by':'organization_owner'}],'object':'list'}"))
            << QString() << QStringList{u"qwen2.5-7b-instruct"_s, u"text-embedding-nomic-embed-text-v1.5"_s}
            << QString();
        QTest::newRow("vLLM")
            << HttpResponse::json(q(
                   "{'object':'list','data':[{'id':'Qwen/Qwen2.5-VL-7B-Instruct','object':'model','created':1739000000,"
                   "'owned_by':'vllm','root':'Qwen/Qwen2.5-VL-7B-Instruct','parent':null,'max_model_len':32768,"
                   "'permission':[{'id':'modelperm-1','object':'model_permission','allow_sampling':true}]}]}"))
            << QString() << QStringList{u"Qwen/Qwen2.5-VL-7B-Instruct"_s} << QString();
        QTest::newRow("no models yet") << HttpResponse::json(listOf({})) << QString() << QStringList()
                                       << u"This server lists no models; type the model’s name."_s;
        QTest::newRow("404") << HttpResponse::text("404 page not found", 404) << QString() << QStringList()
                             << notListed;
        QTest::newRow("405") << HttpResponse::json(q("{'detail':'Method Not Allowed'}"), 405) << QString()
                             << QStringList() << notListed;
        QTest::newRow("401") << HttpResponse::json(q("{'error':{'message':'Incorrect API key provided: sk-wr***'}}"),
                                                   401)
                             << u"sk-wrong"_s << QStringList() << u"This server wants an API key to list its models."_s;
        QTest::newRow("500") << HttpResponse::text("boom", 500) << QString() << QStringList()
                             << u"The server answered the request for its models with HTTP status 500."_s;
        QTest::newRow("junk") << HttpResponse::text("<html>It works!</html>", 200, "text/html") << QString()
                              << QStringList() << notListed;
        QTest::newRow("oversized body")
            << HttpResponse::json(listOf({u"a"_s, QString(ModelCatalog::maxBodyBytes, u'b')})) << QString()
            << QStringList() << u"The server’s list of models is larger than 1 MiB; type the model’s name."_s;
        QTest::newRow("too many ids") << HttpResponse::json(listOf(numbered(ModelCatalog::maxModels + 5))) << QString()
                                      << numbered(ModelCatalog::maxModels)
                                      << u"The server lists more than 1000 models; only the first 1000 are offered."_s;
        QTest::newRow("unusable ids")
            << HttpResponse::json(
                   listOf({u"fine"_s, u"evil\u202Egnp.exe"_s, u"two\nlines"_s, u"\U0001F999-llama"_s, u" padded"_s,
                           QString(ModelCatalog::maxIdLength + 1, u'x'), QString(ModelCatalog::maxIdLength, u'y')}))
            << QString() << QStringList{u"fine"_s, u"\U0001F999-llama"_s, QString(ModelCatalog::maxIdLength, u'y')}
            << u"4 listed models with an unusable name were left out."_s;
    }

    void listsWhatTheServerSent()
    {
        QFETCH(HttpResponse, response);
        QFETCH(QString, apiKey);
        QFETCH(QStringList, ids);
        QFETCH(QString, message);
        LoopbackHttpServer server;
        QVERIFY(server.listen());
        server.setHandler([&](const HttpRequest&) { return response; });
        ModelCatalog catalog(&m_network);
        std::optional<ModelListing> listing;
        catalog.listModels({server.baseUrl() + u"/"_s, apiKey, u"m"_s}, this,
                           [&](const ModelListing& result) { listing = result; });
        QVERIFY(!listing); // never before the call returns
        QTRY_VERIFY(listing);
        QCOMPARE(listing->ids, ids);
        QCOMPARE(listing->message, message);
        QCOMPARE(listing->listed, !ids.isEmpty() || message.startsWith(u"This server lists no"));
        QVERIFY(apiKey.isEmpty() || !listing->message.contains(apiKey.trimmed()));

        QCOMPARE(server.requests().size(), 1);
        const HttpRequest& request = server.requests().first();
        QCOMPARE(request.method, "GET");
        QCOMPARE(request.target, "/v1/models");
        // A key only when there is one, and never with the line breaks of a careless paste.
        QCOMPARE(request.header("Authorization"),
                 apiKey.isEmpty() ? QByteArray() : "Bearer " + apiKey.trimmed().toUtf8());
    }

    void unreachableOrInvalidEndpoint()
    {
        quint16 closedPort = 0;
        {
            QTcpServer probe;
            QVERIFY(probe.listen(QHostAddress::LocalHost));
            closedPort = probe.serverPort();
        }
        ModelCatalog catalog(&m_network);
        QStringList messages;
        for (const QString& base : {u"http://127.0.0.1:%1"_s.arg(closedPort), u"ftp://example.com"_s})
            catalog.listModels({base, {}, {}}, this, [&](const ModelListing& listing) {
                QVERIFY(!listing.listed && listing.ids.isEmpty());
                messages.append(listing.message);
            });
        QTRY_COMPARE(messages.size(), 2);
        QVERIFY(messages.contains(u"The endpoint is not an http:// or https:// address."_s));
        QVERIFY(messages.contains(u"Connection refused"_s));
    }

    void ownerGoneOrCancelled()
    {
        LoopbackHttpServer server;
        QVERIFY(server.listen());
        server.setHandler([](const HttpRequest&) {
            HttpResponse response;
            response.hang = true;
            return response;
        });
        ModelCatalog catalog(&m_network);
        int calls = 0;
        auto owner = std::make_unique<QObject>();
        catalog.setLocalPorts({{u"Ollama"_s, server.port()}});
        catalog.listModels({server.baseUrl(), {}, {}}, owner.get(), [&](const ModelListing&) { ++calls; });
        catalog.findLocalServers(this, [&](const QList<LocalServer>&) { ++calls; });
        QTRY_COMPARE(server.openConnections(), 2);
        owner.reset();
        catalog.cancel(this);
        QTRY_COMPARE(server.openConnections(), 0); // the request is aborted, not left to time out
        QTest::qWait(50);
        QCOMPARE(calls, 0);
    }

    void findsLocalServersInPortOrder()
    {
        // Probes never go through a proxy: this one does not exist.
        QNetworkProxy::setApplicationProxy(QNetworkProxy(QNetworkProxy::HttpProxy, u"127.0.0.1"_s, 9));
        const auto restore = qScopeGuard([] { QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy); });

        LoopbackHttpServer ollama, vllm, silent;
        for (LoopbackHttpServer* server : {&ollama, &vllm, &silent})
            QVERIFY(server->listen());
        // The first port answers last; the list still follows the ports.
        ollama.setHandler([](const HttpRequest&) {
            HttpResponse response = HttpResponse::json(listOf({u"llama3.2:latest"_s, u"qwen2.5vl:7b"_s}));
            response.chunks.prepend(QByteArray());
            response.delayMs = 300;
            return response;
        });
        vllm.setHandler([](const HttpRequest&) { return HttpResponse::json(listOf({u"Qwen/Qwen2.5-7B"_s})); });
        silent.setHandler([](const HttpRequest&) {
            HttpResponse response;
            response.hang = true;
            return response;
        });
        quint16 closedPort = 0;
        {
            QTcpServer probe;
            QVERIFY(probe.listen(QHostAddress::LocalHost));
            closedPort = probe.serverPort();
        }

        ModelCatalog catalog(&m_network);
        QCOMPARE(catalog.localPorts().size(), 4);
        QCOMPARE(catalog.localPorts().first().port, 11434);
        catalog.setLocalPorts({{u"Ollama"_s, ollama.port()},
                               {u"llama.cpp"_s, closedPort},
                               {u"LM Studio"_s, silent.port()},
                               {u"vLLM"_s, vllm.port()}});
        std::optional<QList<LocalServer>> found;
        QElapsedTimer clock;
        clock.start();
        catalog.findLocalServers(this, [&](const QList<LocalServer>& servers) { found = servers; });
        QTRY_VERIFY_WITH_TIMEOUT(found, 5000);
        // All at once: the silent one costs one timeout, not the sum of them.
        QVERIFY2(clock.elapsed() >= ModelCatalog::probeTimeout.count() - 50,
                 qPrintable(QString::number(clock.elapsed())));
        QVERIFY2(clock.elapsed() < 3000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(found->size(), 2);
        QCOMPARE(found->at(0).name, u"Ollama"_s);
        QCOMPARE(found->at(0).baseUrl, ollama.baseUrl());
        QCOMPARE(found->at(0).models, (QStringList{u"llama3.2:latest"_s, u"qwen2.5vl:7b"_s}));
        QCOMPARE(found->at(1).name, u"vLLM"_s);
        QCOMPARE(found->at(1).baseUrl, vllm.baseUrl());
        QCOMPARE(found->at(1).models, QStringList{u"Qwen/Qwen2.5-7B"_s});
        QTRY_COMPARE(silent.openConnections(), 0);
    }
};

QTEST_GUILESS_MAIN(TestModelCatalog)
#include "tst_modelcatalog.moc"
