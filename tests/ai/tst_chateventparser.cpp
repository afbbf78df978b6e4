// SPDX-License-Identifier: GPL-3.0-or-later
#include "ai/ChatEventParser.h"

#include <QtTest>

using namespace Qt::StringLiterals;
using Type = ChatStreamEvent::Type;
using Mode = ChatEventParser::Mode;
using Events = QList<ChatStreamEvent>;

namespace {

// Test data reads better with single quotes; they become the JSON's double quotes.
QByteArray q(const char* text)
{
    return QByteArray(text).replace('\'', '"');
}

QByteArray delta(const char* contentJson)
{
    return q("data: {'choices':[{'index':0,'delta':{'content':") + q(contentJson) + "}}]}";
}

Events parse(Mode mode, QList<QByteArrayView> pieces)
{
    ChatEventParser parser(mode);
    Events events;
    for (const QByteArrayView piece : pieces)
        parser.feed(piece, events);
    parser.finish(events);
    return events;
}

ChatStreamEvent content(const QString& text)
{
    return {Type::Content, text, {}};
}

ChatStreamEvent failed(const QString& text)
{
    return {Type::Failed, text, {}};
}

const ChatStreamEvent finished{Type::Finished, {}, {}};

} // namespace

class TestChatEventParser : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void events_data()
    {
        QTest::addColumn<bool>("chat");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<Events>("expected");
        const auto row = [](const char* name, const QByteArray& body, const Events& expected, bool chat = false) {
            QTest::newRow(name) << chat << body << expected;
        };
        row("pieces then DONE, nothing after it",
            delta("'Hel'") + "\n\n" + delta("'lo'") + "\n\ndata: [DONE]\n\n" + delta("'late'") + "\n",
            {content(u"Hel"_s), content(u"lo"_s), finished});
        row("last line without terminator", delta("'end'"), {content(u"end"_s), finished});
        row("empty pieces are passed on", delta("''") + "\n", {content(QString()), finished});
        row("malformed and foreign lines are skipped",
            ": keep-alive\nevent: message\nid: 4\n\ndata: {not json\ndata: [1,2]\n" + q("data: {'choices':[]}\n") +
                q("data: {'choices':[{'delta':{'content':5}}]}\n") + q("data: {'choices':[{'delta':{}}]}\n") +
                q("data: {'choices':'x'}\n") + "DATA: " + delta("'no'").mid(6) + "\n" + delta("'ok'") + "\n",
            {content(u"ok"_s), finished});
        row("multi-byte text and escapes", delta("'Grüße \\ud83d\\ude00 \\'q\\'\\n'") + "\n",
            {content(u"Grüße 😀 \"q\"\n"_s), finished});
        row("error object inside a 200 stream",
            delta("'part'") + "\n" + q("data: {'error':{'message':'Rate limit reached','code':429}}\n") +
                delta("'never'") + "\n",
            {content(u"part"_s), failed(u"Rate limit reached"_s)});
        row("error as a plain string", q("data: {'error':'model not loaded'}\n"), {failed(u"model not loaded"_s)});
        row("error object without message", q("data: {'error':{'code':500}}\n"),
            {failed(QString::fromLatin1(q("{'error':{'code':500}}")))});
        row("null error is no error", q("data: {'error':null,'choices':[{'delta':{'content':'y'}}]}\n"),
            {content(u"y"_s), finished});
        row("empty body", QByteArray(), {finished});

        // Citations: de-duplicated by URL, malformed entries skipped, reported once before the end.
        const QByteArray citationLine =
            q("data: {'choices':[{'message':{'annotations':["
              "{'type':'url_citation','url_citation':{'url':'https://a.example','title':'First','content':'c',"
              "'start_index':3,'end_index':9}},"
              "{'type':'url_citation','url_citation':{'url':'https://a.example','title':'Second'}},"
              "{'type':'url_citation','url_citation':{'url':'https://b.example','start_index':1.5,'title':7}},"
              "{'type':'file'},{'url_citation':{'title':'no url'}},'junk']}}]}\n");
        const QList<URLCitation> cited{{u"https://a.example"_s, u"First"_s, u"c"_s, 3, 9}, {u"https://b.example"_s}};
        const ChatStreamEvent citations{Type::Annotations, {}, cited};
        row("citations come last", delta("'x'") + "\n" + citationLine + delta("'y'") + "\n",
            {content(u"x"_s), content(u"y"_s), citations, finished}, true);
        row("citations at DONE", citationLine + "data: [DONE]\n", {citations, finished}, true);
        row("a completion never reports citations", citationLine, {finished});
    }

    void events()
    {
        QFETCH(bool, chat);
        QFETCH(QByteArray, body);
        QFETCH(Events, expected);
        QCOMPARE(parse(chat ? Mode::Chat : Mode::Completion, {body}), expected);
    }

    // The same body, cut into two pieces at every byte position (inside lines, inside CRLF, inside UTF-8
    // sequences), gives the same events; whole, it shows that CR, LF and CRLF end lines and "data:" needs no blank.
    void chunkBoundariesAnywhere()
    {
        const QByteArray body = ": comment\r\n" + delta("'Grüße '") + "\r\n\r\n" + delta("'😀 and '") + "\r" +
                                delta("'日本'") + "\n\n" +
                                q("data:{'choices':[{'delta':{'content':'!'},'message':{'annotations':[{'url_citation':"
                                  "{'url':'https://a.example','title':'A'}}]}}]}") +
                                "\r\ndata: [DONE]\r\n";
        const ChatStreamEvent cited{Type::Annotations, {}, {{u"https://a.example"_s, u"A"_s, {}, {}, {}}}};
        const Events whole{
            content(u"Grüße "_s), content(u"😀 and "_s), content(u"日本"_s), content(u"!"_s), cited, finished};
        QCOMPARE(parse(Mode::Chat, {body}), whole);
        for (qsizetype cut = 0; cut <= body.size(); ++cut)
            QVERIFY2(parse(Mode::Chat, {body.left(cut), body.mid(cut)}) == whole, qPrintable(QString::number(cut)));
    }

    void overlongLineIsDropped()
    {
        // A line past the limit is skipped whole, even when it arrives in many pieces; the next line still counts.
        const QByteArray start = q("data: {'choices':[{'delta':{'content':'");
        const QByteArray filler(1024 * 1024, 'a');
        QList<QByteArrayView> pieces{start};
        for (int i = 0; i < 9; ++i)
            pieces.append(filler);
        const QByteArray next = "\n" + delta("'after'") + "\n";
        pieces.append("\"}}]}\r"); // the CR ends this piece, its LF starts the next
        pieces.append(next);
        QCOMPARE(parse(Mode::Completion, pieces), (Events{content(u"after"_s), finished}));

        // Just under the limit it is an ordinary line.
        const QByteArray text(LineSplitter::maxLineLength - start.size() - 6, 'b');
        const Events fitting = parse(Mode::Completion, {start, text, "\"}}]}\n"});
        QCOMPARE(fitting.size(), 2);
        QCOMPARE(fitting.first().text.size(), text.size());
    }
};

QTEST_GUILESS_MAIN(TestChatEventParser)
#include "tst_chateventparser.moc"
