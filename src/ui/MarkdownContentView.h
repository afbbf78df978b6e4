// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/MarkdownBlocks.h"
#include "ui/ThemeColors.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

// An answer drawn as a column of blocks: prose rendered from Markdown, and fenced code in a monospaced box with
// its language and a copy button. Text is selectable.
//
// The content grows many times a second while an answer streams in. While the view is told it streams, growth only
// parses the new text, and the widgets follow at most once per display frame: finished paragraphs and code blocks
// keep their widgets untouched, only the last paragraph is rendered again, and a growing code block only gets the
// new text appended. Markdown that spans paragraphs (reference links defined later, loose lists) can come out
// differently that way, so when the stream ends every text block is rendered again as a whole; outside streaming
// the view always renders whole blocks.
class MarkdownContentView : public QWidget
{
    Q_OBJECT

public:
    // Text blocks longer than this are shown as plain text, unparsed.
    static constexpr qsizetype plainTextLimit = 512'000;

    explicit MarkdownContentView(const QString& content = {}, ThemeColors colors = {}, QWidget* parent = nullptr);
    ~MarkdownContentView() override;

    QString content() const { return m_content; }
    void setContent(const QString& content);

    bool isStreaming() const { return m_streaming; }
    void setStreaming(bool streaming);

    ThemeColors colors() const { return m_colors; }
    // Draws everything again in the new colours.
    void setColors(ThemeColors colors);

    // Marks every place the text shows `query`, ignoring case and accents (a search across chats); empty clears.
    void setHighlight(const QString& query);
    const QString& highlight() const { return m_highlight; }
    // Whether the content holds `query` as setHighlight() would mark it.
    static bool contains(const QString& content, const QString& query);

    // The blocks of the current content.
    QList<ContentBlock> blocks() const { return m_splitter.blocks(); }

    // The widget of each drawn unit, in order (a code block, or a paragraph group of a text block).
    QList<QWidget*> unitWidgets() const;

    // Brings the widgets up to date with the content now instead of at the next frame.
    void flushPendingRender();

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    struct Slot;

    void scheduleRender();
    // `sliced`: a long redrawing may stop after a few milliseconds and go on at the next turn of the event loop.
    void render(bool sliced = true);
    void renderWhole(const QList<RenderUnit>& units, bool sliced);
    void updateSlot(Slot& slot, const RenderUnit& unit, bool plain);
    QList<RenderUnit> unitsToDraw() const;
    bool placeUnit(int index, const RenderUnit& unit, bool plain);
    QWidget* createWidget(const RenderUnit& unit, bool plain);
    bool blockIsPlain(const QList<RenderUnit>& units, int index) const;
    int unitHeight(int index, int width) const;
    int measureUnit(int index, int width, bool shown) const;
    void layoutFrom(int index);
    void rebuildAll();
    void applyHighlight(int from);

    QString m_content;
    QString m_highlight;
    ThemeColors m_colors;
    BlockSplitter m_splitter;
    QList<Slot> m_slots;
    bool m_streaming = false;
    int m_stableCount = 0; // while streaming, slots before this show finished units and never change
    QTimer m_renderTimer;
    QElapsedTimer m_sinceRender;
    mutable int m_cachedWidth = -1;
    mutable int m_cachedHeight = 0;
};
