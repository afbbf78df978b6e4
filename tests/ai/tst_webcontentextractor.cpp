// SPDX-License-Identifier: GPL-3.0-or-later
#include "ai/WebContentExtractor.h"
#include "support/FakeWebServer.h"

#include <QNetworkAccessManager>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QtTest>

#include <functional>

using namespace WebContent;
using namespace Qt::StringLiterals;

using Pages = QHash<QString, HttpResponse>;
Q_DECLARE_METATYPE(Pages)

namespace {

QString q(const char* text)
{
    return QString::fromUtf8(text).replace(u'\'', u'"');
}

HttpResponse html(const QByteArray& body)
{
    return HttpResponse::text(body, 200, "text/html");
}

HttpResponse redirect(int status, const QByteArray& location)
{
    HttpResponse response = HttpResponse::text("", status);
    response.headers.append({"Location", location});
    return response;
}

} // namespace

class TestWebContentExtractor : public QObject
{
    Q_OBJECT

    QNetworkAccessManager m_network;
    FakeWebServer m_web;

    // Fetches the pages linked from `text` through the fake web server; the emitted content.
    QString fetch(const QString& text, std::chrono::milliseconds timeout = requestTimeout)
    {
        QSignalSpy done(fetchLinkedContent(&m_network, text, nullptr, timeout), &LinkedContentFetch::finished);
        return done.wait(10000) ? done.first().first().toString() : u"no result"_s;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_web.listen());
        m_network.setProxy(m_web.proxy());
    }

    void init() { m_web.http().clearRequests(); }

    void findLinksAndRouting()
    {
        const auto found = [](const QString& text) {
            QStringList links;
            for (const QUrl& url : findLinks(text))
                links.append(url.toString());
            return links.join(u' ');
        };
        // In order, duplicates kept, punctuation trimmed, brackets kept when they belong to the link.
        QCOMPARE(found(u"See https://a.example/x. Then (http://b.example/y), and https://a.example/x!"_s),
                 u"https://a.example/x http://b.example/y https://a.example/x"_s);
        QCOMPARE(found(u"[w](https://en.wikipedia.org/wiki/Qt_(software))"_s),
                 u"https://en.wikipedia.org/wiki/Qt_(software)"_s);
        QCOMPARE(found(u"go to www.example.org/page or HTTPS://Example.COM/A?b=1#c"_s),
                 u"http://www.example.org/page https://example.com/A?b=1#c"_s);

        // Routing by host only; "x.com" counts anywhere in the host.
        const QList<std::pair<const char*, Site>> routes{{"https://www.instagram.com/p/1", Site::Instagram},
                                                         {"https://vm.TikTok.com/x", Site::TikTok},
                                                         {"https://twitter.com/a/status/1", Site::X},
                                                         {"https://dropbox.com/s/1", Site::X},
                                                         {"https://example.org/instagram.com", Site::Generic}};
        for (const auto& [url, site] : routes)
            QVERIFY2(siteForUrl(QUrl(QString::fromLatin1(url))) == site, url);
    }

    // Every text helper, named in the first column; a missing result reads "<none>".
    void textHelpers_data()
    {
        QTest::addColumn<QString>("helper");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("output");
        const auto row = [](const char* name, const char* helper, const QString& input, const QString& output) {
            QTest::newRow(name) << QString::fromLatin1(helper) << input << output;
        };
        row("entities: amp first", "entities", u"&amp;amp; &amp;lt;"_s, u"&amp; <"_s);
        row("entities: named and numeric", "entities", u"&quot;a&quot; &#39;b&#x27;&nbsp;&mdash;&#128512;&#x1F600;"_s,
            u"\"a\" 'b' \u2014😀😀"_s);
        // Surrogates, out of range, capital X and unknown names stay as written.
        const QString kept = u"&#xD800; &#55296; &#1114112; &#99999999999; &#X41; &copy; & x"_s;
        row("entities: kept", "entities", kept, kept);
        row("json: escapes", "json", u"Caf\\u00e9\\nline\\r\\tx \\/ \\\"q\\\" &amp; a\\\\nb"_s,
            u"Café\nline x / \"q\" & a\\\nb"_s);
        const QString meta = q("<META property='og:title' content='A &amp; B'>"
                               "<meta content='Desc' name='description'><meta property='og:image' content=''>");
        row("meta: property, entities decoded", "meta:og:title", meta, u"A & B"_s);
        row("meta: content before name", "meta:description", meta, u"Desc"_s);
        row("meta: empty content", "meta:og:image", meta, u"<none>"_s);
        const QString full(maxPageCharacters, u'a');
        row("limit: exact", "limit", full, full);
        row("limit: an emoji at the cut stays whole", "limit", full.left(maxPageCharacters - 1) + u"😀😀"_s,
            full.left(maxPageCharacters - 1) + u"😀\n[\u2026truncated]");
        // Instagram: a JSON caption wins; an og:description starting the same is dropped.
        row("instagram: caption and title", "instagram",
            q("<meta property='og:title' content='Ann on Instagram'><meta property='og:description' content='Sunset "
              "at the beach \u2600 with friends, a long evening by the sea and more'><script>{'caption': {'text': "
              "'Sunset at the beach \\u2600 with friends, a long evening by the sea'}}</script>"),
            u"Caption: Sunset at the beach \u2600 with friends, a long evening by the sea\n\nTitle: Ann on Instagram"_s);
        // TikTok: a 5-character desc is rejected for the next pattern; a 50-character author for the next one.
        row("tiktok: fallbacks", "tiktok",
            q("{'desc': 'short', 'description': 'Dance challenge', 'uniqueId': '") + QString(50, u'a') +
                q("', 'author': 'dancer.one'} <a href='/@other'>"),
            u"Caption: Dance challenge\n\nAuthor: @dancer.one"_s);
        row("x: tweet and content", "x",
            q("<meta property='og:title' content='Ann on X'><meta property='og:description' content='hi'>"),
            u"Tweet: Ann on X\n\nContent: hi"_s);
    }

    void textHelpers()
    {
        QFETCH(QString, helper);
        QFETCH(QString, input);
        QFETCH(QString, output);
        const QHash<QString, std::function<std::optional<QString>(const QString&)>> helpers{
            {u"entities"_s, decodeHTMLEntities}, {u"json"_s, unescapeJSONString}, {u"limit"_s, limitLength},
            {u"instagram"_s, instagramPageText}, {u"tiktok"_s, tiktokPageText},   {u"x"_s, xPageText}};
        const std::optional<QString> result =
            helper.startsWith(u"meta:") ? extractMetaContent(input, helper.mid(5)) : helpers.value(helper)(input);
        QCOMPARE(result.value_or(u"<none>"_s), output);
    }

    // The linear-time steps give what the plain patterns give, on random markup full of edge cases: every hidden
    // element, block tags and tags that merely start like one.
    void htmlTextMatchesPatterns()
    {
        const auto reference = [](QString text) {
            const auto ci = QRegularExpression::CaseInsensitiveOption;
            for (const char* tag : {"script", "style", "noscript", "head", "nav", "footer", "header"}) {
                const QString name = QString::fromLatin1(tag);
                text.replace(QRegularExpression(u'<' + name + u"[^>]*>[\\s\\S]*?</" + name + u'>', ci), QString());
            }
            text.replace(QRegularExpression(u"<(br|p|div|h[1-6]|li|tr|section|article)[^>]*>"_s, ci), u"\n"_s);
            text.replace(QRegularExpression(u"<[^>]+>"_s), QString());
            text = decodeHTMLEntities(text);
            text.replace(QRegularExpression(u"[ \t]+"_s), u" "_s);
            text.replace(QRegularExpression(u"\n[ \t]+"_s), u"\n"_s);
            text.replace(QRegularExpression(u"\n{3,}"_s), u"\n\n"_s);
            return text.trimmed();
        };
        const QStringList pieces = u"<|>|<>|<p>|<SCRIPT a>|</script>|<head>|</HEAD>|<header>|</header>|<nav|</nav>|"
                                   u"<Style>|</style>|<noscript>|</noscript>|<footer x>|</footer>|<link rel=a>|<li>|"
                                   u"<table>|<H2>|text| \t|\n|&amp;|&lt;|&#65;|<br/>"_s.split(u'|');
        QRandomGenerator random(11);
        for (int round = 0; round < 500; ++round) {
            QString markup;
            for (int i = random.bounded(1, 30); i > 0; --i)
                markup += pieces[random.bounded(int(pieces.size()))];
            QVERIFY2(htmlToText(markup) == reference(markup), qPrintable(markup));
        }
    }

    void fetchedContent_data()
    {
        QTest::addColumn<Pages>("pages");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("content");
        QTest::addColumn<int>("requests");
        // At most three links are read, one at a time; a failed page is left out.
        QTest::newRow("five links, three fetched")
            << Pages{{u"http://one.example/"_s, html("<p>First page</p>")},
                     {u"http://three.example/"_s, html("<p>Third page</p>")},
                     {u"http://four.example/"_s, html("<p>Fourth</p>")}}
            << u"http://one.example/ http://two.example/ http://three.example/ http://four.example/ "
               u"http://five.example/"_s
            << u"[Content from http://one.example/]:\nFirst page\n\n[Content from http://three.example/]:\nThird page"_s
            << 3;
        // The label names the URL as requested: "%20" stays, it does not become a space that breaks the URL.
        QTest::newRow("label is the encoded url")
            << Pages{{u"http://space.example/a%20b?q=%C3%A9"_s, html("<p>Spaced</p>")}}
            << u"read http://space.example/a%20b?q=%C3%A9 please"_s
            << u"[Content from http://space.example/a%20b?q=%C3%A9]:\nSpaced"_s << 1;
        const QString truncated = QString(maxPageCharacters, u'z') + u"\n[\u2026truncated]";
        QTest::newRow("redirect and long page")
            << Pages{{u"http://old.example/"_s, redirect(301, "http://new.example/")},
                     {u"http://new.example/"_s, html("<p>" + QByteArray(6001, 'z') + "</p>")}}
            << u"http://old.example/"_s << QString(u"[Content from http://old.example/]:\n" + truncated) << 2;
        // Past the byte limit: what arrived up to it is used, cut on a character boundary.
        QTest::newRow("huge page is cut")
            << Pages{{u"http://huge.example/"_s,
                      html("<p>" + QByteArray(maxPageBytes - 4, 'z') + "\xc3\xa9\xc3\xa9 and much more</p>")}}
            << u"http://huge.example/"_s << QString(u"[Content from http://huge.example/]:\n" + truncated) << 1;
        QTest::newRow("not utf-8, empty text, redirect loop: nothing")
            << Pages{{u"http://latin1.example/"_s, html("<p>caf\xe9</p>")},
                     {u"http://empty.example/"_s, html("<script>x</script>   ")},
                     {u"http://loop.example/"_s, redirect(302, "http://loop.example/")}}
            << u"http://latin1.example/ http://empty.example/ http://loop.example/"_s << QString()
            << 2 + 1 + maxRedirects;
    }

    void fetchedContent()
    {
        QFETCH(Pages, pages);
        QFETCH(QString, text);
        QFETCH(QString, content);
        QFETCH(int, requests);
        for (auto page = pages.cbegin(); page != pages.cend(); ++page)
            m_web.setPage(page.key(), page.value());
        QCOMPARE(fetch(text), content);
        QCOMPARE(m_web.requests().size(), requests);
        QCOMPARE(m_web.mostConcurrent(), 1);
        QCOMPARE(m_web.requests().first().header("Accept"),
                 QByteArray("text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8"));
    }

    void siteFetchersAndFallback()
    {
        m_web.setHtml(u"http://www.instagram.com/p/abc/"_s, q("<meta property='og:title' content='Ann'>").toUtf8());
        // An X page without og tags: read again as a plain page.
        m_web.setHtml(u"http://x.com/ann/status/1"_s, "<div>Plain tweet text</div>");
        QCOMPARE(fetch(u"http://www.instagram.com/p/abc/ and http://x.com/ann/status/1"_s),
                 u"[Content from http://www.instagram.com/p/abc/]:\nTitle: Ann\n\n"
                 u"[Content from http://x.com/ann/status/1]:\nPlain tweet text"_s);
        const QList<HttpRequest>& requests = m_web.requests();
        QCOMPARE(m_web.requestedUrls(), (QStringList{u"http://www.instagram.com/p/abc/"_s,
                                                     u"http://x.com/ann/status/1"_s, u"http://x.com/ann/status/1"_s}));
        QVERIFY(requests.at(0).header("User-Agent").contains("iPhone"));
        QVERIFY(requests.at(1).header("User-Agent").contains("Macintosh"));
        QVERIFY(requests.at(1).header("Accept-Language") != "en-US,en;q=0.9"); // ours is not sent
        QCOMPARE(requests.at(2).header("Accept-Language"), QByteArray("en-US,en;q=0.9"));
    }

    // Cancelling a fetch is the chat turn tests' case.
    void timeout()
    {
        HttpResponse hang;
        hang.hang = true;
        m_web.setPage(u"http://slow.example/"_s, hang);
        m_web.setHtml(u"http://fast.example/"_s, "<p>fast</p>");
        QCOMPARE(fetch(u"http://slow.example/ http://fast.example/"_s, std::chrono::milliseconds(300)),
                 u"[Content from http://fast.example/]:\nfast"_s);
        QTRY_COMPARE(m_web.http().openConnections(), 0); // the timed-out request was closed
    }
};

QTEST_GUILESS_MAIN(TestWebContentExtractor)
#include "tst_webcontentextractor.moc"
