// SPDX-License-Identifier: GPL-3.0-or-later
// Server-sent events from any chat server: the framing and the event parser, whole and in pieces.
#include "FuzzInput.h"
#include "ai/ChatEventParser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = fuzzBytes(data, size);
    for (const ChatEventParser::Mode mode : {ChatEventParser::Mode::Completion, ChatEventParser::Mode::Chat}) {
        QList<ChatStreamEvent> whole, pieces;
        ChatEventParser one(mode);
        one.feed(bytes, whole);
        one.finish(whole);
        ChatEventParser many(mode);
        forEachPiece(bytes, [&](QByteArrayView piece) { many.feed(piece, pieces); });
        many.finish(pieces);
        // Where the network cuts the stream must not change what it says.
        FUZZ_ASSERT(whole == pieces);
    }
    return 0;
}
