// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/ChatStore.h"
#include "platform/AtomicFile.h"
#include "support/StdoutCapture.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QtTest>

namespace {

ChatSession sampleSession(const QString& title)
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const QList<URLCitation> cited{{QStringLiteral("https://example.org"), QStringLiteral("Example"), {}, 0, 9}};
    const ChatMessage question{QUuid::createUuid(),
                               MessageRole::User,
                               QStringLiteral("Translate: Grüße 🌍"),
                               now,
                               {},
                               true,
                               QByteArray("\x89PNG\r\n\x1a\n\0\xff", 10)};
    const ChatMessage answer{
        QUuid::createUuid(), MessageRole::Assistant, QStringLiteral("Greetings 🌍\n"), now, cited, false, {}};
    return ChatSession{
        QUuid::createUuid(), title, QUuid::createUuid(), QStringLiteral("General"), QStringLiteral("🗂️"),
        {question, answer},  now,   now.addSecs(5)};
}

ChatSession truncated(ChatSession session)
{
    session.createdAt = JsonFormat::truncatedToSeconds(session.createdAt);
    session.updatedAt = JsonFormat::truncatedToSeconds(session.updatedAt);
    for (ChatMessage& m : session.messages)
        m.timestamp = JsonFormat::truncatedToSeconds(m.timestamp);
    return session;
}

QStringList corruptCopies(const QString& folder)
{
    return QDir(folder).entryList({QStringLiteral("chat_sessions.json.corrupt-*")},
                                  QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
}

} // namespace

class TestChatStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void roundTrip()
    {
        TestEnvironment env;
        StdoutCapture out;
        ChatStore store;
        QVERIFY(store.loadSessions().isEmpty()); // first launch: no file, nothing logged
        QVERIFY(QFileInfo(env.appFolder()).isDir());
        QCOMPARE(out.text(), QString());
        store.saveSessions({});
        QCOMPARE(QJsonDocument::fromJson(TestEnvironment::readFile(store.sessionsFilePath())).array(), QJsonArray());

        const QList<ChatSession> sessions{sampleSession(QStringLiteral("one")), sampleSession(QStringLiteral("two"))};
        store.saveSessions(sessions);
        QCOMPARE(store.loadSessions(), (QList<ChatSession>{truncated(sessions[0]), truncated(sessions[1])}));
        // Pretty-printed with sorted keys.
        const QByteArray text = TestEnvironment::readFile(store.sessionsFilePath());
        QVERIFY(text.contains("\n        \"createdAt\""));
        QVERIFY(text.indexOf("\"createdAt\"") < text.indexOf("\"id\""));
    }

    void damagedFileIsKeptAside_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("reason");
        QTest::newRow("truncated") << QByteArray("[{\"id\": \"") << QString();
        QTest::newRow("object at top level") << QByteArray("{}") << QStringLiteral("expected an array");
        QTest::newRow("system role") << QByteArray() << QStringLiteral("[1].messages[0].role");
    }

    void damagedFileIsKeptAside()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, reason);
        TestEnvironment env;
        ChatStore store;
        if (content.isEmpty()) {
            store.saveSessions({sampleSession(QStringLiteral("a")), sampleSession(QStringLiteral("b"))});
            content = TestEnvironment::readFile(store.sessionsFilePath());
            const int second = content.lastIndexOf("\"role\": \"user\"");
            QVERIFY(second > 0);
            content.replace(second, 14, "\"role\": \"system\"");
        }
        QVERIFY(TestEnvironment::writeFile(store.sessionsFilePath(), content));

        StdoutCapture out;
        QVERIFY(store.loadSessions().isEmpty());
        const QString log = out.text();
        QVERIFY2(log.startsWith(QStringLiteral("ChatStore: Failed to load sessions: ")), qPrintable(log));
        QVERIFY2(log.contains(reason), qPrintable(log));

        // The damaged bytes survive the next save, byte for byte.
        store.saveSessions({sampleSession(QStringLiteral("new"))});
        const QStringList copies = corruptCopies(env.appFolder());
        QCOMPARE(copies.size(), 1);
        QCOMPARE(TestEnvironment::readFile(env.appFolder() + u'/' + copies[0]), content);
        QCOMPARE(store.loadSessions().size(), 1);
    }

    void unreadableHistoryIsMovedAsideBeforeTheNextSave()
    {
        TestEnvironment env;
        ChatStore store;
        // Something at the path that cannot be read as a file (the tests run as root, so a permission cannot do it).
        QVERIFY(QDir().mkpath(store.sessionsFilePath()));
        QVERIFY(TestEnvironment::writeFile(store.sessionsFilePath() + QStringLiteral("/inside"), "kept"));
        StdoutCapture out;
        QVERIFY(store.loadSessions().isEmpty());
        QVERIFY(out.text().startsWith(QStringLiteral("ChatStore: Failed to load sessions: ")));
        const QStringList copies = corruptCopies(env.appFolder());
        QCOMPARE(copies.size(), 1);
        QCOMPARE(TestEnvironment::readFile(env.appFolder() + u'/' + copies[0] + QStringLiteral("/inside")),
                 QByteArray("kept"));
        store.saveSessions({sampleSession(QStringLiteral("new"))});
        QCOMPARE(store.loadSessions().size(), 1);
    }

    void twoDamagedFilesInOneSecondAreBothKept()
    {
        TestEnvironment env;
        ChatStore store;
        StdoutCapture out;
        QSet<QByteArray> contents{"first", "second"};
        for (const QByteArray& content : contents) {
            QVERIFY(TestEnvironment::writeFile(store.sessionsFilePath(), content));
            store.loadSessions();
        }
        for (const QString& name : corruptCopies(env.appFolder()))
            QVERIFY(contents.remove(TestEnvironment::readFile(env.appFolder() + u'/' + name)));
        QVERIFY(contents.isEmpty());
    }

    void failedWriteKeepsOldFile_data()
    {
        QTest::addColumn<qint64>("written"); // what the injected write reports; -1 is an error
        QTest::newRow("short write on a full disk") << qint64(100);
        QTest::newRow("write error") << qint64(-1);
    }

    void failedWriteKeepsOldFile()
    {
        QFETCH(qint64, written);
        TestEnvironment env;
        ChatStore store;
        store.saveSessions({sampleSession(QStringLiteral("old"))});
        const QByteArray before = TestEnvironment::readFile(store.sessionsFilePath());

        AtomicFile::setWriteFunctionForTesting([written](QIODevice& device, const QByteArray& data) {
            if (written > 0)
                device.write(data.left(written));
            return written;
        });
        StdoutCapture out;
        store.saveSessions({sampleSession(QStringLiteral("new")), sampleSession(QStringLiteral("newer"))});
        AtomicFile::setWriteFunctionForTesting({});

        QVERIFY2(out.text().startsWith(QStringLiteral("ChatStore: Failed to save sessions: ")), qPrintable(out.text()));
        QCOMPARE(TestEnvironment::readFile(store.sessionsFilePath()), before);
        QCOMPARE(QDir(env.appFolder()).entryList(QDir::Files), QStringList{QStringLiteral("chat_sessions.json")});
    }
};

QTEST_GUILESS_MAIN(TestChatStore)
#include "tst_chatstore.moc"
