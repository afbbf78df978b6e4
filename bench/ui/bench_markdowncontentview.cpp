// SPDX-License-Identifier: GPL-3.0-or-later
// Streams a 200 KB answer (prose, lists, headings, two code blocks) into a MarkdownContentView laid out 900 wide,
// in 50,000 pieces, and reports the slowest single update and the total time spent while streaming, and the time
// of the whole re-render when the stream ends.
//
// The argument is how many pieces arrive within one display frame, which the view draws together:
// 1 draws after every piece (no coalescing at all); 17 is a stream of 1,000 pieces a second at 60 frames a second,
// several times faster than chat-completion services send.
#include "ui/MarkdownContentView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QScrollArea>
#include <QScrollBar>

#include <benchmark/benchmark.h>

#include <algorithm>

namespace {

QString mixedAnswer(qsizetype targetSize)
{
    const QString prose = QStringLiteral(
        "The quick brown fox jumps over the lazy dog while the **compiler** keeps an eye on `every` token, and "
        "[the documentation](https://example.org/docs) explains *why* this matters for streaming answers. ");
    QString answer;
    int section = 0;
    auto codeBlock = [](const QString& language, int lines) -> QString {
        QString code = QStringLiteral("```") + language + u'\n';
        for (int i = 0; i < lines; ++i)
            code += QStringLiteral("    let value%1 = compute(%1, \"text\") + offset; // line %1\n").arg(i);
        return code + QStringLiteral("```\n\n");
    };
    while (answer.size() < targetSize) {
        answer += QStringLiteral("## Section %1\n\n").arg(++section);
        for (int p = 0; p < 3; ++p)
            answer += prose.repeated(3) + QStringLiteral("\n\n");
        answer += QStringLiteral("- first point about %1\n- second point with **bold**\n- third point\n"
                                 "  continued on an indented line\n\n")
                      .arg(section);
        answer += QStringLiteral("1. step one\n2. step two\n3. step three\n\n");
        if (section == 4)
            answer += codeBlock(QStringLiteral("rust"), 260);
        if (section == 14)
            answer += codeBlock(QString(), 260);
    }
    return answer.left(targetSize);
}

void BM_StreamAnswer(benchmark::State& state)
{
    // VANTRO_BENCH_SCALE shrinks the run (e.g. 10 for a tenth) for a quick look under a sanitizer.
    const int scale = std::max(1, qEnvironmentVariableIntValue("VANTRO_BENCH_SCALE"));
    const QString answer = mixedAnswer(200 * 1024 / scale);
    const qsizetype pieces = 50'000 / scale;
    for (auto _ : state) {
        QScrollArea area;
        area.setWidgetResizable(true);
        auto* view = new MarkdownContentView(QString(), ThemeColors{AppTheme::Light});
        view->setStreaming(true);
        area.setWidget(view);
        area.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        area.show();
        area.resize(900 + area.frameWidth() * 2 + area.verticalScrollBar()->sizeHint().width(), 700);
        QCoreApplication::sendPostedEvents();

        const qsizetype piecesPerFrame = state.range(0);
        double worst = 0;
        QElapsedTimer total;
        total.start();
        QElapsedTimer update;
        for (qsizetype i = 1; i <= pieces; ++i) {
            const qsizetype end = answer.size() * i / pieces;
            update.start();
            view->setContent(answer.left(end));
            worst = std::max(worst, update.nsecsElapsed() / 1e6);
            if (i % piecesPerFrame == 0 || i == pieces) {
                // The frame: what the view's timer does, then layout and painting of the visible part.
                update.start();
                view->flushPendingRender();
                QCoreApplication::sendPostedEvents();
                worst = std::max(worst, update.nsecsElapsed() / 1e6);
            }
        }
        const double seconds = total.nsecsElapsed() / 1e9;
        update.start();
        view->setStreaming(false);
        view->flushPendingRender();
        QCoreApplication::sendPostedEvents();
        state.counters["final_render_ms"] = update.nsecsElapsed() / 1e6;
        state.counters["worst_update_ms"] = worst;
        state.counters["total_s"] = seconds;
        state.counters["units"] = double(view->unitWidgets().size());
        state.counters["width"] = view->width();
    }
}
BENCHMARK(BM_StreamAnswer)->Arg(1)->Arg(17)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
