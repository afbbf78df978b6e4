// SPDX-License-Identifier: GPL-3.0-or-later
#include "ai/ChatServiceConfig.h"
#include "ai/ModelCatalog.h"
#include "platform/Translations.h"
#include "support/LoopbackHttpServer.h"

#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QtTest>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(HttpResponse)

namespace {

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

// A port nothing listens on.
quint16 closedPort()
{
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost) ? probe.serverPort() : 0;
}

} // namespace

class TestModelCatalog : public QObject
{
    Q_OBJECT

    QNetworkAccessManager m_network;

private Q_SLOTS:
    // The English catalogue gives the plural forms, as in the application.
    void initTestCase() { Translations::install(*QCoreApplication::instance()); }

    void listsWhatTheServerSent_data()
    {
        QTest::addColumn<HttpResponse>("response");
        QTest::addColumn<QString>("apiKey");
        QTest::addColumn<QStringList>("ids");
        QTest::addColumn<QString>("message");
        QTest::newRow("an id twice, a key pasted with its line break")
            << HttpResponse::json(listOf({u"qwen2.5-7b-instruct"_s, u"nomic-embed-text"_s, u"qwen2.5-7b-instruct"_s}))
            << u"sk-test\r\n"_s << QStringList{u"qwen2.5-7b-instruct"_s, u"nomic-embed-text"_s} << QString();
        QTest::newRow("no models yet") << HttpResponse::json(listOf({})) << QString() << QStringList()
                                       << u"This server lists no models; type the model’s name."_s;
        QTest::newRow("401") << HttpResponse::json(R"({"error":{"message":"Incorrect API key provided: sk-wr***"}})",
                                                   401)
                             << u"sk-wrong"_s << QStringList() << u"This server wants an API key to list its models."_s;
        QTest::newRow("500") << HttpResponse::text("boom", 500) << QString() << QStringList()
                             << u"The server answered the request for its models with HTTP status 500."_s;
        QTest::newRow("junk") << HttpResponse::text("<html>It works!</html>", 200, "text/html") << QString()
                              << QStringList() << u"This server does not list its models; type the model’s name."_s;
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
        QCOMPARE(request.target, "/v1/models");
        // A key only when there is one, and never with the line breaks of a careless paste.
        QCOMPARE(request.header("Authorization"),
                 apiKey.isEmpty() ? QByteArray() : "Bearer " + apiKey.trimmed().toUtf8());
    }

    void notAnHttpEndpoint()
    {
        ModelCatalog catalog(&m_network);
        std::optional<ModelListing> listing;
        catalog.listModels({u"ftp://example.com"_s, {}, {}}, this,
                           [&](const ModelListing& result) { listing = result; });
        QTRY_VERIFY(listing);
        QVERIFY(!listing->listed && listing->ids.isEmpty());
        QCOMPARE(listing->message, u"The endpoint is not an http:// or https:// address."_s);
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

        ModelCatalog catalog(&m_network);
        catalog.setLocalPorts({{u"Ollama"_s, ollama.port()},
                               {u"llama.cpp"_s, closedPort()},
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
        QStringList shown;
        for (const LocalServer& server : std::as_const(*found))
            shown << server.name + u' ' + server.baseUrl + u' ' + server.models.join(u',');
        QCOMPARE(shown, (QStringList{u"Ollama "_s + ollama.baseUrl() + u" llama3.2:latest,qwen2.5vl:7b"_s,
                                     u"vLLM "_s + vllm.baseUrl() + u" Qwen/Qwen2.5-7B"_s}));
        QTRY_COMPARE(silent.openConnections(), 0);
    }
};

QTEST_GUILESS_MAIN(TestModelCatalog)
#include "tst_modelcatalog.moc"
