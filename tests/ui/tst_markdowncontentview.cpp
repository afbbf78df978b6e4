// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/HostileContent.h"
#include "support/TestEnvironment.h"
#include "ui/AnswerAnnouncer.h"
#include "ui/AnswerDocument.h"
#include "ui/MarkdownBlocks.h"
#include "ui/MarkdownContentView.h"

#include <QBuffer>
#include <QClipboard>
#include <QDataStream>
#include <QDir>
#include <QHelpEvent>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextList>
#include <QToolButton>
#include <QToolTip>

using namespace Qt::StringLiterals;

namespace {

const ThemeColors light{AppTheme::Light};

QTextDocument* documentOf(QWidget* unit)
{
    if (auto* edit = qobject_cast<QTextEdit*>(unit))
        return edit->document();
    auto* code = unit->findChild<QTextEdit*>(u"codeText"_s);
    return code ? code->document() : nullptr;
}

// What a view shows, unit by unit: the kind, and the document's structure and text (not its pixels).
QStringList drawing(const MarkdownContentView& view)
{
    QStringList result;
    for (QWidget* unit : view.unitWidgets()) {
        if (unit->objectName() == u"codeBlock")
            result << u"code:" + documentOf(unit)->toPlainText();
        else
            result << u"text:" + documentOf(unit)->toHtml();
    }
    return result;
}

// Streams in pieces of 1 to `longest` characters, drawing every third piece, then ends the stream.
void streamInPieces(MarkdownContentView& view, const QString& answer, qsizetype longest = 7)
{
    view.setStreaming(true);
    qsizetype end = 0;
    for (int piece = 0; end < answer.size(); ++piece) {
        end = std::min(answer.size(), end + 1 + piece % longest);
        view.setContent(answer.left(end));
        if (piece % 3 == 0)
            view.flushPendingRender();
    }
    view.setStreaming(false);
    view.flushPendingRender();
}

QList<QTextCharFormat> formats(const QTextDocument* document)
{
    QList<QTextCharFormat> result;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it)
            result.append(it.fragment().charFormat());
    return result;
}

QString dataImage(const QByteArray& bytes, const char* type = "png")
{
    return u"data:image/%1;base64,"_s.arg(QLatin1String(type)) + QString::fromLatin1(bytes.toBase64());
}

