// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/MemoryStore.h"
#include "support/TestEnvironment.h"

#include <QFileInfo>
#include <QtTest>

class TestMemoryStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void personality()
    {
        TestEnvironment env;
        MemoryStore store;
        QCOMPARE(store.loadPersonality(), MemoryStore::defaultPersonality());
        const QByteArray written = TestEnvironment::readFile(store.personalityPath());
        QCOMPARE(written, MemoryStore::defaultPersonality().toUtf8());
        QVERIFY(!written.endsWith('\n'));
        QCOMPARE(written.count('\n'), 6);

        // An emptied personality stays empty; text is kept without trimming.
        store.savePersonality(QString());
        QCOMPARE(store.loadPersonality(), QString());
        store.savePersonality(QStringLiteral("  Be brief.\n"));
        QCOMPARE(store.loadPersonality(), QStringLiteral("  Be brief.\n"));
        store.resetPersonality();
        QCOMPARE(store.loadPersonality(), MemoryStore::defaultPersonality());
    }

    void memoryLoadAndClear()
    {
        TestEnvironment env;
        MemoryStore store;
        const QUuid project = QUuid::createUuid();
        QCOMPARE(store.loadUserMemory(), QString());
        QVERIFY(TestEnvironment::writeFile(store.userMemoryPath(), " \n\n \t\n"));
        QCOMPARE(store.loadUserMemory(), QString());
        QVERIFY(TestEnvironment::writeFile(store.userMemoryPath(), "\n  Likes tea\nLives in Graz  \n\n"));
        QCOMPARE(store.loadUserMemory(), QStringLiteral("Likes tea\nLives in Graz"));
        store.clearUserMemory();
        QCOMPARE(TestEnvironment::readFile(store.userMemoryPath()), QByteArray());

        store.clearProjectMemory(project);
        const QString path = env.appFolder() + QStringLiteral("/project_memories/") +
                             project.toString(QUuid::WithoutBraces).toUpper() + QStringLiteral(".txt");
        QCOMPARE(store.projectMemoryPath(project), path);
        QVERIFY(QFileInfo::exists(path));
        QCOMPARE(QFileInfo(path).size(), 0);
        QCOMPARE(store.loadProjectMemory(project), QString());
    }

    void appendFacts_data()
    {
        QTest::addColumn<QByteArray>("before"); // null: no file
        QTest::addColumn<QStringList>("facts");
        QTest::addColumn<QByteArray>("after"); // null: file untouched

        QTest::newRow("known fact in another case") << QByteArray("User prefers German responses\n")
                                                    << QStringList{QStringLiteral("User prefers German responses"),
                                                                   QStringLiteral("user prefers german responses ")}
                                                    << QByteArray();
        QTest::newRow("same new fact twice") << QByteArray("")
                                             << QStringList{QStringLiteral("Has a cat"), QStringLiteral("Has a cat")}
                                             << QByteArray("Has a cat\nHas a cat\n");
        QTest::newRow("missing file") << QByteArray() << QStringList{QStringLiteral("  Uses Linux \n")}
                                      << QByteArray("Uses Linux\n");
        QTest::newRow("only blank facts") << QByteArray("a\n") << QStringList{QStringLiteral(" "), QString()}
                                          << QByteArray();
        QTest::newRow("CRLF and padding") << QByteArray("  one  \r\n\r\ntwo\r\n   \r\n")
                                          << QStringList{QStringLiteral("three")}
                                          << QByteArray("  one  \ntwo\nthree\n");
        QTest::newRow("unicode lower-casing") << QByteArray("ÄRGER MIT ÖL\n") << QStringList{QStringLiteral("ärger mit öl")}
                                              << QByteArray();
        QByteArray fifty;
        QByteArray expected;
        for (int i = 1; i <= 50; ++i) {
            fifty += "fact " + QByteArray::number(i) + '\n';
            if (i > 3)
                expected += "fact " + QByteArray::number(i) + '\n';
        }
        QTest::newRow("cap at fifty") << fifty
                                      << QStringList{QStringLiteral("new a"), QStringLiteral("new b"),
                                                     QStringLiteral("new c")}
                                      << expected + "new a\nnew b\nnew c\n";
    }

    void appendFacts()
    {
        QFETCH(QByteArray, before);
        QFETCH(QStringList, facts);
        QFETCH(QByteArray, after);
        TestEnvironment env;
        MemoryStore store;
        const QString path = store.userMemoryPath();
        if (!before.isNull())
            QVERIFY(TestEnvironment::writeFile(path, before));
        const QDateTime stamp = QFileInfo(path).lastModified();
        MemoryStore::appendFacts(path, facts);
        if (after.isNull()) {
            QCOMPARE(QFileInfo::exists(path), !before.isNull());
            QCOMPARE(TestEnvironment::readFile(path), before.isNull() ? QByteArray() : before);
            QCOMPARE(QFileInfo(path).lastModified(), stamp);
        } else {
            QCOMPARE(TestEnvironment::readFile(path), after);
            QVERIFY(after.count('\n') <= MemoryStore::maxFacts);
        }
    }
};

QTEST_GUILESS_MAIN(TestMemoryStore)
#include "tst_memorystore.moc"
