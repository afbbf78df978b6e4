// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>

// One HTTP/1.1 request as the front reads it off a connection: bytes go in as they arrive, a complete request or a
// refusal comes out. Bounded: the head to 16 KiB, the body to 1 MiB; chunked bodies are refused.
class HttpRequestReader
{
public:
    static constexpr qsizetype maxHeadBytes = 16 * 1024;
    static constexpr qsizetype maxBodyBytes = 1024 * 1024;

    struct Request
    {
        QByteArray method;
        QByteArray path; // without the query
        QList<std::pair<QByteArray, QByteArray>> headers;
        QByteArray body;
        bool keepAlive = true;

        // Case-insensitive; empty when absent.
        QByteArray header(QByteArrayView name) const;
    };

    enum class State
    {
        NeedMore,
        Complete, // take() the request; the reader then reads the next one
        Refused,  // refusalStatus() says why; the connection is to be closed after answering
    };

    State feed(const QByteArray& bytes);
    Request take();
    int refusalStatus() const { return m_refusal; }

private:
    State parseHead();
    State refuse(int status);

    QByteArray m_buffer;
    Request m_request;
    qsizetype m_bodyLength = -1; // -1 while the head is not read
    int m_refusal = 0;
};