QByteArray pngOf(QSize size)
{
    const QImage image = filledImage(size.width(), size.height(), Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    return buffer.open(QIODevice::WriteOnly) && image.save(&buffer, "PNG") ? bytes : QByteArray();
}

// A BMP header that promises a 30000 x 30000 picture: 3.6 GB if anyone decoded it.
QByteArray bmpBomb()
{
    QByteArray header;
    QDataStream out(&header, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out << quint8('B') << quint8('M') << quint32(54 + 16) << quint32(0) << quint32(54) << quint32(40) << quint32(30000)
        << quint32(30000) << quint16(1) << quint16(32);
    return header + QByteArray(54 - header.size(), '\0') + QByteArray(16, '\xff');
}

// "text:…", "code:…" or "code[language]:…" per block, for readable comparisons.
QStringList described(const QList<ContentBlock>& blocks)
{
    QStringList result;
    for (const ContentBlock& block : blocks)
        result << (block.kind == ContentBlock::Kind::Text ? u"text"_s : u"code"_s) +
                      (block.language ? u"[%1]"_s.arg(*block.language) : QString()) + u':' + block.text;
    return result;
}

} // namespace

class TestMarkdownContentView : public QObject
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
        row("no fence, newlines trimmed", u"\n\nHello\n\nWorld\n\n"_s, {u"text:Hello\n\nWorld"_s});
        row("prose, json code, prose", u"Intro\n```json\n{\"a\": 1}\n```\nOutro"_s,
            {u"text:Intro"_s, u"code[json]:{\"a\": 1}"_s, u"text:Outro"_s});
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

    // A code block with a language has a button that copies its code.
    void codeBlockCopies()
    {
        const MarkdownContentView view(u"Intro\n\n```cpp\nint main()\n{\n    return 0;\n}\n```"_s, light);
        view.unitWidgets().at(1)->findChild<QToolButton*>(u"copyCodeButton"_s)->click();
        QCOMPARE(QGuiApplication::clipboard()->text(), u"int main()\n{\n    return 0;\n}"_s);
    }

    // However an answer streams in, once it has ended the view draws what a view of the whole answer draws.
    void streamedEndsAsWhole_data()
    {
        QTest::addColumn<QString>("answer");
        QFile file(QFINDTESTDATA("../data/commonmark-examples.json"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QJsonArray examples = QJsonDocument::fromJson(file.readAll()).array();
        QCOMPARE(examples.size(), 652);
        for (const QJsonValue& example : examples) {
            const QJsonObject object = example.toObject();
            QTest::addRow("example %d (%s)", object.value(u"number").toInt(),
                          qPrintable(object.value(u"section").toString()))
                << object.value(u"markdown").toString();
        }
    }

    void streamedEndsAsWhole()
    {
        QFETCH(QString, answer);
        const MarkdownContentView whole(answer, light);
        MarkdownContentView streamed(QString(), light);
        streamInPieces(streamed, answer);
        QCOMPARE(drawing(streamed), drawing(whole));
    }

    // What only the whole answer can tell, right once the stream has ended.
    void wholeAnswerConstructs_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<int>("listItems");    // items of the first list, all in one list
        QTest::addColumn<QString>("linkHref"); // of the first link
        QTest::newRow("reference defined after code")
            << u"See [the docs][d].\n\n```sh\nls\n```\n\n[d]: https://b.example/ \"Docs\"\n\n[note]: not a definition"_s
            << 0 << u"https://b.example/"_s;
        QTest::newRow("loose ordered list") << u"1. a\n\n2. b"_s << 2 << QString();
    }

    void wholeAnswerConstructs()
    {
        QFETCH(QString, answer);
        QFETCH(int, listItems);
        QFETCH(QString, linkHref);
        MarkdownContentView view(QString(), light);
        streamInPieces(view, answer);
        const QTextDocument* document = documentOf(view.unitWidgets().first());
        const QTextList* list = document->begin().textList();
        QCOMPARE(list ? list->count() : 0, listItems);
        if (list && list->format().style() == QTextListFormat::ListDecimal)
            QCOMPARE(list->itemText(list->item(1)), u"2."_s);
        QString href;
        for (const QTextCharFormat& format : formats(document))
            if (href.isEmpty() && format.isAnchor())
                href = format.anchorHref();
        QCOMPARE(href, linkHref);
        // Definitions draw nothing; prose that only looks like one is shown once, where it stands.
        QString shown;
        for (QWidget* unit : view.unitWidgets())
            shown += documentOf(unit)->toPlainText();
        QVERIFY(!shown.contains(u"]: https"));
        QCOMPARE(shown.count(u"[note]"), answer.count(u"[note]"));
    }

    // An answer is written by a model that read pages anyone may have written: nothing in it may read a file or
    // device, decode an unbounded picture, or open anything but a web or mail address.
    // What a screen reader is told of a finished answer.
    void spokenAnswer_data()
    {
        QTest::addColumn<QString>("markdown");
        QTest::addColumn<QString>("spoken");
        const QString word = QStringLiteral("word ");
        QTest::newRow("marks") << u"# Title\n\n**Bold** and `code`,\n\n- one\n- two"_s
                               << u"Title Bold and code, one two"_s;
        QTest::newRow("cut at a word") << word.repeated(300) << QString(word.repeated(200).trimmed() + u"…");
        // No space to cut at, and a character of two UTF-16 units across the limit.
        QTest::newRow("cut in a character")
            << QString(u"x"_s.repeated(999) + u"😀"_s.repeated(5)) << QString(u"x"_s.repeated(999) + u"…");
    }

    void spokenAnswer()
    {
        QFETCH(QString, markdown);
        QTEST(AnswerAnnouncer::spokenText(markdown), "spoken");
    }

    void hostileAnswers_data()
    {
        QTest::addColumn<QString>("answer"); // %1 the trap's path, %2 its file name (relative to the working folder)
        QTest::addColumn<QString>("shown");  // text the view shows instead
        QTest::addColumn<int>("images");     // pictures left in the document
        QTest::addColumn<QString>("click");  // the link text to click
        QTest::addColumn<QString>("opened"); // what the desktop was asked to open

        const auto row = [](const char* name, const QString& answer, const QString& shown, int images = 0,
                            const QString& click = {}, const QString& opened = {}) {
            QTest::newRow(name) << answer << shown << images << click << opened;
        };
        row("file: image", u"![](file://%1) and ![f](file://%1)"_s, u" and [f]"_s);
        row("relative image", u"![rel](%2)"_s, u"[rel]"_s);
        row("reference image", u"![ref][r]\n\n[r]: %1"_s, u"[ref]"_s);
        row("inline HTML image", u"a <img src=\"%1\"> b"_s, u"a <img src=\"%1\"> b"_s);
        row("HTML block", u"<div><img src=\"%1\"></div>"_s, u"<div><img src=\"%1\"></div>"_s);
        row("huge data image", u"![big](" + dataImage(QByteArray(AnswerDocument::maxImageDataBytes + 3, 'x')) + u')',
            u"[big]"_s);
        row("picture bomb", u"![bomb](" + dataImage(bmpBomb(), "bmp") + u')', u"[bomb]"_s);
        row("small data image", u"![dot](" + dataImage(pngOf(QSize(8, 8))) + u')', QString(), 1);
        row("file link", u"[open](file://%1)"_s, u"open"_s, 0, u"open"_s);
        row("html title on a web link", u"[site](https://ok.example/page \"<img src='%1'>\")"_s, u"site"_s, 0,
            u"site"_s, u"https://ok.example/page"_s);
        row("mail link", u"[write](mailto:a@b.example)"_s, u"write"_s, 0, u"write"_s, u"mailto:a@b.example"_s);
    }

    void hostileAnswers()
    {
        QFETCH(QString, answer);
        QFETCH(QString, shown);
        QFETCH(int, images);
        QFETCH(QString, click);
        QFETCH(QString, opened);
        FifoTrap trap;
        OpenedUrls desktop;
        const QString previousFolder = QDir::currentPath();
        QDir::setCurrent(trap.folder());
        answer.replace(u"%1"_s, trap.path()).replace(u"%2"_s, trap.fileName());
        shown.replace(u"%1"_s, trap.path());

        MarkdownContentView view(QString(), light);
        view.resize(600, 300);
        view.show();
        // Long rows arrive whole: laying out a partly streamed line of 80,000 characters only costs time here.
        streamInPieces(view, answer, answer.size() > 10'000 ? answer.size() : 7);
        QCoreApplication::sendPostedEvents();
        view.grab(); // paint, which loads pictures

        QCOMPARE(view.unitWidgets().size(), 1);
        auto* text = qobject_cast<QTextBrowser*>(view.unitWidgets().first());
        QVERIFY(text);
        const auto plain = [text] { return text->document()->toPlainText().remove(QChar::ObjectReplacementCharacter); };
        QCOMPARE(plain(), shown);
        const QList<QTextCharFormat> all = formats(text->document());
        QCOMPARE(std::count_if(all.begin(), all.end(), [](const auto& format) { return format.isImageFormat(); }),
                 images);

        if (!click.isEmpty()) {
            QTextCursor cursor(text->document());
            cursor.setPosition(text->document()->toPlainText().indexOf(click) + 1);
            const QPoint at = text->cursorRect(cursor).center();
            // Hovering shows the address as plain text, whatever the link's title holds.
            QHelpEvent hover(QEvent::ToolTip, at, text->viewport()->mapToGlobal(at));
            QCoreApplication::sendEvent(text->viewport(), &hover);
            QTRY_VERIFY(QToolTip::isVisible());
            QVERIFY(QToolTip::text().contains(QUrl(cursor.charFormat().anchorHref()).toString().toHtmlEscaped()));
            QToolTip::hideText();
            QTest::mouseClick(text->viewport(), Qt::LeftButton, {}, at);
            QCOMPARE(text->source(), QUrl());
            QCOMPARE(plain(), shown);
        }
        QCOMPARE(desktop.urls, opened.isEmpty() ? QList<QUrl>() : QList<QUrl>{QUrl(opened)});
        QDir::setCurrent(previousFolder);
        QVERIFY2(!trap.wasOpened(), "the answer made the view open a local file");
    }
};

QTEST_MAIN(TestMarkdownContentView)
#include "tst_markdowncontentview.moc"
