// SPDX-License-Identifier: GPL-3.0-or-later
// Pages from any site: the text extraction, meta tags, the site-specific readers and the links found in a message.
#include "FuzzInput.h"
#include "ai/WebContentExtractor.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString html = QString::fromUtf8(fuzzBytes(data, size));
    // Whatever the page, what goes into a prompt stays within the page limit (in characters, so at most two UTF-16
    // units each, and the truncation mark).
    constexpr qsizetype bound = 2 * WebContent::maxPageCharacters + 20;
    for (const std::optional<QString>& text : {WebContent::genericPageText(html), WebContent::instagramPageText(html),
                                               WebContent::tiktokPageText(html), WebContent::xPageText(html)}) {
        if (text)
            FUZZ_ASSERT(text->size() <= bound);
    }
    WebContent::extractMetaContent(html, QStringLiteral("og:description"));
    WebContent::unescapeJSONString(html);
    for (const QUrl& url : WebContent::findLinks(html))
        FUZZ_ASSERT(url.scheme() == u"http" || url.scheme() == u"https");
    return 0;
}
