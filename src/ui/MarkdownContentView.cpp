// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/MarkdownContentView.h"

#include "model/ChatSearch.h"
#include "ui/AnswerDocument.h"
#include "ui/SymbolIcon.h"

#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QEvent>
#include <QFontDatabase>
#include <QHash>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QRegularExpression>
#include <QScreen>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolButton>

#include <cmath>
#include <memory>
#include <optional>

namespace {

constexpr int unitSpacing = 10;
constexpr int codeInset = 10;
constexpr int codeRadius = 8;

// `font` at `scale` times the desktop's font size, so that text follows the size the user chose.
QFont relativeFont(QFont font, qreal scale, QFont::Weight weight = QFont::Normal)
{
    const qreal base = QApplication::font().pointSizeF();
    font.setPointSizeF((base > 0 ? base : 10.0) * scale);
    font.setWeight(weight);
    return font;
}

QFont monospaceFont(qreal scale, QFont::Weight weight = QFont::Normal)
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setStyleHint(QFont::Monospace);
    return relativeFont(font, scale, weight);
}

// The text area lays its document out at exactly `width` (not at its viewport's width, which lags behind while
// the widget is hidden) and reports the height that takes.
int layoutHeight(QTextEdit* edit, int width)
{
    if (edit->lineWrapColumnOrWidth() != width)
        edit->setLineWrapColumnOrWidth(width);
    return int(std::ceil(edit->document()->size().height()));
}

// The height at a width the text is not shown at, measured on a copy so the shown layout stays as it is.
int hypotheticalHeight(const QTextEdit* edit, int width)
{
    const std::unique_ptr<QTextDocument> copy(edit->document()->clone());
    copy->setTextWidth(width);
    return int(std::ceil(copy->size().height()));
}

// A read-only text area that is exactly as tall as its text, with no frame, scroll bars or background.
void makeBareTextArea(QTextEdit* edit)
{
    edit->setReadOnly(true);
    edit->setLineWrapMode(QTextEdit::FixedPixelWidth);
    // A word longer than the line (an address, a run of base64) breaks anywhere: it would overflow otherwise, and
    // laying out one unbreakable line of a few hundred kilobytes takes minutes.
    edit->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    edit->setFrameShape(QFrame::NoFrame);
    edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    edit->document()->setDocumentMargin(0);
    edit->viewport()->setAutoFillBackground(false);
    edit->setAutoFillBackground(false);
    edit->setFocusPolicy(Qt::ClickFocus);
    edit->setContextMenuPolicy(Qt::DefaultContextMenu);
}

// A line that defines a link reference ("[label]: address"), which Markdown renders as nothing.
const QRegularExpression& linkDefinition()
{
    // An address, then at most a quoted title: "[note]: some words" is a paragraph, not a definition.
    static const QRegularExpression line(
        QStringLiteral(R"(^ {0,3}\[[^\]\n]+\]:[ \t]*(<[^>\n]*>|\S+)([ \t]+("[^"\n]*"|'[^'\n]*'|\([^)\n]*\)))?[ \t]*$)"),
        QRegularExpression::MultilineOption);
    return line;
}

class TextUnitView : public QTextBrowser
{
public:
    TextUnitView(const ThemeColors& colors, QWidget* parent) : QTextBrowser(parent)
    {
        makeBareTextArea(this);
        setObjectName(QStringLiteral("markdownText"));
        // Selected with the mouse; the keyboard reaches the answer through its scroll area and Ctrl+C.
        setFocusPolicy(Qt::ClickFocus);
        // Never navigate: a click hands web and mail links to the desktop, and does nothing for anything else.
        setOpenLinks(false);
        connect(this, &QTextBrowser::anchorClicked, this, [](const QUrl& url) { openAnswerLink(url); });
        setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard | Qt::LinksAccessibleByMouse |
                                Qt::LinksAccessibleByKeyboard);
        QPalette palette = this->palette();
        palette.setColor(QPalette::Text, colors.text());
        palette.setColor(QPalette::Base, Qt::transparent);
        palette.setColor(QPalette::Link, colors.accent());
        setPalette(palette);
        document()->setDefaultFont(font());
        m_link = colors.accent();
    }

    void render(const QString& text, bool plain)
    {
        // Parse into a document that nothing lays out yet, then lay it out once by handing it over. Parsing into
        // the shown document would lay its paragraph out again after every piece the parser inserts.
        auto* document = new AnswerDocument(this);
        document->setUndoRedoEnabled(false);
        document->setDocumentMargin(0);
        document->setDefaultFont(font());
        document->setDefaultTextOption(this->document()->defaultTextOption());
        document->setTextWidth(lineWrapColumnOrWidth());
        if (plain) {
            document->setPlainText(text);
        } else {
            document->setAnswerMarkdown(text);
            // The parser gives up only on resource exhaustion; show the text as it came rather than nothing. Text
            // that only defines link references is rightly empty.
            if (document->isEmpty() && !QString(text).remove(linkDefinition()).trimmed().isEmpty())
                document->setPlainText(text);
            else
                tintLinks(document, m_link);
        }
        // The text control deletes the document it made itself; the ones we made are ours to delete.
        QTextDocument* previous = this->document();
        const bool ours = previous->parent() == this;
        setDocument(document);
        if (ours)
            delete previous;
    }

private:
    QColor m_link;

    // The Markdown importer colours links from the application palette; ours follow the theme.
    static void tintLinks(QTextDocument* document, const QColor& color)
    {
        QTextCursor cursor(document);
        for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                const QTextFragment fragment = it.fragment();
                if (!fragment.isValid() || !fragment.charFormat().isAnchor())
                    continue;
                QTextCharFormat format;
                format.setForeground(color);
                cursor.setPosition(fragment.position());
                cursor.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
                cursor.mergeCharFormat(format);
            }
        }
    }
};

