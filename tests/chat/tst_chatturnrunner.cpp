// SPDX-License-Identifier: GPL-3.0-or-later
#include "ai/MemoryExtractor.h"
#include "app/ChatTurnRunner.h"
#include "model/AppState.h"
#include "model/ChatStore.h"
#include "model/Settings.h"
#include "support/FakeChatServer.h"
#include "support/FakeWebServer.h"
#include "support/TestEnvironment.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <QtTest>

Q_DECLARE_METATYPE(HttpResponse)

namespace {

QString s(const char* text)
{
    return QString::fromUtf8(text);
}

HttpResponse answer(const QStringList& pieces, int delayMs = 0, const QList<std::pair<QString, QString>>& sources = {})
{
    QList<QByteArray> chunks;
    for (const QString& piece : pieces)
        chunks.append(FakeChatServer::deltaEvent(piece));
    if (!sources.isEmpty())
        chunks.append(FakeChatServer::citationEvent(sources));
    chunks.append(FakeChatServer::doneEvent());
    return FakeChatServer::stream(chunks, delayMs);
}

// The non-streamed reply of a memory extraction.
HttpResponse memoryReply(const QString& content)
{
    const QJsonObject body{
        {s("choices"),
         QJsonArray{QJsonObject{{s("message"), QJsonObject{{s("role"), s("assistant")}, {s("content"), content}}}}}}};
    return HttpResponse::json(QJsonDocument(body).toJson());
}

QImage picture(QColor color)
{
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(color);
    return image;
}

QJsonObject bodyOf(const HttpRequest& request)
{
    return QJsonDocument::fromJson(request.body).object();
}

QJsonArray messagesOf(const HttpRequest& request)
{
    return bodyOf(request).value(s("messages")).toArray();
}

QString contentAt(const HttpRequest& request, qsizetype index)
{
    return messagesOf(request).at(index).toObject().value(s("content")).toString();
}

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
    HttpResponse extraction = memoryReply(s(R"({"user_memory": [], "project_memory": []})"));
    std::unique_ptr<AppState> state;
    std::unique_ptr<ChatTurnRunner> runner;
    std::unique_ptr<QSignalSpy> finished;

    Fixture()
    {
        chat.listen();
        web.listen();
        chat.http().setHandler([this](const HttpRequest& request) {
            if (!bodyOf(request).value(s("stream")).toBool())
                return extraction;
            return streams.isEmpty() ? FakeChatServer::status(500, "nothing scripted") : streams.takeFirst();
        });
        settings.setString(SettingsKeys::apiBaseUrl, chat.baseUrl());
        settings.setString(SettingsKeys::openaiApiKey, s("sk-turn"));
        settings.setBoolean(SettingsKeys::autoMemoryEnabled, false);
        state = std::make_unique<AppState>(settings, ChatStore(), nullptr);
        runner = std::make_unique<ChatTurnRunner>(*state, settings, network, MemoryStore());
        finished = std::make_unique<QSignalSpy>(runner.get(), &ChatTurnRunner::turnFinished);
    }

    QList<HttpRequest> requests(bool streamed) const
    {
        QList<HttpRequest> list;
        for (const HttpRequest& request : chat.requests()) {
            if (bodyOf(request).value(s("stream")).toBool() == streamed)
                list.append(request);
        }
        return list;
    }

    ChatSession session() const { return state->activeChatSession().value(); }
    static QList<ChatSession> stored() { return ChatStore().loadSessions(); }
    qint64 turnsCounted() const { return settings.integer(SettingsKeys::totalPromptsUsed); }
};

} // namespace

