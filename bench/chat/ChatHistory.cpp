// SPDX-License-Identifier: GPL-3.0-or-later
#include "ChatHistory.h"

#include "model/Project.h"

#include <QRandomGenerator>
#include <QUuid>

namespace BenchHistory {

namespace {

// What people ask: a topic sentence, then details.
const QStringList questionOpenings = {
    QStringLiteral("I have a CMake project with a static library and two executables, and the link step fails with "
                   "an undefined reference to `Settings::load()` even though the library lists the source file. "),
    QStringLiteral("Can you rewrite this paragraph so it sounds friendlier but still professional? It goes into the "
                   "newsletter for our customers next week. "),
    QStringLiteral("My Python script reads a CSV with about two million rows and runs out of memory on a machine "
                   "with 8 GB. I use `pandas.read_csv` with the default options. "),
    QStringLiteral("What is the difference between `std::move` and `std::forward`, and when should I use which "
                   "one in a template? "),
    QStringLiteral("Please summarise the meeting notes below in five bullet points for people who missed it. "),
    QStringLiteral("How do I set up nginx as a reverse proxy for two services on the same host, one on port 3000 "
                   "and one on port 8080, with TLS from Let's Encrypt? "),
    QStringLiteral("Translate this e-mail into German and keep the tone formal; it goes to a supplier we have "
                   "worked with for years. "),
    QStringLiteral("Our PostgreSQL query got slow after the table grew past ten million rows. The plan shows a "
                   "sequential scan on `orders` although there is an index on `customer_id`. "),
};

const QStringList questionDetails = {
    QStringLiteral("I already tried cleaning the build folder and running it again, with the same result. "),
    QStringLiteral("It should stay short, at most three sentences, because people read it on their phones. "),
    QStringLiteral("The machine runs Debian 12 with the packages from the distribution, nothing built by hand. "),
    QStringLiteral("Here is what I have so far:\n\n```\nfor row in rows:\n    total += row[\"amount\"]\n```\n\n"),
    QStringLiteral("Keep the names of the products as they are, they are trademarks. "),
    QStringLiteral("I would prefer a solution without new dependencies if there is one. "),
    QStringLiteral("The deadline is Friday, so something that works today beats something perfect. "),
    QStringLiteral("Also, is there a way to check this automatically in CI so it does not happen again? "),
    QStringLiteral("The logs say nothing useful, only `connection reset by peer` now and then. "),
    QStringLiteral("We are three developers and nobody on the team knows this corner of the code well. "),
};

// Pieces of answers, in the shapes models use: prose, lists, code, headings.
const QStringList answerBlocks = {
    QStringLiteral("The short answer: the order of the libraries on the link line matters, and the one that "
                   "defines a symbol has to come after the one that uses it.\n\n"),
    QStringLiteral("### What happens\n\nThe linker reads the archives once, from left to right, and only takes "
                   "the objects that resolve a symbol it has already seen as missing.\n\n"),
    QStringLiteral("1. Open `CMakeLists.txt` and find the `target_link_libraries` call.\n2. Put `core` after "
                   "`ui`, because `ui` uses it.\n3. Build again with `cmake --build build -j2`.\n\n"),
    QStringLiteral("```cpp\nauto settings = Settings::load(path);\nif (!settings)\n    return "
                   "std::unexpected(settings.error());\n```\n\n"),
    QStringLiteral("- **Memory:** read the file in chunks with `chunksize=100_000` instead of all at once.\n- "
                   "**Types:** give `dtype` explicitly; `category` saves a lot on repeated strings.\n\n"),
    QStringLiteral("Here is a friendlier version that keeps the facts:\n\n> We are happy to tell you that the new "
                   "release is out. It is faster, it is easier to set up, and your feedback shaped it.\n\n"),
    QStringLiteral("| Option | Default | Meaning |\n|---|---|---|\n| `proxy_read_timeout` | 60s | how long nginx "
                   "waits |\n| `client_max_body_size` | 1m | largest upload |\n\n"),
    QStringLiteral("```nginx\nserver {\n    listen 443 ssl;\n    server_name app.example.com;\n    location / {\n"
                   "        proxy_pass http://127.0.0.1:3000;\n    }\n}\n```\n\n"),
    QStringLiteral("A few things to check before you change anything: whether the statistics are current "
                   "(`ANALYZE orders;`), whether the index is valid, and how selective the condition is.\n\n"),
    QStringLiteral("**Why it works:** `std::forward<T>(x)` keeps an rvalue an rvalue only when the caller passed "
                   "one, while `std::move` always casts, so use it only when you are done with the object.\n\n"),
    QStringLiteral("If that does not help, send me the output of `EXPLAIN (ANALYZE, BUFFERS)` and I will go "
                   "through it with you line by line.\n\n"),
    QStringLiteral("### Summary\n\n- The release moves to March 14.\n- Anna takes over the migration.\n- Support "
                   "hours stay the same.\n- The budget is approved.\n- Next meeting: Tuesday at 10.\n\n"),
};

const QStringList answerHeadings = {
    QStringLiteral("## Background\n\n"),  QStringLiteral("## Step by step\n\n"), QStringLiteral("## Example\n\n"),
    QStringLiteral("## Pitfalls\n\n"),    QStringLiteral("## Alternatives\n\n"), QStringLiteral("## Testing it\n\n"),
    QStringLiteral("## Performance\n\n"), QStringLiteral("## Wrapping up\n\n"),
};

// Fragments drawn at random until the text reaches about `target` characters.
QString compose(QRandomGenerator& random, const QStringList& first, const QStringList& rest, qsizetype target)
{
    QString text = first.at(int(random.bounded(int(first.size()))));
    while (text.size() < target)
        text += rest.at(int(random.bounded(int(rest.size()))));
    return text.trimmed();
}

} // namespace

QList<ChatSession> makeSessions(int sessionCount)
{
    QRandomGenerator random(20251207);
    const Project& general = defaultProject();
    const QDateTime newest = QDateTime::currentDateTimeUtc().addSecs(-3600);
    QList<ChatSession> sessions;
    sessions.reserve(sessionCount);
    for (int s = 0; s < sessionCount; ++s) {
        // A few conversations a day, going back in time.
        const QDateTime started = newest.addSecs(-qint64(s) * 9000 - qint64(random.bounded(3000)));
        ChatSession session{QUuid::createUuid(), QString(), general.id, general.name,
                            general.emoji,       {},        started,    started};
        for (int m = 0; m < 10; ++m) {
            const bool asks = m % 2 == 0;
            // Questions are shorter than answers; together they average about 700 characters.
            const QString content = asks ? compose(random, questionOpenings, questionDetails, 350 + random.bounded(200))
                                         : compose(random, answerBlocks, answerBlocks, 700 + random.bounded(200));
            const QDateTime at = started.addSecs(m * 40);
            session.messages.append(ChatMessage{QUuid::createUuid(), asks ? MessageRole::User : MessageRole::Assistant,
                                                content, at, std::nullopt, false, std::nullopt});
            session.updatedAt = at;
        }
        session.title = session.messages.first().content.left(ChatSession::titleLength);
        sessions.append(session);
    }
    return sessions;
}

QStringList answerPieces(int pieceCount, int pieceLength)
{
    QRandomGenerator random(7);
    const qsizetype length = qsizetype(pieceCount) * pieceLength;
    QString text;
    for (int section = 0; text.size() < length; ++section) {
        text += answerHeadings.at(section % answerHeadings.size());
        for (int block = 0; block < 4; ++block)
            text += answerBlocks.at(int(random.bounded(int(answerBlocks.size()))));
    }
    text.truncate(length);
    QStringList pieces;
    pieces.reserve(pieceCount);
    for (qsizetype at = 0; at < length; at += pieceLength)
        pieces.append(text.mid(at, pieceLength));
    return pieces;
}

QString question()
{
    return QStringLiteral("We are moving our build from Make to CMake. Can you write a complete guide for the "
                          "team: how to structure the targets, how to handle external libraries, how to set "
                          "up presets for debug and release, and how to run the tests in CI? Please include "
                          "examples.");
}

} // namespace BenchHistory
