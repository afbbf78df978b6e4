// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Log.h"
#include "support/StdoutCapture.h"

#include <QtTest>

using namespace Qt::StringLiterals;

class TestLog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void oneLinePerDiagnostic_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("expected");
        QTest::newRow("plain") << u"saved"_s << u"Test: saved\n"_s;
        QTest::newRow("server body with line breaks")
            << u"HTTP 401 — {\n \"error\": 1\r\n}"_s << u"Test: HTTP 401 — {  \"error\": 1  }\n"_s;
        QTest::newRow("a body posing as another component")
            << u"x\nChatStore: fake"_s << u"Test: x ChatStore: fake\n"_s;
        QTest::newRow("unicode separators") << u"a\u2028b\u2029c"_s << u"Test: a b c\n"_s;
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
