// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/ClipboardText.h"

#include "ai/TextLength.h"
#include "platform/Log.h"

#include <QGuiApplication>
#include <QMimeData>

namespace {

// A UTF-16 unit never takes more than three UTF-8 bytes, so this many bytes always hold maxLength units.
constexpr qsizetype maxBytes = 3 * ClipboardText::maxLength;

QString capped(QString text)
{
    if (text.size() <= ClipboardText::maxLength)
        return text;
    qsizetype end = ClipboardText::maxLength;
    if (text.at(end - 1).isHighSurrogate())
        --end; // never keep half of a pair
    logLine(u"ClipboardText", QStringLiteral("Clipboard text cut at %1 characters").arg(end));
    text.truncate(end);
    return text;
}

} // namespace

QString ClipboardText::fromMimeData(const QMimeData* mime)
{
    if (!mime)
        return QString();
    QString text;
    // GTK fills text/plain;charset=utf-8 with CRLF line ends, and QMimeData::text() asks for that target first.
    // UTF8_STRING holds the text as selected. Qt's xcb backend does not hand that target out under its own name
    // (data("UTF8_STRING") comes back empty); it serves it as plain "text/plain", ahead of STRING and TEXT.
    if (QGuiApplication::platformName() == u"xcb") {
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
