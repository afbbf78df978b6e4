// SPDX-License-Identifier: GPL-3.0-or-later
#include "ai/ChatCompletionsClient.h"
#include "support/FakeChatServer.h"

#include <QJsonDocument>
#include <QNetworkAccessManager>
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

// Transparent, so an upload shows what became of the transparent parts.
QImage filledImage(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    return image;
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
        row("null error is no error", q("data: {'error':null,'choices':[{'delta':{'content':'y'}}]}\n"),
            {content(u"y"_s), finished});

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

    void endpointFromBaseUrl()
    {
        const QList<std::pair<QString, QString>> cases{
            {u"https://openrouter.ai/api"_s, u"https://openrouter.ai/api/v1/chat/completions"_s},
            {u"http://localhost:8080/v1/"_s, u"http://localhost:8080/v1/chat/completions"_s},
            {u"ftp://example.com"_s, {}}};
        for (const auto& [base, endpoint] : cases) {
            const std::optional<QUrl> url = ChatServiceConfig{base, u"k"_s, u"m"_s}.endpointUrl();
            QCOMPARE(url ? url->toString() : QString(), endpoint);
        }
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
        Recorder completion(m_client->streamCompletion({base, u"k"_s, model}, u"s"_s, u"u"_s, filledImage(10, 10)));
        QVERIFY(completion.log.isEmpty()); // reported from the event loop, after the caller has connected
        QTRY_VERIFY(completion.ended());
        QCOMPARE(completion.log, QStringList{u"failed:" + description});
        QVERIFY(m_server->requests().isEmpty());
    }

    void streamOutcome_data()
    {
        QTest::addColumn<HttpResponse>("response");
        QTest::addColumn<QStringList>("log");
        QTest::newRow("end of body without DONE")
            << FakeChatServer::stream({FakeChatServer::deltaEvent(u"only"_s), "data: {bad"})
            << QStringList{u"c:only"_s, u"finished"_s};
        QTest::newRow("401 body joined without separators")
            << FakeChatServer::status(401, "{\n  \"error\": {\"message\": \"Incorrect API key\"}\r\n}\n")
            << QStringList{u"failed:HTTP 401: {  \"error\": {\"message\": \"Incorrect API key\"}}"_s};
        HttpResponse moved = FakeChatServer::status(301, "moved");
        moved.headers.append(std::pair<QByteArray, QByteArray>("Location", "/elsewhere"));
        QTest::newRow("redirect is not followed") << moved << QStringList{u"failed:HTTP 301: moved"_s};
        QTest::newRow("huge error body is cut")
            << FakeChatServer::status(429, QByteArray(1024 * 1024, 'e'))
            << QStringList{u"failed:HTTP 429: "_s + QString(ChatCompletionsClient::maxErrorBodyBytes, u'e')};
    }

    void streamOutcome()
    {
        QFETCH(HttpResponse, response);
        QFETCH(QStringList, log);
        m_server->setResponse(response);
        Recorder recorder(m_client->streamChat(config(), QString(), {}));
        QTRY_VERIFY(recorder.ended());
        QCOMPARE(recorder.log, log);
        QCOMPARE(m_server->requests().size(), 1);
        QTRY_VERIFY(!recorder.stream); // deletes itself
        QTRY_COMPARE(m_server->http().openConnections(), 0);
    }

    // Scaled to fit 1024 pixels, sent as JPEG on white after the text (none when the text is empty); in a chat,
    // with the last user entry.
    void imageUpload_data()
    {
        QTest::addColumn<QSize>("source");
        QTest::addColumn<QSize>("sent");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("chat");
        QTest::newRow("wide is scaled") << QSize(2000, 500) << QSize(1024, 256) << QString() << QByteArray();
        QTest::newRow("chat: with the last user entry")
            << QSize(40, 30) << QSize(40, 30) << u"look"_s
            << QByteArray("[{'role':'user','content':'first'},{'role':'assistant','content':'ok'},"
                          "{'role':'user','content':'look'}]");
    }

    void imageUpload()
    {
        QFETCH(QSize, source);
        QFETCH(QSize, sent);
        QFETCH(QString, text);
        QFETCH(QByteArray, chat);
        const QImage image = filledImage(source.width(), source.height());
        Recorder recorder(
            chat.isEmpty() ? m_client->streamCompletion(config(u"gpt-4o-mini"_s), u"s"_s, text, image)
                           : m_client->streamChat(config(), u"s"_s, QJsonDocument::fromJson(q(chat)).array(), image));
        QTRY_VERIFY(recorder.ended());
        QCOMPARE(recorder.log, QStringList{u"finished"_s});
        const QJsonArray parts = m_server->lastBody()[u"messages"_s].toArray().last()[u"content"_s].toArray();
        QCOMPARE(parts.size(), text.isEmpty() ? 1 : 2);
        if (!text.isEmpty())
            QCOMPARE(parts.first().toObject(), (QJsonObject{{u"type"_s, u"text"_s}, {u"text"_s, text}}));
        const QString url = parts.last()[u"image_url"_s][u"url"_s].toString();
        QVERIFY(url.startsWith(u"data:image/jpeg;base64,"));
        const QImage decoded = QImage::fromData(QByteArray::fromBase64(url.mid(23).toLatin1()), "JPEG");
        QCOMPARE(decoded.size(), sent);
        QVERIFY(decoded.pixelColor(sent.width() / 2, sent.height() / 2).lightness() > 245); // white, not black
    }

    // Servers that misbehave mid-answer: each ends in bounded time and memory, after the pieces that came, with
    // an error that says what happened.
    void misbehavingServers_data()
    {
        QTest::addColumn<HttpResponse>("response");
        QTest::addColumn<QString>("expectError");
        HttpResponse dropped = FakeChatServer::answer({u"Hal"_s, u"lo"_s});
        dropped.ending = HttpResponse::Ending::Drop;
        HttpResponse stalled = FakeChatServer::stream({FakeChatServer::deltaEvent(u"Hal"_s)});
        stalled.ending = HttpResponse::Ending::Stall;
        QList<QByteArray> endless;
        for (int i = 0; i < 400; ++i)
            endless.append(FakeChatServer::deltaEvent(QString(500, u'a')));
        QTest::newRow("connection dropped") << dropped << u"Connection closed"_s;
        QTest::newRow("stalled after the first piece") << stalled << u"The request timed out."_s;
        QTest::newRow("endless answer") << FakeChatServer::stream(endless) << u"more than 64 kB"_s;
    }

    void misbehavingServers()
    {
        QFETCH(HttpResponse, response);
        QFETCH(QString, expectError);
        m_server->setResponse(response);
        m_client->setInactivityTimeout(std::chrono::milliseconds(500));
        m_client->setMaxStreamBytes(64 * 1024);
        Recorder recorder(m_client->streamCompletion(config(), QString(), u"x"_s));
        QTRY_VERIFY(recorder.ended());
        QVERIFY2(recorder.log.first().startsWith(u"c:"), qPrintable(recorder.log.join(u'|')));
        QVERIFY2(recorder.log.last().startsWith(u"failed:") && recorder.log.last().contains(expectError),
                 qPrintable(recorder.log.last()));
        // Cut off at the bound: no more than the bound arrived as pieces.
        qsizetype received = 0;
        for (const QString& entry : std::as_const(recorder.log))
            received += entry.startsWith(u"c:") ? entry.size() - 2 : 0;
        QVERIFY(received <= 64 * 1024);
    }

    // A stream that goes silent ends when the inactivity timeout runs out. Cancelling is the chat turn and app
    // delegate tests' case.
    void silentServerTimesOut()
    {
        m_server->setResponse(FakeChatServer::hang());
        m_client->setInactivityTimeout(std::chrono::milliseconds(300));
        Recorder silent(m_client->streamCompletion(config(), QString(), u"x"_s));
        QTRY_VERIFY(silent.ended());
        QCOMPARE(silent.log, QStringList{u"failed:The request timed out."_s});
    }
};

QTEST_GUILESS_MAIN(TestChatCompletionsClient)
#include "tst_chatcompletionsclient.moc"
