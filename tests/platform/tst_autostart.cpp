// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Autostart.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
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
        QTest::newRow("plain") << u"/usr/bin/vantro"_s << u"\"/usr/bin/vantro\""_s;
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

    // The switch shows the file's real state: written, turned off by the desktop, removed, or not writable.
    void writesAndRemovesTheEntry()
    {
        TestEnvironment env;
        QCOMPARE(Autostart::entryPath(), env.configHome() + u"/autostart/vantro.desktop"_s);
        QVERIFY(!Autostart::isEnabled());
        QString error;
        QVERIFY(Autostart::setEnabled(true, u"/usr/bin/vantro"_s, &error));
        QVERIFY(Autostart::isEnabled());
        const QByteArray entry = TestEnvironment::readFile(Autostart::entryPath());
        QVERIFY(entry.startsWith("[Desktop Entry]\n"));
        QVERIFY(entry.contains("\nExec=\"/usr/bin/vantro\"\n"));
        QVERIFY(entry.contains("\nType=Application\n"));

        QVERIFY(TestEnvironment::writeFile(Autostart::entryPath(), entry + "Hidden=true\n"));
        QVERIFY(!Autostart::isEnabled());

        QVERIFY(Autostart::setEnabled(false, QString(), &error));
        QVERIFY(!QFile::exists(Autostart::entryPath()));
        QVERIFY(Autostart::setEnabled(false, QString(), &error)); // nothing to remove is no failure

        // A file where the folder should be: the user hears why, nothing is pretended.
        QVERIFY(QDir(env.configHome() + u"/autostart"_s).removeRecursively());
        QVERIFY(TestEnvironment::writeFile(env.configHome() + u"/autostart"_s, "not a folder"));
        QVERIFY(!Autostart::setEnabled(true, u"/usr/bin/vantro"_s, &error));
        QVERIFY2(error.contains(u"autostart"), qPrintable(error));
        QVERIFY(!Autostart::isEnabled());
    }
};

QTEST_MAIN(TestAutostart)
#include "tst_autostart.moc"
