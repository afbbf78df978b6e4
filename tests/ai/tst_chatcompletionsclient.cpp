// SPDX-License-Identifier: GPL-3.0-or-later
#include "ai/ChatCompletionsClient.h"
#include "ai/ModelCatalog.h"
#include "platform/Translations.h"
#include "support/FakeChatServer.h"
#include "support/TestEnvironment.h"

#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QtTest>

using namespace Qt::StringLiterals;
using Type = ChatStreamEvent::Type;
using Mode = ChatEventParser::Mode;
using Events = QList<ChatStreamEvent>;

Q_DECLARE_METATYPE(HttpResponse)

namespace {

// Test data reads better with single quotes; they become the JSON's double quotes.
QByteArray q(QByteArray text)
{
    return text.replace('\'', '"');
}

QByteArray deltaLine(const char* contentJson)
{
    return q("data: {'choices':[{'index':0,'delta':{'content':") + q(contentJson) + "}}]}";
}

Events parse(Mode mode, QList<QByteArrayView> pieces)
{
    ChatEventParser parser(mode);
    Events events;
    for (const QByteArrayView piece : pieces)
        parser.feed(piece, events);
    parser.finish(events);
    return events;
}

ChatStreamEvent content(const QString& text)
{
    return {Type::Content, text, {}};
}

const ChatStreamEvent finished{Type::Finished, {}, {}};

// Everything a stream emitted, in order, as text: "c:piece", "finished", "failed:description". Citations are the
// parser's and the chat turn tests' concern.
struct Recorder
{
    QStringList log;
    QPointer<ChatStream> stream;

    explicit Recorder(ChatStream* observed) : stream(observed)
    {
        QObject::connect(observed, &ChatStream::content, [this](const QString& piece) { log.append(u"c:" + piece); });
        QObject::connect(observed, &ChatStream::finished, [this] { log.append(u"finished"_s); });
        QObject::connect(observed, &ChatStream::failed,
                         [this](const OpenAIError& e) { log.append(u"failed:" + e.description()); });
    }

    bool ended() const { return !log.isEmpty() && (log.last() == u"finished" || log.last().startsWith(u"failed:")); }
};

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

class TestChatCompletionsClient : public QObject
{
    Q_OBJECT

    QNetworkAccessManager m_network;
    std::unique_ptr<FakeChatServer> m_server;
    std::unique_ptr<ChatCompletionsClient> m_client;

    ChatServiceConfig config(const QString& model = u"gpt-4o"_s) const
    {
        return {m_server->baseUrl(), u"sk-test-123"_s, model};
    }

private Q_SLOTS:
    // The English catalogue gives the plural forms, as in the application.
    void initTestCase() { Translations::install(*QCoreApplication::instance()); }

    void init()
    {
        m_server = std::make_unique<FakeChatServer>();
        QVERIFY(m_server->listen());
        m_server->setResponse(FakeChatServer::stream({FakeChatServer::doneEvent()}));
        m_client = std::make_unique<ChatCompletionsClient>(&m_network);
    }

    // The event parser, on whole bodies

    void events_data()
    {
        QTest::addColumn<bool>("chat");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<Events>("expected");
        const auto row = [](const char* name, const QByteArray& body, const Events& expected, bool chat = false) {
            QTest::newRow(name) << chat << body << expected;
        };
        row("last line without terminator", deltaLine("'end'"), {content(u"end"_s), finished});
        row("malformed and foreign lines are skipped",
            ": keep-alive\nevent: message\nid: 4\n\ndata: {not json\ndata: [1,2]\n" + q("data: {'choices':[]}\n") +
                q("data: {'choices':[{'delta':{'content':5}}]}\n") + q("data: {'choices':[{'delta':{}}]}\n") +
                q("data: {'choices':'x'}\n") + "DATA: " + deltaLine("'no'").mid(6) + "\n" + deltaLine("'ok'") + "\n",
            {content(u"ok"_s), finished});
        row("error as a plain string", q("data: {'error':'model not loaded'}\n"),
            {{Type::Failed, u"model not loaded"_s, {}}});

        // Citations: de-duplicated by URL, malformed entries skipped, reported once before the end.
        const QByteArray citationLine =
            q("data: {'choices':[{'message':{'annotations':["
              "{'type':'url_citation','url_citation':{'url':'https://a.example','title':'First','content':'c',"
              "'start_index':3,'end_index':9}},"
              "{'type':'url_citation','url_citation':{'url':'https://a.example','title':'Second'}},"
              "{'type':'url_citation','url_citation':{'url':'https://b.example','start_index':1.5,'title':7}},"
              "{'type':'file'},{'url_citation':{'title':'no url'}},'junk']}}]}\n");
        const QList<URLCitation> cited{{u"https://a.example"_s, u"First"_s, u"c"_s, 3, 9}, {u"https://b.example"_s}};
        const ChatStreamEvent citations{Type::Annotations, {}, cited};
        row("citations come last", deltaLine("'x'") + "\n" + citationLine + deltaLine("'y'") + "\n",
            {content(u"x"_s), content(u"y"_s), citations, finished}, true);
        row("a completion never reports citations", citationLine, {finished});
    }

