// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Autostart.h"
#include "support/TestEnvironment.h"

#include <QtTest>

using namespace Qt::StringLiterals;

class TestAutostart : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The Exec value a desktop reads back as the same path: quoted, with the reserved characters escaped.
    void execValue_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("expected");
        QTest::newRow("space") << u"/opt/my apps/vantro"_s << u"\"/opt/my apps/vantro\""_s;
        // Escaped for the quotes, then each backslash doubled for the value.
        QTest::newRow("reserved") << u"/a\"b`c$d\\e"_s << u"\"/a\\\\\"b\\\\`c\\\\$d\\\\\\\\e\""_s;
        QTest::newRow("percent") << u"/tmp/100%/vantro"_s << u"\"/tmp/100%%/vantro\""_s;
    }

    void execValue()
    {
        QFETCH(QString, program);
        QFETCH(QString, expected);
        QCOMPARE(Autostart::execValue(program), expected);
    }

    // The entry where the desktop looks, as it reads it; one the desktop turned off counts as off. The switch that
    // writes and removes it, and its failure on a blocked folder, are the preferences test's.
    void entryAsTheDesktopReadsIt()
    {
        TestEnvironment env;
        QCOMPARE(Autostart::entryPath(), env.configHome() + u"/autostart/vantro.desktop"_s);
        QVERIFY(Autostart::setEnabled(true, u"/usr/bin/vantro"_s));
        const QByteArray entry = TestEnvironment::readFile(Autostart::entryPath());
        QVERIFY(entry.startsWith("[Desktop Entry]\n"));
        QVERIFY(entry.contains("\nExec=\"/usr/bin/vantro\"\n"));
        QVERIFY(TestEnvironment::writeFile(Autostart::entryPath(), entry + "Hidden=true\n"));
        QVERIFY(!Autostart::isEnabled());
        QVERIFY(Autostart::setEnabled(false, QString()));
        QVERIFY(Autostart::setEnabled(false, QString())); // nothing to remove is no failure
    }
};

QTEST_MAIN(TestAutostart)
#include "tst_autostart.moc"
