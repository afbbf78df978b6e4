// SPDX-License-Identifier: GPL-3.0-or-later
// Quick runs against fakes that stream as Ollama, llama.cpp, vLLM, LM Studio and OpenAI's reasoning models do:
// what the user sees in the panel and what the history keeps.
#include "ai/ModelCapabilities.h"
#include "chat/QuickRunner.h"
#include "model/AppState.h"
#include "model/ChatStore.h"
#include "model/Settings.h"
#include "support/FakeChatServer.h"
#include "support/TestEnvironment.h"

#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

QByteArray sseEvent(const QByteArray& json)
{
    return "data: " + json + "\n\n";
}

// A chunk whose first choice's delta has the given fields.
QByteArray delta(const QByteArray& fields, const QByteArray& finish = "null")
{
    return sseEvent("{\"id\":\"c\",\"object\":\"chat.completion.chunk\",\"choices\":[{\"index\":0,\"delta\":{" +
                    fields + "},\"finish_reason\":" + finish + "}]}");
}

const Prompt prompt{QUuid::createUuid(), 1, u"Translate"_s, u"Translate it."_s};

} // namespace

class TestLocalServers : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<Settings> m_settings;
    QNetworkAccessManager m_network;
    FakeChatServer m_server;

    // One quick run on "Hello"; true when it ended. The runner lives as long as the app's does when given.
    bool run(AppState& state, QuickRunner* runner = nullptr)
    {
        state.setClipboardText(u"Hello"_s);
        QuickRunner own(state, *m_settings, m_network);
        (runner ? runner : &own)->run(prompt);
        return QTest::qWaitFor([&] { return !state.isLoading(); }, 5000);
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_env = std::make_unique<TestEnvironment>();
        m_settings = std::make_unique<Settings>();
        QVERIFY(m_server.listen());
    }

    void init()
    {
        for (const SettingKey& key : SettingsKeys::all)
            m_settings->remove(key);
        m_settings->setString(SettingsKeys::apiBaseUrl, m_server.baseUrl());
        m_settings->setString(SettingsKeys::openaiModel, u"qwen3:8b"_s);
        m_server.clearRequests();
        QFile::remove(m_env->appFolder() + u"/chat_sessions.json"_s);
    }

    void streamShapes_data()
    {
        QTest::addColumn<QList<QByteArray>>("chunks");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("thinking");
        QTest::addColumn<bool>("cutOff");

        QTest::newRow("vLLM / DeepSeek reasoning_content")
            << QList<QByteArray>{delta(R"("reasoning_content":"The user wants French.")"),
                                 delta(R"("content":"Bonjour")", R"("stop")"), FakeChatServer::doneEvent()}
            << u"Bonjour"_s << u"The user wants French."_s << false;
        QTest::newRow("Ollama reasoning, role in every delta")
            << QList<QByteArray>{delta(R"("role":"assistant","content":"","reasoning":"Hmm")"),
                                 delta(R"("role":"assistant","content":"","reasoning":", easy.")"),
                                 delta(R"("role":"assistant","content":"Bonjour")"), FakeChatServer::doneEvent()}
            << u"Bonjour"_s << u"Hmm, easy."_s << false;
        QTest::newRow("length stop") << QList<QByteArray>{delta(R"("content":"Bonj")", R"("length")"),
                                                          FakeChatServer::doneEvent()}
                                     << u"Bonj"_s << QString() << true;
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
        m_server.setResponse(FakeChatServer::stream(chunks, 5));
        AppState state(*m_settings, ChatStore(), nullptr);
        QVERIFY(run(state));
        QCOMPARE(state.resultText(), shown);
        QCOMPARE(state.resultReasoning(), thinking);
        QCOMPARE(state.isResultCutOff(), cutOff);
        // Only the answer is kept: the thinking is neither stored nor part of the answer.
        state.waitForSavedSessions();
        if (!thinking.isEmpty()) {
            QCOMPARE(ChatStore().loadSessions().first().messages.last().content, shown);
            QVERIFY(
                !TestEnvironment::readFile(m_env->appFolder() + u"/chat_sessions.json"_s).contains(thinking.toUtf8()));
        }
    }

    // A model that refuses the sampling parameters is asked once more without them, and from then on without them;
    // any other 400 is not retried, and Ollama's plain error object is shown as its sentence.
    void samplingRefusedOnce()
    {
        const QByteArray refusal = "{\"error\":{\"message\":\"Unsupported parameter: 'temperature' is not supported "
                                   "with this model.\",\"param\":\"temperature\",\"code\":\"unsupported_parameter\"}}";
        m_settings->setString(SettingsKeys::openaiModel, u"o3-mini"_s);
        m_server.http().setHandler([&](const HttpRequest& request) {
            const QJsonObject body = QJsonDocument::fromJson(request.body).object();
            if (body.contains(u"temperature"_s))
                return FakeChatServer::status(400, refusal);
            return FakeChatServer::answer({u"Bonjour"_s});
        });
        AppState state(*m_settings, ChatStore(), nullptr);
        QuickRunner runner(state, *m_settings, m_network);
        QVERIFY(run(state, &runner));
        QCOMPARE(state.resultText(), u"Bonjour"_s);
        QCOMPARE(m_server.requests().size(), 2);
        QVERIFY(run(state, &runner));
        QCOMPARE(m_server.requests().size(), 3); // remembered: straight without them

        m_settings->setString(SettingsKeys::openaiModel, u"other"_s);
        m_server.http().setHandler([](const HttpRequest&) {
            return FakeChatServer::status(400, "{\"error\":\"model \\\"other\\\" not found, try pulling it first\"}");
        });
        QVERIFY(run(state, &runner));
        QCOMPARE(state.resultText(), uR"(Error: model "other" not found, try pulling it first)"_s);
        QCOMPARE(m_server.requests().size(), 4);
    }

    // Each server tells in its own place whether the model takes images; a server that says nothing leaves the
    // name to decide.
    void visionAnswers_data()
    {
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QString>("model");
        QTest::addColumn<bool>("vision");
        QTest::newRow("Ollama says vision")
            << QByteArray("/api/show") << QByteArray(R"({"capabilities":["completion","vision"]})") << u"mymodel"_s
            << true;
        QTest::newRow("Ollama says text only")
            << QByteArray("/api/show") << QByteArray(R"({"capabilities":["completion","tools"]})")
            << u"llava-look-alike"_s << false;
        QTest::newRow("llama.cpp modalities")
            << QByteArray("/props") << QByteArray(R"({"modalities":{"vision":true,"audio":false}})") << u"model.gguf"_s
            << true;
        QTest::newRow("LM Studio vlm") << QByteArray("/api/v0/models/my%2Fmodel") << QByteArray(R"({"type":"vlm"})")
                                       << u"my/model"_s << true;
        QTest::newRow("nothing said: the name")
            << QByteArray("/nowhere") << QByteArray("{}") << u"qwen2.5vl:7b"_s << true;
    }

    void visionAnswers()
    {
        QFETCH(QByteArray, path);
        QFETCH(QByteArray, answer);
        QFETCH(QString, model);
        QFETCH(bool, vision);
        m_server.http().setHandler([&](const HttpRequest& request) {
            return request.target == path ? HttpResponse::json(answer) : HttpResponse::json("{}", 404);
        });
        const ChatServiceConfig config{m_server.baseUrl(), QString(), model};
        ModelCapabilities& capabilities = ModelCapabilities::shared();
        capabilities.probe(config);
        QTRY_COMPARE(m_server.requests().size(), 3);
        QTRY_COMPARE(capabilities.supportsVision(config), vision);
        QTest::qWait(50);
        QCOMPARE(capabilities.supportsVision(config), vision);
    }

    // Facts are extracted with the memory model, else OpenAI's small model on OpenAI's host, else the chat model.
    void memoryModel()
    {
        ChatServiceConfig config{m_server.baseUrl(), QString(), u"qwen3:8b"_s};
        QCOMPARE(config.memoryModel(), u"qwen3:8b"_s);
        config.memoryModelSetting = u"gemma3:1b"_s;
        QCOMPARE(config.memoryModel(), u"gemma3:1b"_s);
        const ChatServiceConfig openAI{u"https://api.openai.com/"_s, u"k"_s, u"gpt-4o"_s};
        QCOMPARE(openAI.memoryModel(), u"gpt-4o-mini"_s);
    }
};

QTEST_MAIN(TestLocalServers)
#include "tst_localservers.moc"
