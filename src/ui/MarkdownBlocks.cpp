// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/MarkdownBlocks.h"

#include <utility>

namespace {

const QStringView fence = u"```";

bool isFence(QStringView line)
{
    return line.startsWith(fence);
}

bool isBlank(QStringView line)
{
    return line.trimmed().isEmpty();
}

// A fence that Markdown opens or closes inside prose: "~~~", or "```" after one to three spaces.
bool isMarkdownFence(QStringView line)
{
    qsizetype spaces = 0;
    while (spaces < line.size() && spaces < 4 && line[spaces] == u' ')
        ++spaces;
    if (spaces > 3)
        return false;
    const QStringView rest = line.mid(spaces);
    return rest.startsWith(u"~~~") || (spaces > 0 && rest.startsWith(fence));
}

qsizetype trailingNewlines(QStringView text)
{
    qsizetype count = 0;
    while (count < text.size() && text[text.size() - 1 - count] == u'\n')
        ++count;
    return count;
}

void appendLine(QString& buffer, QStringView line)
{
    if (!buffer.isEmpty())
        buffer += u'\n';
    buffer += line;
}

} // namespace

QString trimmedNewlines(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == u'\n')
        ++begin;
    while (end > begin && text[end - 1] == u'\n')
        --end;
    return text.mid(begin, end - begin).toString();
}

void BlockSplitter::append(QStringView more)
{
    qsizetype start = 0;
    for (;;) {
        const qsizetype newline = more.indexOf(u'\n', start);
        if (newline < 0)
            break;
        if (m_partialLine.isEmpty()) {
            takeLine(more.mid(start, newline - start));
        } else {
            m_partialLine += more.mid(start, newline - start);
            const QString line = std::exchange(m_partialLine, QString());
            takeLine(line);
        }
        start = newline + 1;
    }
    m_partialLine += more.mid(start);
    splitBeforePartialLine();
}

void BlockSplitter::splitBeforePartialLine()
{
    // A paragraph that has begun after a blank line already tells from its first character that it starts a new
    // unit, so the one before it is finished and need not be drawn again while this line streams in. Lines that
    // may still turn into a fence ("`", "~") or an indented continuation wait until they are complete.
    if (m_inCode || m_partialLine.isEmpty() || !startsNewParagraph(m_partialLine))
        return;
    const QChar first = m_partialLine[0];
    if (first == u'`' || first == u'~')
        return;
    finishTextUnit();
    m_unitText.clear();
}

bool BlockSplitter::startsNewParagraph(QStringView line) const
{
    // Cut only after a blank line, before a line that is not indented (an indented one continues a list item
    // or an indented code block), and never inside a fence that Markdown renders itself.
    if (m_unitText.isEmpty() || !m_unitText.endsWith(u'\n') || m_markdownFenceOpen || isBlank(line))
        return false;
    return line[0] != u' ' && line[0] != u'\t';
}

void BlockSplitter::takeLine(QStringView line)
{
    if (isFence(line)) {
        if (m_inCode) {
            m_finished.append(
                {ContentBlock::Kind::CodeBlock, trimmedNewlines(m_code), m_language, m_blockIndex++, QString()});
            m_code.clear();
            m_language.reset();
        } else {
            if (m_blockTextLength > 0) {
                finishTextUnit();
                ++m_blockIndex;
            }
            m_unitText.clear();
            m_blockTextLength = 0;
            m_markdownFenceOpen = false;
            const QString language = line.mid(fence.size()).toString().trimmed();
            m_language = language.isEmpty() ? std::nullopt : std::optional<QString>(language);
        }
        m_inCode = !m_inCode;
        return;
    }
    if (m_inCode) {
        appendLine(m_code, line);
        return;
    }
    if (startsNewParagraph(line)) {
        finishTextUnit();
        m_unitText.clear();
    }
    if (isMarkdownFence(line))
        m_markdownFenceOpen = !m_markdownFenceOpen;
    if (m_blockTextLength > 0)
        ++m_blockTextLength;
    m_blockTextLength += line.size();
    if (m_blockTextLength > 0)
        appendLine(m_unitText, line);
}

void BlockSplitter::finishTextUnit()
{
    const qsizetype newlines = trailingNewlines(m_unitText);
    RenderUnit unit{ContentBlock::Kind::Text, trimmedNewlines(m_unitText), std::nullopt, m_blockIndex, QString()};
    // The line feed that joins the next unit's first line is part of the separator too.
    unit.separatorAfter = QString(newlines + 1, u'\n');
    m_finished.append(std::move(unit));
}

std::optional<RenderUnit> BlockSplitter::openUnit() const
{
    const QStringView partial = m_partialLine;
    if (m_inCode) {
        // A closing fence gives the block even when it is empty; an open one only once it has code.
        QString code = m_code;
        if (!isFence(partial))
            appendLine(code, partial);
        else
            return RenderUnit{ContentBlock::Kind::CodeBlock, trimmedNewlines(code), m_language, m_blockIndex, {}};
        code = trimmedNewlines(code);
        if (code.isEmpty())
            return std::nullopt;
        return RenderUnit{ContentBlock::Kind::CodeBlock, std::move(code), m_language, m_blockIndex, {}};
    }
    QString text = m_unitText;
    if (!isFence(partial) && (m_blockTextLength > 0 || !partial.isEmpty()))
        appendLine(text, partial);
    text = trimmedNewlines(text);
    if (text.isEmpty())
        return std::nullopt;
    return RenderUnit{ContentBlock::Kind::Text, std::move(text), std::nullopt, m_blockIndex, {}};
}

qsizetype BlockSplitter::openTextBlockLength() const
{
    if (m_inCode)
        return 0;
    const QStringView partial = m_partialLine;
    // The buffer never starts with a line feed; its trailing ones are those of the current unit.
    const qsizetype trailing = trailingNewlines(m_unitText);
    if (isFence(partial) || partial.isEmpty())
        return m_blockTextLength - trailing;
    return m_blockTextLength == 0 ? partial.size() : m_blockTextLength + 1 + partial.size();
}

QList<ContentBlock> BlockSplitter::blocks() const
{
    QList<RenderUnit> units = m_finished;
    if (auto open = openUnit())
        units.append(*open);
    QList<ContentBlock> result;
    int currentIndex = -1;
    QString pendingSeparator;
    for (const RenderUnit& unit : units) {
        if (unit.kind == ContentBlock::Kind::CodeBlock) {
            result.append(ContentBlock::makeCode(unit.language, unit.text));
            currentIndex = -1;
            continue;
        }
        if (unit.blockIndex == currentIndex && !result.isEmpty()) {
            result.last().text += pendingSeparator + unit.text;
        } else {
            result.append(ContentBlock::makeText(unit.text));
            currentIndex = unit.blockIndex;
        }
        pendingSeparator = unit.separatorAfter;
    }
    return result;
}

QList<ContentBlock> parseContentBlocks(QStringView content)
{
    BlockSplitter splitter;
    splitter.append(content);
    return splitter.blocks();
}
