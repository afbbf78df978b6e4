// SPDX-License-Identifier: GPL-3.0-or-later
#include "ai/MemoryExtractor.h"
#include "ai/ModelCapabilities.h"
#include "ai/PromptAssembly.h"
#include "ai/WebContentExtractor.h"
#include "chat/ChatTurnRunner.h"
#include "chat/QuickRunner.h"
#include "model/AppState.h"
#include "model/ChatStore.h"
#include "model/Settings.h"
#include "support/FakeChatServer.h"
#include "support/FakeWebServer.h"
#include "support/StdoutCapture.h"
#include "support/TestEnvironment.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <QtTest>

#include <functional>

using namespace Qt::StringLiterals;
using namespace WebContent;
using Pages = QHash<QString, HttpResponse>;

Q_DECLARE_METATYPE(HttpResponse)
Q_DECLARE_METATYPE(Pages)

namespace {

using Chat = FakeChatServer;

// Test data reads better with single quotes; they become the JSON's double quotes.
QString q(const char* text)
{
    return QString::fromUtf8(text).replace(u'\'', u'"');
}

QJsonObject bodyOf(const HttpRequest& request)
{
    return QJsonDocument::fromJson(request.body).object();
}
QString contentAt(const HttpRequest& request, qsizetype index)
{
    return bodyOf(request)[u"messages"_s][index][u"content"_s].toString();
}

const Prompt summarize{QUuid::createUuid(), 4, u"Summarize"_s, u"Summarize this."_s};

// Temporary folders, settings, the fake chat service (streamed answers and memory extractions told apart by the
// "stream" flag) and a fake web server, all on loopback.
struct Fixture
{
    TestEnvironment env;
    Settings settings;
    QNetworkAccessManager network;
    FakeChatServer chat;
    FakeWebServer web;
    QList<HttpResponse> streams; // taken in order by the streamed requests
    HttpResponse extraction = Chat::reply(uR"({"user_memory": [], "project_memory": []})"_s);
    std::unique_ptr<AppState> state;
    std::unique_ptr<ChatTurnRunner> runner;
    std::unique_ptr<QSignalSpy> finished;

    explicit Fixture(bool autoMemory = false)
    {
        chat.listen();
        web.listen();
        chat.setHandler([this](const HttpRequest& request) {
            if (!bodyOf(request).value(u"stream"_s).toBool())
                return extraction;
            return streams.isEmpty() ? FakeChatServer::status(500, "nothing scripted") : streams.takeFirst();
        });
        settings.setString(SettingsKeys::apiBaseUrl, chat.baseUrl());
        settings.setString(SettingsKeys::openaiApiKey, u"sk-turn"_s);
        settings.setBoolean(SettingsKeys::autoMemoryEnabled, autoMemory);
        settings.setString(SettingsKeys::memoryModel, u"gpt-4o-mini"_s);
        state = std::make_unique<AppState>(settings, ChatStore(), nullptr);
        runner = std::make_unique<ChatTurnRunner>(*state, settings, network, MemoryStore());
        finished = std::make_unique<QSignalSpy>(runner.get(), &ChatTurnRunner::turnFinished);
    }

    void send(const QString& text, const std::optional<Prompt>& prompt = {}, const std::optional<QImage>& image = {})
    {
        runner->sendChatMessage(text, prompt, image);
    }

    QList<HttpRequest> requests(bool streamed) const
    {
        QList<HttpRequest> list = chat.requests();
        list.removeIf([streamed](const HttpRequest& r) { return bodyOf(r).value(u"stream"_s).toBool() != streamed; });
        return list;
    }

    // What each extraction was given, sorted: extractions run independently of each other. An extraction sent with
    // any model but the small one shows up with the model's name in front, so the comparison fails.
    QStringList extracted() const
    {
        QStringList list;
        for (const HttpRequest& request : requests(false)) {
            const QString model = bodyOf(request).value(u"model"_s).toString();
            list.append((model == u"gpt-4o-mini" ? QString() : u"[" + model + u"] ") + contentAt(request, 1));
        }
        list.sort();
        return list;
    }

