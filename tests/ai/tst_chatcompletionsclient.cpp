// SPDX-License-Identifier: GPL-3.0-or-later
#include "ai/ChatCompletionsClient.h"
#include "support/FakeChatServer.h"

#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <QtTest>

Q_DECLARE_METATYPE(HttpResponse)

namespace {

QByteArray q(const char* text)
{
    return QByteArray(text).replace('\'', '"');
}

// Everything a stream emitted, in order, as text: "c:piece", "a:url|url", "finished", "failed:description".
struct Recorder
{
    QStringList log;
    std::optional<OpenAIError> error;
    QPointer<ChatStream> stream;

    explicit Recorder(ChatStream* observed) : stream(observed)
    {
        QObject::connect(observed, &ChatStream::content, [this](const QString& piece) { log.append(u"c:" + piece); });
        QObject::connect(observed, &ChatStream::annotations, [this](const QList<URLCitation>& citations) {
            QStringList urls;
            for (const URLCitation& citation : citations)
                urls.append(citation.url + u'=' + citation.title.value_or(QStringLiteral("-")));
            log.append(u"a:" + urls.join(u'|'));
        });
        QObject::connect(observed, &ChatStream::finished, [this] { log.append(QStringLiteral("finished")); });
        QObject::connect(observed, &ChatStream::failed, [this](const OpenAIError& e) {
            error = e;
            log.append(u"failed:" + e.description());
        });
    }

    bool ended() const { return !log.isEmpty() && (log.last() == u"finished" || log.last().startsWith(u"failed:")); }
};

QImage filledImage(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(30, 120, 200));
    return image;
}

} // namespace

class TestChatCompletionsClient : public QObject
{
    Q_OBJECT

private:
    QNetworkAccessManager m_network;

    ChatServiceConfig config(const FakeChatServer& server, const QString& model = QStringLiteral("gpt-4o")) const
    {
        return {server.baseUrl(), QStringLiteral("sk-test-123"), model};
    }

private Q_SLOTS:
    void requestBodyAndHeaders()
    {
        FakeChatServer server;
        QVERIFY(server.listen());
        server.setResponse(FakeChatServer::stream({FakeChatServer::doneEvent()}));
        ChatCompletionsClient client(&m_network);
        Recorder recorder(client.streamCompletion(config(server), QStringLiteral("Be brief."), QStringLiteral("Hi")));
        QTRY_VERIFY(recorder.ended());
        QCOMPARE(recorder.log, QStringList{QStringLiteral("finished")});

        QCOMPARE(server.requests().size(), 1);
        const HttpRequest& request = server.requests().first();
        QCOMPARE(request.method, QByteArray("POST"));
        QCOMPARE(request.target, QByteArray("/v1/chat/completions"));
        QCOMPARE(request.header("Content-Type"), QByteArray("application/json"));
        QCOMPARE(request.header("Authorization"), QByteArray("Bearer sk-test-123"));
        // Compact JSON, exactly these keys and values.
        QVERIFY(!request.body.contains('\n'));
        const QJsonObject expected =
            QJsonDocument::fromJson(
                q("{'model':'gpt-4o','stream':true,'temperature':0.7,'presence_penalty':0.6,'frequency_penalty':0.2,"
                  "'messages':[{'role':'system','content':'Be brief.'},{'role':'user','content':'Hi'}]}"))
                .object();
        QCOMPARE(server.lastBody(), expected);

        // A chat sends the system prompt, then the history as given; the web-search flag changes nothing.
        const QJsonArray history =
            QJsonDocument::fromJson(
                q("[{'role':'user','content':'a'},{'role':'assistant','content':'b'},{'role':'user','content':'c'}]"))
                .array();
        Recorder chat(client.streamChat(config(server), QString(), history, QImage(), true));
        QTRY_VERIFY(chat.ended());
        QJsonArray messages{
            QJsonObject{{QStringLiteral("role"), QStringLiteral("system")}, {QStringLiteral("content"), QString()}}};
        for (const QJsonValue& entry : history)
            messages.append(entry);
        QCOMPARE(server.lastBody().value(QStringLiteral("messages")).toArray(), messages);
        QCOMPARE(server.lastBody().value(QStringLiteral("model")).toString(), QStringLiteral("gpt-4o"));
    }

