// SPDX-License-Identifier: GPL-3.0-or-later
// Load and save of a large chat history: 500 sessions with 10,000 messages (about 5 MB), and the same history
// with 20 attached 200 KB images.
#include "model/ChatStore.h"

#include <QRandomGenerator>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

QList<ChatSession> makeHistory(int imageCount)
{
    QRandomGenerator random(42);
    const QDateTime now = QDateTime::fromSecsSinceEpoch(1'760'000'000, Qt::UTC);
    const QString paragraph = QStringLiteral(
        "Here is a longer answer with **Markdown**, a list and some code: `let x = 1`. It goes on for a while so "
        "that an average message has the size of a real one, about four hundred characters of text in all. ");
    QList<ChatSession> sessions;
    int images = 0;
    for (int s = 0; s < 500; ++s) {
        ChatSession session{QUuid::createUuid(),
                            QStringLiteral("Session %1").arg(s),
                            QUuid::createUuid(),
                            QStringLiteral("General"),
                            QStringLiteral("🗂️"),
                            {},
                            now,
                            now};
        for (int m = 0; m < 20; ++m) {
            ChatMessage message{QUuid::createUuid(),
                                m % 2 ? MessageRole::Assistant : MessageRole::User,
                                paragraph + paragraph.left(int(random.bounded(80))),
                                now.addSecs(m),
                                std::nullopt,
                                true,
                                std::nullopt};
            if (m == 0 && images < imageCount && s % 25 == 0) {
                QByteArray png(200 * 1024, Qt::Uninitialized);
                for (char& byte : png)
                    byte = char(random.bounded(256));
                message.imageData = png;
                ++images;
            }
            session.messages.append(message);
        }
        sessions.append(session);
    }
    return sessions;
}

void saveHistory(benchmark::State& state)
{
    QTemporaryDir dir;
    const ChatStore store(dir.path());
    const auto sessions = makeHistory(int(state.range(0)));
    for (auto _ : state)
        store.saveSessions(sessions);
    state.counters["file_MB"] = double(ChatStore::encode(sessions).size()) / 1e6;
}

// The encoding alone, without the file system's share of a save.
void encodeHistory(benchmark::State& state)
{
    const auto sessions = makeHistory(int(state.range(0)));
    qsizetype size = 0;
    for (auto _ : state)
        size = ChatStore::encode(sessions).size();
    benchmark::DoNotOptimize(size);
}

void loadHistory(benchmark::State& state)
{
    QTemporaryDir dir;
    const ChatStore store(dir.path());
    store.saveSessions(makeHistory(int(state.range(0))));
    qsizetype count = 0;
    for (auto _ : state)
        count = store.loadSessions().size();
    if (count != 500)
        state.SkipWithError("history did not load");
}

} // namespace

BENCHMARK(saveHistory)->Arg(0)->Arg(20)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly();
BENCHMARK(encodeHistory)->Arg(0)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly();
BENCHMARK(loadHistory)->Arg(0)->Arg(20)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly();
BENCHMARK_MAIN();
