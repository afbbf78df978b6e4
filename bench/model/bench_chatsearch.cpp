// SPDX-License-Identifier: GPL-3.0-or-later
// Search across all chats on a year of history: 3,000 sessions of 10 messages of about 700 characters (the size of
// a 20 MB history file).
//  - first_search: the first keystroke, which folds every session into the index (on the search worker);
//  - keystroke: each further keystroke of a query typed letter by letter, with the index warm: the search itself
//    (on the worker) and, separately, narrowing the sidebar's list model to the result (on the GUI thread);
//  - after_edit: a keystroke after one session changed (a chat turn), which folds that one session again.
#include "model/AppState.h"
#include "model/ChatSearch.h"
#include "model/ChatSessionListModel.h"
#include "model/Settings.h"

#include <QCoreApplication>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

QList<ChatSession> makeHistory(int sessionCount)
{
    QRandomGenerator random(7);
    const QDateTime now = QDateTime::fromSecsSinceEpoch(1'760'000'000, Qt::UTC);
    const QStringList words{u"crème"_qs, u"report"_qs, u"Zürich"_qs, u"function"_qs, u"meeting"_qs, u"résumé"_qs,
                            u"translate"_qs, u"budget"_qs, u"**bold**"_qs, u"`code`"_qs, u"the"_qs, u"and"_qs};
    QList<ChatSession> sessions;
    sessions.reserve(sessionCount);
    for (int s = 0; s < sessionCount; ++s) {
        ChatSession session{QUuid::createUuid(), u"Session %1"_qs.arg(s), QUuid::createUuid(), u"General"_qs,
                            u"🗂️"_qs, {}, now, now};
        for (int m = 0; m < 10; ++m) {
            QString text;
            while (text.size() < 700)
                text += words.at(int(random.bounded(qsizetype(words.size())))) + u' ';
            session.messages.append(ChatMessage{QUuid::createUuid(), m % 2 ? MessageRole::Assistant : MessageRole::User,
                                                text, now, std::nullopt, false, std::nullopt});
        }
        sessions.append(session);
    }
    return sessions;
}

const QList<ChatSession>& history()
{
    static const QList<ChatSession> sessions = makeHistory(3000);
    return sessions;
}

const QStringList typed{u"b"_qs, u"bu"_qs, u"bud"_qs, u"budg"_qs, u"budge"_qs, u"budget"_qs, u"budget r"_qs,
                        u"budget re"_qs, u"budget rep"_qs, u"zebra"_qs};

void firstSearch(benchmark::State& state)
{
    for (auto _ : state) {
        ChatSearch search;
        benchmark::DoNotOptimize(search.searchNow(history(), u"budget"_qs));
    }
}

void keystroke(benchmark::State& state)
{
    ChatSearch search;
    search.searchNow(history(), u"warm"_qs);
    qsizetype i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(search.searchNow(history(), typed.at(i++ % typed.size())));
}

void keystrokeListModel(benchmark::State& state)
{
    QTemporaryDir folders;
    qputenv("XDG_DATA_HOME", (folders.path() + u"/data"_qs).toUtf8());
    qputenv("XDG_CONFIG_HOME", (folders.path() + u"/config"_qs).toUtf8());
    Settings settings;
    AppState appState(settings, ChatStore());
    appState.setChatSessions(history());
    ChatSessionListModel model(appState);
    ChatSearch search;
    QList<QSet<QUuid>> results;
    for (const QString& query : typed)
        results.append(search.searchNow(history(), query));
    qsizetype i = 0;
    for (auto _ : state)
        model.setFilter(results.at(i++ % results.size()));
    appState.waitForSavedSessions();
}

void afterEdit(benchmark::State& state)
{
    ChatSearch search;
    QList<ChatSession> sessions = history();
    search.searchNow(sessions, u"warm"_qs);
    qsizetype i = 0;
    for (auto _ : state) {
        sessions[i % sessions.size()].messages.last().content += u" budget"_qs;
        benchmark::DoNotOptimize(search.searchNow(sessions, typed.at(i++ % typed.size())));
    }
}

} // namespace

BENCHMARK(firstSearch)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(keystroke)->Unit(benchmark::kMillisecond);
BENCHMARK(keystrokeListModel)->Unit(benchmark::kMillisecond);
BENCHMARK(afterEdit)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
