// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/ChatSession.h"
#include "model/Project.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

const QDateTime when = *JsonFormat::parseDate(u"2026-01-02T03:04:05Z"_s);

ChatMessage message(MessageRole role, const QString& content)
{
    return ChatMessage{.id = QUuid::createUuid(), .role = role, .content = content, .timestamp = when};
}

QJsonObject validSessionJson()
{
    ChatMessage hi = message(MessageRole::User, u"hi"_s);
    hi.imageData = QByteArray("\x89PNG", 4);
    return ChatSession{
        QUuid::createUuid(), u"T"_s, QUuid::createUuid(), u"General"_s, defaultProjectEmoji(), QList{hi}, when, when}
        .toJson();
}

} // namespace

class TestRecords : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // What goes to disk beyond a round trip: optional fields left out (an explicit null reads the same), upper-case
    // ids. Whole seconds are the chat store's dates test.
    void wireFormat()
    {
        const QJsonObject o = message(MessageRole::Assistant, u"x"_s).toJson();
        QVERIFY(!o.contains(u"annotations"_s) && !o.contains(u"imageData"_s));
        const QString id = o.value(u"id"_s).toString();
        QCOMPARE(id, id.toUpper());
        JsonDecoder decoder;
        const URLCitation full{u"u"_s, u"t"_s, u"c"_s, 3, 9};
        QCOMPARE(URLCitation::fromJson(full.toJson(), decoder), full);
        QCOMPARE(URLCitation{.url = u"u"_s}.toJson().keys(), QStringList{u"url"_s});

        Project project = defaultProject();
        QJsonObject withNulls = project.toJson();
        QVERIFY(!withNulls.contains(u"shareCode"_s));
        withNulls.insert(u"shareCode"_s, QJsonValue::Null);
        withNulls.insert(u"defaultPromptID"_s, QJsonValue::Null);
        QCOMPARE(Project::fromJson(withNulls, decoder), project);
        QVERIFY(!decoder.failed());
        project.shareCode = u"ABC123"_s;
        project.defaultImagePromptID = project.prompts.at(2).id;
        QCOMPARE(Project::decodeList(Project::encodeList({project})), std::optional(QList<Project>{project}));
    }

    void decode_data()
    {
        QTest::addColumn<QString>("pointer");
        QTest::addColumn<QJsonValue>("value");
        QTest::addColumn<QString>("expectedPath"); // empty: accepted
        // Refused at the pointer in the second session, or below it when `below` is given.
        const auto refused = [](const char* name, const QString& pointer, const QJsonValue& value,
                                const char* below = "") {
            QTest::newRow(name) << pointer << value
                                << u"[1]."_s + QString(pointer).replace(u"/0/"_s, u"[0]."_s) + QLatin1StringView(below);
        };
        QTest::newRow("unknown key ignored") << "unknownKey" << QJsonValue(42) << "";
        QTest::newRow("zone offset") << "createdAt" << QJsonValue(u"2026-01-02T05:04:05+02:00"_s) << "";
        QTest::newRow("lower-case uuid") << "id" << QJsonValue(u"0f0e0d0c-0b0a-4908-8706-050403020100"_s) << "";

        refused("unknown role", u"messages/0/role"_s, u"system"_s);
        refused("missing webSearchEnabled", u"messages/0/webSearchEnabled"_s, QJsonValue::Undefined);
        refused("malformed uuid", u"id"_s, u"not-a-uuid"_s);
        refused("braced uuid", u"projectID"_s, u"{00000000-0000-0000-0000-000000000000}"_s);
        refused("fractional seconds", u"createdAt"_s, u"2026-01-02T03:04:05.250Z"_s);
        refused("date without zone", u"updatedAt"_s, u"2026-01-02T03:04:05"_s);
        refused("invalid base64", u"messages/0/imageData"_s, u"abc$"_s);
        refused("unpadded base64", u"messages/0/imageData"_s, u"iVBORw"_s);
        refused("content is null", u"messages/0/content"_s, QJsonValue::Null);
        refused("citation without url", u"messages/0/annotations"_s, QJsonArray{QJsonObject()}, "[0].url");
        refused("fractional offset", u"messages/0/annotations"_s,
                QJsonArray{QJsonObject{{u"url"_s, u"u"_s}, {u"start_index"_s, 1.5}}}, "[0].start_index");
    }

    void decode()
    {
        QFETCH(QString, pointer);
        QFETCH(QJsonValue, value);
        QFETCH(QString, expectedPath);

        // Put the bad value into the second of two otherwise valid sessions.
        const auto put = [&](QJsonObject& o, const QString& key) {
            value.isUndefined() ? void(o.remove(key)) : void(o.insert(key, value));
        };
        QJsonObject bad = validSessionJson();
        if (pointer.startsWith(u"messages/0/"_s)) {
            QJsonObject first = bad.value(u"messages"_s).toArray().at(0).toObject();
            put(first, pointer.mid(11));
            bad.insert(u"messages"_s, QJsonArray{first});
        } else {
            put(bad, pointer);
        }
        const QByteArray json = QJsonDocument(QJsonArray{validSessionJson(), bad}).toJson();
        DecodeError error;
        const auto decoded = decodeJsonArray<ChatSession>(json, &error);
        if (expectedPath.isEmpty()) {
            QVERIFY2(decoded.has_value(), qPrintable(error.description()));
            QCOMPARE(decoded->at(1).createdAt, when);
            QCOMPARE(decoded->at(1).messages.at(0).imageData, QByteArray("\x89PNG", 4));
            return;
        }
        QVERIFY(!decoded.has_value());
        QCOMPARE(error.path, expectedPath);
        QVERIFY(error.description().startsWith(expectedPath + u": "_s));
    }

    void droppingTrailingEmptyReplies_data()
    {
        QTest::addColumn<QStringList>("messages"); // "u:" or "a:" followed by the content
        QTest::addColumn<int>("remaining");
        QTest::newRow("blank and empty answers after a question")
            << QStringList{u"u:Hello"_s, u"a: \n\t"_s, u"a:"_s} << 1;
        QTest::newRow("empty answer before a question") << QStringList{u"a:"_s, u"u:q"_s} << 2;
        QTest::newRow("empty list") << QStringList{} << 0;
        QTest::newRow("blank user message stays") << QStringList{u"a:x"_s, u"u: "_s} << 2;
        QTest::newRow("only blank answers") << QStringList{u"a: "_s, u"a:\u2028"_s} << 0;
    }

    void droppingTrailingEmptyReplies()
    {
        QFETCH(QStringList, messages);
        QFETCH(int, remaining);
        ChatSession session;
        for (const QString& m : messages)
            session.messages.append(message(m.startsWith(u'u') ? MessageRole::User : MessageRole::Assistant, m.mid(2)));
        const ChatSession result = session.droppingTrailingEmptyReplies();
        QCOMPARE(result.messages.size(), remaining);
        QCOMPARE(result.messages, session.messages.first(remaining));
    }
};

QTEST_GUILESS_MAIN(TestRecords)
#include "tst_records.moc"
