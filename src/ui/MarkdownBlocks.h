// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>
#include <QStringView>

#include <optional>

// A stretch of an answer: prose to render as Markdown, or the body of a fenced code block.
struct ContentBlock
{
    enum class Kind
    {
        Text,
        CodeBlock
    };

    Kind kind = Kind::Text;
    QString text; // the prose, or the code
    std::optional<QString> language;

    static ContentBlock makeText(QString text) { return {Kind::Text, std::move(text), std::nullopt}; }
    static ContentBlock makeCode(std::optional<QString> language, QString code)
    {
        return {Kind::CodeBlock, std::move(code), std::move(language)};
    }
    bool operator==(const ContentBlock&) const = default;
};

// Splits text into blocks at "```" fences that begin a line. Total: unbalanced fences are tolerated, and an
// unclosed fence still yields the code that follows it.
QList<ContentBlock> parseContentBlocks(QStringView content);

// One piece to draw. Text blocks are cut further at blank lines between paragraphs, so that a growing answer only
// ever re-renders its last paragraph; a code block is always a single unit.
struct RenderUnit
{
    ContentBlock::Kind kind = ContentBlock::Kind::Text;
    QString text; // newlines trimmed from both ends
    std::optional<QString> language;
    int blockIndex = 0;     // the ContentBlock this unit belongs to
    QString separatorAfter; // text units: the line feeds between this unit and the next of the same block

    bool operator==(const RenderUnit&) const = default;
};

// The splitter behind parseContentBlocks, fed piece by piece. Units that are finished never change again, so a
// view can keep what it drew for them; only the open unit (at most one) still grows.
class BlockSplitter
{
public:
    void append(QStringView more);

    const QList<RenderUnit>& finishedUnits() const { return m_finished; }
    // The last unit as the text stands now (its last line possibly incomplete); absent when there is none yet.
    std::optional<RenderUnit> openUnit() const;
    // Length of the open text block as parseContentBlocks would give it (the plain-text limit applies per block).
    qsizetype openTextBlockLength() const;

    // All units, merged back into blocks.
    QList<ContentBlock> blocks() const;

private:
    void takeLine(QStringView line);
    void splitBeforePartialLine();
    void finishTextUnit();
    bool startsNewParagraph(QStringView line) const;

    QList<RenderUnit> m_finished;
    QString m_partialLine; // text after the last line feed
    bool m_inCode = false;
    std::optional<QString> m_language;
    QString m_code;
    QString m_unitText;               // current text unit, lines joined as in a block
    qsizetype m_blockTextLength = 0;  // the text block's buffer length, finished units included
    bool m_markdownFenceOpen = false; // inside a ~~~ or indented ``` fence that Markdown itself will render
    int m_blockIndex = 0;
};

// Line feeds trimmed from both ends.
QString trimmedNewlines(QStringView text);