class CodeUnitView : public QWidget
{
public:
    CodeUnitView(const std::optional<QString>& language, const ThemeColors& colors, QWidget* parent)
        : QWidget(parent), m_colors(colors), m_body(new QTextEdit(this))
    {
        setObjectName(QStringLiteral("codeBlock"));
        makeBareTextArea(m_body);
        m_body->setObjectName(QStringLiteral("codeText"));
        m_body->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        m_body->setFont(monospaceFont(0.92));
        m_body->document()->setDefaultFont(m_body->font());
        QPalette palette = m_body->palette();
        palette.setColor(QPalette::Text, colors.codeText());
        palette.setColor(QPalette::Base, Qt::transparent);
        m_body->setPalette(palette);

        if (language && !language->isEmpty()) {
            // Header text a step quieter than the code; the theme's secondary text is too faint on the dark box.
            QColor headerColor = colors.codeText();
            headerColor.setAlphaF(headerColor.alphaF() * 0.7f);
            m_header = new QWidget(this);
            auto* row = new QHBoxLayout(m_header);
            row->setContentsMargins(10, 6, 10, 6);
            auto* name = new QLabel(*language, m_header);
            name->setTextFormat(Qt::PlainText);
            name->setObjectName(QStringLiteral("codeLanguage"));
            name->setFont(monospaceFont(0.85, QFont::Medium));
            QPalette labelPalette = name->palette();
            labelPalette.setColor(QPalette::WindowText, headerColor);
            name->setPalette(labelPalette);
            auto* copy = new QToolButton(m_header);
            copy->setObjectName(QStringLiteral("copyCodeButton"));
            copy->setIcon(symbolIcon(QStringLiteral("doc.on.doc"), headerColor, 13));
            copy->setIconSize(QSize(13, 13));
            copy->setAutoRaise(true);
            copy->setCursor(Qt::PointingHandCursor);
            copy->setToolTip(QCoreApplication::translate("MarkdownContentView", "Copy code"));
            copy->setFocusPolicy(Qt::TabFocus);
            copy->setAccessibleName(copy->toolTip());
            QObject::connect(copy, &QToolButton::clicked, this, [this] {
                QClipboard* clipboard = QGuiApplication::clipboard();
                clipboard->clear();
                clipboard->setText(m_code);
            });
            row->addWidget(name);
            row->addStretch(1);
            row->addWidget(copy);
        }
    }

    void setCode(const QString& code)
    {
        if (code == m_code)
            return;
        if (!m_code.isEmpty() && code.startsWith(m_code)) {
            // Streaming: only the new text goes into the document, which lays out just the changed lines.
            QTextCursor cursor(m_body->document());
            cursor.movePosition(QTextCursor::End);
            cursor.insertText(QStringView(code).mid(m_code.size()).toString());
        } else {
            m_body->setPlainText(code);
        }
        m_code = code;
    }

