// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ChatView.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QMimeData>
#include <QTest>

class CopyMessageButtonTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void toolTipDependsOnBeingTheLastMessage()
    {
        CopyMessageButton button(QStringLiteral("text"), ThemeColors{AppTheme::Dark}, true);
        QCOMPARE(button.toolTip(), QStringLiteral("Copy message (Ctrl+C)"));
        button.setLastMessage(false);
        QCOMPARE(button.toolTip(), QStringLiteral("Copy message"));
    }

    void clickCopiesAndShowsACheckmarkForTwoSeconds()
    {
        CopyMessageButton button(QStringLiteral("first"), ThemeColors{AppTheme::Light}, false);
        button.show();
        const QImage idleIcon = button.icon().pixmap(13, 13).toImage();
        QGuiApplication::clipboard()->setText(QStringLiteral("something else"));
        button.setContent(QStringLiteral("The **whole** answer"));
        QElapsedTimer clock;
        clock.start();
        QTest::mouseClick(&button, Qt::LeftButton);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("The **whole** answer"));
        // Plain text only: no rich copy that a paste target could prefer.
        QCOMPARE(QGuiApplication::clipboard()->mimeData()->formats(), QStringList{QStringLiteral("text/plain")});
        QVERIFY(button.copied());
        QVERIFY(button.icon().pixmap(13, 13).toImage() != idleIcon);

        QTRY_VERIFY_WITH_TIMEOUT(!button.copied(), 4000);
        QVERIFY2(clock.elapsed() >= 1900, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(button.icon().pixmap(13, 13).toImage(), idleIcon);
    }

    void feedbackWithoutCopying()
    {
        CopyMessageButton button(QStringLiteral("answer"), ThemeColors{AppTheme::Light}, true);
        QGuiApplication::clipboard()->setText(QStringLiteral("kept"));
        button.showCopiedFeedback();
        QVERIFY(button.copied());
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("kept"));
    }
};

QTEST_MAIN(CopyMessageButtonTest)
#include "tst_copymessagebutton.moc"
