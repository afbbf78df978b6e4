// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/AnswerDocument.h"

#include <QBuffer>
#include <QDesktopServices>
#include <QImage>
#include <QImageReader>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocumentFragment>

#include <algorithm>
#include <optional>

namespace {

constexpr qsizetype maxToolTipLength = 500;
// All pictures of one document together; a long answer full of small images must not eat the memory either.
constexpr qint64 maxDecodedBytesPerDocument = 64LL * 1024 * 1024;

// "data:image/<type>;base64,<payload>", decoded only when both the payload and the picture are within bounds.
std::optional<QImage> decodeDataImage(QStringView address, qint64& budget)
{
    if (!address.startsWith(u"data:", Qt::CaseInsensitive))
        return std::nullopt;
    const qsizetype comma = address.indexOf(u',');
    if (comma < 0)
        return std::nullopt;
    const QStringView header = address.mid(5, comma - 5);
    if (!header.startsWith(u"image/", Qt::CaseInsensitive) || !header.endsWith(u";base64", Qt::CaseInsensitive))
        return std::nullopt;
    const QStringView payload = address.mid(comma + 1);
    if (payload.size() > AnswerDocument::maxImageDataBytes / 3 * 4 + 4)
        return std::nullopt;
    const auto decoded = QByteArray::fromBase64Encoding(payload.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return std::nullopt;
    QByteArray bytes = *decoded;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    const int side = AnswerDocument::maxImageSide;
    if (!size.isValid() || size.width() > side || size.height() > side)
        return std::nullopt;
    const qint64 cost = qint64(size.width()) * size.height() * 4;
    if (cost > budget)
        return std::nullopt;
    reader.setAllocationLimit(int(cost / (1024 * 1024)) + 1);
    QImage image = reader.read();
    if (image.isNull())
        return std::nullopt;
    budget -= cost;
    return image;
}

} // namespace

AnswerDocument::AnswerDocument(QObject* parent) : QTextDocument(parent) {}

void AnswerDocument::setAnswerMarkdown(const QString& markdown)
{
    // Without inline HTML, tags stay text: an answer cannot bring images, styles or forms in through them.
    setMarkdown(markdown,
                QTextDocument::MarkdownFeatures(QTextDocument::MarkdownDialectGitHub) | QTextDocument::MarkdownNoHTML);
    makeSafe();
    spaceParagraphs();
}

void AnswerDocument::spaceParagraphs()
{
    // The importer parts paragraphs by two thirds of the font's point size in pixels, which reads as a line break
    // rather than a new paragraph; about a line's height does. From the size alone, as the importer does: measuring
    // the font would load it for every document. List items keep their tighter spacing.
    const QFont font = defaultFont();
    const qreal pixels = font.pointSizeF() > 0 ? font.pointSizeF() * 4 / 3 : qreal(std::max(font.pixelSize(), 1));
    const qreal gap = pixels * 1.1;
    QTextCursor cursor(this);
    for (QTextBlock block = begin(); block.isValid(); block = block.next()) {
        QTextBlockFormat format = block.blockFormat();
        if (block.textList() || format.bottomMargin() >= gap)
            continue;
        format.setTopMargin(gap);
        format.setBottomMargin(gap);
        cursor.setPosition(block.position());
        cursor.setBlockFormat(format);
    }
}

QVariant AnswerDocument::loadResource(int, const QUrl&)
{
    return {};
}

void AnswerDocument::makeSafe()
{
    struct Fragment
    {
        int position;
        int length;
        QTextCharFormat format;
    };
    QList<Fragment> images;
    QList<Fragment> links;
    for (QTextBlock block = begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat format = fragment.charFormat();
            if (format.isImageFormat())
                images.append({fragment.position(), fragment.length(), format});
            else if (format.isAnchor())
                links.append({fragment.position(), fragment.length(), format});
        }
    }

    QTextCursor cursor(this);
    for (const Fragment& link : std::as_const(links)) {
        const QString title = link.format.toolTip();
        const QString address = link.format.anchorHref();
        QTextCharFormat tip;
        tip.setToolTip(plainToolTip(title.isEmpty() ? address : title + u'\n' + address));
        cursor.setPosition(link.position);
        cursor.setPosition(link.position + link.length, QTextCursor::KeepAnchor);
        cursor.mergeCharFormat(tip);
    }

    // Back to front, so replacing a picture by its alt text leaves the positions still to visit where they are.
    qint64 budget = maxDecodedBytesPerDocument;
    for (auto it = images.crbegin(); it != images.crend(); ++it) {
        QTextImageFormat format = it->format.toImageFormat();
        const QString address = format.name();
        const QString alt = format.stringProperty(QTextFormat::ImageAltText);
        cursor.setPosition(it->position);
        cursor.setPosition(it->position + it->length, QTextCursor::KeepAnchor);
        if (const auto image = decodeDataImage(address, budget)) {
            addResource(QTextDocument::ImageResource, QUrl(address), *image);
            if (image->width() > maxImageDisplayWidth) {
                format.setWidth(maxImageDisplayWidth);
                format.setHeight(qreal(image->height()) * maxImageDisplayWidth / image->width());
            }
            format.setToolTip(plainToolTip(alt));
            cursor.setCharFormat(format);
            continue;
        }
        QTextCharFormat placeholder;
        if (format.isAnchor()) {
            placeholder.setAnchor(true);
            placeholder.setAnchorHref(format.anchorHref());
            placeholder.setForeground(format.foreground());
        }
        placeholder.setFontItalic(true);
        placeholder.setToolTip(plainToolTip(address));
        cursor.insertText(u'[' + (alt.isEmpty() ? tr("Image") : alt) + u']', placeholder);
    }
}

bool isOpenableAnswerLink(const QUrl& url)
{
    if (!url.isValid() || url.isRelative())
        return false;
    const QString scheme = url.scheme().toLower();
    if (scheme == u"http" || scheme == u"https")
        return !url.host().isEmpty();
    return scheme == u"mailto" && !url.path().isEmpty();
}

bool openAnswerLink(const QUrl& url)
{
    if (!isOpenableAnswerLink(url))
        return false;
    QDesktopServices::openUrl(url);
    return true;
}

QString plainToolTip(const QString& text)
{
    if (text.isEmpty())
        return {};
    QString shown = text.size() > maxToolTipLength ? text.left(maxToolTipLength) + u'…' : text;
    return Qt::convertFromPlainText(shown, Qt::WhiteSpaceNormal);
}