    int heightFor(int width, bool shown) const
    {
        const int header = m_header ? m_header->sizeHint().height() : 0;
        const int bodyWidth = std::max(1, width - 2 * codeInset);
        const int body = shown ? layoutHeight(m_body, bodyWidth) : hypotheticalHeight(m_body, bodyWidth);
        return header + codeInset + body + codeInset;
    }

protected:
    void resizeEvent(QResizeEvent*) override
    {
        const int header = m_header ? m_header->sizeHint().height() : 0;
        if (m_header)
            m_header->setGeometry(0, 0, width(), header);
        const int bodyWidth = std::max(1, width() - 2 * codeInset);
        m_body->setGeometry(codeInset, header + codeInset, bodyWidth, layoutHeight(m_body, bodyWidth));
    }

    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        QPainterPath outline;
        outline.addRoundedRect(box, codeRadius, codeRadius);
        painter.fillPath(outline, m_colors.codeBoxBackground());
        if (m_header) {
            painter.save();
            painter.setClipPath(outline);
            painter.fillRect(QRectF(0, 0, width(), m_header->height()), m_colors.codeHeaderBackground());
            painter.restore();
        }
        painter.setPen(QPen(m_colors.codeBoxBorder(), 1));
        painter.drawPath(outline);
    }

private:
    ThemeColors m_colors;
    QTextEdit* m_body;
    QWidget* m_header = nullptr;
    QString m_code;
};

bool sameDrawing(const RenderUnit& a, const RenderUnit& b)
{
    return a.kind == b.kind && a.text == b.text && a.language == b.language;
}

} // namespace

struct MarkdownContentView::Slot
{
    RenderUnit unit;
    QWidget* widget = nullptr;
    bool plain = false;
    mutable int height = 0;
    mutable int heightWidth = -1;
    mutable QHash<int, int> otherHeights; // measured at widths it is not shown at
};

MarkdownContentView::MarkdownContentView(const QString& content, ThemeColors colors, QWidget* parent)
    : QWidget(parent), m_colors(colors)
{
    setObjectName(QStringLiteral("markdownContent"));
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    setFont(relativeFont(font(), 1.05));
    m_renderTimer.setSingleShot(true);
    connect(&m_renderTimer, &QTimer::timeout, this, [this] { render(); });
    m_content = content;
    m_splitter.append(content);
    render();
}

MarkdownContentView::~MarkdownContentView() = default;

void MarkdownContentView::setContent(const QString& content)
{
    if (content.size() >= m_content.size() && content.startsWith(m_content)) {
        if (content.size() == m_content.size())
            return;
        m_splitter.append(QStringView(content).mid(m_content.size()));
    } else {
        // Not a continuation: parse again, but still keep the widgets of units that come out the same.
        m_splitter = BlockSplitter();
        m_splitter.append(content);
        m_stableCount = 0;
    }
    m_content = content;
    scheduleRender();
}

void MarkdownContentView::setStreaming(bool streaming)
{
    if (m_streaming == streaming)
        return;
    m_streaming = streaming;
    m_stableCount = 0;
    scheduleRender();
}

void MarkdownContentView::setColors(ThemeColors colors)
{
    m_colors = colors;
    rebuildAll();
}

void MarkdownContentView::changeEvent(QEvent* event)
{
    // The Markdown importer takes fonts from the widget; follow a font change of the view.
    if (event->type() == QEvent::FontChange)
        rebuildAll();
    QWidget::changeEvent(event);
}

void MarkdownContentView::rebuildAll()
{
    for (const Slot& slot : std::as_const(m_slots))
        delete slot.widget;
    m_slots.clear();
    m_stableCount = 0;
    render();
}

QList<QWidget*> MarkdownContentView::unitWidgets() const
{
    QList<QWidget*> widgets;
    widgets.reserve(m_slots.size());
    for (const Slot& slot : m_slots)
        widgets.append(slot.widget);
    return widgets;
}

void MarkdownContentView::flushPendingRender()
{
    while (m_renderTimer.isActive()) {
        m_renderTimer.stop();
        render(false);
    }
}

