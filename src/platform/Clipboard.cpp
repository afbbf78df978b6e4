// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Clipboard.h"

#include "platform/Log.h"
#include "platform/Session.h"
#include "platform/TextLength.h"

#include <QImageReader>
#include <QMimeData>
#include <QUrl>

namespace {

// A UTF-16 unit never takes more than three UTF-8 bytes, so this many bytes always hold maxLength units.
constexpr qsizetype maxBytes = 3 * Clipboard::maxTextLength;

QString capped(QString text)
{
    if (text.size() <= Clipboard::maxTextLength)
        return text;
    qsizetype end = Clipboard::maxTextLength;
    if (text.at(end - 1).isHighSurrogate())
        --end; // never keep half of a pair
    logLine(u"Clipboard", QStringLiteral("Clipboard text cut at %1 characters").arg(end));
    text.truncate(end);
    return text;
}

} // namespace

QString Clipboard::textFromMimeData(const QMimeData* mime)
{
    if (!mime)
        return QString();
    QString text;
    // GTK fills text/plain;charset=utf-8 with CRLF line ends, and QMimeData::text() asks for that target first.
    // UTF8_STRING holds the text as selected. Qt's xcb backend does not hand that target out under its own name
    // (data("UTF8_STRING") comes back empty); it serves it as plain "text/plain", ahead of STRING and TEXT.
    if (Session::currentKind() == Session::Kind::X11) {
        QByteArray bytes = mime->data(QStringLiteral("text/plain"));
        if (bytes.size() > maxBytes)
            bytes = TextLength::withoutIncompleteUtf8Tail(bytes.left(maxBytes));
        text = QString::fromUtf8(bytes);
    }
    if (text.isEmpty())
        text = mime->text();
    text = capped(std::move(text));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    return text;
}

std::optional<QImage> Clipboard::imageFromMimeData(const QMimeData* mime, ImageSources sources)
{
    if (!mime)
        return std::nullopt;
    QStringList formats{QStringLiteral("image/png"), QStringLiteral("image/tiff")};
    for (const QString& format : mime->formats()) {
        if (format.startsWith(u"image/") && !formats.contains(format))
            formats.append(format);
    }
    for (const QString& format : std::as_const(formats)) {
        if (!mime->hasFormat(format))
            continue;
        const QImage image = QImage::fromData(mime->data(format));
        if (!image.isNull())
            return image;
    }
    if (mime->hasImage()) {
        const QImage image = qvariant_cast<QImage>(mime->imageData());
        if (!image.isNull())
            return image;
    }
    if (sources != ImageSources::DataOrLocalFile)
        return std::nullopt;
    for (const QUrl& url : mime->urls()) {
        if (!url.isLocalFile())
            continue;
        // The first file decides: a file that is not an image gives nothing.
        QImageReader reader(url.toLocalFile());
        reader.setAutoTransform(true);
        const QImage image = reader.read();
        if (image.isNull())
            return std::nullopt;
        return image;
    }
    return std::nullopt;
}
