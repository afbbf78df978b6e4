// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/TextLength.h"

#include <QStringDecoder>
#include <QTextBoundaryFinder>

namespace {

// Position in UTF-16 units after `n` characters, or -1 when the text has no more than `n` characters.
qsizetype positionAfter(QStringView text, qsizetype n, qsizetype* counted)
{
    // Plain ASCII (the usual case) has one character per unit, except CR LF, which is one cluster.
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text.data(), text.size());
    qsizetype count = 0;
    while (finder.toNextBoundary() > 0) {
        ++count;
        if (count == n && finder.position() < text.size()) {
            *counted = count;
            return finder.position();
        }
    }
    *counted = count;
    return -1;
}

} // namespace

namespace TextLength {

qsizetype count(QStringView text, qsizetype limit)
{
    if (text.isEmpty())
        return 0;
    qsizetype counted = 0;
    const qsizetype cut = positionAfter(text, limit, &counted);
    return cut < 0 ? counted : limit + 1;
}

QString left(const QString& text, qsizetype n)
{
    if (n <= 0)
        return QString();
    qsizetype counted = 0;
    const qsizetype cut = positionAfter(text, n, &counted);
    return cut < 0 ? text : text.left(cut);
}

} // namespace TextLength

std::optional<QString> TextLength::strictUtf8(QByteArrayView bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

QByteArray TextLength::withoutIncompleteUtf8Tail(const QByteArray& bytes)
{
    // Walk back over at most three continuation bytes to the lead byte of the last sequence.
    qsizetype lead = bytes.size() - 1;
    while (lead >= 0 && bytes.size() - lead <= 4 && (uchar(bytes[lead]) & 0xC0) == 0x80)
        --lead;
    if (lead < 0)
        return bytes;
    const uchar first = uchar(bytes[lead]);
    const qsizetype needed = first >= 0xF0 ? 4 : first >= 0xE0 ? 3 : first >= 0xC0 ? 2 : 1;
    return bytes.size() - lead < needed ? bytes.left(lead) : bytes;
}