void MarkdownContentView::scheduleRender()
{
    if (m_renderTimer.isActive())
        return;
    // One render per display frame at most: pieces that arrive within a frame are drawn together.
    const QScreen* screen = this->screen();
    const double rate = screen && screen->refreshRate() > 1 ? screen->refreshRate() : 60.0;
    const auto frame = qint64(1000.0 / rate);
    const qint64 elapsed = m_sinceRender.isValid() ? m_sinceRender.elapsed() : frame;
    m_renderTimer.start(int(std::max<qint64>(0, frame - elapsed)));
}

bool MarkdownContentView::blockIsPlain(const QList<RenderUnit>& units, int index) const
{
    const RenderUnit& unit = units[index];
    if (unit.kind != ContentBlock::Kind::Text)
        return false;
    // Cheap test first: a block can only pass the limit if it has at least that much text.
    int first = index;
    while (first > 0 && units[first - 1].kind == ContentBlock::Kind::Text &&
           units[first - 1].blockIndex == unit.blockIndex)
        --first;
    qsizetype length = 0;
    for (int i = first; i < units.size() && units[i].blockIndex == unit.blockIndex; ++i) {
        length += units[i].text.size();
        if (i + 1 < units.size() && units[i + 1].blockIndex == unit.blockIndex)
            length += units[i].separatorAfter.size();
    }
    return length > plainTextLimit;
}

QList<RenderUnit> MarkdownContentView::unitsToDraw() const
{
    if (m_streaming) {
        QList<RenderUnit> units = m_splitter.finishedUnits();
        if (auto open = m_splitter.openUnit())
            units.append(*open);
        return units;
    }
    const QList<ContentBlock> blocks = m_splitter.blocks();
    // Text blocks are parsed one by one, so a link reference defined in one (often at the end, after a code block)
    // is handed to the others too. A definition renders as nothing, wherever it stands.
    const QRegularExpression& definition = linkDefinition();
    QString definitions;
    int textBlocks = 0;
    for (const ContentBlock& block : blocks) {
        if (block.kind != ContentBlock::Kind::Text)
            continue;
        ++textBlocks;
        for (auto it = definition.globalMatch(block.text); it.hasNext();)
            definitions += u'\n' + it.next().captured();
    }
    const bool share = textBlocks > 1 && !definitions.isEmpty();
    QList<RenderUnit> units;
    units.reserve(blocks.size());
    for (int i = 0; i < blocks.size(); ++i) {
        QString text = blocks[i].text;
        if (share && blocks[i].kind == ContentBlock::Kind::Text) {
            // A block of definitions alone would only be an empty gap.
            if (QString(text).remove(definition).trimmed().isEmpty())
                continue;
            text += u'\n' + definitions;
        }
        units.append(RenderUnit{blocks[i].kind, std::move(text), blocks[i].language, i, QString()});
    }
    return units;
}

void MarkdownContentView::render(bool sliced)
{
    m_sinceRender.start();
    const QList<RenderUnit> units = unitsToDraw();
    if (!m_streaming) {
        renderWhole(units, sliced);
        return;
    }

    int firstChanged = int(units.size());
    // A text block that grows past the plain-text limit turns all of its units plain, finished ones included.
    int from = m_stableCount;
    if (!units.isEmpty() && blockIsPlain(units, int(units.size()) - 1)) {
        while (from > 0 && units[from - 1].blockIndex == units.last().blockIndex)
            --from;
    }
    for (int i = from; i < units.size(); ++i) {
        if (placeUnit(i, units[i], blockIsPlain(units, i)))
            firstChanged = std::min(firstChanged, i);
    }
    if (m_slots.size() > units.size()) {
        for (qsizetype i = units.size(); i < m_slots.size(); ++i)
            delete m_slots[i].widget;
        m_slots.resize(units.size());
        firstChanged = std::min(firstChanged, int(units.size()));
    }
    m_stableCount = m_streaming ? int(m_splitter.finishedUnits().size()) : 0;
    applyHighlight(firstChanged);
    layoutFrom(firstChanged);
}

