// SPDX-License-Identifier: GPL-3.0-or-later
// The sync front's request reader: bytes from any client, whole and as they trickle in.
#include "FuzzInput.h"
#include "HttpRequestReader.h"

namespace {

struct Outcome
{
    QList<HttpRequestReader::Request> requests;
    int refusal = 0;
};

template <typename Feed> Outcome read(Feed&& feed)
{
    HttpRequestReader reader;
    Outcome outcome;
    feed([&](const QByteArray& bytes) {
        if (outcome.refusal)
            return;
        for (HttpRequestReader::State state = reader.feed(bytes); state != HttpRequestReader::State::NeedMore;
             state = reader.feed({})) {
            if (state == HttpRequestReader::State::Refused) {
                outcome.refusal = reader.refusalStatus();
                return;
            }
            HttpRequestReader::Request request = reader.take();
            FUZZ_ASSERT(request.body.size() <= HttpRequestReader::maxBodyBytes);
            outcome.requests.append(std::move(request));
        }
    });
    return outcome;
}

bool same(const Outcome& a, const Outcome& b)
{
    if (a.refusal != b.refusal || a.requests.size() != b.requests.size())
        return false;
    for (qsizetype i = 0; i < a.requests.size(); ++i) {
        const HttpRequestReader::Request &x = a.requests.at(i), &y = b.requests.at(i);
        if (x.method != y.method || x.path != y.path || x.headers != y.headers || x.body != y.body ||
            x.keepAlive != y.keepAlive)
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = fuzzBytes(data, size);
    const Outcome whole = read([&](auto feed) { feed(QByteArray(bytes)); });
    const Outcome pieces =
        read([&](auto feed) { forEachPiece(bytes, [&](QByteArrayView piece) { feed(piece.toByteArray()); }); });
    // How the bytes arrive must not change what is read.
    FUZZ_ASSERT(same(whole, pieces));
    return 0;
}
