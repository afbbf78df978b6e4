// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/MemoryStore.h"
#include "support/TestEnvironment.h"

#include <QFileInfo>
#include <QtTest>

using namespace Qt::StringLiterals;

class TestMemoryStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void filesRoundTrip()
    {
        TestEnvironment env;
        MemoryStore store;
        // The first read writes the default (editing and resetting it is the AI tab's test); an emptied personality
        // stays empty; text is kept without trimming.
        store.loadPersonality();
        QCOMPARE(TestEnvironment::readFile(store.personalityPath()), MemoryStore::defaultPersonality().toUtf8());
        store.savePersonality(QString());
        QCOMPARE(store.loadPersonality(), QString());
        store.savePersonality(u"  Be brief.\n"_s);
        QCOMPARE(store.loadPersonality(), u"  Be brief.\n"_s);

        QVERIFY(TestEnvironment::writeFile(store.userMemoryPath(), "\n  Likes tea\nLives in Graz  \n\n"));
        QCOMPARE(store.loadUserMemory(), u"Likes tea\nLives in Graz"_s);
        // Clearing written memories is the AI tab's test; one never written makes the project folder and an empty file.
        const QUuid project = QUuid::createUuid();
        store.clearProjectMemory(project);
        QVERIFY(QFileInfo::exists(store.projectMemoryPath(project)));
        QCOMPARE(store.loadProjectMemory(project), QString());
    }

    void appendFacts_data()
    {
        QTest::addColumn<QByteArray>("before"); // null: no file
        QTest::addColumn<QStringList>("facts");
        QTest::addColumn<QByteArray>("after"); // null: file untouched

        QTest::newRow("known fact in another case")
            << QByteArray("ÄRGER MIT ÖL\n") << QStringList{u"ärger mit öl "_s, u"ÄRGER MIT ÖL"_s} << QByteArray();
        QTest::newRow("same new fact twice")
            << QByteArray("") << QStringList{u"Has a cat"_s, u"Has a cat"_s} << QByteArray("Has a cat\nHas a cat\n");
        QTest::newRow("missing file") << QByteArray() << QStringList{u"  Uses Linux \n"_s}
                                      << QByteArray("Uses Linux\n");
        QTest::newRow("only blank facts") << QByteArray("a\n") << QStringList{u" "_s, QString()} << QByteArray();
        QTest::newRow("CRLF and padding") << QByteArray("  one  \r\n\r\ntwo\r\n   \r\n") << QStringList{u"three"_s}
                                          << QByteArray("  one  \ntwo\nthree\n");
        QByteArray fifty;
        for (int i = 1; i <= 50; ++i)
            fifty += "fact " + QByteArray::number(i) + '\n';
        QTest::newRow("cap at fifty") << fifty << QStringList{u"new a"_s, u"new b"_s}
                                      << fifty.mid(fifty.indexOf("fact 3\n")) + "new a\nnew b\n";
    }

    void appendFacts()
    {
        QFETCH(QByteArray, before);
        QFETCH(QStringList, facts);
        QFETCH(QByteArray, after);
        TestEnvironment env;
        const QString path = MemoryStore().userMemoryPath();
        if (!before.isNull())
            QVERIFY(TestEnvironment::writeFile(path, before));
        const QDateTime stamp = QFileInfo(path).lastModified();
        MemoryStore::appendFacts(path, facts);
        QCOMPARE(TestEnvironment::readFile(path), after.isNull() ? before : after);
        if (after.isNull())
            QCOMPARE(QFileInfo(path).lastModified(), stamp);
    }
};

QTEST_GUILESS_MAIN(TestMemoryStore)
#include "tst_memorystore.moc"