void MarkdownContentView::renderWhole(const QList<RenderUnit>& units, bool sliced)
{
    // Slots are matched to units block by block: the paragraph groups a stream left behind become one widget per
    // block, and blocks that come out the same keep theirs. Redrawing a long answer is spread over several frames,
    // so the end of a stream never freezes the window; meanwhile each block shows either its groups or its whole,
    // the same text. A first drawing is done at once, so a view never shows a part of its content.
    constexpr int sliceMs = 8;
    sliced = sliced && !m_slots.isEmpty();
    QElapsedTimer spent;
    spent.start();
    std::optional<qsizetype> firstChanged;
    const auto changedAt = [&firstChanged](qsizetype at) { firstChanged = std::min(firstChanged.value_or(at), at); };
    qsizetype s = 0;
    bool unfinished = false;
    for (int i = 0; i < units.size(); ++i) {
        const RenderUnit& unit = units[i];
        // Slots of blocks that no longer draw go.
        while (s < m_slots.size() && m_slots[s].unit.blockIndex < unit.blockIndex) {
            delete m_slots[s].widget;
            m_slots.removeAt(s);
            changedAt(s);
        }
        qsizetype end = s;
        while (end < m_slots.size() && m_slots[end].unit.blockIndex == unit.blockIndex)
            ++end;
        const bool plain = blockIsPlain(units, i);
        if (end == s + 1 && sameDrawing(m_slots[s].unit, unit) && m_slots[s].plain == plain) {
            m_slots[s].unit = unit;
            ++s;
            continue;
        }
        if (sliced && spent.elapsed() >= sliceMs) {
            unfinished = true;
            break;
        }
        if (end == s) {
            m_slots.insert(s, Slot{unit, createWidget(unit, plain), plain});
        } else {
            for (qsizetype k = s + 1; k < end; ++k)
                delete m_slots[k].widget;
            m_slots.remove(s + 1, end - s - 1);
            updateSlot(m_slots[s], unit, plain);
        }
        changedAt(s);
        ++s;
    }
    if (!unfinished && s < m_slots.size()) {
        for (qsizetype k = s; k < m_slots.size(); ++k)
            delete m_slots[k].widget;
        m_slots.resize(s);
        changedAt(s);
    }
    m_stableCount = 0;
    if (firstChanged) {
        applyHighlight(int(*firstChanged));
        layoutFrom(int(*firstChanged));
    }
    if (unfinished)
        m_renderTimer.start(0); // the rest after the events that came meanwhile, a paint among them
}

void MarkdownContentView::setHighlight(const QString& query)
{
    if (m_highlight == query)
        return;
    m_highlight = query;
    applyHighlight(0);
}

bool MarkdownContentView::contains(const QString& content, const QString& query)
{
    const QString needle = ChatSearch::fold(query);
    return !needle.isEmpty() && ChatSearch::fold(content).contains(needle);
}

void MarkdownContentView::applyHighlight(int from)
{
    const QString needle = ChatSearch::fold(m_highlight);
    QTextCharFormat format;
    // A marker: yellow under dark text, readable in light and dark bubbles alike.
    format.setBackground(QColor(255, 204, 0));
    format.setForeground(QColor(20, 20, 20));
    for (qsizetype i = from; i < m_slots.size(); ++i) {
        QList<QTextEdit*> edits = m_slots[i].widget->findChildren<QTextEdit*>();
        if (auto* edit = qobject_cast<QTextEdit*>(m_slots[i].widget))
            edits.prepend(edit);
        for (QTextEdit* edit : edits) {
            QList<QTextEdit::ExtraSelection> marks;
            if (!needle.isEmpty()) {
                // Positions in the plain text are positions in the document: a block break counts one, as "\n".
                const QString text = edit->document()->toPlainText();
                QList<qsizetype> origin;
                const QString folded = ChatSearch::fold(text, &origin);
                for (qsizetype at = folded.indexOf(needle); at >= 0; at = folded.indexOf(needle, at + needle.size())) {
                    const qsizetype end = at + needle.size();
                    QTextCursor cursor(edit->document());
                    cursor.setPosition(int(origin[at]));
                    cursor.setPosition(int(end < folded.size() ? origin[end] : text.size()), QTextCursor::KeepAnchor);
                    marks.append({cursor, format});
                }
            }
            edit->setExtraSelections(marks);
        }
    }
}

