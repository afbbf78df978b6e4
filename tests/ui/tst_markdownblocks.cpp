// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/MarkdownBlocks.h"

#include <QRandomGenerator>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// "text:…", "code:…" or "code[language]:…" per block, for readable comparisons.
QStringList described(const QList<ContentBlock>& blocks)
{
    QStringList result;
    for (const ContentBlock& block : blocks)
        result << (block.kind == ContentBlock::Kind::Text ? u"text"_s : u"code"_s) +
                      (block.language ? u"[%1]"_s.arg(*block.language) : QString()) + u':' + block.text;
    return result;
}

QString randomAnswer(QRandomGenerator& random)
{
    static const QStringList lines = QStringLiteral("Some prose with **bold** text.||"
                                                    "|- a list item|  continued item|1. numbered|```|```python|"
                                                    "```  js \t|``` closing with words|  ```|~~~|    indented code|"
                                                    "\tlet x = 1;|# Heading|  ")
                                         .split(u'|');
    QString answer;
    const int count = random.bounded(1, 40);
    for (int i = 0; i < count; ++i) {
        answer += lines[random.bounded(int(lines.size()))];
        if (i + 1 < count || random.bounded(2))
            answer += u'\n';
    }
    if (random.bounded(4) == 0)
        answer.prepend(u"\n\n"_s);
    return answer;
}

} // namespace

class TestMarkdownBlocks : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void splitsIntoBlocks_data()
    {
        QTest::addColumn<QString>("content");
        QTest::addColumn<QStringList>("expected");
        const auto row = [](const char* name, const QString& content, const QStringList& expected) {
            QTest::newRow(name) << content << expected;
        };
        row("empty", QString(), {});
        row("no fence, newlines trimmed", u"\n\nHello\n\nWorld\n\n"_s, {u"text:Hello\n\nWorld"_s});
        row("prose, json code, prose", u"Intro\n```json\n{\"a\": 1}\n```\nOutro"_s,
            {u"text:Intro"_s, u"code[json]:{\"a\": 1}"_s, u"text:Outro"_s});
        row("fence without language", u"```\nplain code\n```"_s, {u"code:plain code"_s});
        row("fence directly closed", u"Before\n```py\n```"_s, {u"text:Before"_s, u"code[py]:"_s});
        row("language trimmed", u"```  python \t\nx = 1\n```"_s, {u"code[python]:x = 1"_s});
        row("streaming inside code", u"Intro\n```js\nlet a"_s, {u"text:Intro"_s, u"code[js]:let a"_s});
        row("ends after opening fence and newline", u"Intro\n```swift\n\n"_s, {u"text:Intro"_s});
        row("indented fence is text", u"  ```\ncode\n  ```"_s, {u"text:  ```\ncode\n  ```"_s});
        row("rest of closing line ignored", u"```\na\n``` trailing words\nB"_s, {u"code:a"_s, u"text:B"_s});
        row("code trimmed of blank lines", u"```\n\n\n  a\n\n```"_s, {u"code:  a"_s});
        row("four backticks", u"````\nx\n````"_s, {u"code[`]:x"_s});
    }

    void splitsIntoBlocks()
    {
        QFETCH(QString, content);
        QFETCH(QStringList, expected);
        QCOMPARE(described(parseContentBlocks(content)), expected);
    }

    // Fed in pieces of any size, the splitter gives what it gives for the whole text at once, and units it has called
    // finished never change afterwards.
    void piecewiseMatchesWhole()
    {
        QRandomGenerator random(20240611);
        for (int round = 0; round < 400; ++round) {
            const QString answer = randomAnswer(random);
            BlockSplitter splitter;
            QList<RenderUnit> finishedSoFar;
            qsizetype position = 0;
            while (position < answer.size()) {
                const qsizetype piece = std::min<qsizetype>(random.bounded(1, 9), answer.size() - position);
                splitter.append(QStringView(answer).mid(position, piece));
                position += piece;
                const QString prefix = answer.left(position);
                QCOMPARE(described(splitter.blocks()), described(parseContentBlocks(prefix)));
                QVERIFY2(splitter.finishedUnits().mid(0, finishedSoFar.size()) == finishedSoFar, qPrintable(prefix));
                finishedSoFar = splitter.finishedUnits();
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestMarkdownBlocks)
#include "tst_markdownblocks.moc"
