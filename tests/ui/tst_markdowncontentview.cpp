// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/MarkdownContentView.h"

#include <QApplication>
#include <QClipboard>
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

QString shownText(const MarkdownContentView& view, int unit)
{
    return documentOf(view.unitWidgets().at(unit))->toPlainText();
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
    text += remaining >= 3 ? QStringLiteral("\n\n") + QString(remaining - 2, u'b') : QString(remaining, u'b');
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
        const qsizetype codeStart = answer.indexOf(u"int main") + 4, codeEnd = answer.indexOf(u"}\n```") + 1;
        stream(view, answer, 0, codeStart, 3);
        QCOMPARE(view.unitWidgets().size(), 3);
        QPointer<QWidget> first = view.unitWidgets().at(0), codeWidget = view.unitWidgets().at(2);
        QSignalSpy firstChanges(documentOf(first), &QTextDocument::contentsChange);
        QSignalSpy codeChanges(documentOf(codeWidget), &QTextDocument::contentsChange);

        // The code document only ever grows at its end; the finished paragraph is never rendered again.
        stream(view, answer, codeStart, codeEnd, 2);
        QVERIFY(!codeChanges.isEmpty());
        int lastPosition = 0;
        for (const auto& change : codeChanges) {
            QCOMPARE(change.at(1).toInt(), 0);
            QVERIFY(change.at(0).toInt() >= lastPosition);
            lastPosition = change.at(0).toInt() + change.at(2).toInt();
        }
        stream(view, answer, codeEnd, answer.size(), 5);
        QCOMPARE(view.unitWidgets().size(), 4);
        QCOMPARE(view.unitWidgets().at(0), first.data());
        QCOMPARE(view.unitWidgets().at(2), codeWidget.data());
        QCOMPARE(firstChanges.count(), 0);
        QCOMPARE(shownText(view, 2), QStringLiteral("int main()\n{\n    return 0;\n}"));
    }

    // However the pieces are grouped into frames, the streamed view draws what a view of the whole answer draws.
    void streamedEqualsWhole()
    {
        QString answer;
        for (int i = 0; i < 6; ++i)
            answer += QStringLiteral("## Part %1\n\nProse with **bold** and `code`.\n\n- one\n- two\n  more\n\n"
                                     "1. step\n2. step\n\n```sh\necho %1\n\nls\n```\n\n")
                          .arg(i);
        const auto texts = [](const MarkdownContentView& view) {
            QStringList result;
            for (int i = 0; i < view.unitWidgets().size(); ++i)
                result << shownText(view, i);
            return result;
        };
        const MarkdownContentView whole(answer, ThemeColors{AppTheme::Light});
        for (const int piecesPerFrame : {1, 17}) {
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
    }

    void replacedContentKeepsUnchangedUnits()
    {
        MarkdownContentView view(QStringLiteral("Same start.\n\nOld ending."), ThemeColors{AppTheme::Dark});
        QPointer<QWidget> first = view.unitWidgets().at(0);
        view.setContent(QStringLiteral("Same start.\n\nA different ending."));
        view.flushPendingRender();
        QCOMPARE(view.unitWidgets().at(0), first.data());
        QCOMPARE(shownText(view, 1), QStringLiteral("A different ending."));
        view.setContent(QString());
        view.flushPendingRender();
        QVERIFY(first.isNull());
        QCOMPARE(view.heightForWidth(300), 0);
    }

    // Markdown up to the limit; a block that grows past it while streaming turns plain as a whole.
    void growingPastTheLimitTurnsPlain()
    {
        const QString full = textOfLength(MarkdownContentView::plainTextLimit + 1);
        MarkdownContentView view(full.left(MarkdownContentView::plainTextLimit), ThemeColors{AppTheme::Light});
        QCOMPARE(shownText(view, 0), QStringLiteral("bold"));
        view.setContent(full);
        view.flushPendingRender();
        QCOMPARE(shownText(view, 0), QStringLiteral("**bold**"));
    }

    void codeCopyAndThemeColours()
    {
        MarkdownContentView view(QStringLiteral("A [link](https://example.org).\n\n```bash\necho hi\nls\n```\n"
                                                "```\nno language\n```"),
                                 ThemeColors{AppTheme::Dark});
        QCOMPARE(view.unitWidgets().size(), 3);
        auto* copy = view.unitWidgets().at(1)->findChild<QToolButton*>(QStringLiteral("copyCodeButton"));
        QVERIFY(copy);
        copy->click();
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("echo hi\nls"));
        QVERIFY(!view.unitWidgets().at(2)->findChild<QToolButton*>(QStringLiteral("copyCodeButton")));
        // Links take the theme's accent colour.
        QTextCursor cursor(documentOf(view.unitWidgets().at(0)));
        cursor.setPosition(shownText(view, 0).indexOf(u"link") + 1);
        QCOMPARE(cursor.charFormat().foreground().color(), ThemeColors{AppTheme::Dark}.accent());
    }

    void growsTallerWithContent()
    {
        MarkdownContentView view(QStringLiteral("word ").repeated(100), ThemeColors{AppTheme::Light});
        view.resize(300, 10);
        const int atWidth = view.heightForWidth(300);
        // Narrower means taller for wrapped prose, and asking does not disturb the shown layout.
        QVERIFY(view.heightForWidth(150) > atWidth);
        QCOMPARE(view.heightForWidth(300), atWidth);
        view.setContent(QStringLiteral("word ").repeated(100) + QStringLiteral("\n\n```\na\nb\nc\n```"));
        view.flushPendingRender();
        QVERIFY(view.heightForWidth(300) > atWidth + 30);
    }

    void rendersOncePerFrameWhileStreaming()
    {
        MarkdownContentView view(QString(), ThemeColors{AppTheme::Light});
        view.setContent(QStringLiteral("Hel"));
        view.setContent(QStringLiteral("Hello"));
        QVERIFY(view.unitWidgets().isEmpty()); // pieces of one frame are drawn together
        QTRY_COMPARE(view.unitWidgets().size(), 1);
        QCOMPARE(shownText(view, 0), QStringLiteral("Hello"));
    }
};

QTEST_MAIN(TestMarkdownContentView)
#include "tst_markdowncontentview.moc"