    void events()
    {
        QFETCH(bool, chat);
        QFETCH(QByteArray, body);
        QFETCH(Events, expected);
        QCOMPARE(parse(chat ? Mode::Chat : Mode::Completion, {body}), expected);
    }

    // The same body, cut into two pieces at every byte position (inside lines, inside CRLF, inside UTF-8
    // sequences), gives the same events; whole, it shows that CR, LF and CRLF end lines, "data:" needs no blank and
    // nothing counts after DONE.
    void chunkBoundariesAnywhere()
    {
        const QByteArray body = ": comment\r\n" + deltaLine("'Grüße '") + "\r\n\r\n" + deltaLine("'😀 and '") + "\r" +
                                deltaLine("'日本'") + "\n\n" +
                                q("data:{'choices':[{'delta':{'content':'!'},'message':{'annotations':[{'url_citation':"
                                  "{'url':'https://a.example','title':'A'}}]}}]}") +
                                "\r\ndata: [DONE]\r\n" + deltaLine("'after'") + "\n";
        const ChatStreamEvent cited{Type::Annotations, {}, {{u"https://a.example"_s, u"A"_s, {}, {}, {}}}};
        const Events whole{
            content(u"Grüße "_s), content(u"😀 and "_s), content(u"日本"_s), content(u"!"_s), cited, finished};
        QCOMPARE(parse(Mode::Chat, {body}), whole);
        for (qsizetype cut = 0; cut <= body.size(); ++cut)
            QVERIFY2(parse(Mode::Chat, {body.left(cut), body.mid(cut)}) == whole, qPrintable(QString::number(cut)));
    }

    void overlongLineIsDropped()
    {
        // A line past the limit is skipped whole, even when it arrives in many pieces; the next line still counts.
        const QByteArray start = q("data: {'choices':[{'delta':{'content':'");
        const QByteArray filler(1024 * 1024, 'a');
        QList<QByteArrayView> pieces{start};
        for (int i = 0; i < 9; ++i)
            pieces.append(filler);
        const QByteArray next = "\n" + deltaLine("'after'") + "\n";
        pieces.append("\"}}]}\r"); // the CR ends this piece, its LF starts the next
        pieces.append(next);
        QCOMPARE(parse(Mode::Completion, pieces), (Events{content(u"after"_s), finished}));
    }

    // The client, against the fake service

    // Path, key header and messages are checked end to end, and the sampling settings are constants; line breaks in
    // the key must never make a header of their own.
    void lineBreaksInTheKey()
    {
        Recorder injected(m_client->streamCompletion({m_server->baseUrl(), u"sk-a\r\nX-Injected: 1\n\r\n"_s, u"m"_s},
                                                     u"s"_s, u"Hi"_s));
        QTRY_VERIFY(injected.ended());
        QCOMPARE(m_server->requests().last().header("Authorization"), QByteArray("Bearer sk-aX-Injected: 1"));
        QVERIFY(m_server->requests().last().header("X-Injected").isEmpty());
    }

    // Pasted as client libraries take it: ".../v1/". A plain base is every other test's.
    void endpointFromBaseUrl()
    {
        const std::optional<QUrl> url = ChatServiceConfig{u"http://localhost:8080/v1/"_s, u"k"_s, u"m"_s}.endpointUrl();
        QCOMPARE(url ? url->toString() : QString(), u"http://localhost:8080/v1/chat/completions"_s);
    }

    // Nothing is sent that is bound to fail. OpenAI's host is never reached here: the refusal comes first.
    void refusedBeforeAnyRequest_data()
    {
        QTest::addColumn<QString>("base");
        QTest::addColumn<QString>("model");
        QTest::addColumn<QString>("description");
        QTest::newRow("bad url") << u"not a url"_s << u"gpt-4o"_s << u"Invalid API URL."_s;
        QTest::newRow("OpenAI model without vision")
            << u"https://api.openai.com"_s << u"gpt-3.5-turbo"_s
            << u"The selected model does not support images. Please use gpt-4o or gpt-4-turbo."_s;
    }

