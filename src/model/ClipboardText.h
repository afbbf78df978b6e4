// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QMimeData;

// Text that another application put on the clipboard (or dropped), read the same way everywhere in the program.
namespace ClipboardText {

// The most text taken from another application, in UTF-16 units; anything past it is dropped.
inline constexpr qsizetype maxLength = qsizetype(1) << 20;

// The text in `mime` as the user selected it: on X11 the UTF8_STRING target, else the data's own text. Line ends
// are LF, the length is at most maxLength. Empty for null data or data without text.
QString fromMimeData(const QMimeData* mime);

} // namespace ClipboardText