    void lineBreaksInTheKeyStayOutOfTheHeaders()
    {
        FakeChatServer server;
        QVERIFY(server.listen());
        server.setResponse(FakeChatServer::stream({FakeChatServer::doneEvent()}));
        ChatCompletionsClient client(&m_network);
        const ChatServiceConfig settings{server.baseUrl(), QStringLiteral("sk-a\r\nX-Injected: 1\n\r\n"),
                                         QStringLiteral("gpt-4o")};
        Recorder recorder(client.streamCompletion(settings, QStringLiteral("s"), QStringLiteral("Hi")));
        QTRY_VERIFY(recorder.ended());
        QCOMPARE(recorder.log, QStringList{QStringLiteral("finished")});
        QCOMPARE(server.requests().size(), 1);
        const HttpRequest& request = server.requests().first();
        QCOMPARE(request.header("Authorization"), QByteArray("Bearer sk-aX-Injected: 1"));
        QVERIFY(request.header("X-Injected").isEmpty());
        QCOMPARE(server.lastBody().value(QStringLiteral("model")).toString(), QStringLiteral("gpt-4o"));
    }

    void endpointFromBaseUrl_data()
    {
        QTest::addColumn<QString>("base");
        QTest::addColumn<QString>("endpoint"); // empty: invalid
        QTest::newRow("default") << ChatServiceConfig::defaultBaseUrl()
                                 << QStringLiteral("https://api.openai.com/v1/chat/completions");
        QTest::newRow("trailing slash") << QStringLiteral("http://localhost:11434/")
                                        << QStringLiteral("http://localhost:11434/v1/chat/completions");
        QTest::newRow("with a path") << QStringLiteral("https://openrouter.ai/api")
                                     << QStringLiteral("https://openrouter.ai/api/v1/chat/completions");
        QTest::newRow("no scheme") << QStringLiteral("api.openai.com") << QString();
        QTest::newRow("other scheme") << QStringLiteral("ftp://example.com") << QString();
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("spaces in host") << QStringLiteral("http://exa mple.com") << QString();
    }

    void endpointFromBaseUrl()
    {
        QFETCH(QString, base);
        QFETCH(QString, endpoint);
        const std::optional<QUrl> url = ChatServiceConfig{base, QStringLiteral("k"), QStringLiteral("m")}.endpointUrl();
        QCOMPARE(url ? url->toString() : QString(), endpoint);
    }

