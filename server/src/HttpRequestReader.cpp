// SPDX-License-Identifier: GPL-3.0-or-later
#include "HttpRequestReader.h"

QByteArray HttpRequestReader::Request::header(QByteArrayView name) const
{
    for (const auto& [key, value] : headers)
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    return {};
}

HttpRequestReader::State HttpRequestReader::refuse(int status)
{
    m_refusal = status;
    m_buffer.clear();
    return State::Refused;
}

HttpRequestReader::State HttpRequestReader::feed(const QByteArray& bytes)
{
    if (m_refusal)
        return State::Refused;
    m_buffer += bytes;
    if (m_bodyLength < 0) {
        const State head = parseHead();
        if (head != State::Complete)
            return head;
    }
    return m_buffer.size() >= m_bodyLength ? State::Complete : State::NeedMore;
}

HttpRequestReader::State HttpRequestReader::parseHead()
{
    const qsizetype end = m_buffer.indexOf("\r\n\r\n");
    // Without its blank line yet, a head is too long only once no blank line could still end it in time, so the
    // same bytes are read alike however they arrive.
    if (end < 0)
        return m_buffer.size() > maxHeadBytes + 3 ? refuse(431) : State::NeedMore;
    if (end > maxHeadBytes)
        return refuse(431);
    const QList<QByteArray> lines = m_buffer.left(end).split('\n');
    const QList<QByteArray> requestLine = lines.first().trimmed().split(' ');
    if (requestLine.size() != 3 || !requestLine[2].startsWith("HTTP/1."))
        return refuse(400);
    Request request;
    request.method = requestLine[0];
    request.path =
        requestLine[1].left(requestLine[1].indexOf('?') < 0 ? requestLine[1].size() : requestLine[1].indexOf('?'));
    request.keepAlive = requestLine[2] == "HTTP/1.1";
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            return refuse(400);
        request.headers.append({line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
    }
    const QByteArray connection = request.header("Connection").toLower();
    if (connection == "close")
        request.keepAlive = false;
    else if (connection == "keep-alive")
        request.keepAlive = true;
    if (!request.header("Transfer-Encoding").isEmpty())
        return refuse(411); // a length is required; nobody sends a small JSON body chunked
    const QByteArray length = request.header("Content-Length");
    bool ok = true;
    const qlonglong bodyLength = length.isEmpty() ? 0 : length.toLongLong(&ok);
    if (!ok || bodyLength < 0)
        return refuse(400);
    if (bodyLength > maxBodyBytes)
        return refuse(413);
    m_buffer.remove(0, end + 4);
    m_bodyLength = qsizetype(bodyLength);
    m_request = std::move(request);
    return State::Complete;
}

HttpRequestReader::Request HttpRequestReader::take()
{
    Request request = std::move(m_request);
    request.body = m_buffer.left(m_bodyLength);
    m_buffer.remove(0, m_bodyLength);
    m_request = Request();
    m_bodyLength = -1;
    return request;
}
