// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/ChatSession.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace BenchHistory {

// `sessionCount` conversations of 10 messages each, newest first, in the "General" project, with question and
// answer texts of about 700 characters of Markdown-ish prose (lists, inline code, code blocks, headings). The same
// count always gives the same texts; the ids are new on every call.
QList<ChatSession> makeSessions(int sessionCount);

// The streamed answer: exactly `pieceCount` pieces of `pieceLength` characters of Markdown, ASCII only so that no
// piece splits a character.
QStringList answerPieces(int pieceCount, int pieceLength);

// A question as someone would type it into the chat.
QString question();

} // namespace BenchHistory
