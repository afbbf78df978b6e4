// SPDX-License-Identifier: GPL-3.0-or-later
#include "ai/ChatEventParser.h"

#include <QtTest>

using Type = ChatStreamEvent::Type;

namespace {

// Test data reads better with single quotes; they become the JSON's double quotes.
QByteArray q(const char* text)
{
    return QByteArray(text).replace('\'', '"');
}

QByteArray delta(const QByteArray& contentJson)
{
    return q("data: {'choices':[{'index':0,'delta':{'content':") + contentJson + "}}]}";
}

QList<ChatStreamEvent> parseWhole(ChatEventParser::Mode mode, const QByteArray& body)
{
    ChatEventParser parser(mode);
    QList<ChatStreamEvent> events;
    parser.feed(body, events);
    parser.finish(events);
    return events;
}

ChatStreamEvent content(const QString& text)
{
    return {Type::Content, text, {}};
}

const ChatStreamEvent finished{Type::Finished, {}, {}};

} // namespace

class TestChatEventParser : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void completionLines_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QList<ChatStreamEvent>>("expected");

        QTest::newRow("pieces then DONE, nothing after it")
            << QByteArray(delta(q("'Hel'")) + "\n\n" + delta(q("'lo'")) + "\n\ndata: [DONE]\n\n" + delta(q("'late'")) +
                          "\n")
            << QList<ChatStreamEvent>{content(QStringLiteral("Hel")), content(QStringLiteral("lo")), finished};
        QTest::newRow("CR, LF and CRLF terminators")
            << QByteArray(delta(q("'a'")) + "\r" + delta(q("'b'")) + "\r\n" + delta(q("'c'")) + "\n")
            << QList<ChatStreamEvent>{content(QStringLiteral("a")), content(QStringLiteral("b")),
                                      content(QStringLiteral("c")), finished};
        QTest::newRow("data: without a blank is accepted")
            << QByteArray(q("data:{'choices':[{'delta':{'content':'x'}}]}\n"))
            << QList<ChatStreamEvent>{content(QStringLiteral("x")), finished};
        QTest::newRow("last line without terminator")
            << QByteArray(delta(q("'end'"))) << QList<ChatStreamEvent>{content(QStringLiteral("end")), finished};
        QTest::newRow("empty pieces are passed on")
            << QByteArray(delta(q("''")) + "\n") << QList<ChatStreamEvent>{content(QString()), finished};
        QTest::newRow("malformed and foreign lines are skipped")
            << QByteArray(QByteArray(": keep-alive\nevent: message\nid: 4\n\ndata: {not json\ndata: [1,2]\n") +
                          q("data: {'choices':[]}\n") + q("data: {'choices':[{'delta':{'content':5}}]}\n") +
                          q("data: {'choices':[{'delta':{}}]}\n") + q("data: {'choices':'x'}\n") +
                          "DATA: " + delta(q("'no'")).mid(6) + "\n" + delta(q("'ok'")) + "\n")
            << QList<ChatStreamEvent>{content(QStringLiteral("ok")), finished};
        QTest::newRow("multi-byte text and escapes")
            << QByteArray(delta(q("'Grüße \\ud83d\\ude00 \\'q\\'\\n'")) + "\n")
            << QList<ChatStreamEvent>{content(QStringLiteral("Grüße 😀 \"q\"\n")), finished};
        QTest::newRow("error object inside a 200 stream")
            << QByteArray(delta(q("'part'")) + "\n" +
                          q("data: {'error':{'message':'Rate limit reached','code':429}}\n") + delta(q("'never'")) +
                          "\n")
            << QList<ChatStreamEvent>{content(QStringLiteral("part")),
                                      {Type::Failed, QStringLiteral("Rate limit reached"), {}}};
        QTest::newRow("error as a plain string")
            << QByteArray(q("data: {'error':'model not loaded'}\n"))
            << QList<ChatStreamEvent>{{Type::Failed, QStringLiteral("model not loaded"), {}}};
        QTest::newRow("error object without message")
            << QByteArray(q("data: {'error':{'code':500}}\n"))
            << QList<ChatStreamEvent>{{Type::Failed, QString::fromLatin1(q("{'error':{'code':500}}")), {}}};
        QTest::newRow("null error is no error")
            << QByteArray(q("data: {'error':null,'choices':[{'delta':{'content':'y'}}]}\n"))
            << QList<ChatStreamEvent>{content(QStringLiteral("y")), finished};
        QTest::newRow("empty body") << QByteArray() << QList<ChatStreamEvent>{finished};
    }

    void completionLines()
    {
        QFETCH(QByteArray, body);
        QFETCH(QList<ChatStreamEvent>, expected);
        QCOMPARE(parseWhole(ChatEventParser::Mode::Completion, body), expected);
    }

    // The same body, cut into two pieces at every byte position (inside lines, inside CRLF, inside UTF-8
    // sequences) and fed byte by byte, gives the same events.
    void chunkBoundariesAnywhere()
    {
        const QByteArray body = ": comment\r\n" + delta(q("'Grüße '")) + "\r\n\r\n" + delta(q("'😀 and '")) + "\r" +
                                delta(q("'日本'")) + "\n\n" +
                                q("data:{'choices':[{'delta':{'content':'!'},'message':{'annotations':[{'url_citation':"
                                  "{'url':'https://a.example','title':'A'}}]}}]}") +
                                "\r\ndata: [DONE]\r\n";
        const QList<ChatStreamEvent> whole = parseWhole(ChatEventParser::Mode::Chat, body);
        QCOMPARE(whole.size(), 6);
        QCOMPARE(whole.at(1).text, QStringLiteral("😀 and "));
        QCOMPARE(whole.at(4).type, Type::Annotations);
        for (qsizetype cut = 0; cut <= body.size(); ++cut) {
            ChatEventParser parser(ChatEventParser::Mode::Chat);
            QList<ChatStreamEvent> events;
            parser.feed(body.left(cut), events);
            parser.feed(body.mid(cut), events);
            parser.finish(events);
            QVERIFY2(events == whole, qPrintable(QStringLiteral("cut at byte %1").arg(cut)));
        }
        ChatEventParser parser(ChatEventParser::Mode::Chat);
        QList<ChatStreamEvent> events;
        for (const char byte : body)
            parser.feed(QByteArrayView(&byte, 1), events);
        parser.finish(events);
        QCOMPARE(events, whole);
    }

    void citations()
    {
        const QByteArray citationLine =
            q("data: {'choices':[{'message':{'annotations':["
              "{'type':'url_citation','url_citation':{'url':'https://"
              "a.example','title':'First','content':'c','start_index':3,'end_index':9}},"
              "{'type':'url_citation','url_citation':{'url':'https://a.example','title':'Second'}},"
              "{'type':'url_citation','url_citation':{'url':'https://b.example','start_index':1.5,'title':7}},"
              "{'type':'file'},{'url_citation':{'title':'no url'}},'junk']}}]}");
        const QByteArray body = delta(q("'x'")) + "\n" + citationLine + "\n" + delta(q("'y'")) + "\n";
        const QList<ChatStreamEvent> events = parseWhole(ChatEventParser::Mode::Chat, body);
        const QList<URLCitation> expected{
            {QStringLiteral("https://a.example"), QStringLiteral("First"), QStringLiteral("c"), 3, 9},
            {QStringLiteral("https://b.example"), std::nullopt, std::nullopt, std::nullopt, std::nullopt},
        };
        QCOMPARE(events, (QList<ChatStreamEvent>{content(QStringLiteral("x")),
                                                 content(QStringLiteral("y")),
                                                 {Type::Annotations, {}, expected},
                                                 finished}));

        // The same at "[DONE]"; a completion stream never reports citations.
        QCOMPARE(parseWhole(ChatEventParser::Mode::Chat, citationLine + "\ndata: [DONE]\n"),
                 (QList<ChatStreamEvent>{{Type::Annotations, {}, expected}, finished}));
        QCOMPARE(parseWhole(ChatEventParser::Mode::Completion, citationLine + "\n"), QList<ChatStreamEvent>{finished});
        // No citation found: no annotations event.
        QCOMPARE(parseWhole(ChatEventParser::Mode::Chat, delta(q("'z'")) + "\n"),
                 (QList<ChatStreamEvent>{content(QStringLiteral("z")), finished}));
    }

    void overlongLineIsDropped()
    {
        // A line past the limit is skipped whole, even when it arrives in many pieces; the next line still counts.
        ChatEventParser parser(ChatEventParser::Mode::Completion);
        QList<ChatStreamEvent> events;
        const QByteArray start = q("data: {'choices':[{'delta':{'content':'");
        parser.feed(start, events);
        const QByteArray filler(1024 * 1024, 'a');
        for (int i = 0; i < 9; ++i)
            parser.feed(filler, events);
        parser.feed("\"}}]}\r", events);
        parser.feed(QByteArray("\n" + delta(q("'after'")) + "\n"), events);
        parser.finish(events);
        QCOMPARE(events, (QList<ChatStreamEvent>{content(QStringLiteral("after")), finished}));

        // Just under the limit it is an ordinary line.
        ChatEventParser fitting(ChatEventParser::Mode::Completion);
        QList<ChatStreamEvent> fittingEvents;
        const QByteArray text(LineSplitter::maxLineLength - start.size() - 6, 'b');
        fitting.feed(start, fittingEvents);
        fitting.feed(text, fittingEvents);
        fitting.feed("\"}}]}\n", fittingEvents);
        QCOMPARE(fittingEvents.size(), 1);
        QCOMPARE(fittingEvents.first().text.size(), text.size());
    }
};

QTEST_GUILESS_MAIN(TestChatEventParser)
#include "tst_chateventparser.moc"
