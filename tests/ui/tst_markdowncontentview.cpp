// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/MarkdownContentView.h"

#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <QTextEdit>
#include <QToolButton>

namespace {

QTextDocument* documentOf(QWidget* unit)
{
    if (auto* edit = qobject_cast<QTextEdit*>(unit))
        return edit->document();
    auto* code = unit->findChild<QTextEdit*>(QStringLiteral("codeText"));
    return code ? code->document() : nullptr;
}

void stream(MarkdownContentView& view, const QString& answer, qsizetype from, qsizetype to, int pieceSize)
{
    for (qsizetype end = from + pieceSize; end < to + pieceSize; end += pieceSize) {
        view.setContent(answer.left(std::min(end, to)));
        view.flushPendingRender();
    }
}

// One text block of exactly `length` characters: "**bold**", then paragraphs of a's (long single lines would
// make the text layout itself the slow part of the test).
QString textOfLength(qsizetype length)
{
    QString text = QStringLiteral("**bold**");
    const QString paragraph = QStringLiteral("\n\n") + QString(1998, u'a');
    while (text.size() + paragraph.size() <= length)
        text += paragraph;
    const qsizetype remaining = length - text.size();
    if (remaining >= 3)
        text += QStringLiteral("\n\n") + QString(remaining - 2, u'b');
    else
        text += QString(remaining, u'b');
    return text;
}

} // namespace

