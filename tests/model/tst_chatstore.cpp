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

using namespace Qt::StringLiterals;

namespace {

ChatSession sampleSession(const QString& title)
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const QList<URLCitation> cited{{u"https://example.org"_s, u"Example"_s, {}, 0, 9}};
    const QByteArray png("\x89PNG\r\n\x1a\n\0\xff", 10);
    const QList<ChatMessage> messages{
        {QUuid::createUuid(), MessageRole::User, u"Translate: Grüße 🌍"_s, now, {}, true, png},
        {QUuid::createUuid(), MessageRole::Assistant, u"Greetings 🌍\n"_s, now, cited, false, {}}};
    return ChatSession{QUuid::createUuid(), title, QUuid::createUuid(), u"General"_s, u"🗂️"_s, messages, now,
                       now.addSecs(5)};
}

ChatSession truncated(ChatSession session)
{
    session.createdAt = JsonFormat::truncatedToSeconds(session.createdAt);
    session.updatedAt = JsonFormat::truncatedToSeconds(session.updatedAt);
    for (ChatMessage& m : session.messages)
        m.timestamp = JsonFormat::truncatedToSeconds(m.timestamp);
    return session;
}

// The three dates a session writes, by their stored names.
QDateTime& dateIn(ChatSession& session, const QString& field)
{
    if (field == u"createdAt")
        return session.createdAt;
    if (field == u"updatedAt")
        return session.updatedAt;
    return session.messages[1].timestamp;
}