    void refusedBeforeAnyRequest()
    {
        QFETCH(QString, base);
        QFETCH(QString, model);
        QFETCH(QString, description);
        Recorder completion(
            m_client->streamCompletion({base, u"k"_s, model}, u"s"_s, u"u"_s, filledImage(10, 10, Qt::red)));
        QVERIFY(completion.log.isEmpty()); // reported from the event loop, after the caller has connected
        QTRY_VERIFY(completion.ended());
        QCOMPARE(completion.log, QStringList{u"failed:" + description});
        QVERIFY(m_server->requests().isEmpty());
    }

    // Whatever a server answers, however broken, ends the stream once, in bounded time and memory, after the pieces
    // that came, with an error that says what happened; the stream deletes itself and its connection closes. A last
    // entry ending in "…" is an error containing that text. Cancelling is the chat turn and app delegate tests' case.
    void streamOutcome_data()
    {
        QTest::addColumn<HttpResponse>("response");
        QTest::addColumn<QString>("first"); // how the log starts
        QTest::addColumn<QString>("last");
        HttpResponse moved = FakeChatServer::status(301, "moved");
        moved.headers.append(std::pair<QByteArray, QByteArray>("Location", "/elsewhere"));
        const QString cut = u"failed:HTTP 429: "_s + QString(ChatCompletionsClient::maxErrorBodyBytes, u'e');
        HttpResponse dropped = FakeChatServer::answer({u"Hal"_s, u"lo"_s});
        dropped.ending = HttpResponse::Ending::Drop;
        HttpResponse stalled = FakeChatServer::stream({FakeChatServer::deltaEvent(u"Hal"_s)});
        stalled.ending = HttpResponse::Ending::Stall;
        QList<QByteArray> endless;
        for (int i = 0; i < 400; ++i)
            endless.append(FakeChatServer::deltaEvent(QString(500, u'a')));
        QTest::newRow("end of body without DONE")
            << FakeChatServer::stream({FakeChatServer::deltaEvent(u"only"_s), "data: {bad"}) << u"c:only"_s
            << u"finished"_s;
        QTest::newRow("redirect is not followed")
            << moved << u"failed:HTTP 301: moved"_s << u"failed:HTTP 301: moved"_s;
        QTest::newRow("huge error body is cut")
            << FakeChatServer::status(429, QByteArray(1024 * 1024, 'e')) << cut << cut;
        QTest::newRow("connection dropped") << dropped << u"c:"_s << u"Connection closed…"_s;
        QTest::newRow("stalled after the first piece") << stalled << u"c:"_s << u"The request timed out.…"_s;
        QTest::newRow("silent") << FakeChatServer::hang() << u"failed:"_s << u"timed out…"_s;
        QTest::newRow("endless answer") << FakeChatServer::stream(endless) << u"c:"_s << u"more than 64 kB…"_s;
    }

    void streamOutcome()
    {
        QFETCH(HttpResponse, response);
        QFETCH(QString, first);
        QFETCH(QString, last);
        m_server->setResponse(response);
        m_client->setInactivityTimeout(std::chrono::milliseconds(500));
        m_client->setMaxStreamBytes(64 * 1024);
        Recorder recorder(m_client->streamCompletion(config(), QString(), u"x"_s));
        QTRY_VERIFY(recorder.ended());
        const QString end = recorder.log.last();
        QVERIFY2(recorder.log.first().startsWith(first), qPrintable(recorder.log.join(u'|')));
        QVERIFY2(last.endsWith(u'…') ? end.startsWith(u"failed:") && end.contains(last.chopped(1)) : end == last,
                 qPrintable(end));
        // Cut off at the bound: no more than the bound arrived as pieces.
        qsizetype received = 0;
        for (const QString& entry : std::as_const(recorder.log))
            received += entry.startsWith(u"c:") ? entry.size() - 2 : 0;
        QVERIFY(received <= 64 * 1024);
        QCOMPARE(m_server->requests().size(), 1);
        QTRY_VERIFY(!recorder.stream); // deletes itself
        QTRY_COMPARE(m_server->openConnections(), 0);
    }

