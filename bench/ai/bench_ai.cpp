// SPDX-License-Identifier: GPL-3.0-or-later
// The hot paths of the AI service: framing and parsing a chat-completions event stream (typical 150-byte delta
// events, fed in network-sized chunks), and turning a 1 MB page of mixed markup into text.
#include "ai/ChatEventParser.h"
#include "ai/WebContentExtractor.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>

#include <benchmark/benchmark.h>

namespace {

QByteArray eventStream(int events)
{
    QByteArray body;
    const QByteArray start =
        "data: {\"id\":\"chatcmpl-9x1\",\"object\":\"chat.completion.chunk\",\"created\":1760000000,"
        "\"model\":\"gpt-4o\",\"choices\":[{\"index\":0,\"delta\":{\"content\":\"";
    const QList<QByteArray> words{"Hello", " world", ", this", " is", " a streamed", " answer", " über", " 😀"};
    for (int i = 0; i < events; ++i) {
        QByteArray event = start + words[i % words.size()] + "\"},\"finish_reason\":null}]}";
        event += QByteArray(150 - 2 - std::min<qsizetype>(event.size(), 148), ' ');
        body += event + "\n\n";
    }
    return body + "data: [DONE]\n\n";
}

void parseEventStream(benchmark::State& state)
{
    constexpr int events = 10'000;
    const QByteArray body = eventStream(events);
    const qsizetype chunk = state.range(0);
    qsizetype pieces = 0;
    for (auto _ : state) {
        ChatEventParser parser(ChatEventParser::Mode::Chat);
        QList<ChatStreamEvent> out;
        for (qsizetype at = 0; at < body.size(); at += chunk) {
            parser.feed(QByteArrayView(body).sliced(at, std::min(chunk, body.size() - at)), out);
            pieces += out.size();
            out.clear();
        }
        parser.finish(out);
        benchmark::DoNotOptimize(out);
    }
    if (pieces != qsizetype(state.iterations()) * (events + 1))
        state.SkipWithError("wrong number of events");
    state.SetItemsProcessed(state.iterations() * events);
    state.SetBytesProcessed(state.iterations() * body.size());
}

QString mixedPage(qsizetype size)
{
    QRandomGenerator random(7);
    const QStringList blocks{
        QStringLiteral(
            "<div class=\"post\"><h2>Heading &amp; more</h2><p>Some <b>bold</b> and <a href=\"/x\">linked</a> "
            "text with &quot;entities&quot; &#8212; and &#x2014; dashes.</p></div>\n"),
        QStringLiteral("<script type=\"text/javascript\">var data = {\"a\": [1,2,3], \"b\": \"<p>not text</p>\"};"
                       "</script>\n"),
        QStringLiteral("<ul>\n  <li>First   item</li>\n  <li>Second\titem</li>\n</ul>\n"),
        QStringLiteral("<style>.post { color: red; }</style><nav><a href=\"/\">Home</a></nav>\n"),
        QStringLiteral("<table><tr><td>cell</td><td>cell &lt;2&gt;</td></tr></table><br/>\n\n\n\n"),
        QStringLiteral("<p>Grüße aus Köln — ein längerer Absatz mit Umlauten und Emoji 😀.</p>\n"),
    };
    QString page = QStringLiteral("<html><head><title>T</title><meta charset=\"utf-8\"></head><body>\n");
    while (page.size() < size)
        page += blocks[random.bounded(int(blocks.size()))];
    return page + QStringLiteral("</body></html>");
}

void htmlToText(benchmark::State& state)
{
    const QString page = mixedPage(state.range(0));
    qsizetype length = 0;
    for (auto _ : state)
        length = WebContent::htmlToText(page).size();
    if (length == 0)
        state.SkipWithError("no text");
    state.SetBytesProcessed(state.iterations() * page.size() * 2);
}

// Markup built to make a backtracking pattern quadratic: many opening tags and no closing one.
void htmlToTextHostile(benchmark::State& state)
{
    QString page = QStringLiteral("</script>");
    while (page.size() < state.range(0))
        page += QStringLiteral("<script<p<div ");
    for (auto _ : state)
        benchmark::DoNotOptimize(WebContent::htmlToText(page));
}

} // namespace

BENCHMARK(parseEventStream)->Arg(1400)->Arg(16 * 1024)->Unit(benchmark::kMillisecond);
BENCHMARK(htmlToText)->Arg(1'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK(htmlToTextHostile)->Arg(1'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