QStringList corruptCopies(const QString& folder)
{
    return QDir(folder).entryList({u"chat_sessions.json.corrupt-*"_s}, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
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

        const QList<ChatSession> sessions{sampleSession(u"one"_s), sampleSession(u"two"_s)};
        store.saveSessions(sessions);
        QCOMPARE(store.loadSessions(), (QList<ChatSession>{truncated(sessions[0]), truncated(sessions[1])}));
        // Pretty-printed with sorted keys.
        const QByteArray text = TestEnvironment::readFile(store.sessionsFilePath());
        QVERIFY(text.contains("\n        \"createdAt\"") && text.indexOf("\"createdAt\"") < text.indexOf("\"id\""));
    }

    void datesSurviveSaving_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QDateTime>("date");
        QTest::addColumn<QString>("stored"); // empty: not storable, saved as the current time

        const auto row = [](const char* name, const char* field, const QDateTime& date, const char* stored = "") {
            QTest::newRow(name) << QString::fromLatin1(field) << date << QString::fromLatin1(stored);
        };
        const auto utc = [](QDate day, QTime time) { return QDateTime(day, time, Qt::UTC); };
        const auto offset = [](QDate day, QTime time, int hours) {
            return QDateTime(day, time, Qt::OffsetFromUTC, hours * 3600);
        };
        row("plain", "createdAt", utc({2024, 5, 1}, {12, 0}), "2024-05-01T12:00:00Z");
        row("milliseconds dropped", "timestamp", utc({2024, 5, 1}, {12, 0, 0, 999}), "2024-05-01T12:00:00Z");
        row("milliseconds before 1970", "updatedAt", QDateTime::fromMSecsSinceEpoch(-1, Qt::UTC),
            "1969-12-31T23:59:59Z");
        row("offset across the new year", "createdAt", offset({2024, 12, 31}, {22, 30}, -5), "2025-01-01T03:30:00Z");
        row("local time", "timestamp", QDateTime::fromSecsSinceEpoch(1'714'564'800, Qt::LocalTime),
            "2024-05-01T12:00:00Z");
        row("first second of year 1", "updatedAt", utc({1, 1, 1}, {0, 0}), "0001-01-01T00:00:00Z");
        row("last second of year 9999", "createdAt", utc({9999, 12, 31}, {23, 59, 59, 999}), "9999-12-31T23:59:59Z");

        row("invalid", "createdAt", QDateTime());
        row("year 10000", "updatedAt", utc({10000, 1, 1}, {12, 0}));
        row("negative year", "timestamp", utc({-44, 3, 15}, {12, 0}));
        row("offset pushes year 1 back", "createdAt", offset({1, 1, 1}, {0, 30}, 1));
        // The reader takes any offset, so a stored date can land past 9999 once in UTC; it is read, not kept.
        row("read with an offset past 9999", "updatedAt", *JsonFormat::parseDate(u"9999-12-31T23:30:00-01:00"_s));
    }

    // Whatever date the program holds, the saved history decodes as a whole at the next start.
    void datesSurviveSaving()
    {
        QFETCH(QString, field);
        QFETCH(QDateTime, date);
        QFETCH(QString, stored);
        TestEnvironment env;
        ChatSession dated = sampleSession(u"dated"_s);
        dateIn(dated, field) = date;
        const QList<ChatSession> sessions{sampleSession(u"before"_s), dated, sampleSession(u"after"_s)};

        const QDateTime start = JsonFormat::truncatedToSeconds(QDateTime::currentDateTimeUtc());
        StdoutCapture out;
        ChatStore().saveSessions(sessions);
        const QString log = out.text();
        const QDateTime end = QDateTime::currentDateTimeUtc();

        QList<ChatSession> loaded = ChatStore().loadSessions();
        QCOMPARE(loaded.size(), 3);
        QCOMPARE(loaded[0], truncated(sessions[0]));
        QCOMPARE(loaded[2], truncated(sessions[2]));
        const QDateTime read = dateIn(loaded[1], field);
        if (stored.isEmpty()) {
            QVERIFY2(read >= start && read <= end, qPrintable(read.toString(Qt::ISODate)));
            QCOMPARE(log.count(u'\n'), 1);
            QVERIFY2(log.startsWith(u"JsonFormat: Saved the current time in place of "_s), qPrintable(log));
        } else {
            QCOMPARE(read, *JsonFormat::parseDate(stored));
            QCOMPARE(JsonFormat::truncatedToSeconds(date), read);
            QVERIFY(TestEnvironment::readFile(ChatStore().sessionsFilePath())
                        .contains(QByteArray('"' + stored.toLatin1() + '"')));
            QCOMPARE(log, QString());
        }
        ChatSession expected = truncated(dated);
        dateIn(expected, field) = read;
        QCOMPARE(loaded[1], expected);
    }

    // Damaged or unreadable, the history is moved aside at load, before a save can replace it; a second one in the
    // same second is kept too.
    void damagedFileIsKeptAside_data()
    {
        QTest::addColumn<QByteArray>("content"); // "folder": a folder at the path, which cannot be read as a file
        QTest::addColumn<QString>("reason");
        QTest::newRow("truncated") << QByteArray("[{\"id\": \"") << QString();
        QTest::newRow("object at top level") << QByteArray("{}") << u"expected an array"_s;
        QTest::newRow("system role") << QByteArray() << u"[1].messages[0].role"_s;
        // The tests run as root, so a permission cannot make a file unreadable.
        QTest::newRow("unreadable") << QByteArray("folder") << QString();
    }

    void damagedFileIsKeptAside()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, reason);
        TestEnvironment env;
        ChatStore store;
        const QString path = store.sessionsFilePath();
        if (content.isEmpty()) {
            store.saveSessions({sampleSession(u"a"_s), sampleSession(u"b"_s)});
            content = TestEnvironment::readFile(path);
            const int second = content.lastIndexOf("\"role\": \"user\"");
            QVERIFY(second > 0);
            content.replace(second, 14, "\"role\": \"system\"");
        }
        const bool folder = content == "folder";
        QVERIFY(folder ? QDir().mkpath(path) : TestEnvironment::writeFile(path, content));
        if (folder)
            QVERIFY(TestEnvironment::writeFile(path + u"/inside"_s, content));

        StdoutCapture out;
        QVERIFY(store.loadSessions().isEmpty());
        const QString log = out.text();
        QVERIFY2(log.startsWith(u"ChatStore: Failed to load sessions: "_s), qPrintable(log));
        QVERIFY2(log.contains(reason), qPrintable(log));
        QVERIFY(TestEnvironment::writeFile(path, "second"));
        store.loadSessions();

        // Both survive the next save, byte for byte.
        store.saveSessions({sampleSession(u"new"_s)});
        QSet<QByteArray> kept;
        for (const QString& name : corruptCopies(env.appFolder())) {
            const QString copy = env.appFolder() + u'/' + name;
            kept.insert(TestEnvironment::readFile(QFileInfo(copy).isDir() ? copy + u"/inside"_s : copy));
        }
        QCOMPARE(kept, (QSet<QByteArray>{content, "second"}));
        QCOMPARE(store.loadSessions().size(), 1);
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
        store.saveSessions({sampleSession(u"old"_s)});
        const QByteArray before = TestEnvironment::readFile(store.sessionsFilePath());

        AtomicFile::setWriteFunctionForTesting([written](QIODevice& device, const QByteArray& data) {
            if (written > 0)
                device.write(data.left(written));
            return written;
        });
        StdoutCapture out;
        store.saveSessions({sampleSession(u"new"_s), sampleSession(u"newer"_s)});
        AtomicFile::setWriteFunctionForTesting({});

        QVERIFY2(out.text().startsWith(u"ChatStore: Failed to save sessions: "_s), qPrintable(out.text()));
        QCOMPARE(TestEnvironment::readFile(store.sessionsFilePath()), before);
        QCOMPARE(QDir(env.appFolder()).entryList(QDir::Files), QStringList{u"chat_sessions.json"_s});
    }
};

QTEST_GUILESS_MAIN(TestChatStore)
#include "tst_chatstore.moc"