bool MarkdownContentView::placeUnit(int index, const RenderUnit& unit, bool plain)
{
    if (index < m_slots.size()) {
        Slot& slot = m_slots[index];
        if (sameDrawing(slot.unit, unit) && slot.plain == plain) {
            slot.unit = unit;
            return false;
        }
        updateSlot(slot, unit, plain);
        return true;
    }
    m_slots.append(Slot{unit, createWidget(unit, plain), plain});
    return true;
}

void MarkdownContentView::updateSlot(Slot& slot, const RenderUnit& unit, bool plain)
{
    if (slot.unit.kind == ContentBlock::Kind::CodeBlock && unit.kind == ContentBlock::Kind::CodeBlock &&
        slot.unit.language == unit.language) {
        static_cast<CodeUnitView*>(slot.widget)->setCode(unit.text);
    } else if (slot.unit.kind == ContentBlock::Kind::Text && unit.kind == ContentBlock::Kind::Text) {
        static_cast<TextUnitView*>(slot.widget)->render(unit.text, plain);
    } else {
        delete slot.widget;
        slot.widget = createWidget(unit, plain);
    }
    slot.unit = unit;
    slot.plain = plain;
    slot.heightWidth = -1;
    slot.otherHeights.clear();
}

QWidget* MarkdownContentView::createWidget(const RenderUnit& unit, bool plain)
{
    QWidget* widget = nullptr;
    if (unit.kind == ContentBlock::Kind::CodeBlock) {
        auto* code = new CodeUnitView(unit.language, m_colors, this);
        code->setCode(unit.text);
        widget = code;
    } else {
        auto* text = new TextUnitView(m_colors, this);
        // Lay the first rendering out near the width it will have: at width 0 every character is a line of its
        // own, which for a long text takes far longer than the real layout.
        text->setLineWrapColumnOrWidth(std::max(width(), 200));
        text->render(unit.text, plain);
        widget = text;
    }
    widget->show();
    return widget;
}

int MarkdownContentView::unitHeight(int index, int width) const
{
    const Slot& slot = m_slots[index];
    if (slot.heightWidth != width) {
        slot.height = measureUnit(index, width, true);
        slot.heightWidth = width;
    }
    return slot.height;
}

int MarkdownContentView::measureUnit(int index, int width, bool shown) const
{
    const Slot& slot = m_slots[index];
    if (slot.unit.kind == ContentBlock::Kind::CodeBlock)
        return static_cast<const CodeUnitView*>(slot.widget)->heightFor(width, shown);
    auto* text = static_cast<TextUnitView*>(slot.widget);
    return shown ? layoutHeight(text, width) : hypotheticalHeight(text, width);
}

void MarkdownContentView::layoutFrom(int index)
{
    const int width = std::max(1, this->width());
    int y = 0;
    if (index > 0 && index <= m_slots.size()) {
        const QRect previous = m_slots[index - 1].widget->geometry();
        y = previous.y() + unitHeight(index - 1, width) + unitSpacing;
    } else {
        index = 0;
    }
    for (int i = index; i < m_slots.size(); ++i) {
        const int height = unitHeight(i, width);
        m_slots[i].widget->setGeometry(0, y, width, height);
        y += height + unitSpacing;
    }
    const int total = m_slots.isEmpty() ? 0 : y - unitSpacing;
    const bool changed = m_cachedWidth != width || m_cachedHeight != total;
    m_cachedWidth = width;
    m_cachedHeight = total;
    if (changed)
        updateGeometry();
}

int MarkdownContentView::heightForWidth(int width) const
{
    if (width == m_cachedWidth)
        return m_cachedHeight;
    // Scroll areas ask at a second width (with or without a scroll bar); finished units keep those answers.
    int total = 0;
    for (int i = 0; i < m_slots.size(); ++i) {
        const Slot& slot = m_slots[i];
        auto known = slot.otherHeights.constFind(width);
        if (known == slot.otherHeights.cend())
            known = slot.otherHeights.insert(width, measureUnit(i, width, false));
        total += *known + (i > 0 ? unitSpacing : 0);
    }
    return total;
}

QSize MarkdownContentView::sizeHint() const
{
    const int width = m_cachedWidth > 0 ? m_cachedWidth : 400;
    return {width, heightForWidth(width)};
}

QSize MarkdownContentView::minimumSizeHint() const
{
    return {50, 0};
}

void MarkdownContentView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutFrom(0);
}
