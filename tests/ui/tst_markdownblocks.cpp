// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/MarkdownBlocks.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>

Q_DECLARE_METATYPE(QList<ContentBlock>)

namespace QTest {
template <> char* toString(const ContentBlock& block)
{
    const QString kind = block.kind == ContentBlock::Kind::Text ? QStringLiteral("text") : QStringLiteral("code");
    const QString language = block.language ? QStringLiteral("[%1]").arg(*block.language) : QString();
    return qstrdup(qPrintable(kind + language + QStringLiteral(": \"") + block.text + u'"'));
}
} // namespace QTest

namespace {

ContentBlock text(const char* value)
{
    return ContentBlock::makeText(QString::fromUtf8(value));
}

ContentBlock code(std::optional<const char*> language, const char* value)
{
    return ContentBlock::makeCode(language ? std::optional<QString>(QString::fromUtf8(*language)) : std::nullopt,
                                  QString::fromUtf8(value));
}

// The splitting rules written out as plainly as possible, to hold the real splitter against.
QList<ContentBlock> referenceSplit(const QString& content)
{
    QList<ContentBlock> blocks;
    QString textBuffer, codeBuffer;
    bool inCode = false;
    std::optional<QString> language;
    const auto trim = [](QString value) { return value.remove(QRegularExpression(QStringLiteral("^\\n+|\\n+$"))); };
    for (const QString& line : content.split(u'\n')) {
        if (line.startsWith(QStringLiteral("```"))) {
            if (inCode) {
                blocks.append(ContentBlock::makeCode(language, trim(codeBuffer)));
                codeBuffer.clear();
                language.reset();
            } else {
                if (!textBuffer.isEmpty())
                    blocks.append(ContentBlock::makeText(trim(textBuffer)));
                textBuffer.clear();
                const QString rest = line.mid(3).trimmed();
                language = rest.isEmpty() ? std::nullopt : std::optional<QString>(rest);
            }
            inCode = !inCode;
            continue;
        }
        QString& buffer = inCode ? codeBuffer : textBuffer;
        if (!buffer.isEmpty())
            buffer += u'\n';
        buffer += line;
    }
    if (!textBuffer.isEmpty())
        blocks.append(ContentBlock::makeText(trim(textBuffer)));
    if (inCode && !codeBuffer.isEmpty())
        blocks.append(ContentBlock::makeCode(language, trim(codeBuffer)));
    return blocks;
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
        answer.prepend(QStringLiteral("\n\n"));
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
        QTest::addColumn<QList<ContentBlock>>("expected");

        QTest::newRow("empty") << QString() << QList<ContentBlock>{};
        QTest::newRow("no fence, newlines trimmed")
            << QStringLiteral("\n\nHello\n\nWorld\n\n") << QList<ContentBlock>{text("Hello\n\nWorld")};
        QTest::newRow("prose, json code, prose")
            << QStringLiteral("Intro\n```json\n{\"a\": 1}\n```\nOutro")
            << QList<ContentBlock>{text("Intro"), code("json", "{\"a\": 1}"), text("Outro")};
        QTest::newRow("fence without language")
            << QStringLiteral("```\nplain code\n```") << QList<ContentBlock>{code(std::nullopt, "plain code")};
        QTest::newRow("fence directly closed")
            << QStringLiteral("Before\n```py\n```") << QList<ContentBlock>{text("Before"), code("py", "")};
        QTest::newRow("language trimmed")
            << QStringLiteral("```  python \t\nx = 1\n```") << QList<ContentBlock>{code("python", "x = 1")};
        QTest::newRow("streaming inside code")
            << QStringLiteral("Intro\n```js\nlet a") << QList<ContentBlock>{text("Intro"), code("js", "let a")};
        QTest::newRow("ends after opening fence and newline")
            << QStringLiteral("Intro\n```swift\n\n") << QList<ContentBlock>{text("Intro")};
        QTest::newRow("indented fence is text")
            << QStringLiteral("  ```\ncode\n  ```") << QList<ContentBlock>{text("  ```\ncode\n  ```")};
        QTest::newRow("rest of closing line ignored") << QStringLiteral("```\na\n``` trailing words\nB")
                                                      << QList<ContentBlock>{code(std::nullopt, "a"), text("B")};
        QTest::newRow("code trimmed of blank lines")
            << QStringLiteral("```\n\n\n  a\n\n```") << QList<ContentBlock>{code(std::nullopt, "  a")};
        QTest::newRow("four backticks") << QStringLiteral("````\nx\n````") << QList<ContentBlock>{code("`", "x")};
    }

    void splitsIntoBlocks()
    {
        QFETCH(QString, content);
        QFETCH(QList<ContentBlock>, expected);
        QCOMPARE(parseContentBlocks(content), expected);
        QCOMPARE(referenceSplit(content), expected);
    }

    // Fed in pieces of any size, the splitter gives what the plain rules give for the whole text, and units it
    // has called finished never change afterwards.
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
                QCOMPARE(splitter.blocks(), referenceSplit(prefix));
                QVERIFY2(splitter.finishedUnits().mid(0, finishedSoFar.size()) == finishedSoFar, qPrintable(prefix));
                finishedSoFar = splitter.finishedUnits();
            }
        }
    }

    // Prose is cut into paragraph units only where Markdown would not join the pieces.
    void paragraphUnits_data()
    {
        QTest::addColumn<QString>("content");
        QTest::addColumn<QStringList>("units");

        QTest::newRow("paragraphs") << QStringLiteral("One\n\nTwo\n\n\nThree")
                                    << QStringList{QStringLiteral("One"), QStringLiteral("Two"),
                                                   QStringLiteral("Three")};
        QTest::newRow("tight list stays one unit")
            << QStringLiteral("- a\n- b\n- c") << QStringList{QStringLiteral("- a\n- b\n- c")};
        QTest::newRow("indented continuation stays")
            << QStringLiteral("- a\n\n  more of a") << QStringList{QStringLiteral("- a\n\n  more of a")};
        QTest::newRow("tilde fence with blank line stays")
            << QStringLiteral("~~~\nx\n\ny\n~~~\n\nAfter")
            << QStringList{QStringLiteral("~~~\nx\n\ny\n~~~"), QStringLiteral("After")};
    }

    void paragraphUnits()
    {
        QFETCH(QString, content);
        QFETCH(QStringList, units);
        BlockSplitter splitter;
        splitter.append(content);
        QStringList texts;
        for (const RenderUnit& unit : splitter.finishedUnits())
            texts.append(unit.text);
        if (const auto open = splitter.openUnit())
            texts.append(open->text);
        QCOMPARE(texts, units);
    }
};

QTEST_GUILESS_MAIN(TestMarkdownBlocks)
#include "tst_markdownblocks.moc"
