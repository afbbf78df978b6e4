// SPDX-License-Identifier: GPL-3.0-or-later
#include "ai/WebContentExtractor.h"
#include "support/FakeWebServer.h"

#include <QNetworkAccessManager>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QtTest>

using namespace WebContent;

namespace {

QString q(const char* text)
{
    return QString::fromUtf8(text).replace(u'\'', u'"');
}

QByteArray page(const char* text)
{
    return q(text).toUtf8();
}

} // namespace

class TestWebContentExtractor : public QObject
{
    Q_OBJECT

private:
    QNetworkAccessManager m_network;
    FakeWebServer m_web;

    // Fetches the pages linked from `text` through the fake web server; the emitted content.
    QString fetch(const QString& text, std::chrono::milliseconds timeout = requestTimeout)
    {
        LinkedContentFetch* run = fetchLinkedContent(&m_network, text, nullptr, timeout);
        QSignalSpy done(run, &LinkedContentFetch::finished);
        if (!done.wait(10000))
            return QStringLiteral("no result");
        return done.first().first().toString();
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_web.listen());
        m_network.setProxy(m_web.proxy());
    }

    void init() { m_web.http().clearRequests(); }

    void findLinks_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("links");
        QTest::newRow("none") << QStringLiteral("no links here, just a.b") << QStringList();
        QTest::newRow("in order, duplicates kept, punctuation trimmed")
            << QStringLiteral("See https://a.example/x. Then (http://b.example/y), and https://a.example/x!")
            << QStringList{QStringLiteral("https://a.example/x"), QStringLiteral("http://b.example/y"),
                           QStringLiteral("https://a.example/x")};
        QTest::newRow("brackets that belong to the link")
            << QStringLiteral("[w](https://en.wikipedia.org/wiki/Qt_(software))")
            << QStringList{QStringLiteral("https://en.wikipedia.org/wiki/Qt_(software)")};
        QTest::newRow("www without scheme, upper-case scheme")
            << QStringLiteral("go to www.example.org/page or HTTPS://Example.COM/A?b=1#c")
            << QStringList{QStringLiteral("http://www.example.org/page"),
                           QStringLiteral("https://example.com/A?b=1#c")};
        QTest::newRow("other schemes are skipped")
            << QStringLiteral("ftp://files.example mailto:a@b.example https://ok.example")
            << QStringList{QStringLiteral("https://ok.example")};
        QTest::newRow("scheme without host") << QStringLiteral("https:// nothing") << QStringList();
    }

    void findLinks()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, links);
        QStringList found;
        for (const QUrl& url : WebContent::findLinks(text))
            found.append(url.toString());
        QCOMPARE(found, links);
    }

    void routing_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<int>("site");
        QTest::newRow("instagram") << QStringLiteral("https://www.instagram.com/p/1") << int(Site::Instagram);
        QTest::newRow("tiktok") << QStringLiteral("https://vm.TikTok.com/x") << int(Site::TikTok);
        QTest::newRow("twitter") << QStringLiteral("https://twitter.com/a/status/1") << int(Site::X);
        QTest::newRow("x") << QStringLiteral("https://x.com/a/status/1") << int(Site::X);
        QTest::newRow("no x.com in the host") << QStringLiteral("https://xcom.example/x.com") << int(Site::Generic);
        QTest::newRow("x.com inside a host") << QStringLiteral("https://dropbox.com/s/1") << int(Site::X);
        QTest::newRow("generic") << QStringLiteral("https://example.org/") << int(Site::Generic);
        QTest::newRow("path does not count")
            << QStringLiteral("https://example.org/instagram.com") << int(Site::Generic);
    }

    void routing()
    {
        QFETCH(QString, url);
        QFETCH(int, site);
        QCOMPARE(int(siteForUrl(QUrl(url))), site);
    }

    void entities_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("decoded");
        QTest::newRow("amp first") << QStringLiteral("&amp;amp; &amp;lt;") << QStringLiteral("&amp; <");
        QTest::newRow("named")
            << QStringLiteral(
                   "&quot;a&quot; &#39;b&#x27; &apos;&nbsp;&hellip;&mdash;&ndash;&ldquo;&rdquo;&lsquo;&rsquo;&#x2F;")
            << QStringLiteral("\"a\" 'b' ' \u2026\u2014\u2013\u201C\u201D\u2018\u2019/");
        QTest::newRow("decimal emoji") << QStringLiteral("&#128512;") << QStringLiteral("😀");
        QTest::newRow("hex") << QStringLiteral("&#x41;&#x1F600;") << QStringLiteral("A😀");
        QTest::newRow("surrogate stays") << QStringLiteral("&#xD800; &#55296;") << QStringLiteral("&#xD800; &#55296;");
        QTest::newRow("out of range stays")
            << QStringLiteral("&#1114112; &#99999999999;") << QStringLiteral("&#1114112; &#99999999999;");
        QTest::newRow("capital X is not hex") << QStringLiteral("&#X41;") << QStringLiteral("&#X41;");
        QTest::newRow("unknown named stays") << QStringLiteral("&copy; & x") << QStringLiteral("&copy; & x");
    }

    void entities()
    {
        QFETCH(QString, text);
        QFETCH(QString, decoded);
        QCOMPARE(decodeHTMLEntities(text), decoded);
    }

    void jsonUnescape()
    {
        QCOMPARE(unescapeJSONString(QStringLiteral("Caf\\u00e9\\nline\\r\\tx \\/ \\\"q\\\" &amp;")),
                 QStringLiteral("Café\nline x / \"q\" &"));
        // Lone surrogate halves stay as written, so an escaped emoji pair stays escaped.
        QCOMPARE(unescapeJSONString(QStringLiteral("\\ud83d\\ude00")), QStringLiteral("\\ud83d\\ude00"));
        QCOMPARE(unescapeJSONString(QStringLiteral("a\\\\nb")), QStringLiteral("a\\\nb"));
    }

    void metaContent()
    {
        const QString html = q("<META property='og:title' content='A &amp; B'>"
                               "<meta content='Desc' name='description'><meta property='og:image' content=''>");
        QCOMPARE(extractMetaContent(html, QStringLiteral("og:title")), QStringLiteral("A & B"));
        QCOMPARE(extractMetaContent(html, QStringLiteral("description")), QStringLiteral("Desc"));
        QCOMPARE(extractMetaContent(html, QStringLiteral("og:image")), std::nullopt);
        QCOMPARE(extractMetaContent(html, QStringLiteral("og:(")), std::nullopt); // does not compile: skipped
    }

    void htmlText_data()
    {
        QTest::addColumn<QString>("html");
        QTest::addColumn<QString>("text");
        QTest::newRow("paragraphs") << QStringLiteral("<p>a</p><p>b</p>") << QStringLiteral("a\nb");
        QTest::newRow("hidden elements go")
            << q("<html><HEAD><title>T</title></head><body><nav>menu</nav><script type='x'>var a = '<p>';</script>"
                 "<Style>p{}</style><noscript>js</noscript><header>top</header><h1>Title</h1>"
                 "<div>Body &amp; soul</div><footer>bottom</footer></body></html>")
            << QStringLiteral("Title\nBody & soul");
        QTest::newRow("unclosed script keeps the rest")
            << QStringLiteral("<p>x</p><script>never closed <b>y</b>") << QStringLiteral("xnever closed y");
        QTest::newRow("white space")
            << QStringLiteral("  <div>  a \t  b  </div>\n\n\n\n   <li>c</li><br/><pre>d</pre><span>e</span>  ")
            << QStringLiteral("a b \n\nc\n\nde");
        QTest::newRow("prefix tags count as blocks")
            << QStringLiteral("x<link rel=a>y<table>z") << QStringLiteral("x\nyz");
    }

    void htmlText()
    {
        QFETCH(QString, html);
        QFETCH(QString, text);
        QCOMPARE(htmlToText(html), text);
    }

    // The linear-time steps give what the plain patterns give, on random markup full of edge cases.
    void htmlTextMatchesPatterns()
    {
        const auto reference = [](QString text) {
            const auto ci = QRegularExpression::CaseInsensitiveOption;
            for (const char* tag : {"script", "style", "noscript", "head", "nav", "footer", "header"}) {
                const QString name = QString::fromLatin1(tag);
                text.replace(QRegularExpression(u'<' + name + u"[^>]*>[\\s\\S]*?</" + name + u'>', ci), QString());
            }
            text.replace(QRegularExpression(QStringLiteral("<(br|p|div|h[1-6]|li|tr|section|article)[^>]*>"), ci),
                         QStringLiteral("\n"));
            text.replace(QRegularExpression(QStringLiteral("<[^>]+>")), QString());
            text = decodeHTMLEntities(text);
            text.replace(QRegularExpression(QStringLiteral("[ \t]+")), QStringLiteral(" "));
            text.replace(QRegularExpression(QStringLiteral("\n[ \t]+")), QStringLiteral("\n"));
            text.replace(QRegularExpression(QStringLiteral("\n{3,}")), QStringLiteral("\n\n"));
            return text.trimmed();
        };
        const QStringList pieces{QStringLiteral("<"),         QStringLiteral(">"),          QStringLiteral("<>"),
                                 QStringLiteral("<p>"),       QStringLiteral("<SCRIPT a>"), QStringLiteral("</script>"),
                                 QStringLiteral("<head>"),    QStringLiteral("</HEAD>"),    QStringLiteral("<header>"),
                                 QStringLiteral("</header>"), QStringLiteral("<nav"),       QStringLiteral("</nav>"),
                                 QStringLiteral("text"),      QStringLiteral(" \t"),        QStringLiteral("\n"),
                                 QStringLiteral("&amp;"),     QStringLiteral("&lt;"),       QStringLiteral("&#65;"),
                                 QStringLiteral("<br/>")};
        QRandomGenerator random(11);
        for (int round = 0; round < 500; ++round) {
            QString html;
            const int count = random.bounded(1, 30);
            for (int i = 0; i < count; ++i)
                html += pieces[random.bounded(int(pieces.size()))];
            QVERIFY2(htmlToText(html) == reference(html), qPrintable(html));
        }
    }

    void lengthLimit()
    {
        const QString exact(maxPageCharacters, u'a');
        QCOMPARE(limitLength(exact), exact);
        QCOMPARE(limitLength(exact + u'b'), exact + u"\n[\u2026truncated]");
        // Characters, not code units: an emoji at the cut is kept whole.
        const QString emoji = QString(maxPageCharacters - 1, u'a') + QStringLiteral("😀😀");
        QCOMPARE(limitLength(emoji), QString(maxPageCharacters - 1, u'a') + QStringLiteral("😀\n[\u2026truncated]"));
    }

    void siteReaders()
    {
        // Instagram: a JSON caption of 11+ characters wins; an og:description starting the same is dropped.
        const QString caption = QStringLiteral("Sunset at the beach \\u2600 with friends, a long evening by the sea");
        const QString instagram = q("<meta property='og:title' content='Ann on Instagram'>"
                                    "<meta property='og:description' content='Sunset at the beach \u2600 with friends, "
                                    "a long evening by the sea and more'>"
                                    "<script>{'caption': {'text': '") +
                                  caption + q("'}}</script>");
        QCOMPARE(instagramPageText(instagram),
                 QStringLiteral("Caption: Sunset at the beach \u2600 with friends, a long evening by the sea\n\n"
                                "Title: Ann on Instagram"));
        // A 10-character caption is too short; the og:description pattern gives the caption then.
        QCOMPARE(instagramPageText(q("{'caption': {'text': '0123456789'}}"
                                     "<meta property='og:description' content='A long enough description'>")),
                 QStringLiteral("Caption: A long enough description"));
        QCOMPARE(instagramPageText(QStringLiteral("<p>plain</p>")), std::nullopt);

        // TikTok: a 5-character desc is rejected for the next pattern; a 50-character author for the next one.
        const QString author50(50, u'a');
        const QString tiktok = q("{'desc': 'short', 'description': 'Dance challenge', 'uniqueId': '") + author50 +
                               q("', 'author': 'dancer.one'} <a href='/@other'>");
        QCOMPARE(tiktokPageText(tiktok), QStringLiteral("Caption: Dance challenge\n\nAuthor: @dancer.one"));
        QCOMPARE(tiktokPageText(QStringLiteral("see /@fallback_user now")), QStringLiteral("Author: @fallback_user"));

        // X: title and description as tweet and content.
        QCOMPARE(
            xPageText(q("<meta property='og:title' content='Ann on X'><meta property='og:description' content='hi'>")),
            QStringLiteral("Tweet: Ann on X\n\nContent: hi"));
        QCOMPARE(xPageText(QStringLiteral("<p>no tags</p>")), std::nullopt);
    }

    void fiveLinksThreeFetched()
    {
        m_web.setHtml(QStringLiteral("http://one.example/"), "<p>First page</p>");
        // two.example answers 404
        m_web.setHtml(QStringLiteral("http://three.example/"), "<p>Third page</p>");
        m_web.setHtml(QStringLiteral("http://four.example/"), "<p>Fourth</p>");
        const QString content = fetch(QStringLiteral(
            "http://one.example/ http://two.example/ http://three.example/ http://four.example/ http://five.example/"));
        QCOMPARE(content, QStringLiteral("[Content from http://one.example/]:\nFirst page\n\n"
                                         "[Content from http://three.example/]:\nThird page"));
        QCOMPARE(m_web.requestedUrls(),
                 (QStringList{QStringLiteral("http://one.example/"), QStringLiteral("http://two.example/"),
                              QStringLiteral("http://three.example/")}));
        QCOMPARE(m_web.mostConcurrent(), 1);
        const HttpRequest& generic = m_web.requests().first();
        QVERIFY(generic.header("User-Agent").contains("Macintosh"));
        QCOMPARE(generic.header("Accept"),
                 QByteArray("text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8"));
        QCOMPARE(generic.header("Accept-Language"), QByteArray("en-US,en;q=0.9"));
    }

    void labelIsTheEncodedUrl()
    {
        // The label names the URL as requested: an escaped space stays "%20", not a space that breaks the URL.
        m_web.setHtml(QStringLiteral("http://space.example/a%20b?q=%C3%A9"), "<p>Spaced</p>");
        QCOMPARE(fetch(QStringLiteral("read http://space.example/a%20b?q=%C3%A9 please")),
                 QStringLiteral("[Content from http://space.example/a%20b?q=%C3%A9]:\nSpaced"));
    }

    void siteFetchersAndFallback()
    {
        m_web.setHtml(QStringLiteral("http://www.instagram.com/p/abc/"),
                      page("<meta property='og:title' content='Ann'>"));
        // An X page without og tags: read again as a plain page.
        m_web.setHtml(QStringLiteral("http://x.com/ann/status/1"), page("<div>Plain tweet text</div>"));
        const QString content = fetch(QStringLiteral("http://www.instagram.com/p/abc/ and http://x.com/ann/status/1"));
        QCOMPARE(content, QStringLiteral("[Content from http://www.instagram.com/p/abc/]:\nTitle: Ann\n\n"
                                         "[Content from http://x.com/ann/status/1]:\nPlain tweet text"));
        QCOMPARE(m_web.requestedUrls(), (QStringList{QStringLiteral("http://www.instagram.com/p/abc/"),
                                                     QStringLiteral("http://x.com/ann/status/1"),
                                                     QStringLiteral("http://x.com/ann/status/1")}));
        const QList<HttpRequest>& requests = m_web.requests();
        QVERIFY(requests.at(0).header("User-Agent").contains("iPhone"));
        QCOMPARE(requests.at(0).header("Accept-Language"), QByteArray("en-US,en;q=0.9"));
        QVERIFY(requests.at(1).header("User-Agent").contains("Macintosh"));
        QVERIFY(requests.at(1).header("Accept-Language") != "en-US,en;q=0.9"); // ours is not sent
        QCOMPARE(requests.at(2).header("Accept-Language"), QByteArray("en-US,en;q=0.9"));
    }

    void failuresGiveNothing()
    {
        // Not UTF-8, empty text, a server error and a redirect loop: no block, and no content at all.
        m_web.setHtml(QStringLiteral("http://latin1.example/"), "<p>caf\xe9</p>");
        m_web.setHtml(QStringLiteral("http://empty.example/"), "<script>x</script>   ");
        HttpResponse loop = HttpResponse::text("", 302);
        loop.headers.append(std::pair<QByteArray, QByteArray>("Location", "http://loop.example/"));
        m_web.setPage(QStringLiteral("http://loop.example/"), loop);
        QCOMPARE(fetch(QStringLiteral("http://latin1.example/ http://empty.example/ http://loop.example/")), QString());
        QCOMPARE(m_web.requestedUrls().count(QStringLiteral("http://loop.example/")), 1 + maxRedirects);
        QCOMPARE(fetch(QStringLiteral("no links")), QString());
    }

    void redirectAndLongPage()
    {
        HttpResponse moved = HttpResponse::text("", 301);
        moved.headers.append(std::pair<QByteArray, QByteArray>("Location", "http://new.example/"));
        m_web.setPage(QStringLiteral("http://old.example/"), moved);
        m_web.setHtml(QStringLiteral("http://new.example/"), "<p>" + QByteArray(6001, 'z') + "</p>");
        QCOMPARE(fetch(QStringLiteral("http://old.example/")),
                 QString(u"[Content from http://old.example/]:\n" + QString(6000, u'z') + u"\n[\u2026truncated]"));
    }

    void hugePageIsCut()
    {
        // More than the byte limit: what arrived up to it is used, cut on a character boundary.
        QByteArray body = "<p>" + QByteArray(maxPageBytes - 4, 'a') + "\xc3\xa9\xc3\xa9 and much more</p>";
        m_web.setPage(QStringLiteral("http://huge.example/"), HttpResponse::text(body, 200, "text/html"));
        const QString content = fetch(QStringLiteral("http://huge.example/"));
        QVERIFY(content.startsWith(u"[Content from http://huge.example/]:\naaaa"));
        QVERIFY(content.endsWith(u"\n[\u2026truncated]"));
    }

    void timeoutAndCancel()
    {
        HttpResponse hang;
        hang.hang = true;
        m_web.setPage(QStringLiteral("http://slow.example/"), hang);
        m_web.setHtml(QStringLiteral("http://fast.example/"), "<p>fast</p>");
        QCOMPARE(fetch(QStringLiteral("http://slow.example/ http://fast.example/"), std::chrono::milliseconds(300)),
                 QStringLiteral("[Content from http://fast.example/]:\nfast"));

        QTRY_COMPARE(m_web.http().openConnections(), 0); // the timed-out request was closed
        const qsizetype before = m_web.requests().size();
        QPointer<LinkedContentFetch> run = fetchLinkedContent(&m_network, QStringLiteral("http://slow.example/"));
        QSignalSpy done(run.data(), &LinkedContentFetch::finished);
        QTRY_COMPARE(m_web.requests().size(), before + 1);
        run->cancel();
        QTRY_VERIFY(!run);
        QTRY_COMPARE(m_web.http().openConnections(), 0);
        QCOMPARE(done.count(), 0);
    }
};

QTEST_GUILESS_MAIN(TestWebContentExtractor)
#include "tst_webcontentextractor.moc"