    ChatSession session() const { return state->activeChatSession().value(); }
    QString lastShown() const { return session().messages.last().content; }
    // What is on disk once the background writer is done.
    QList<ChatSession> stored() const
    {
        state->waitForSavedSessions();
        return ChatStore().loadSessions();
    }

    // One quick run on "Hello"; true when it ended. The runner lives as long as the app's does when given.
    bool quickRun(QuickRunner* runner = nullptr)
    {
        state->setClipboardText(u"Hello"_s);
        QuickRunner own(*state, settings, network);
        (runner ? runner : &own)->run(summarize);
        return QTest::qWaitFor([&] { return !state->isLoading(); }, 5000);
    }
};

HttpResponse html(const QByteArray& body)
{
    return HttpResponse::text(body, 200, "text/html");
}

// A chunk whose first choice's delta has the given fields.
QByteArray delta(const QByteArray& fields, const QByteArray& finish = "null")
{
    return "data: {\"choices\":[{\"index\":0,\"delta\":{" + fields + "},\"finish_reason\":" + finish + "}]}\n\n";
}

HttpResponse redirect(int status, const QByteArray& location)
{
    HttpResponse response = HttpResponse::text("", status);
    response.headers.append({"Location", location});
    return response;
}

} // namespace

class TestChatTurnRunner : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void turnWithEverythingPresent()
    {
        Fixture f;
        // Without an API key OpenAI's service is not asked at all.
        f.settings.setString(SettingsKeys::openaiApiKey, QString());
        f.settings.setString(SettingsKeys::apiBaseUrl, u"https://api.openai.com"_s);
        f.send(u"hello"_s);
        QVERIFY(f.state->chatSessions().isEmpty());
        QCOMPARE(f.finished->count(), 0);
        f.settings.setString(SettingsKeys::openaiApiKey, u"sk-turn"_s);
        f.settings.setString(SettingsKeys::apiBaseUrl, f.chat.baseUrl());

        const MemoryStore memory;
        memory.savePersonality(u"Be warm."_s);
        QVERIFY(TestEnvironment::writeFile(memory.userMemoryPath(), "User likes tea\n"));
        Project project = f.state->activeProject();
        project.contextDescription = u"  Ships a Qt app.\n"_s;
        f.state->setProjects({project});
        QVERIFY(TestEnvironment::writeFile(memory.projectMemoryPath(project.id), "Uses CMake\n"));
        f.settings.setString(SettingsKeys::openaiModel, u"gpt-4o-2024"_s);
        f.streams = {Chat::answer({u"Short "_s, u"version."_s}, 0, {{u"https://qt.io"_s, u"Qt"_s}})};

        const QString text = u"Shorten this."_s;
        f.send(text, summarize);
        QTRY_COMPARE(f.finished->count(), 1);

        const QList<HttpRequest> sent = f.requests(true);
        QCOMPARE(bodyOf(sent[0]).value(u"model"_s).toString(), u"gpt-4o-2024"_s);
        QCOMPARE(contentAt(sent[0], 0), u"Be warm.\n\nUser memory:\nUser likes tea\n\nProject memory:\nUses CMake\n\n"
                                        u"Context:\nShips a Qt app.\n\nSummarize this."_s);
        QCOMPARE(contentAt(sent[0], 1), u"[Summarize] " + text);
        QCOMPARE(f.session().messages[1].annotations.value().first().url, u"https://qt.io"_s);

        // An image alone goes without an empty text part, is stored as PNG and is not sent again with the next turn.
        f.streams = {Chat::answer({u"A red square."_s}), Chat::answer({u"It is red."_s})};
        QImage red(64, 48, QImage::Format_RGB32);
        red.fill(Qt::red);
        f.send(QString(), std::nullopt, red);
        QTRY_COMPARE(f.finished->count(), 2);
        QCOMPARE(QImage::fromData(f.session().messages[2].imageData.value(), "PNG").size(), QSize(64, 48));
        f.send(u"What colour?"_s);
        QTRY_COMPARE(f.finished->count(), 3);
        const QList<HttpRequest> later = f.requests(true);
        QCOMPARE(bodyOf(later[1])[u"messages"_s].toArray().last()[u"content"_s].toArray().size(), 1);
        QVERIFY(!later[2].body.contains("image_url"));
    }

    // Only a turn that got an answer is remembered: a blank answer counts, an empty or failed one does not, and a
    // failed one keeps what arrived before its error.
    void emptyOrFailedAnswers()
    {
        Fixture f(true);
        f.streams = {Chat::answer({}),
                     Chat::stream({Chat::deltaEvent(u"Half an ans"_s),
                                   "data: {\"error\": {\"message\": \"Rate limit reached\"}}\n\n"}),
                     Chat::answer({u"  "_s, u"\n"_s})};
        f.send(u"one"_s);
        QTRY_COMPARE(f.finished->count(), 1);
        QCOMPARE(f.stored().first().messages.size(), 1); // no empty bubble

        f.send(u"two"_s);
        QTRY_COMPARE(f.finished->count(), 2);
        // What came before the error stays above it.
        QCOMPARE(f.lastShown(), u"Half an ans\n\nError: Rate limit reached"_s);
        QCOMPARE(f.settings.integer(SettingsKeys::totalPromptsUsed), 1); // the failed turn is not counted

        f.send(u"three"_s);
        QTRY_COMPARE(f.finished->count(), 3);
        QTRY_COMPARE(f.extracted(), QStringList{u"User: three\n\nAssistant:   \n"_s});
        QCOMPARE(f.settings.integer(SettingsKeys::totalPromptsUsed), 2);
    }

    // A linked page goes into the request only: not into the stored message, nor into the extraction.
    void linkedPageAndExtractionInputs()
    {
        Fixture f(true);
        Project work = f.state->activeProject();
        Project home = work;
        home.id = QUuid::createUuid();
        f.state->setProjects({work, home});
        f.state->setActiveProjectIndex(1);
        f.state->newChatSession(); // recorded under "Home"
        f.state->setActiveProjectIndex(0);

        const QString page = f.web.baseUrl() + u"/recipe";
        f.web.setHtml(page, "<p>Boil water.</p>");
        f.streams = {Chat::answer({u"Boil "_s, u"it."_s})};
        f.extraction = Chat::reply(uR"({"user_memory": ["User cooks"], "project_memory": ["Recipes are short"]})"_s);
        const QString text = u"See " + page;
        f.send(text, summarize);
        QTRY_COMPARE(f.finished->count(), 1);
        QCOMPARE(contentAt(f.requests(true).first(), 1),
                 u"[Summarize] " + text + u"\n\n[Content from " + page + u"]:\nBoil water.");
        QCOMPARE(f.stored().first().messages.first().content, u"[Summarize] " + text);

        // Extracted without the page, and filed under the session's project.
        QTRY_COMPARE(f.extracted(), QStringList{u"User: [Summarize] " + text + u"\n\nAssistant: Boil it."});
        const MemoryStore memory;
        QTRY_COMPARE(memory.loadProjectMemory(home.id), u"Recipes are short"_s);
        QCOMPARE(memory.loadProjectMemory(work.id), QString());
        QCOMPARE(memory.loadUserMemory(), u"User cooks"_s);
    }

    // Cancelled, torn down or deleted mid-answer: the partial answer is kept (and stored unless its session is
    // gone), the connection closed. A deleted session is not brought back (the newest left becomes active), its
    // turn is still remembered.
    // Cancelled while a linked page loads: no answer was asked for, and no empty bubble stays. A second message ends
    // the first turn before it starts, and the partial answer is its history.
    void interruptedAnswerIsKept_data()
    {
        QTest::addColumn<int>("how");
        QTest::newRow("cancel") << 0;
        QTest::newRow("runner destroyed") << 1;
        QTest::newRow("session deleted") << 2;
        QTest::newRow("cancel while fetching a page") << 3;
        QTest::newRow("second message") << 4;
    }

    void interruptedAnswerIsKept()
    {
        QFETCH(int, how);
        Fixture f(how == 2);
        f.state->newChatSession();
        const ChatSession other = f.state->newChatSession();
        f.state->newChatSession();
        f.streams = {Chat::answer({u"Half"_s, u" more"_s}, 300), Chat::answer({u"Second answer"_s})};
        const QString slow = f.web.baseUrl() + u"/slow";
        f.web.setPage(slow, FakeChatServer::hang());
        const QString shown = how == 3 ? u"Read " + slow : u"Half"_s;
        f.send(how == 3 ? shown : u"go"_s);
        if (how == 3)
            QTRY_COMPARE(f.web.openConnections(), 1);
        else
            QTRY_COMPARE(f.lastShown(), shown);
        const QUuid id = f.session().id;
        if (how == 0 || how == 3) {
            f.runner->cancel();
            QCOMPARE(f.finished->count(), 1);
        } else if (how == 1) {
            f.runner.reset();
        } else if (how == 4) {
            f.send(u"second"_s);
            QCOMPARE(f.finished->count(), 1);
            QTRY_COMPARE(f.finished->count(), 2);
            QCOMPARE(contentAt(f.requests(true).at(1), 2), u"Half"_s);
        } else {
            f.state->deleteSession(id);
            QTRY_COMPARE(f.finished->count(), 1);
            QCOMPARE(f.state->activeChatSessionID(), std::optional<QUuid>(other.id)); // the newest left
            QTRY_COMPARE(f.extracted(), QStringList{u"User: go\n\nAssistant: Half more"_s});
        }
        QList<ChatSession> kept = f.stored();
        kept.removeIf([&id](const ChatSession& s) { return s.id != id; });
        QCOMPARE(kept.size(), how == 2 ? 0 : 1);
        if (!kept.isEmpty())
            QCOMPARE(kept.first().messages, f.session().messages);
        if (how != 2)
            QCOMPARE(f.lastShown(), how == 4 ? u"Second answer"_s : shown);
        QCOMPARE(f.requests(true).isEmpty(), how == 3);
        QTRY_COMPARE(f.chat.openConnections() + f.web.openConnections(), 0);
    }
    // What the turns above leave to the prompt assembly itself: an image without text sends the instruction as the
    // text.
    void promptParts()
    {
        const QImage image(4, 4, QImage::Format_RGB32);
        QCOMPARE(PromptAssembly::composePromptRun(summarize, QString(), image, {}).userText, summarize.systemPrompt);
    }
    // The memory extractor by itself: what the turns above leave to it

    // Replies in the wrong shape are no facts at all.
    void unusableMemoryReplies()
    {
        for (const char* reply : {"{'user_memory': ['a', 3]}", "} nothing here {"})
            QVERIFY2(!MemoryExtractor::parseMemoryReply(q(reply)), reply);
    }

    // Models like to fence their JSON; the counts logged are what the model returned, the file gets only what is new.
    // A failure only logs, and with nothing to send nothing is sent or logged.
    void extraction_data()
    {
        QTest::addColumn<HttpResponse>("response");
        QTest::addColumn<QString>("question");
        QTest::addColumn<QString>("log");
        QTest::addColumn<QByteArray>("userMemory");
        const QString question = u"I write React all day"_s;
        const QByteArray tea = "User likes tea\n";
        QTest::newRow("fenced reply merged")
            << Chat::reply(q("```json\n{'user_memory': ['user likes tea ', 'User is a frontend developer', ' '],\n"
                             " 'project_memory': ['React']}\n```"))
            << question
            << u"MemoryExtractor: saved 3 user memory fact(s)\nMemoryExtractor: saved 1 project memory fact(s)\n"_s
            << tea + "User is a frontend developer\n";
        const QString body = u"x"_s.repeated(250), start = q("{\n 'error': {'message': '");
        QTest::newRow("401, body cut at 200")
            << HttpResponse::json((start + body + q("'}}")).toUtf8(), 401) << question
            << u"MemoryExtractor: HTTP 401 \u2014 " + QString(start).replace(u'\n', u' ') +
                   body.left(200 - start.size()) + u'\n'
            << tea;
        QTest::newRow("timeout") << FakeChatServer::hang() << question
                                 << u"MemoryExtractor: error \u2014 The request timed out.\n"_s << tea;
        QTest::newRow("no question") << Chat::reply(q("{'user_memory': ['x']}")) << QString() << QString() << tea;
    }

    void extraction()
    {
        QFETCH(HttpResponse, response);
        QFETCH(QString, question);
        QFETCH(QString, log);
        QFETCH(QByteArray, userMemory);
        Fixture f;
        f.extraction = response;
        const MemoryStore store;
        QVERIFY(TestEnvironment::writeFile(store.userMemoryPath(), "User likes tea\n"));
        StdoutCapture capture;
        MemoryExtractor extractor(&f.network, store);
        extractor.setTimeout(std::chrono::milliseconds(1000));
        QSignalSpy ended(&extractor, &MemoryExtractor::extractionEnded);
        extractor.extractMemory({f.chat.baseUrl(), u"sk-mem"_s, u"gpt-4o-mini"_s}, question, u"Nice!"_s,
                                QUuid::createUuid());
        QVERIFY(ended.wait(5000));
        QCOMPARE(capture.text(), log);
        QCOMPARE(f.chat.requests().size(), log.isEmpty() ? 0 : 1);
        QCOMPARE(TestEnvironment::readFile(store.userMemoryPath()), userMemory);
    }

    // Quick runs against fakes that stream as Ollama, llama.cpp, vLLM, LM Studio and OpenAI's reasoning models do:
    // what the user sees in the panel and what the history keeps.

    void streamShapes_data()
    {
        QTest::addColumn<QList<QByteArray>>("chunks");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("thinking");
        QTest::addColumn<bool>("cutOff");

        QTest::newRow("vLLM / DeepSeek reasoning_content, length stop")
            << QList<QByteArray>{delta(R"("reasoning_content":"The user wants French.")"),
                                 delta(R"("content":"Bonj")", R"("length")"), FakeChatServer::doneEvent()}
            << u"Bonj"_s << u"The user wants French."_s << true;
        QTest::newRow("Ollama reasoning, role in every delta")
            << QList<QByteArray>{delta(R"("role":"assistant","content":"","reasoning":"Hmm")"),
                                 delta(R"("role":"assistant","content":"","reasoning":", easy.")"),
                                 delta(R"("role":"assistant","content":"Bonjour")"), FakeChatServer::doneEvent()}
            << u"Bonjour"_s << u"Hmm, easy."_s << false;
        QTest::newRow("older llama.cpp bare error line")
            << QList<QByteArray>{delta(R"("content":"Bon")"),
                                 "error: {\"code\":500,\"message\":\"slot unavailable\",\"type\":\"server_error\"}\n\n"}
            << u"Bon\n\nError: slot unavailable"_s << QString() << false;
    }

    void streamShapes()
    {
        QFETCH(QList<QByteArray>, chunks);
        QFETCH(QString, shown);
        QFETCH(QString, thinking);
        QFETCH(bool, cutOff);
        Fixture f;
        f.streams = {FakeChatServer::stream(chunks, 5)};
        QVERIFY(f.quickRun());
        QCOMPARE(f.state->resultText(), shown);
        QCOMPARE(f.state->resultReasoning(), thinking);
        QCOMPARE(f.state->isResultCutOff(), cutOff);
        // Only the answer is kept: the thinking is neither stored nor part of the answer.
        if (!thinking.isEmpty()) {
            QCOMPARE(f.stored().first().messages.last().content, shown);
            QVERIFY(!TestEnvironment::readFile(ChatStore().sessionsFilePath()).contains(thinking.toUtf8()));
        }
    }

    // A model that refuses the sampling parameters is asked once more without them, and from then on without them;
    // any other 400 is not retried, and Ollama's plain error object is shown as its sentence.
    void samplingRefusedOnce()
    {
        const QByteArray refusal = "{\"error\":{\"message\":\"Unsupported parameter: 'temperature' is not supported "
                                   "with this model.\",\"param\":\"temperature\",\"code\":\"unsupported_parameter\"}}";
        Fixture f;
        f.settings.setString(SettingsKeys::openaiModel, u"o3-mini"_s);
        f.chat.setHandler([&](const HttpRequest& request) {
            const QJsonObject body = QJsonDocument::fromJson(request.body).object();
            if (body.contains(u"temperature"_s))
                return FakeChatServer::status(400, refusal);
            return FakeChatServer::answer({u"Bonjour"_s});
        });
        QuickRunner runner(*f.state, f.settings, f.network);
        QVERIFY(f.quickRun(&runner));
        QCOMPARE(f.state->resultText(), u"Bonjour"_s);
        QCOMPARE(f.chat.requests().size(), 2);
        QVERIFY(f.quickRun(&runner));
        QCOMPARE(f.chat.requests().size(), 3); // remembered: straight without them

        f.settings.setString(SettingsKeys::openaiModel, u"other"_s);
        f.chat.setHandler([](const HttpRequest&) {
            return FakeChatServer::status(400, "{\"error\":\"model \\\"other\\\" not found, try pulling it first\"}");
        });
        QVERIFY(f.quickRun(&runner));
        QCOMPARE(f.state->resultText(), uR"(Error: model "other" not found, try pulling it first)"_s);
        QCOMPARE(f.chat.requests().size(), 4);
    }

    // Each server tells in its own place whether the model takes images (a server that says nothing leaves the
    // name to decide, as the client's refusal for gpt-3.5-turbo shows).
    void visionAnswers_data()
    {
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QString>("model");
        QTest::addColumn<bool>("vision");
        QTest::newRow("Ollama says text only")
            << QByteArray("/api/show") << QByteArray(R"({"capabilities":["completion","tools"]})")
            << u"llava-look-alike"_s << false;
        QTest::newRow("llama.cpp modalities")
            << QByteArray("/props") << QByteArray(R"({"modalities":{"vision":true,"audio":false}})") << u"model.gguf"_s
            << true;
        QTest::newRow("LM Studio vlm") << QByteArray("/api/v0/models/my%2Fmodel") << QByteArray(R"({"type":"vlm"})")
                                       << u"my/model"_s << true;
    }

    void visionAnswers()
    {
        QFETCH(QByteArray, path);
        QFETCH(QByteArray, answer);
        QFETCH(QString, model);
        QFETCH(bool, vision);
        Fixture f;
        f.chat.setHandler([&](const HttpRequest& request) {
            return request.target == path ? HttpResponse::json(answer) : HttpResponse::json("{}", 404);
        });
        const ChatServiceConfig config{f.chat.baseUrl(), QString(), model};
        ModelCapabilities& capabilities = ModelCapabilities::shared();
        capabilities.probe(config);
        QTRY_COMPARE(f.chat.requests().size(), 3);
        QTRY_COMPARE(capabilities.supportsVision(config), vision);
    }

    // Linked pages by themselves: what the turns above leave to them

    void findLinksAndRouting()
    {
        const auto found = [](const QString& text) {
            QStringList links;
            for (const QUrl& url : findLinks(text))
                links.append(url.toString());
            return links.join(u' ');
        };
        // In order, duplicates kept, punctuation trimmed, brackets kept when they belong to the link.
        QCOMPARE(found(u"See https://a.example/x. Then (http://b.example/y), and https://a.example/x!"_s),
                 u"https://a.example/x http://b.example/y https://a.example/x"_s);
        QCOMPARE(found(u"[w](https://en.wikipedia.org/wiki/Qt_(software))"_s),
                 u"https://en.wikipedia.org/wiki/Qt_(software)"_s);
        QCOMPARE(found(u"go to www.example.org/page or HTTPS://Example.COM/A?b=1#c"_s),
                 u"http://www.example.org/page https://example.com/A?b=1#c"_s);

        // Routing by the site's domain or one under it, whatever its case; a host that merely contains "x.com" is
        // another site. Instagram and X pages are routed in the fetch tests below.
        const QList<std::pair<const char*, Site>> routes{{"https://vm.TikTok.com/x", Site::TikTok},
                                                         {"https://dropbox.com/s/1", Site::Generic},
                                                         {"https://example.org/instagram.com", Site::Generic}};
        for (const auto& [url, site] : routes)
            QVERIFY2(siteForUrl(QUrl(QString::fromLatin1(url))) == site, url);
    }

    // Every text helper, named in the first column; a missing result reads "<none>".
    void textHelpers_data()
    {
        QTest::addColumn<QString>("helper");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("output");
        const auto row = [](const char* name, const char* helper, const QString& input, const QString& output) {
            QTest::newRow(name) << QString::fromLatin1(helper) << input << output;
        };
        row("entities: amp first, named and numeric", "entities",
            u"&amp;amp; &amp;lt; &quot;a&quot; &#39;b&#x27;&nbsp;&mdash;&#128512;&#x1F600;"_s,
            u"&amp; < \"a\" 'b' \u2014😀😀"_s);
        // Surrogates, out of range, capital X and unknown names stay as written.
        const QString kept = u"&#xD800; &#55296; &#1114112; &#99999999999; &#X41; &copy; & x"_s;
        row("entities: kept", "entities", kept, kept);
        row("json: escapes", "json", u"Caf\\u00e9\\nline\\r\\tx \\/ \\\"q\\\" &amp; a\\\\nb"_s,
            u"Café\nline x / \"q\" & a\\\nb"_s);
        const QString meta = q("<META property='og:title' content='A &amp; B'>"
                               "<meta content='Desc' name='description'><meta property='og:image' content=''>");
        row("meta: content before name", "meta:description", meta, u"Desc"_s);
        row("meta: empty content", "meta:og:image", meta, u"<none>"_s);
        const QString full(maxPageCharacters, u'a');
        row("limit: an emoji at the cut stays whole", "limit", full.left(maxPageCharacters - 1) + u"😀😀"_s,
            full.left(maxPageCharacters - 1) + u"😀\n[\u2026truncated]");
        // TikTok: a 5-character desc is rejected for the next pattern; a 50-character author for the next one.
        row("tiktok: fallbacks", "tiktok",
            q("{'desc': 'short', 'description': 'Dance challenge', 'uniqueId': '") + QString(50, u'a') +
                q("', 'author': 'dancer.one'} <a href='/@other'>"),
            u"Caption: Dance challenge\n\nAuthor: @dancer.one"_s);
    }

    void textHelpers()
    {
        QFETCH(QString, helper);
        QFETCH(QString, input);
        QFETCH(QString, output);
        const QHash<QString, std::function<std::optional<QString>(const QString&)>> helpers{
            {u"entities"_s, decodeHTMLEntities},
            {u"json"_s, unescapeJSONString},
            {u"limit"_s, limitLength},
            {u"tiktok"_s, tiktokPageText}};
        const std::optional<QString> result =
            helper.startsWith(u"meta:") ? extractMetaContent(input, helper.mid(5)) : helpers.value(helper)(input);
        QCOMPARE(result.value_or(u"<none>"_s), output);
    }

    void fetchedContent_data()
    {
        QTest::addColumn<Pages>("pages");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("content");
        QTest::addColumn<int>("requests");
        // At most three links are read, one at a time; a failed page (here one that never answers and is given up
        // after the timeout) is left out.
        QTest::newRow("five links, three fetched")
            << Pages{{u"http://one.example/"_s, html("<p>First page</p>")},
                     {u"http://slow.example/"_s, FakeChatServer::hang()},
                     {u"http://three.example/"_s, html("<p>Third page</p>")},
                     {u"http://four.example/"_s, html("<p>Fourth</p>")}}
            << u"http://one.example/ http://slow.example/ http://three.example/ http://four.example/ "
               u"http://five.example/"_s
            << u"[Content from http://one.example/]:\nFirst page\n\n[Content from http://three.example/]:\nThird page"_s
            << 3;
        // The label names the URL as requested: "%20" stays, it does not become a space that breaks the URL.
        QTest::newRow("label is the encoded url")
            << Pages{{u"http://space.example/a%20b?q=%C3%A9"_s, html("<p>Spaced</p>")}}
            << u"read http://space.example/a%20b?q=%C3%A9 please"_s
            << u"[Content from http://space.example/a%20b?q=%C3%A9]:\nSpaced"_s << 1;
        // Past the byte limit: what arrived up to it is used, cut on a character boundary, then to the character
        // limit; the label is the link as written, not where it redirected.
        QTest::newRow("redirect to a huge page")
            << Pages{{u"http://old.example/"_s, redirect(301, "http://huge.example/")},
                     {u"http://huge.example/"_s,
                      html("<p>" + QByteArray(maxPageBytes - 4, 'z') + "\xc3\xa9\xc3\xa9 and much more</p>")}}
            << u"http://old.example/"_s
            << QString(u"[Content from http://old.example/]:\n" + QString(maxPageCharacters, u'z') +
                       u"\n[\u2026truncated]")
            << 2;
        QTest::newRow("not utf-8, empty text, redirect loop: nothing")
            << Pages{{u"http://latin1.example/"_s, html("<p>caf\xe9</p>")},
                     {u"http://empty.example/"_s, html("<script>x</script>   ")},
                     {u"http://loop.example/"_s, redirect(302, "http://loop.example/")}}
            << u"http://latin1.example/ http://empty.example/ http://loop.example/"_s << QString()
            << 2 + 1 + maxRedirects;
        // An X page without og tags is read again as a plain page; a page not found is left out.
        QTest::newRow("site fetchers, X read again")
            << Pages{{u"http://www.instagram.com/p/abc/"_s,
                      html(q("<meta property='og:title' content='Ann'>").toUtf8())},
                     {u"http://x.com/ann/status/1"_s, html("<div>Plain tweet text</div>")}}
            << u"http://www.instagram.com/p/abc/ and http://x.com/ann/status/1 http://gone.example/"_s
            << u"[Content from http://www.instagram.com/p/abc/]:\nTitle: Ann\n\n"
               u"[Content from http://x.com/ann/status/1]:\nPlain tweet text"_s
            << 4;
    }

    void fetchedContent()
    {
        QFETCH(Pages, pages);
        QFETCH(QString, text);
        QFETCH(QString, content);
        QFETCH(int, requests);
        // Linked pages for any host, through the fake web server as the proxy.
        FakeWebServer web;
        QVERIFY(web.listen());
        QNetworkAccessManager network;
        network.setProxy(web.proxy());
        for (auto page = pages.cbegin(); page != pages.cend(); ++page)
            web.setPage(page.key(), page.value());
        QSignalSpy done(fetchLinkedContent(&network, text, nullptr, std::chrono::seconds(2)),
                        &LinkedContentFetch::finished);
        QVERIFY(done.wait(10000));
        QCOMPARE(done.first().first().toString(), content);
        // Qt sends a request once more when its connection closes before the answer starts, which a loaded machine
        // sees now and then; more than that would be a fetch too many.
        QVERIFY2(web.requests().size() >= requests && web.requests().size() <= requests + 1,
                 qPrintable(QString::number(web.requests().size())));
        QCOMPARE(web.mostConcurrent(), 1);
        QTRY_COMPARE(web.openConnections(), 0);
    }
};

QTEST_GUILESS_MAIN(TestChatTurnRunner)
#include "tst_chatturnrunner.moc"
