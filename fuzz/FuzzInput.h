// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

// The bytes libFuzzer hands a target, without a copy.
inline QByteArray fuzzBytes(const uint8_t* data, size_t size)
{
    return QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
}

// Where a target checks a property of the code: a violation ends the run as a crash, so libFuzzer keeps the input.
#define FUZZ_ASSERT(condition)                                                                                         \
    do {                                                                                                               \
        if (!(condition))                                                                                              \
            qFatal("fuzz property violated: %s (%s:%d)", #condition, __FILE__, __LINE__);                              \
    } while (false)

// Cuts the input into pieces at places taken from its own first byte, as a network would.
template <typename Piece> void forEachPiece(const QByteArray& bytes, Piece&& piece)
{
    const int step = bytes.isEmpty() ? 1 : 1 + (uchar(bytes.front()) % 61);
    for (qsizetype at = 0; at < bytes.size(); at += step)
        piece(QByteArrayView(bytes).sliced(at, qMin<qsizetype>(step, bytes.size() - at)));
}
