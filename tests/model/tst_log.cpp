// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Log.h"
#include "support/StdoutCapture.h"

#include <QtTest>

class TestLog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void oneLinePerDiagnostic_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("expected");
        QTest::newRow("plain") << QStringLiteral("saved") << QStringLiteral("Test: saved\n");
        QTest::newRow("server body with line breaks") << QStringLiteral("HTTP 401 — {\n \"error\": 1\r\n}")
                                                      << QStringLiteral("Test: HTTP 401 — {  \"error\": 1  }\n");
        QTest::newRow("a body posing as another component")
            << QStringLiteral("x\nChatStore: fake") << QStringLiteral("Test: x ChatStore: fake\n");
        QTest::newRow("unicode separators") << QStringLiteral("a\u2028b\u2029c") << QStringLiteral("Test: a b c\n");
    }

    void oneLinePerDiagnostic()
    {
        QFETCH(QString, message);
        QFETCH(QString, expected);
        StdoutCapture out;
        logLine(u"Test", message);
        QCOMPARE(out.text(), expected);
    }
};

QTEST_GUILESS_MAIN(TestLog)
#include "tst_log.moc"
