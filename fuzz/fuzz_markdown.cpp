// SPDX-License-Identifier: GPL-3.0-or-later
// Answers as Markdown: the block splitter, fed whole and piece by piece as a stream arrives, and each text block
// rendered into a document that may not load anything.
#include "FuzzInput.h"
#include "ui/AnswerDocument.h"
#include "ui/MarkdownBlocks.h"

#include <QGuiApplication>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication application(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(fuzzBytes(data, size));
    const QList<ContentBlock> blocks = parseContentBlocks(text);
    BlockSplitter splitter;
    const QByteArray utf16(reinterpret_cast<const char*>(text.constData()), text.size() * 2);
    qsizetype at = 0;
    forEachPiece(utf16, [&](QByteArrayView piece) {
        const qsizetype units = (piece.size() + 1) / 2;
        splitter.append(QStringView(text).mid(at, units));
        at += units;
    });
    // A streamed answer ends as the same blocks as the whole answer.
    FUZZ_ASSERT(splitter.blocks() == blocks);
    // Bounded, as in the view: long answers are not rendered block by block past a few.
    for (qsizetype i = 0; i < qMin<qsizetype>(blocks.size(), 4); ++i) {
        if (blocks.at(i).kind != ContentBlock::Kind::Text)
            continue;
        AnswerDocument document;
        document.setAnswerMarkdown(blocks.at(i).text);
    }
    return 0;
}