    void refusedBeforeAnyRequest_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("base");
        QTest::addColumn<QString>("model");
        QTest::addColumn<bool>("withImage");
        QTest::addColumn<QString>("description");
        QTest::newRow("no key") << QString() << QString() << QStringLiteral("gpt-4o") << false
                                << QStringLiteral("No OpenAI API key configured. Open Preferences to set one.");
        QTest::newRow("bad url") << QStringLiteral("k") << QStringLiteral("not a url") << QStringLiteral("gpt-4o")
                                 << false << QStringLiteral("Invalid API URL.");
        QTest::newRow("model without vision")
            << QStringLiteral("k") << QString() << QStringLiteral("gpt-3.5-turbo") << true
            << QStringLiteral("The selected model does not support images. Please use gpt-4o or gpt-4-turbo.");
        QTest::newRow("prefix is case-sensitive")
            << QStringLiteral("k") << QString() << QStringLiteral("GPT-4o") << true
            << QStringLiteral("The selected model does not support images. Please use gpt-4o or gpt-4-turbo.");
    }

    void refusedBeforeAnyRequest()
    {
        QFETCH(QString, key);
        QFETCH(QString, base);
        QFETCH(QString, model);
        QFETCH(bool, withImage);
        QFETCH(QString, description);
        FakeChatServer server;
        QVERIFY(server.listen());
        server.setResponse(FakeChatServer::stream({FakeChatServer::doneEvent()}));
        ChatCompletionsClient client(&m_network);
        const ChatServiceConfig settings{base.isEmpty() ? server.baseUrl() : base, key, model};
        const QImage image = withImage ? filledImage(10, 10) : QImage();
        Recorder completion(client.streamCompletion(settings, QStringLiteral("s"), QStringLiteral("u"), image));
        Recorder chat(client.streamChat(settings, QStringLiteral("s"), {}, image));
        // Reported from the event loop, after the caller has connected.
        QVERIFY(completion.log.isEmpty());
        QTRY_VERIFY(completion.ended() && chat.ended());
        QCOMPARE(completion.log, QStringList{u"failed:" + description});
        QCOMPARE(chat.log, QStringList{u"failed:" + description});
        QVERIFY(server.requests().isEmpty());

        // The same settings without an image run normally (when key and URL are fine).
        if (withImage) {
            Recorder text(client.streamCompletion(settings, QStringLiteral("s"), QStringLiteral("u")));
            QTRY_VERIFY(text.ended());
            QCOMPARE(text.log, QStringList{QStringLiteral("finished")});
            QCOMPARE(server.requests().size(), 1);
        }
    }

    void streamedPieces()
    {
        FakeChatServer server;
        QVERIFY(server.listen());
        // "[DONE]" ends the stream; what follows it is never read.
        server.setResponse(FakeChatServer::stream(
            {FakeChatServer::deltaEvent(QStringLiteral("Hel")), FakeChatServer::deltaEvent(QStringLiteral("lo")),
             FakeChatServer::doneEvent(), FakeChatServer::deltaEvent(QStringLiteral("after done"))},
            400));
        ChatCompletionsClient client(&m_network);
        Recorder recorder(client.streamCompletion(config(server), QString(), QStringLiteral("x")));
        // Each piece is delivered as it arrives, long before the next one is sent.
        QTRY_VERIFY(!recorder.log.isEmpty());
        QCOMPARE(recorder.log, QStringList{QStringLiteral("c:Hel")});
        QTRY_VERIFY(recorder.ended());
        QCOMPARE(recorder.log,
                 (QStringList{QStringLiteral("c:Hel"), QStringLiteral("c:lo"), QStringLiteral("finished")}));
        QTRY_VERIFY(!recorder.stream); // deletes itself
        QTRY_COMPARE(server.http().openConnections(), 0);
    }

    // Over the network, the body split into pieces of every small size gives the same pieces.
    void networkChunking()
    {
        const QByteArray body = ": hi\r\n" + FakeChatServer::deltaEvent(QStringLiteral("Grüße ")) +
                                FakeChatServer::deltaEvent(QStringLiteral("😀")).replace("\n\n", "\r\n\r\n") +
                                q("data:{'choices':[{'delta':{'content':'!'}}]}\r") + FakeChatServer::doneEvent();
        FakeChatServer server;
        QVERIFY(server.listen());
        ChatCompletionsClient client(&m_network);
        for (const qsizetype size : {1, 2, 3, 5, 7}) {
            server.setResponse(FakeChatServer::streamInPieces(body, size, 1));
            Recorder recorder(client.streamCompletion(config(server), QString(), QStringLiteral("x")));
            QTRY_VERIFY(recorder.ended());
            QCOMPARE(recorder.log, (QStringList{QStringLiteral("c:Grüße "), QStringLiteral("c:😀"),
                                                QStringLiteral("c:!"), QStringLiteral("finished")}));
        }
    }

    void endOfBodyWithoutDone()
    {
        FakeChatServer server;
        QVERIFY(server.listen());
        server.setResponse(FakeChatServer::stream({FakeChatServer::deltaEvent(QStringLiteral("only")), "data: {bad"}));
        ChatCompletionsClient client(&m_network);
        Recorder recorder(client.streamCompletion(config(server), QString(), QStringLiteral("x")));
        QTRY_VERIFY(recorder.ended());
        QCOMPARE(recorder.log, (QStringList{QStringLiteral("c:only"), QStringLiteral("finished")}));
    }

    void httpErrors_data()
    {
        QTest::addColumn<HttpResponse>("response");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        QTest::newRow("401 with a three-line body")
            << FakeChatServer::status(401, "{\n  \"error\": {\"message\": \"Incorrect API key\"}\r\n}\n") << 401
            << QStringLiteral("{  \"error\": {\"message\": \"Incorrect API key\"}}");
        QTest::newRow("500 without body") << FakeChatServer::status(500, "") << 500 << QString();
        HttpResponse redirect = FakeChatServer::status(301, "moved");
        redirect.headers.append(std::pair<QByteArray, QByteArray>("Location", "/elsewhere"));
        QTest::newRow("redirect is not followed") << redirect << 301 << QStringLiteral("moved");
        QTest::newRow("huge body is cut") << FakeChatServer::status(429, QByteArray(1024 * 1024, 'e')) << 429
                                          << QString(ChatCompletionsClient::maxErrorBodyBytes, u'e');
    }

    void httpErrors()
    {
        QFETCH(HttpResponse, response);
        QFETCH(int, status);
        QFETCH(QString, message);
        FakeChatServer server;
        QVERIFY(server.listen());
        server.setResponse(response);
        ChatCompletionsClient client(&m_network);
        Recorder recorder(client.streamChat(config(server), QString(), {}));
        QTRY_VERIFY(recorder.ended());
        QCOMPARE(recorder.log.size(), 1);
        QVERIFY(recorder.error);
        QCOMPARE(recorder.error->kind(), OpenAIError::Kind::HttpError);
        QCOMPARE(recorder.error->statusCode(), status);
        QCOMPARE(recorder.error->message(), message);
        QCOMPARE(recorder.error->description(), u"HTTP " + QString::number(status) + u": " + message);
        QCOMPARE(server.requests().size(), 1);
    }

    void serviceErrorInsideStream()
    {
        FakeChatServer server;
        QVERIFY(server.listen());
        server.setResponse(
            FakeChatServer::stream({FakeChatServer::deltaEvent(QStringLiteral("Par")),
                                    q("data: {'error':{'message':'Provider returned error','code':502}}\n\n"),
                                    FakeChatServer::deltaEvent(QStringLiteral("never"))}));
        ChatCompletionsClient client(&m_network);
        Recorder recorder(client.streamChat(config(server), QString(), {}));
        QTRY_VERIFY(recorder.ended());
        QCOMPARE(recorder.log,
                 (QStringList{QStringLiteral("c:Par"), QStringLiteral("failed:Provider returned error")}));
        QCOMPARE(recorder.error->kind(), OpenAIError::Kind::Service);
    }

    void citationsComeLast()
    {
        FakeChatServer server;
        QVERIFY(server.listen());
        const QString a = QStringLiteral("https://a.example/");
        server.setResponse(FakeChatServer::stream(
            {FakeChatServer::deltaEvent(QStringLiteral("One")),
             FakeChatServer::citationEvent({{a, QStringLiteral("First")}, {a, QStringLiteral("Second")}}),
             FakeChatServer::deltaEvent(QStringLiteral(" two")),
             FakeChatServer::citationEvent({{QStringLiteral("https://b.example/"), QStringLiteral("B")}}),
             FakeChatServer::doneEvent()}));
        ChatCompletionsClient client(&m_network);
        Recorder recorder(client.streamChat(config(server), QString(), {}));
        QTRY_VERIFY(recorder.ended());
        QCOMPARE(recorder.log, (QStringList{QStringLiteral("c:One"), QStringLiteral("c: two"),
                                            QStringLiteral("a:https://a.example/=First|https://b.example/=B"),
                                            QStringLiteral("finished")}));
    }

    void imageUpload_data()
    {
        QTest::addColumn<QSize>("source");
        QTest::addColumn<QSize>("sent");
        QTest::newRow("wide is scaled") << QSize(2000, 500) << QSize(1024, 256);
        QTest::newRow("tall is scaled") << QSize(300, 3000) << QSize(102, 1024);
        QTest::newRow("small keeps its size") << QSize(800, 600) << QSize(800, 600);
        QTest::newRow("exactly the limit") << QSize(1024, 1024) << QSize(1024, 1024);
    }

    void imageUpload()
    {
        QFETCH(QSize, source);
        QFETCH(QSize, sent);
        FakeChatServer server;
        QVERIFY(server.listen());
        server.setResponse(FakeChatServer::stream({FakeChatServer::doneEvent()}));
        ChatCompletionsClient client(&m_network);
        Recorder recorder(client.streamCompletion(config(server, QStringLiteral("gpt-4o-mini")), QStringLiteral("s"),
                                                  QStringLiteral("Describe"),
                                                  filledImage(source.width(), source.height())));
        QTRY_VERIFY(recorder.ended());
        const QJsonArray parts = server.lastBody()
                                     .value(QStringLiteral("messages"))
                                     .toArray()
                                     .at(1)
                                     .toObject()
                                     .value(QStringLiteral("content"))
                                     .toArray();
        QCOMPARE(parts.size(), 2);
        QCOMPARE(parts.at(0).toObject(), (QJsonObject{{QStringLiteral("type"), QStringLiteral("text")},
                                                      {QStringLiteral("text"), QStringLiteral("Describe")}}));
        const QJsonObject imagePart = parts.at(1).toObject();
        QCOMPARE(imagePart.value(QStringLiteral("type")).toString(), QStringLiteral("image_url"));
        const QJsonObject imageUrl = imagePart.value(QStringLiteral("image_url")).toObject();
        QCOMPARE(imageUrl.value(QStringLiteral("detail")).toString(), QStringLiteral("auto"));
        const QString url = imageUrl.value(QStringLiteral("url")).toString();
        QVERIFY(url.startsWith(u"data:image/jpeg;base64,"));
        const QByteArray base64 = url.mid(23).toLatin1();
        QVERIFY(!base64.contains('\n'));
        QImage decoded;
        QVERIFY(decoded.loadFromData(QByteArray::fromBase64(base64), "JPEG"));
        QCOMPARE(decoded.size(), sent);
        // JPEG at quality 80 keeps a flat colour close.
        const QColor pixel = decoded.pixelColor(decoded.width() / 2, decoded.height() / 2);
        QVERIFY(qAbs(pixel.blue() - 200) < 8 && qAbs(pixel.green() - 120) < 8);
    }

    void imageWithEmptyTextAndChatPlacement()
    {
        FakeChatServer server;
        QVERIFY(server.listen());
        server.setResponse(FakeChatServer::stream({FakeChatServer::doneEvent()}));
        ChatCompletionsClient client(&m_network);
        const QImage image = filledImage(40, 30);

        // Empty text: only the image part.
        Recorder completion(client.streamCompletion(config(server), QStringLiteral("s"), QString(), image));
        QTRY_VERIFY(completion.ended());
        QJsonArray parts = server.lastBody()[QStringLiteral("messages")][1][QStringLiteral("content")].toArray();
        QCOMPARE(parts.size(), 1);
        QCOMPARE(parts.at(0)[QStringLiteral("type")].toString(), QStringLiteral("image_url"));

        // Chat: the image goes with the last entry when it is the user's, and keeps that entry's text.
        const QJsonArray history = QJsonDocument::fromJson(q("[{'role':'user','content':'first'},{'role':'assistant','"
                                                             "content':'ok'},{'role':'user','content':'look'}]"))
                                       .array();
        Recorder chat(client.streamChat(config(server), QStringLiteral("s"), history, image));
        QTRY_VERIFY(chat.ended());
        const QJsonArray messages = server.lastBody()[QStringLiteral("messages")].toArray();
        QCOMPARE(messages.size(), 4);
        QCOMPARE(messages.at(1)[QStringLiteral("content")].toString(), QStringLiteral("first"));
        parts = messages.at(3)[QStringLiteral("content")].toArray();
        QCOMPARE(parts.size(), 2);
        QCOMPARE(parts.at(0)[QStringLiteral("text")].toString(), QStringLiteral("look"));

        // A history ending with an assistant message sends the image nowhere and still succeeds.
        const QJsonArray endsWithAnswer =
            QJsonDocument::fromJson(q("[{'role':'user','content':'first'},{'role':'assistant','content':'ok'}]"))
                .array();
        Recorder dropped(client.streamChat(config(server), QStringLiteral("s"), endsWithAnswer, image));
        QTRY_VERIFY(dropped.ended());
        QCOMPARE(dropped.log, QStringList{QStringLiteral("finished")});
        QVERIFY(!server.requests().last().body.contains("image_url"));
        QCOMPARE(server.lastBody()[QStringLiteral("messages")].toArray().size(), 3);
    }

    void encodeImage()
    {
        QVERIFY(!ChatCompletionsClient::encodeImageForUpload(QImage()));
        // Transparent parts become white, not black, in the JPEG.
        QImage transparent(20, 20, QImage::Format_ARGB32);
        transparent.fill(Qt::transparent);
        const auto encoded = ChatCompletionsClient::encodeImageForUpload(transparent);
        QVERIFY(encoded);
        QImage decoded;
        QVERIFY(decoded.loadFromData(QByteArray::fromBase64(*encoded), "JPEG"));
        QVERIFY(decoded.pixelColor(10, 10).lightness() > 245);
        QVERIFY(ChatCompletionsClient::isVisionModel(QStringLiteral("gpt-4-turbo-2024-04-09")));
        QVERIFY(!ChatCompletionsClient::isVisionModel(QStringLiteral("o1")));
    }

    void cancelAbortsAndStaysSilent()
    {
        FakeChatServer server;
        QVERIFY(server.listen());
        server.setResponse(
            FakeChatServer::stream({FakeChatServer::deltaEvent(QStringLiteral("first")),
                                    FakeChatServer::deltaEvent(QStringLiteral("second")), FakeChatServer::doneEvent()},
                                   300));
        ChatCompletionsClient client(&m_network);
        ChatStream* stream = client.streamCompletion(config(server), QString(), QStringLiteral("x"));
        Recorder recorder(stream);
        QTRY_COMPARE(recorder.log, QStringList{QStringLiteral("c:first")});
        stream->cancel();
        QTRY_VERIFY(!recorder.stream);
        QTRY_COMPARE(server.http().openConnections(), 0);
        QTest::qWait(400);
        QCOMPARE(recorder.log, QStringList{QStringLiteral("c:first")});

        // Cancelled while the server hangs, and before an early failure is reported.
        server.setResponse(FakeChatServer::hang());
        const qsizetype before = server.requests().size();
        Recorder hung(client.streamCompletion(config(server), QString(), QStringLiteral("x")));
        QTRY_COMPARE(server.requests().size(), before + 1); // the request is on the server, waiting
        QCOMPARE(server.http().openConnections(), 1);
        hung.stream->cancel();
        QTRY_COMPARE(server.http().openConnections(), 0);
        Recorder early(
            client.streamCompletion({server.baseUrl(), QString(), QStringLiteral("m")}, QString(), QString()));
        early.stream->cancel();
        QTRY_VERIFY(!early.stream);
        QVERIFY(hung.log.isEmpty() && early.log.isEmpty());
    }

    void silenceTimesOut()
    {
        FakeChatServer server;
        QVERIFY(server.listen());
        server.setResponse(FakeChatServer::hang());
        ChatCompletionsClient client(&m_network);
        client.setInactivityTimeout(std::chrono::milliseconds(300));
        Recorder recorder(client.streamCompletion(config(server), QString(), QStringLiteral("x")));
        QTRY_VERIFY(recorder.ended());
        QCOMPARE(recorder.error->kind(), OpenAIError::Kind::Transport);
        QCOMPARE(recorder.error->description(), QStringLiteral("The request timed out."));

        // A refused connection passes the network layer's own text through.
        Recorder refused(
            client.streamCompletion({QStringLiteral("http://127.0.0.1:1"), QStringLiteral("k"), QStringLiteral("m")},
                                    QString(), QStringLiteral("x")));
        QTRY_VERIFY(refused.ended());
        QCOMPARE(refused.error->kind(), OpenAIError::Kind::Transport);
        QVERIFY(refused.error->description().contains(u"refused", Qt::CaseInsensitive));
    }
};

QTEST_GUILESS_MAIN(TestChatCompletionsClient)
#include "tst_chatcompletionsclient.moc"
