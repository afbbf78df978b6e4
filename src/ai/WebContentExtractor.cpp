// SPDX-License-Identifier: GPL-3.0-or-later
#include "ai/WebContentExtractor.h"

#include "platform/TextLength.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QTimer>

namespace {

using Pattern = QRegularExpression;
constexpr auto caseless = QRegularExpression::CaseInsensitiveOption;

const QByteArray desktopAgent = QByteArrayLiteral(
    "Mozilla/5.0 (Macintosh; Intel Mac OS X 10_15_7) AppleWebKit/605.1.15 (KHTML, like Gecko) Version/17.0 "
    "Safari/605.1.15");
const QByteArray mobileAgent = QByteArrayLiteral(
    "Mozilla/5.0 (iPhone; CPU iPhone OS 17_0 like Mac OS X) AppleWebKit/605.1.15 (KHTML, like Gecko) Version/17.0 "
    "Mobile/15E148 Safari/604.1");
const QByteArray acceptValue = QByteArrayLiteral("text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8");
const QByteArray acceptLanguageValue = QByteArrayLiteral("en-US,en;q=0.9");

QList<Pattern> compileAll(std::initializer_list<const char*> patterns)
{
    QList<Pattern> compiled;
    for (const char* pattern : patterns)
        compiled.append(Pattern(QString::fromLatin1(pattern), caseless));
    return compiled;
}

const QList<Pattern>& instagramCaptionPatterns()
{
    static const QList<Pattern> patterns = compileAll({
        R"re("caption"\s*:\s*\{\s*"text"\s*:\s*"([^"]+))re",
        R"re("edge_media_to_caption"\s*:\s*\{\s*"edges"\s*:\s*\[\s*\{\s*"node"\s*:\s*\{\s*"text"\s*:\s*"([^"]+))re",
        R"re(<meta\s+property="og:description"\s+content="([^"]+))re",
        R"re(<meta\s+content="([^"]+)"\s+property="og:description)re",
    });
    return patterns;
}

const QList<Pattern>& tiktokCaptionPatterns()
{
    static const QList<Pattern> patterns = compileAll({
        R"re("desc"\s*:\s*"([^"]+))re",
        R"re("description"\s*:\s*"([^"]+))re",
        R"re(<meta\s+property="og:description"\s+content="([^"]+))re",
        R"re(<meta\s+content="([^"]+)"\s+property="og:description)re",
        R"re(<meta\s+name="description"\s+content="([^"]+))re",
    });
    return patterns;
}

const QList<Pattern>& tiktokAuthorPatterns()
{
    static const QList<Pattern> patterns = compileAll({
        R"re("uniqueId"\s*:\s*"([^"]+))re",
        R"re("author"\s*:\s*"([^"]+))re",
        R"re(/@([a-zA-Z0-9_.]+))re",
    });
    return patterns;
}

// The first pattern whose first match, unescaped, is longer than `minimum` characters.
std::optional<QString> firstCaption(const QString& html, const QList<Pattern>& patterns, qsizetype minimum)
{
    for (const Pattern& pattern : patterns) {
        const QRegularExpressionMatch match = pattern.match(html);
        if (!match.hasMatch())
            continue;
        const QString caption = WebContent::unescapeJSONString(match.captured(1));
        if (TextLength::count(caption, minimum) > minimum)
            return caption;
    }
    return std::nullopt;
}

// og:title and og:description, the description left out when its start repeats what is already there.
void addTitleAndDescription(const QString& html, QStringList& parts)
{
    if (const auto title = WebContent::extractMetaContent(html, QStringLiteral("og:title")))
        parts.append(u"Title: " + *title);
    if (const auto description = WebContent::extractMetaContent(html, QStringLiteral("og:description"))) {
        const QString start = TextLength::left(*description, 50);
        const bool repeated =
            std::any_of(parts.cbegin(), parts.cend(), [&](const QString& part) { return part.contains(start); });
        if (!repeated)
            parts.append(u"Description: " + *description);
    }
}

std::optional<QString> joinedParts(const QStringList& parts)
{
    if (parts.isEmpty())
        return std::nullopt;
    return WebContent::limitLength(parts.join(QStringLiteral("\n\n")));
}

// Replaces every match of `pattern` (a numeric character reference) by its character when that is a Unicode
// scalar value; others stay as written.
QString decodeReferences(const QString& text, const Pattern& pattern, int base)
{
    QString result;
    qsizetype copied = 0;
    QRegularExpressionMatchIterator it = pattern.globalMatch(text);
    while (it.hasNext()) {
        const QRegularExpressionMatch match = it.next();
        bool ok = false;
        const uint code = match.capturedView(1).toUInt(&ok, base);
        if (!ok || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF)
            continue;
        if (result.isNull())
            result.reserve(text.size());
        result += QStringView(text).sliced(copied, match.capturedStart() - copied);
        const char32_t scalar = code;
        result += QString::fromUcs4(&scalar, 1);
        copied = match.capturedEnd();
    }
    if (result.isNull())
        return text;
    result += QStringView(text).sliced(copied);
    return result;
}

// Removes every element T with its content, as the pattern "<T[^>]*>[\s\S]*?</T>" (case-insensitive) would, but in
// linear time: once an opening tag has no closing tag after it, no later one has either.
void removeElements(QString& html, const QString& tag)
{
    // Without a closing tag nothing can match; most pages lack several of these elements.
    if (!html.contains(QString(u"</" + tag + u'>'), Qt::CaseInsensitive))
        return;
    const Pattern open(u'<' + tag + u"[^>]*>", caseless);
    const Pattern close(u"</" + tag + u'>', caseless);
    // Each match would otherwise re-check the whole page for valid UTF-16, which makes many elements quadratic.
    const auto options = QStringView(html).isValidUtf16() ? QRegularExpression::DontCheckSubjectStringMatchOption
                                                          : QRegularExpression::NoMatchOption;
    QString result;
    qsizetype copied = 0;
    qsizetype from = 0;
    while (true) {
        const QRegularExpressionMatch opening = open.match(html, from, QRegularExpression::NormalMatch, options);
        if (!opening.hasMatch())
            break;
        const QRegularExpressionMatch closing =
            close.match(html, opening.capturedEnd(), QRegularExpression::NormalMatch, options);
        if (!closing.hasMatch())
            break;
        result += QStringView(html).sliced(copied, opening.capturedStart() - copied);
        copied = from = closing.capturedEnd();
    }
    if (copied == 0)
        return;
    result += QStringView(html).sliced(copied);
    html = std::move(result);
}

// Removes every match of "<[^>]+>" in one pass without a match object per tag (pages have hundreds of thousands).
// A "<" with no ">" after it ends the work: no later "<" has one either.
void removeTags(QString& text)
{
    const QStringView view(text);
    QString result;
    result.reserve(text.size());
    qsizetype copied = 0;
    for (qsizetype open = view.indexOf(u'<'); open >= 0;) {
        const qsizetype close = view.indexOf(u'>', open + 1);
        if (close < 0)
            break;
        if (close == open + 1) { // "<>" is no tag; the next "<" may start one
            open = view.indexOf(u'<', open + 1);
            continue;
        }
        result += view.sliced(copied, open - copied);
        copied = close + 1;
        open = view.indexOf(u'<', copied);
    }
    result += view.sliced(copied);
    text = std::move(result);
}

} // namespace

namespace WebContent {

QList<QUrl> findLinks(const QString& text)
{
    static const Pattern candidate(QStringLiteral(R"re(\b(?:https?://|www\.)[^\s<>"`]+)re"), caseless);
    QList<QUrl> links;
    QRegularExpressionMatchIterator it = candidate.globalMatch(text);
    while (it.hasNext()) {
        QString link = it.next().captured(0);
        // Punctuation that ends a sentence or closes a bracket opened before the link is not part of it.
        while (!link.isEmpty()) {
            const QChar last = link.back();
            if (QStringView(u".,;:!?'*").contains(last)) {
                link.chop(1);
                continue;
            }
            const QChar opening = last == u')' ? u'(' : last == u']' ? u'[' : last == u'}' ? u'{' : QChar();
            if (!opening.isNull() && link.count(last) > link.count(opening)) {
                link.chop(1);
                continue;
            }
            break;
        }
        if (link.startsWith(u"www.", Qt::CaseInsensitive))
            link.prepend(u"http://");
        const QUrl url(link, QUrl::TolerantMode);
        const QString scheme = url.scheme().toLower();
        if (url.isValid() && !url.host().isEmpty() && (scheme == u"http" || scheme == u"https"))
            links.append(url);
    }
    return links;
}

Site siteForUrl(const QUrl& url)
{
    // The site's own domain or one under it: "dropbox.com" or "netflix.com" merely contain "x.com".
    const QString host = url.host().toLower();
    const auto on = [&host](QStringView domain) {
        return host == domain || (host.endsWith(domain) && host.at(host.size() - domain.size() - 1) == u'.');
    };
    if (on(u"instagram.com"))
        return Site::Instagram;
    if (on(u"tiktok.com"))
        return Site::TikTok;
    if (on(u"twitter.com") || on(u"x.com"))
        return Site::X;
    return Site::Generic;
}

std::optional<QString> extractMetaContent(const QString& html, const QString& property)
{
    const QString patterns[] = {
        u"<meta\\s+property=\"" + property + u"\"\\s+content=\"([^\"]+)\"",
        u"<meta\\s+content=\"([^\"]+)\"\\s+property=\"" + property + u'"',
        u"<meta\\s+name=\"" + property + u"\"\\s+content=\"([^\"]+)\"",
        u"<meta\\s+content=\"([^\"]+)\"\\s+name=\"" + property + u'"',
    };
    for (const QString& text : patterns) {
        const Pattern pattern(text, caseless);
        if (!pattern.isValid())
            continue;
        const QRegularExpressionMatch match = pattern.match(html);
        if (!match.hasMatch())
            continue;
        const QString value = decodeHTMLEntities(match.captured(1));
        if (!value.isEmpty())
            return value;
    }
    return std::nullopt;
}

QString decodeHTMLEntities(const QString& text)
{
    static const std::pair<QStringView, QStringView> named[] = {
        {u"&lt;", u"<"},          {u"&gt;", u">"},         {u"&quot;", u"\""},      {u"&#39;", u"'"},
        {u"&nbsp;", u" "},        {u"&#x27;", u"'"},       {u"&#x2F;", u"/"},       {u"&apos;", u"'"},
        {u"&hellip;", u"\u2026"}, {u"&mdash;", u"\u2014"}, {u"&ndash;", u"\u2013"}, {u"&lsquo;", u"\u2018"},
        {u"&rsquo;", u"\u2019"},  {u"&ldquo;", u"\u201C"}, {u"&rdquo;", u"\u201D"},
    };
    static const Pattern decimal(QStringLiteral(R"re(&#(\d+);)re"));
    static const Pattern hexadecimal(QStringLiteral(R"re(&#x([0-9a-fA-F]+);)re"));
    if (!text.contains(u'&'))
        return text;
    // "&amp;" goes first, so "&amp;lt;" ends as "<". The other entities cannot overlap or create one another
    // (none of them yields "&"), so one pass over the text replaces them all as row-by-row replacement would.
    QString amp = text;
    amp.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    QString result;
    result.reserve(amp.size());
    const QStringView view(amp);
    qsizetype copied = 0;
    for (qsizetype at = view.indexOf(u'&'); at >= 0; at = view.indexOf(u'&', at + 1)) {
        const QStringView rest = view.sliced(at);
        for (const auto& [entity, replacement] : named) {
            if (rest.startsWith(entity)) {
                result += view.sliced(copied, at - copied);
                result += replacement;
                copied = at + entity.size();
                at = copied - 1;
                break;
            }
        }
    }
    result += view.sliced(copied);
    result = decodeReferences(result, decimal, 10);
    return decodeReferences(result, hexadecimal, 16);
}

QString unescapeJSONString(const QString& text)
{
    static const Pattern escapedUnit(QStringLiteral(R"re(\\u([0-9a-fA-F]{4}))re"));
    QString result = decodeReferences(text, escapedUnit, 16);
    result.replace(QLatin1StringView("\\n"), QLatin1StringView("\n"));
    result.replace(QLatin1StringView("\\r"), QLatin1StringView(""));
    result.replace(QLatin1StringView("\\t"), QLatin1StringView(" "));
    result.replace(QLatin1StringView("\\/"), QLatin1StringView("/"));
    result.replace(QLatin1StringView("\\\""), QLatin1StringView("\""));
    return decodeHTMLEntities(result);
}

QString htmlToText(const QString& html)
{
    static const QStringList hiddenElements{
        QStringLiteral("script"), QStringLiteral("style"),  QStringLiteral("noscript"), QStringLiteral("head"),
        QStringLiteral("nav"),    QStringLiteral("footer"), QStringLiteral("header")};
    static const Pattern blockStart(QStringLiteral(R"re(<(br|p|div|h[1-6]|li|tr|section|article)[^>]*>)re"), caseless);
    static const Pattern blanks(QStringLiteral(R"re([ \t]+)re"));
    static const Pattern indentedLine(QStringLiteral(R"re(\n[ \t]+)re"));
    static const Pattern emptyLines(QStringLiteral(R"re(\n{3,})re"));

    QString text = html;
    for (const QString& tag : hiddenElements)
        removeElements(text, tag);
    text.replace(blockStart, QStringLiteral("\n"));
    removeTags(text); // "<[^>]+>"
    text = decodeHTMLEntities(text);
    text.replace(blanks, QStringLiteral(" "));
    text.replace(indentedLine, QStringLiteral("\n"));
    text.replace(emptyLines, QStringLiteral("\n\n"));
    return text.trimmed();
}

QString limitLength(const QString& text)
{
    if (TextLength::count(text, maxPageCharacters) <= maxPageCharacters)
        return text;
    return TextLength::left(text, maxPageCharacters) + u"\n[\u2026truncated]";
}

std::optional<QString> genericPageText(const QString& html)
{
    const QString text = htmlToText(html);
    if (text.isEmpty())
        return std::nullopt;
    return limitLength(text);
}

std::optional<QString> instagramPageText(const QString& html)
{
    QStringList parts;
    if (const auto caption = firstCaption(html, instagramCaptionPatterns(), 10))
        parts.append(u"Caption: " + *caption);
    addTitleAndDescription(html, parts);
    return joinedParts(parts);
}

std::optional<QString> tiktokPageText(const QString& html)
{
    QStringList parts;
    if (const auto caption = firstCaption(html, tiktokCaptionPatterns(), 5))
        parts.append(u"Caption: " + *caption);
    addTitleAndDescription(html, parts);
    for (const Pattern& pattern : tiktokAuthorPatterns()) {
        const QRegularExpressionMatch match = pattern.match(html);
        if (!match.hasMatch())
            continue;
        const QString author = match.captured(1);
        const qsizetype length = TextLength::count(author, 50);
        if (length >= 1 && length <= 49) {
            parts.append(u"Author: @" + author);
            break;
        }
    }
    return joinedParts(parts);
}

std::optional<QString> xPageText(const QString& html)
{
    QStringList parts;
    if (const auto title = extractMetaContent(html, QStringLiteral("og:title")))
        parts.append(u"Tweet: " + *title);
    if (const auto description = extractMetaContent(html, QStringLiteral("og:description")))
        parts.append(u"Content: " + *description);
    return joinedParts(parts);
}

} // namespace WebContent

LinkedContentFetch* fetchLinkedContent(QNetworkAccessManager* network, const QString& text, QObject* parent,
                                       std::chrono::milliseconds timeout)
{
    auto* fetch =
        new LinkedContentFetch(network, WebContent::findLinks(text).mid(0, WebContent::maxLinks), timeout, parent);
    // Started from the event loop, so the caller has connected finished() by then.
    QTimer::singleShot(0, fetch, &LinkedContentFetch::nextLink);
    return fetch;
}

LinkedContentFetch::LinkedContentFetch(QNetworkAccessManager* network, QList<QUrl> links,
                                       std::chrono::milliseconds timeout, QObject* parent)
    : QObject(parent), m_network(network), m_links(std::move(links)), m_timeout(timeout)
{}

LinkedContentFetch::~LinkedContentFetch()
{
    abortReply();
}

void LinkedContentFetch::cancel()
{
    if (m_done)
        return;
    m_done = true;
    abortReply();
    deleteLater();
}

void LinkedContentFetch::abortReply()
{
    if (!m_reply)
        return;
    m_reply->disconnect(this);
    m_reply->abort();
    m_reply->deleteLater();
    m_reply.clear();
}

void LinkedContentFetch::nextLink()
{
    if (m_done)
        return;
    ++m_index;
    m_fallback = false;
    if (m_index >= m_links.size()) {
        m_done = true;
        Q_EMIT finished(m_blocks.join(QStringLiteral("\n\n")));
        deleteLater();
        return;
    }
    request(WebContent::siteForUrl(m_links[m_index]));
}

void LinkedContentFetch::request(WebContent::Site site)
{
    using WebContent::Site;
    QNetworkRequest request(m_links[m_index]);
    request.setTransferTimeout(int(m_timeout.count()));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(WebContent::maxRedirects);
    const bool mobile = site == Site::Instagram || site == Site::TikTok;
    request.setRawHeader("User-Agent", mobile ? mobileAgent : desktopAgent);
    request.setRawHeader("Accept", acceptValue);
    if (site != Site::X)
        request.setRawHeader("Accept-Language", acceptLanguageValue);

    m_body.clear();
    m_reply = m_network->get(request);
    m_reply->setParent(this);
    QNetworkReply* reply = m_reply;
    const auto complete = [this, reply](bool cut) {
        const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        // A page cut at the size limit is used as far as it arrived.
        const bool ok = cut || reply->error() == QNetworkReply::NoError;
        abortReply();
        onPage(status.isValid() ? status.toInt() : 0, ok, m_body);
    };
    connect(reply, &QNetworkReply::readyRead, this, [this, reply, complete] {
        m_body += reply->read(WebContent::maxPageBytes - m_body.size());
        if (m_body.size() >= WebContent::maxPageBytes) {
            m_body = TextLength::withoutIncompleteUtf8Tail(m_body);
            complete(true);
        }
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply, complete] {
        if (reply->isOpen())
            m_body += reply->read(WebContent::maxPageBytes - m_body.size());
        complete(false);
    });
}

void LinkedContentFetch::onPage(int status, bool ok, const QByteArray& body)
{
    using WebContent::Site;
    if (!ok || status != 200) {
        linkDone(std::nullopt);
        return;
    }
    // ASCII is a subset of UTF-8, so the generic reader's second try at ASCII can add nothing.
    const std::optional<QString> html = TextLength::strictUtf8(body);
    if (!html) {
        linkDone(std::nullopt);
        return;
    }
    const Site site = m_fallback ? Site::Generic : WebContent::siteForUrl(m_links[m_index]);
    std::optional<QString> text;
    switch (site) {
    case Site::Generic:
        text = WebContent::genericPageText(*html);
        break;
    case Site::Instagram:
        text = WebContent::instagramPageText(*html);
        break;
    case Site::TikTok:
        text = WebContent::tiktokPageText(*html);
        break;
    case Site::X:
        text = WebContent::xPageText(*html);
        break;
    }
    if (!text && site != Site::Generic) {
        // The page came but had none of the site's labelled parts: read it again as a plain page.
        m_fallback = true;
        request(Site::Generic);
        return;
    }
    linkDone(text);
}

void LinkedContentFetch::linkDone(const std::optional<QString>& text)
{
    // The URL as it is sent, escapes kept: the pretty form would turn "%20" into a space.
    if (text)
        m_blocks.append(u"[Content from " + m_links[m_index].toString(QUrl::FullyEncoded) + u"]:\n" + *text);
    // From the event loop: the reply that brought us here is still being torn down.
    QTimer::singleShot(0, this, &LinkedContentFetch::nextLink);
}