    // Scaled to fit 1024 pixels, sent as JPEG on white after the text. Where a chat puts it is the chat turn tests'.
    void imageUpload()
    {
        const QImage transparent = filledImage(2000, 500, Qt::transparent);
        Recorder recorder(m_client->streamCompletion(config(u"gpt-4o-mini"_s), u"s"_s, u"look"_s, transparent));
        QTRY_VERIFY(recorder.ended());
        QCOMPARE(recorder.log, QStringList{u"finished"_s});
        const QJsonArray parts = m_server->lastBody()[u"messages"_s].toArray().last()[u"content"_s].toArray();
        QCOMPARE(parts.size(), 2);
        QCOMPARE(parts.first().toObject(), (QJsonObject{{u"type"_s, u"text"_s}, {u"text"_s, u"look"_s}}));
        const QString url = parts.last()[u"image_url"_s][u"url"_s].toString();
        QVERIFY(url.startsWith(u"data:image/jpeg;base64,"));
        const QImage decoded = QImage::fromData(QByteArray::fromBase64(url.mid(23).toLatin1()), "JPEG");
        QCOMPARE(decoded.size(), QSize(1024, 256));
        QVERIFY(decoded.pixelColor(512, 128).lightness() > 245); // white, not black
    }

    // The model catalog, on the same kind of fake server

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
        m_server->setResponse(response);
        ModelCatalog catalog(&m_network);
        std::optional<ModelListing> listing;
        catalog.listModels({m_server->baseUrl() + u"/"_s, apiKey, u"m"_s}, this,
                           [&](const ModelListing& result) { listing = result; });
        QVERIFY(!listing); // never before the call returns
        QTRY_VERIFY(listing);
        QCOMPARE(listing->ids, ids);
        QCOMPARE(listing->message, message);
        QCOMPARE(listing->listed, !ids.isEmpty() || message.startsWith(u"This server lists no"));
        QVERIFY(apiKey.isEmpty() || !listing->message.contains(apiKey.trimmed()));

        QCOMPARE(m_server->requests().size(), 1);
        const HttpRequest& request = m_server->requests().first();
        QCOMPARE(request.target, "/v1/models");
        // A key only when there is one, and never with the line breaks of a careless paste.
        QCOMPARE(request.header("Authorization"),
                 apiKey.isEmpty() ? QByteArray() : "Bearer " + apiKey.trimmed().toUtf8());
    }

    void ownerGoneOrCancelled()
    {
        m_server->setResponse(FakeChatServer::hang());
        ModelCatalog catalog(&m_network);
        int calls = 0;
        auto owner = std::make_unique<QObject>();
        catalog.setLocalPorts({{u"Ollama"_s, m_server->port()}});
        catalog.listModels({m_server->baseUrl(), {}, {}}, owner.get(), [&](const ModelListing&) { ++calls; });
        catalog.findLocalServers(this, [&](const QList<LocalServer>&) { ++calls; });
        QTRY_COMPARE(m_server->openConnections(), 2);
        owner.reset();
        catalog.cancel(this);
        QTRY_COMPARE(m_server->openConnections(), 0); // the request is aborted, not left to time out
        QTest::qWait(50);
        QCOMPARE(calls, 0);
    }

    // Probes never go through a proxy (this one does not exist); a closed port and a silent server are left out.
    // What a found server shows is the AI tab's test.
    void findsLocalServers()
    {
        QNetworkProxy::setApplicationProxy(QNetworkProxy(QNetworkProxy::HttpProxy, u"127.0.0.1"_s, 9));
        const auto restore = qScopeGuard([] { QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy); });
        LoopbackHttpServer ollama, silent;
        QVERIFY(ollama.listen() && silent.listen());
        ollama.setHandler([](const HttpRequest&) { return HttpResponse::json(listOf({u"llama3.2:latest"_s})); });
        silent.setHandler([](const HttpRequest&) { return FakeChatServer::hang(); });
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        const quint16 closedPort = closed.serverPort();
        closed.close();

        ModelCatalog catalog(&m_network);
        catalog.setLocalPorts(
            {{u"llama.cpp"_s, closedPort}, {u"LM Studio"_s, silent.port()}, {u"Ollama"_s, ollama.port()}});
        std::optional<QList<LocalServer>> found;
        catalog.findLocalServers(this, [&](const QList<LocalServer>& servers) { found = servers; });
        QTRY_VERIFY_WITH_TIMEOUT(found, 5000);
        QCOMPARE(found->size(), 1);
        QCOMPARE(found->first().baseUrl, ollama.baseUrl());
        QTRY_COMPARE(silent.openConnections(), 0);
    }
};

QTEST_GUILESS_MAIN(TestChatCompletionsClient)
#include "tst_chatcompletionsclient.moc"
