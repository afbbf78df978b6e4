// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <limits>
#include <optional>

// Lengths of user-visible text count characters as a reader sees them (grapheme clusters), so a cut never splits
// an emoji or a letter from its accent.
namespace TextLength {

// Number of characters, counting at most `limit` of them (more means "longer than limit").
qsizetype count(QStringView text, qsizetype limit = std::numeric_limits<qsizetype>::max());

// The first `n` characters (all of the text when it is shorter).
QString left(const QString& text, qsizetype n);

// The bytes as UTF-8 text; nothing when they are not valid UTF-8.
std::optional<QString> strictUtf8(QByteArrayView bytes);

// Bytes cut at a size limit may end inside a UTF-8 sequence: drops such an incomplete last sequence.
QByteArray withoutIncompleteUtf8Tail(const QByteArray& bytes);

} // namespace TextLength
