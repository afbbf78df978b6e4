// SPDX-License-Identifier: GPL-3.0-or-later
// A long day in one process: 1,000 quick runs in a row, each on newly copied text, then 200 turns of one chat, all
// answered by a loopback chat-completions server (AnswerServer, 20 pieces of 10 characters each, as fast as it can
// write them). The application is built as `vantro` builds it (AppDelegate), with null key backends, no tray,
// auto memory off, on Qt's offscreen platform, in temporary XDG folders. After each step the history is waited for
// (AppState::waitForSavedSessions()), so the count of recorded runs is exact.
//
// Counters (resident memory from /proc/self/status, VmRSS):
//  - rss_after_50_runs_mb, rss_after_runs_mb: after the 50th and the last quick run;
//  - rss_after_50_turns_mb, rss_after_turns_mb: after the 50th and the last chat turn;
//  - growth_runs_mb, growth_turns_mb: the last minus the 50th of each;
//  - runs_recorded: sessions holding a finished quick run (the goal is every one: 1,000);
//  - turns_recorded: answers in the chat session (200);
//  - stuck: runs or turns not ended after 10 s (0).
// One iteration; the benchmark's own time is the whole soak. --runs=N and --turns=N change the counts;
// --without_window closes the chat window before the turns, which tells the turns' own memory from that of the open
// chat's view. Built with the dev preset's sanitizers, the same program ends with LeakSanitizer's verdict.
#include "AnswerServer.h"

#include "app/AppDelegate.h"
#include "chat/ChatTurnRunner.h"
#include "input/HotkeyManager.h"
#include "model/Settings.h"
#include "platform/null/GlobalHotkeyNull.h"
#include "platform/null/KeyMonitorNull.h"
#include "platform/null/NotifierNull.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QNetworkAccessManager>
#include <QTemporaryDir>
#include <QTest>

#include <benchmark/benchmark.h>

namespace {

int quickRuns = 1000;
int chatTurns = 200;
bool withoutWindow = false;

double residentMb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return 0;
}

void BM_Soak(benchmark::State& state)
{
    QStringList pieces;
    for (int i = 0; i < 20; ++i)
        pieces.append(QStringLiteral("answer %1 ").arg(i, 2));
    AnswerServer server(pieces, 1000.0);
    if (!server.startListening()) {
        state.SkipWithError("the answer server did not start");
        return;
    }
    for (auto _ : state) {
        QTemporaryDir home;
        qputenv("XDG_DATA_HOME", home.filePath(QStringLiteral("data")).toUtf8());
        qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toUtf8());
        Settings settings;
        settings.setString(SettingsKeys::apiBaseUrl, server.baseUrl());
        settings.setString(SettingsKeys::openaiApiKey, QStringLiteral("sk-soak"));
        settings.setBoolean(SettingsKeys::hasCompletedOnboarding, true);
        settings.setBoolean(SettingsKeys::autoMemoryEnabled, false);
        settings.setBoolean(SettingsKeys::webSearchEnabled, false);
        settings.setString(SettingsKeys::visionSupport, QStringLiteral("yes"));
        QNetworkAccessManager network;
        auto hotkeys = std::make_unique<HotkeyManager>(std::make_unique<KeyMonitorNull>(QStringLiteral("soak")),
                                                       std::make_unique<GlobalHotkeyNull>(QStringLiteral("soak")));
        AppDelegate delegate(
            {settings, network, std::move(hotkeys), false, std::make_unique<NotifierNull>(QStringLiteral("soak"))});
        delegate.applicationDidFinishLaunching();
        AppState& app = delegate.appState();
        const Prompt prompt = app.activeProject().prompts.first();

        double runs50 = 0, turns50 = 0;
        int stuck = 0; // runs or turns that had not ended after 10 s
        for (int i = 0; i < quickRuns; ++i) {
            QGuiApplication::clipboard()->setText(QStringLiteral("Copied text number %1").arg(i));
            delegate.handleTextTrigger();
            delegate.runPrompt(prompt);
            stuck += !QTest::qWaitFor([&] { return !app.isLoading(); }, 10000);
            app.waitForSavedSessions();
            if (i == 49)
                runs50 = residentMb();
        }
        const double runsEnd = residentMb();
        int runsRecorded = 0;
        for (const ChatSession& session : app.chatSessions())
            runsRecorded += session.messages.size() == 2 && !session.messages.last().content.startsWith(u"Error");

        delegate.newChatFromLauncher();
        const QUuid chat = *app.activeChatSessionID();
        if (withoutWindow)
            delegate.panel()->close(); // the turns go on with no chat on screen
        for (int i = 0; i < chatTurns; ++i) {
            delegate.sendChatMessage(QStringLiteral("Question %1").arg(i), std::nullopt, std::nullopt);
            stuck += !QTest::qWaitFor([&] { return !delegate.chatTurns().isStreaming(); }, 10000);
            app.waitForSavedSessions();
            if (i == 49)
                turns50 = residentMb();
        }
        const double turnsEnd = residentMb();
        int turnsRecorded = 0;
        if (const ChatSession* session = app.chatSession(chat)) {
            for (const ChatMessage& message : session->messages)
                turnsRecorded += message.role == MessageRole::Assistant && message.content.startsWith(u"answer");
        }
        if (delegate.panel())
            delegate.panel()->close();

        state.counters["rss_after_50_runs_mb"] = runs50;
        state.counters["rss_after_runs_mb"] = runsEnd;
        state.counters["growth_runs_mb"] = runsEnd - runs50;
        state.counters["rss_after_50_turns_mb"] = turns50;
        state.counters["rss_after_turns_mb"] = turnsEnd;
        state.counters["growth_turns_mb"] = turnsEnd - turns50;
        state.counters["runs_recorded"] = runsRecorded;
        state.counters["turns_recorded"] = turnsRecorded;
        state.counters["stuck"] = stuck;
    }
}
BENCHMARK(BM_Soak)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char** argv)
{
    std::vector<char*> arguments;
    for (int i = 0; i < argc; ++i) {
        if (std::strncmp(argv[i], "--runs=", 7) == 0)
            quickRuns = std::atoi(argv[i] + 7);
        else if (std::strncmp(argv[i], "--turns=", 8) == 0)
            chatTurns = std::atoi(argv[i] + 8);
        else if (std::strcmp(argv[i], "--without_window") == 0)
            withoutWindow = true;
        else
            arguments.push_back(argv[i]);
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    int count = int(arguments.size());
    QApplication application(count, arguments.data());
    benchmark::Initialize(&count, arguments.data());
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
