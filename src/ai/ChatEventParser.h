// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/ChatMessage.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QCoreApplication>
#include <QList>
#include <QString>

// Splits a byte stream into lines at LF, CR or CRLF as the bytes arrive. A chunk may end anywhere: inside a line,
// between the CR and the LF of a CRLF, or inside a UTF-8 sequence (lines are only decoded once complete).
class LineSplitter
{
public:
    // A line longer than this is dropped up to its terminator, so a broken server cannot make us hold more.
    static constexpr qsizetype maxLineLength = 8 * 1024 * 1024;

    // Calls `onLine(QByteArrayView)` for every complete line, without its terminator. `onLine` returns false to
    // stop: the rest of the bytes are then not looked at.
    template <typename OnLine> bool feed(QByteArrayView bytes, OnLine&& onLine)
    {
        const char* data = bytes.data();
        const qsizetype size = bytes.size();
        qsizetype start = 0;
        if (m_afterCR && size > 0) {
            m_afterCR = false;
            if (data[0] == '\n')
                start = 1;
        }
        for (qsizetype i = start; i < size; ++i) {
            const char c = data[i];
            if (c != '\n' && c != '\r')
                continue;
            bool goOn = true;
            const qsizetype length = m_partial.size() + (i - start);
            if (m_overlong || length > maxLineLength) {
                m_overlong = false;
                m_partial.clear();
            } else if (m_partial.isEmpty()) {
                goOn = onLine(QByteArrayView(data + start, i - start));
            } else {
                m_partial.append(data + start, i - start);
                goOn = onLine(QByteArrayView(m_partial));
                m_partial.clear();
            }
            if (c == '\r') {
                if (i + 1 < size) {
                    if (data[i + 1] == '\n')
                        ++i;
                } else {
                    m_afterCR = true;
                }
            }
            start = i + 1;
            if (!goOn)
                return false;
        }
        keep(QByteArrayView(data + start, size - start));
        return true;
    }

    // End of the stream: a last line without terminator still counts.
    template <typename OnLine> void finish(OnLine&& onLine)
    {
        if (!m_partial.isEmpty() && !m_overlong)
            onLine(QByteArrayView(m_partial));
        m_partial.clear();
        m_overlong = false;
        m_afterCR = false;
    }

private:
    void keep(QByteArrayView rest)
    {
        if (rest.isEmpty() || m_overlong)
            return;
        if (m_partial.size() + rest.size() > maxLineLength) {
            m_partial.clear();
            m_partial.squeeze();
            m_overlong = true;
            return;
        }
        m_partial.append(rest);
    }

    QByteArray m_partial;
    bool m_afterCR = false;  // the previous chunk ended with CR: a leading LF belongs to it
    bool m_overlong = false; // inside a line that went past maxLineLength: skip to its end
};

// What one stream of chat-completion events amounts to, in order.
struct ChatStreamEvent
{
    enum class Type
    {
        Content,     // `text` is the next piece of the answer (possibly empty)
        Reasoning,   // `text` is the next piece of the model's thinking, shown apart and never kept as the answer
        Truncated,   // the model stopped at its length limit; the answer so far is all there is
        Annotations, // `citations`, collected over the whole answer; last before Finished, only when not empty
        Finished,    // normal end: "[DONE]" or the end of the body
        Failed,      // the service reported an error in the stream; `text` is its message
    };

    Type type = Type::Content;
    QString text;
    QList<URLCitation> citations;

    bool operator==(const ChatStreamEvent&) const = default;
};

// Turns the bytes of a chat-completions event stream into events. Needs no network, so tests and benchmarks can
// drive it directly.
class ChatEventParser
{
    Q_DECLARE_TR_FUNCTIONS(ChatEventParser)

public:
    enum class Mode
    {
        Completion, // text pieces only
        Chat,       // text pieces and, at the end, the de-duplicated web citations
    };

    explicit ChatEventParser(Mode mode) : m_mode(mode) {}

    // Feeds the next bytes of the body; new events are appended to `events`. Bytes after the end are ignored.
    void feed(QByteArrayView bytes, QList<ChatStreamEvent>& events);
    // The body is complete: handles a last unterminated line, then ends the stream if nothing ended it yet.
    void finish(QList<ChatStreamEvent>& events);

    bool hasEnded() const { return m_ended; }

    // The payload of a server-sent-event "data" line ("data:" with or without one blank), or nothing.
    static std::optional<QByteArrayView> dataPayload(QByteArrayView line);

private:
    bool handleLine(QByteArrayView line, QList<ChatStreamEvent>& events);
    bool fail(const QString& message, QList<ChatStreamEvent>& events);
    void end(QList<ChatStreamEvent>& events);
    void collectCitations(const QJsonArray& annotations);

    Mode m_mode;
    LineSplitter m_lines;
    QList<URLCitation> m_citations;
    bool m_ended = false;
    bool m_truncated = false;
};