class TestChatTurnRunner : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void turnWithEverythingPresent()
    {
        Fixture f;
        const MemoryStore memory;
        memory.savePersonality(s("Be warm."));
        QVERIFY(TestEnvironment::writeFile(memory.userMemoryPath(), "User likes tea\n"));
        Project project = f.state->activeProject();
        project.contextDescription = s("  Ships a Qt app.\n");
        f.state->setProjects({project});
        QVERIFY(TestEnvironment::writeFile(memory.projectMemoryPath(project.id), "Uses CMake\n"));
        f.settings.setString(SettingsKeys::openaiModel, s("gpt-4o-2024"));
        f.streams = {answer({s("Short "), s("version.")}, 0, {{s("https://qt.io"), s("Qt")}})};

        const Prompt summarize{QUuid::createUuid(), 4, s("Summarize"), s("Summarize this.")};
        f.runner->sendChatMessage(s("  The long text\nof the day  "), summarize, std::nullopt);
        QVERIFY(f.runner->isStreaming());
        QTRY_COMPARE(f.finished->count(), 1);
        QVERIFY(!f.runner->isStreaming());

        const QList<HttpRequest> sent = f.requests(true);
        QCOMPARE(sent.size(), 1);
        QCOMPARE(sent[0].target, QByteArray("/v1/chat/completions"));
        QCOMPARE(sent[0].header("Authorization"), QByteArray("Bearer sk-turn"));
        QCOMPARE(bodyOf(sent[0]).value(s("model")).toString(), s("gpt-4o-2024"));
        QCOMPARE(contentAt(sent[0], 0), s("Be warm.\n\nUser memory:\nUser likes tea\n\nProject memory:\nUses CMake\n\n"
                                          "Context:\nShips a Qt app.\n\nSummarize this."));
        QCOMPARE(messagesOf(sent[0]).size(), 2);
        QCOMPARE(contentAt(sent[0], 1), s("[Summarize]   The long text\nof the day  "));

        const ChatSession session = f.session();
        QCOMPARE(session.title, s("The long text\nof the day"));
        QCOMPARE(session.messages.size(), 2);
        QCOMPARE(session.messages[0].content, s("[Summarize]   The long text\nof the day  "));
        QCOMPARE(session.messages[1].role, MessageRole::Assistant);
        QCOMPARE(session.messages[1].content, s("Short version."));
        QCOMPARE(session.messages[1].annotations.value().size(), 1);
        QCOMPARE(session.messages[1].annotations->first().url, s("https://qt.io"));
        QCOMPARE(Fixture::stored(), f.state->chatSessions());
        QCOMPARE(f.turnsCounted(), 1);
    }

    void titleIsCutFromTheText()
    {
        Fixture f;
        f.streams = {answer({s("ok")})};
        f.runner->sendChatMessage(s("\n 😀") + QString(50, u'a'), std::nullopt, std::nullopt);
        QTRY_COMPARE(f.finished->count(), 1);
        // Forty characters as a reader counts them: the emoji is one.
        QCOMPARE(f.session().title, s("😀") + QString(39, u'a'));
    }

    void noApiKeyDoesNothing()
    {
        Fixture f;
        f.settings.setString(SettingsKeys::openaiApiKey, QString());
        f.runner->sendChatMessage(s("hello"), std::nullopt, std::nullopt);
        QVERIFY(!f.runner->isStreaming());
        QVERIFY(f.state->chatSessions().isEmpty());
        QCOMPARE(f.finished->count(), 0);
        QVERIFY(f.chat.requests().isEmpty());
    }

    void linkedPageGoesIntoTheRequestOnly()
    {
        Fixture f;
        const QString page = f.web.http().baseUrl() + s("/article");
        const QString missing = f.web.http().baseUrl() + s("/gone");
        f.web.setHtml(page, "<html><head><title>x</title></head><body><p>Qt 6.4 ships today.</p></body></html>");
        f.streams = {answer({s("Noted.")})};
        const QString text = s("Read ") + missing + s(" and ") + page;
        f.runner->sendChatMessage(text, std::nullopt, std::nullopt);
        QTRY_COMPARE(f.finished->count(), 1);

        QCOMPARE(f.web.requestedUrls(), (QStringList{missing, page}));
        const QList<HttpRequest> sent = f.requests(true);
        QCOMPARE(sent.size(), 1);
        QCOMPARE(contentAt(sent[0], 1), text + s("\n\n[Content from ") + page + s("]:\nQt 6.4 ships today."));
        QCOMPARE(f.session().messages.first().content, text);
        QCOMPARE(Fixture::stored().first().messages.first().content, text);
    }

    void imageOnlyMessageAndEarlierImages()
    {
        Fixture f;
        f.streams = {answer({s("  A red square on a white background, drawn "), s("in a hurry.  ")}),
                     answer({s("It is red.")})};
        f.runner->sendChatMessage(QString(), std::nullopt, picture(Qt::red));
        QTRY_COMPARE(f.finished->count(), 1);
        // An image-only first message is named after the trimmed answer.
        QCOMPARE(f.session().title, s("A red square on a white background, draw"));
        const std::optional<QByteArray> png = f.session().messages.first().imageData;
        QVERIFY(png && png->startsWith("\x89PNG"));
        QImage decoded;
        QVERIFY(decoded.loadFromData(*png, "PNG"));
        QCOMPARE(decoded.size(), QSize(64, 48));

        f.runner->sendChatMessage(s("What colour?"), std::nullopt, std::nullopt);
        QTRY_COMPARE(f.finished->count(), 2);
        const QList<HttpRequest> sent = f.requests(true);
        QCOMPARE(sent.size(), 2);
        const QJsonArray first = messagesOf(sent[0]);
        QVERIFY(first.last().toObject().value(s("content")).isArray()); // the image went with the first turn
        const QJsonArray second = messagesOf(sent[1]);
        QCOMPARE(second.size(), 4);
        for (const QJsonValue& message : second)
            QVERIFY(message.toObject().value(s("content")).isString());
        QCOMPARE(contentAt(sent[1], 1), QString());
        QCOMPARE(contentAt(sent[1], 2), s("  A red square on a white background, drawn in a hurry.  "));
        QCOMPARE(contentAt(sent[1], 3), s("What colour?"));
        // The title is not taken again from a later answer.
        QCOMPARE(f.session().title, s("A red square on a white background, draw"));
    }

    void secondMessageWhileStreaming()
    {
        Fixture f;
        f.settings.setBoolean(SettingsKeys::autoMemoryEnabled, true);
        f.streams = {answer({s("Partial "), s("never seen")}, 300), answer({s("Second answer")})};
        f.runner->sendChatMessage(s("first"), std::nullopt, std::nullopt);
        const QUuid id = f.session().id;
        QTRY_COMPARE(f.session().messages.last().content, s("Partial "));
        // Shown at once, but the file is written only at the end of the turn.
        QCOMPARE(Fixture::stored().first().messages.last().content, QString());
        QCOMPARE(f.finished->count(), 0);

        f.runner->sendChatMessage(s("second"), std::nullopt, std::nullopt);
        QCOMPARE(f.finished->count(), 1); // the first turn ended before the second began
        QCOMPARE(f.turnsCounted(), 1);
        QTRY_COMPARE(f.finished->count(), 2);
        QCOMPARE(f.turnsCounted(), 2);

        const ChatSession session = f.session();
        QCOMPARE(session.id, id);
        QStringList contents;
        for (const ChatMessage& message : session.messages)
            contents.append(message.content);
        QCOMPARE(contents, (QStringList{s("first"), s("Partial "), s("second"), s("Second answer")}));
        QCOMPARE(Fixture::stored().first(), session);
        // The second request carried the partial answer as history.
        QCOMPARE(contentAt(f.requests(true).at(1), 2), s("Partial "));

        // The cancelled turn is remembered like a finished one.
        QTRY_COMPARE(f.requests(false).size(), 2);
        QStringList extracted;
        for (const HttpRequest& request : f.requests(false))
            extracted.append(contentAt(request, 1));
        extracted.sort();
        QCOMPARE(extracted,
                 (QStringList{s("User: first\n\nAssistant: Partial "), s("User: second\n\nAssistant: Second answer")}));
        QTRY_COMPARE(f.chat.http().openConnections(), 0);
    }

    void emptyAnswerLeavesNoBubble()
    {
        Fixture f;
        f.settings.setBoolean(SettingsKeys::autoMemoryEnabled, true);
        f.streams = {answer({}), answer({s("  "), s("\n")}), answer({s("Here.")})};
        f.runner->sendChatMessage(s("one"), std::nullopt, std::nullopt);
        QTRY_COMPARE(f.finished->count(), 1);
        QCOMPARE(f.session().messages.size(), 1);
        QCOMPARE(Fixture::stored().first().messages.size(), 1);
        QCOMPARE(f.turnsCounted(), 1);

        f.runner->sendChatMessage(s("two"), std::nullopt, std::nullopt);
        QTRY_COMPARE(f.finished->count(), 2);
        QCOMPARE(f.session().messages.size(), 2);
        QCOMPARE(f.session().messages.last().content, s("two"));

        // A blank answer is still an answer for the extraction; the empty one started none.
        f.runner->sendChatMessage(s("three"), std::nullopt, std::nullopt);
        QTRY_COMPARE(f.finished->count(), 3);
        QTRY_COMPARE(f.requests(false).size(), 2);
        QCOMPARE(contentAt(f.requests(false).at(0), 1), s("User: two\n\nAssistant:   \n"));
        QCOMPARE(contentAt(f.requests(false).at(1), 1), s("User: three\n\nAssistant: Here."));
        QCOMPARE(Fixture::stored().first().messages.size(), 4);
    }

    void failureShowsErrorAndStartsNoExtraction_data()
    {
        QTest::addColumn<HttpResponse>("failure");
        QTest::addColumn<QString>("shown");
        QTest::newRow("HTTP status") << FakeChatServer::status(401, "{\n\"error\": \"bad key\"\n}")
                                     << s("Error: HTTP 401: {\"error\": \"bad key\"}");
        // Text arrived before the failure: the answer is not empty, and still nothing is remembered.
        QTest::newRow("error after some text")
            << FakeChatServer::stream({FakeChatServer::deltaEvent(s("Half an ans")),
                                       "data: {\"error\": {\"message\": \"Rate limit reached\"}}\n\n"})
            << s("Error: Rate limit reached");
    }

    void failureShowsErrorAndStartsNoExtraction()
    {
        QFETCH(HttpResponse, failure);
        QFETCH(QString, shown);
        Fixture f;
        f.settings.setBoolean(SettingsKeys::autoMemoryEnabled, true);
        f.streams = {failure, answer({s("Fine now.")})};
        f.runner->sendChatMessage(s("hi"), std::nullopt, std::nullopt);
        QTRY_COMPARE(f.finished->count(), 1);
        QCOMPARE(f.session().messages.size(), 2);
        QCOMPARE(f.session().messages.last().content, shown);
        QCOMPARE(Fixture::stored().first(), f.session());
        QCOMPARE(f.turnsCounted(), 0);

        // The next turn's extraction is the only one: the failed turn started none.
        f.runner->sendChatMessage(s("again"), std::nullopt, std::nullopt);
        QTRY_COMPARE(f.finished->count(), 2);
        QTRY_COMPARE(f.requests(false).size(), 1);
        QCOMPARE(contentAt(f.requests(false).first(), 1), s("User: again\n\nAssistant: Fine now."));
        QCOMPARE(f.turnsCounted(), 1);
        QCOMPARE(f.requests(true).size(), 2);
    }

    void imageWithModelThatCannotSee()
    {
        Fixture f;
        f.settings.setString(SettingsKeys::openaiModel, s("gpt-3.5-turbo"));
        const QString page = f.web.http().baseUrl() + s("/article");
        f.web.setHtml(page, "<p>Some page text here.</p>");
        f.runner->sendChatMessage(s("Look at ") + page, std::nullopt, picture(Qt::blue));
        QTRY_COMPARE(f.finished->count(), 1);
        QCOMPARE(f.session().messages.last().content,
                 s("Error: The selected model does not support images. Please use gpt-4o or gpt-4-turbo."));
        QVERIFY(f.chat.requests().isEmpty());
        QVERIFY(f.web.requests().isEmpty());
        QCOMPARE(f.turnsCounted(), 0);
    }

    void extractionInputs()
    {
        Fixture f;
        f.settings.setBoolean(SettingsKeys::autoMemoryEnabled, true);
        Project work = f.state->activeProject();
        Project home{QUuid::createUuid(), s("Home"),    s("🏠"),      s("Cooking"), {},
                     std::nullopt,        std::nullopt, std::nullopt};
        f.state->setProjects({work, home});
        f.state->setActiveProjectIndex(1);
        f.state->newChatSession(); // recorded under "Home"
        f.state->setActiveProjectIndex(0);

        const QString page = f.web.http().baseUrl() + s("/recipe");
        f.web.setHtml(page, "<p>Boil water for ten minutes.</p>");
        f.settings.setString(SettingsKeys::openaiModel, s("gpt-4-turbo"));
        f.streams = {answer({s("Boil "), s("it.")})};
        f.extraction = memoryReply(s(R"({"user_memory": ["User cooks"], "project_memory": ["Recipes are short"]})"));
        const Prompt summarize{QUuid::createUuid(), 4, s("Summarize"), s("Summarize this.")};
        f.runner->sendChatMessage(s("See ") + page, summarize, std::nullopt);
        QTRY_COMPARE(f.finished->count(), 1);
        QVERIFY(contentAt(f.requests(true).first(), 1).contains(s("Boil water for ten minutes.")));

        QTRY_COMPARE(f.requests(false).size(), 1);
        const HttpRequest request = f.requests(false).first();
        QCOMPARE(request.target, QByteArray("/v1/chat/completions"));
        QCOMPARE(request.header("Authorization"), QByteArray("Bearer sk-turn"));
        QCOMPARE(bodyOf(request).value(s("model")).toString(), s("gpt-4o-mini"));
        QCOMPARE(contentAt(request, 1), s("User: [Summarize] See ") + page + s("\n\nAssistant: Boil it."));

        const MemoryStore memory;
        QTRY_COMPARE(memory.loadProjectMemory(home.id), s("Recipes are short"));
        QCOMPARE(memory.loadProjectMemory(work.id), QString());
        QCOMPARE(memory.loadUserMemory(), s("User cooks"));
    }

    void sessionDeletedWhileStreaming()
    {
        Fixture f;
        f.settings.setBoolean(SettingsKeys::autoMemoryEnabled, true);
        const ChatSession other = f.state->newChatSession();
        f.streams = {answer({s("Gone "), s("with "), s("the wind")}, 150)};
        f.state->newChatSession();
        f.runner->sendChatMessage(s("doomed"), std::nullopt, std::nullopt);
        const QUuid id = f.session().id;
        QTRY_COMPARE(f.session().messages.last().content, s("Gone "));
        f.state->deleteSession(id);
        QTRY_COMPARE(f.finished->count(), 1);

        QCOMPARE(f.state->chatSessions().size(), 1);
        QCOMPARE(f.state->chatSessions().first(), other);
        QCOMPARE(Fixture::stored(), QList<ChatSession>{other});
        QCOMPARE(f.turnsCounted(), 1);
        // Still remembered, under the project the session had.
        QTRY_COMPARE(f.requests(false).size(), 1);
        QCOMPARE(contentAt(f.requests(false).first(), 1), s("User: doomed\n\nAssistant: Gone with the wind"));
    }

    void cancelEndsTheTurn()
    {
        Fixture f;
        f.streams = {answer({s("Half"), s(" more")}, 300)};
        QSignalSpy streaming(f.runner.get(), &ChatTurnRunner::streamingChanged);
        f.runner->sendChatMessage(s("go"), std::nullopt, std::nullopt);
        QTRY_COMPARE(f.session().messages.last().content, s("Half"));
        f.runner->cancel();
        QCOMPARE(f.finished->count(), 1);
        QVERIFY(!f.runner->isStreaming());
        QCOMPARE(streaming.count(), 2);
        QCOMPARE(streaming.at(1).at(0).toBool(), false);
        QCOMPARE(Fixture::stored().first().messages.last().content, s("Half"));
        QCOMPARE(f.turnsCounted(), 1);
        QTRY_COMPARE(f.chat.http().openConnections(), 0);
        QCOMPARE(f.session().messages.last().content, s("Half"));

        // Cancelled while a linked page is still loading: no answer was asked for, and no empty bubble stays.
        const QString slow = f.web.http().baseUrl() + s("/slow");
        f.web.setPage(slow, FakeChatServer::hang());
        f.runner->sendChatMessage(s("Read ") + slow, std::nullopt, std::nullopt);
        QTRY_COMPARE(f.web.http().openConnections(), 1);
        f.runner->cancel();
        QCOMPARE(f.finished->count(), 2);
        QCOMPARE(f.session().messages.last().content, s("Read ") + slow);
        QCOMPARE(Fixture::stored().first(), f.session());
        QCOMPARE(f.turnsCounted(), 2);
        QCOMPARE(f.requests(true).size(), 1);
        QTRY_COMPARE(f.web.http().openConnections(), 0);
    }

    void destroyedRunnerKeepsThePartialAnswer()
    {
        Fixture f;
        f.streams = {answer({s("Until "), s("quit")}, 300)};
        f.runner->sendChatMessage(s("bye"), std::nullopt, std::nullopt);
        QTRY_COMPARE(f.session().messages.last().content, s("Until "));
        f.runner.reset();
        QCOMPARE(Fixture::stored().first().messages.last().content, s("Until "));
        QTRY_COMPARE(f.chat.http().openConnections(), 0);
    }
};

QTEST_GUILESS_MAIN(TestChatTurnRunner)
#include "tst_chatturnrunner.moc"