class TestMarkdownContentView : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void streamingKeepsFinishedWidgets()
    {
        const QString answer = QStringLiteral("First paragraph with *emphasis*.\n\nSecond paragraph.\n\n```cpp\n"
                                              "int main()\n{\n    return 0;\n}\n```\n\nClosing words and more.");
        MarkdownContentView view(QString(), ThemeColors{AppTheme::Light});
        view.resize(600, 100);
        const qsizetype secondStart = answer.indexOf(u"Second");
        const qsizetype codeEnd = answer.indexOf(u"}\n```") + 1;

        stream(view, answer, 0, secondStart + 3, 3);
        QCOMPARE(view.unitWidgets().size(), 2);
        QPointer<QWidget> first = view.unitWidgets().at(0);
        QPointer<QTextDocument> firstDocument = documentOf(first);
        QSignalSpy firstChanges(firstDocument.data(), &QTextDocument::contentsChange);

        // Into the code block, piece by piece: the code document only ever grows at its end.
        stream(view, answer, secondStart + 3, answer.indexOf(u"int main") + 4, 4);
        QCOMPARE(view.unitWidgets().size(), 3);
        QPointer<QWidget> codeWidget = view.unitWidgets().at(2);
        QTextDocument* code = documentOf(codeWidget);
        QVERIFY(code);
        QSignalSpy codeChanges(code, &QTextDocument::contentsChange);
        stream(view, answer, answer.indexOf(u"int main") + 4, codeEnd, 2);
        QVERIFY(!codeChanges.isEmpty());
        int lastPosition = 0;
        for (const auto& change : codeChanges) {
            QCOMPARE(change.at(1).toInt(), 0); // nothing removed: appended at the end only
            QVERIFY(change.at(0).toInt() >= lastPosition);
            lastPosition = change.at(0).toInt() + change.at(2).toInt();
        }
        QCOMPARE(code->toPlainText(), QStringLiteral("int main()\n{\n    return 0;\n}"));

        stream(view, answer, codeEnd, answer.size(), 5);
        QCOMPARE(view.unitWidgets().size(), 4);
        QCOMPARE(view.unitWidgets().at(0), first.data());
        QCOMPARE(view.unitWidgets().at(2), codeWidget.data());
        // The finished paragraph was never rendered again.
        QCOMPARE(documentOf(view.unitWidgets().at(0)), firstDocument.data());
        QCOMPARE(firstChanges.count(), 0);
        QCOMPARE(view.blocks(), parseContentBlocks(answer));
        QCOMPARE(documentOf(view.unitWidgets().at(3))->toPlainText(), QStringLiteral("Closing words and more."));
    }

    // However the pieces are grouped into frames, the streamed view ends up drawing what a view made from the
    // whole answer draws.
    void streamedEqualsWhole_data()
    {
        QTest::addColumn<int>("piecesPerFrame");
        QTest::newRow("every piece") << 1;
        QTest::newRow("3 per frame") << 3;
        QTest::newRow("17 per frame") << 17;
    }

    void streamedEqualsWhole()
    {
        QFETCH(int, piecesPerFrame);
        QString answer;
        for (int i = 0; i < 6; ++i)
            answer += QStringLiteral("## Part %1\n\nProse with **bold** and `code`.\n\n- one\n- two\n  more\n\n"
                                     "1. step\n2. step\n\n```sh\necho %1\n\nls\n```\n\n")
                          .arg(i);
        const auto texts = [](const MarkdownContentView& view) {
            QStringList result;
            for (QWidget* unit : view.unitWidgets())
                result << documentOf(unit)->toPlainText();
            return result;
        };
        MarkdownContentView whole(answer, ThemeColors{AppTheme::Light});
        MarkdownContentView streamed(QString(), ThemeColors{AppTheme::Light});
        for (qsizetype end = 1, piece = 0; end <= answer.size(); end += 3, ++piece) {
            streamed.setContent(answer.left(end));
            if (piece % piecesPerFrame == 0)
                streamed.flushPendingRender();
        }
        streamed.setContent(answer);
        streamed.flushPendingRender();
        QCOMPARE(texts(streamed), texts(whole));
    }

    void replacedContentKeepsUnchangedUnits()
    {
        MarkdownContentView view(QStringLiteral("Same start.\n\nOld ending."), ThemeColors{AppTheme::Dark});
        view.resize(500, 100);
        QPointer<QWidget> first = view.unitWidgets().at(0);
        view.setContent(QStringLiteral("Same start.\n\nA different ending."));
        view.flushPendingRender();
        QCOMPARE(view.unitWidgets().at(0), first.data());
        QCOMPARE(documentOf(view.unitWidgets().at(1))->toPlainText(), QStringLiteral("A different ending."));

        view.setContent(QString());
        view.flushPendingRender();
        QVERIFY(view.unitWidgets().isEmpty());
        QVERIFY(first.isNull());
        QCOMPARE(view.heightForWidth(view.width()), 0);
    }

    void rendersMarkdownUpToTheLimit_data()
    {
        QTest::addColumn<qsizetype>("length");
        QTest::addColumn<bool>("parsed");
        QTest::newRow("at the limit") << MarkdownContentView::plainTextLimit << true;
        QTest::newRow("one over") << MarkdownContentView::plainTextLimit + 1 << false;
        QTest::newRow("short") << qsizetype(40) << true;
    }

    void rendersMarkdownUpToTheLimit()
    {
        QFETCH(qsizetype, length);
        QFETCH(bool, parsed);
        const QString content = textOfLength(length);
        MarkdownContentView view(content, ThemeColors{AppTheme::Light});
        const QString shown = documentOf(view.unitWidgets().at(0))->toPlainText();
        QCOMPARE(shown, parsed ? QStringLiteral("bold") : QStringLiteral("**bold**"));
    }

    // A block that grows past the limit while streaming turns plain as a whole, finished paragraphs included.
    void growingPastTheLimitTurnsPlain()
    {
        const QString full = textOfLength(MarkdownContentView::plainTextLimit + 1);
        MarkdownContentView view(full.left(100), ThemeColors{AppTheme::Light});
        QCOMPARE(documentOf(view.unitWidgets().at(0))->toPlainText(), QStringLiteral("bold"));
        view.setContent(full.left(MarkdownContentView::plainTextLimit));
        view.flushPendingRender();
        QCOMPARE(documentOf(view.unitWidgets().at(0))->toPlainText(), QStringLiteral("bold"));
        view.setContent(full);
        view.flushPendingRender();
        QCOMPARE(documentOf(view.unitWidgets().at(0))->toPlainText(), QStringLiteral("**bold**"));
    }

    void codeBlockHeaderAndCopy()
    {
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        MarkdownContentView view(QStringLiteral("```bash\necho hi\nls\n```\n```\nno language\n```"),
                                 ThemeColors{AppTheme::Dark});
        view.resize(500, 200);
        QCOMPARE(view.unitWidgets().size(), 2);
        auto* copy = view.unitWidgets().at(0)->findChild<QToolButton*>(QStringLiteral("copyCodeButton"));
        QVERIFY(copy);
        copy->click();
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("echo hi\nls"));
        QVERIFY(!view.unitWidgets().at(1)->findChild<QToolButton*>(QStringLiteral("copyCodeButton")));

        auto* codeText = view.unitWidgets().at(0)->findChild<QTextEdit*>(QStringLiteral("codeText"));
        QCOMPARE(codeText->font().family(), QFontDatabase::systemFont(QFontDatabase::FixedFont).family());
    }

    void themeColoursAndSelection()
    {
        MarkdownContentView view(QStringLiteral("Some [link](https://example.org) text."), ThemeColors{AppTheme::Dark});
        auto* text = qobject_cast<QTextEdit*>(view.unitWidgets().at(0));
        QVERIFY(text && text->textInteractionFlags() & Qt::TextSelectableByMouse);
        // The link takes the theme's accent colour.
        QTextCursor cursor(text->document());
        cursor.setPosition(text->toPlainText().indexOf(u"link") + 1);
        QCOMPARE(cursor.charFormat().foreground().color(), ThemeColors{AppTheme::Dark}.accent());

        view.setColors(ThemeColors{AppTheme::Light});
        text = qobject_cast<QTextEdit*>(view.unitWidgets().at(0));
        QCOMPARE(text->palette().color(QPalette::Text), QColor(Qt::black));
    }

    void growsTallerWithContent()
    {
        MarkdownContentView view(QStringLiteral("One line."), ThemeColors{AppTheme::Light});
        view.resize(300, 10);
        const int oneLine = view.heightForWidth(300);
        QVERIFY(oneLine > 0);
        view.setContent(QStringLiteral("One line.\n\n```\na\nb\nc\n```"));
        view.flushPendingRender();
        QVERIFY(view.heightForWidth(300) > oneLine + 30);
        // Narrower means taller for wrapped prose, and asking does not disturb the shown layout.
        view.setContent(QStringLiteral("word ").repeated(100));
        view.flushPendingRender();
        const int atWidth = view.heightForWidth(300);
        QVERIFY(view.heightForWidth(150) > atWidth);
        QCOMPARE(view.heightForWidth(300), atWidth);
    }

    void rendersOncePerFrameWhileStreaming()
    {
        MarkdownContentView view(QString(), ThemeColors{AppTheme::Light});
        view.setContent(QStringLiteral("Hel"));
        view.setContent(QStringLiteral("Hello"));
        QVERIFY(view.unitWidgets().isEmpty()); // not yet drawn: pieces of one frame are drawn together
        QTRY_COMPARE(view.unitWidgets().size(), 1);
        QCOMPARE(documentOf(view.unitWidgets().at(0))->toPlainText(), QStringLiteral("Hello"));
    }
};

QTEST_MAIN(TestMarkdownContentView)
#include "tst_markdowncontentview.moc"
