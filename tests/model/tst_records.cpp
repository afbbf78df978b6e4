// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/ChatSession.h"
#include "model/Project.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QtTest>

namespace {

QDateTime utc(const char* text)
{
    return *JsonFormat::parseDate(QString::fromLatin1(text));
}

ChatMessage message(MessageRole role, const QString& content)
{
    return ChatMessage{QUuid::createUuid(), role, content,     utc("2026-01-02T03:04:05Z"),
                       std::nullopt,        true, std::nullopt};
}

QJsonObject validSessionJson()
{
    ChatSession session{QUuid::createUuid(),         QStringLiteral("T"),
                        QUuid::createUuid(),         QStringLiteral("General"),
                        defaultProjectEmoji(),       {message(MessageRole::User, QStringLiteral("hi"))},
                        utc("2026-01-02T03:04:05Z"), utc("2026-01-02T03:04:05Z")};
    session.messages[0].imageData = QByteArray("\x89PNG", 4);
    return session.toJson();
}

QStringList keysOf(const QJsonObject& o)
{
    QStringList keys = o.keys();
    keys.sort();
    return keys;
}

} // namespace

class TestRecords : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // What goes to disk: sorted optional keys left out, upper-case ids, whole seconds, snake_case offsets.
    void wireFormat()
    {
        ChatMessage m = message(MessageRole::Assistant, QStringLiteral("x"));
        m.timestamp = QDateTime::fromMSecsSinceEpoch(1'760'000'000'789, Qt::UTC);
        const QJsonObject o = m.toJson();
        QCOMPARE(keysOf(o), (QStringList{QStringLiteral("content"), QStringLiteral("id"), QStringLiteral("role"),
                                         QStringLiteral("timestamp"), QStringLiteral("webSearchEnabled")}));
        const QString id = o.value(QLatin1StringView("id")).toString();
        QCOMPARE(id, id.toUpper());
        JsonDecoder decoder;
        QCOMPARE(ChatMessage::fromJson(o, decoder).timestamp.toMSecsSinceEpoch(), 1'760'000'000'000);

        const URLCitation full{QStringLiteral("u"), QStringLiteral("t"), QStringLiteral("c"), 3, 9};
        QCOMPARE(full.toJson().value(QLatin1StringView("start_index")).toInteger(), 3);
        QCOMPARE(URLCitation::fromJson(full.toJson(), decoder), full);
        QCOMPARE(keysOf(URLCitation{.url = QStringLiteral("u")}.toJson()), QStringList{QStringLiteral("url")});

        // An absent optional and an explicit null read the same.
        Project project = defaultProject();
        QJsonObject withNulls = project.toJson();
        QVERIFY(!withNulls.contains(QLatin1StringView("shareCode")));
        withNulls.insert(QLatin1StringView("shareCode"), QJsonValue::Null);
        withNulls.insert(QLatin1StringView("defaultPromptID"), QJsonValue::Null);
        QCOMPARE(Project::fromJson(withNulls, decoder), project);
        QVERIFY(!decoder.failed());
        project.shareCode = QStringLiteral("ABC123");
        project.defaultImagePromptID = project.prompts.at(2).id;
        QCOMPARE(Project::decodeList(Project::encodeList({project})), std::optional(QList<Project>{project}));
    }

    void decode_data()
    {
        QTest::addColumn<QString>("pointer");
        QTest::addColumn<QJsonValue>("value");
        QTest::addColumn<QString>("expectedPath"); // empty: accepted

        QTest::newRow("unknown key ignored") << "unknownKey" << QJsonValue(42) << "";
        QTest::newRow("zone offset") << "createdAt" << QJsonValue(QStringLiteral("2026-01-02T05:04:05+02:00")) << "";
        QTest::newRow("lower-case uuid") << "id" << QJsonValue(QStringLiteral("0f0e0d0c-0b0a-4908-8706-050403020100"))
                                         << "";

        QTest::newRow("unknown role") << "messages/0/role" << QJsonValue(QStringLiteral("system"))
                                      << "[1].messages[0].role";
        QTest::newRow("missing webSearchEnabled")
            << "messages/0/webSearchEnabled" << QJsonValue(QJsonValue::Undefined) << "[1].messages[0].webSearchEnabled";
        QTest::newRow("malformed uuid") << "id" << QJsonValue(QStringLiteral("not-a-uuid")) << "[1].id";
        QTest::newRow("braced uuid") << "projectID"
                                     << QJsonValue(QStringLiteral("{00000000-0000-0000-0000-000000000000}"))
                                     << "[1].projectID";
        QTest::newRow("fractional seconds")
            << "createdAt" << QJsonValue(QStringLiteral("2026-01-02T03:04:05.250Z")) << "[1].createdAt";
        QTest::newRow("date without zone")
            << "updatedAt" << QJsonValue(QStringLiteral("2026-01-02T03:04:05")) << "[1].updatedAt";
        QTest::newRow("invalid base64") << "messages/0/imageData" << QJsonValue(QStringLiteral("abc$"))
                                        << "[1].messages[0].imageData";
        QTest::newRow("unpadded base64") << "messages/0/imageData" << QJsonValue(QStringLiteral("iVBORw"))
                                         << "[1].messages[0].imageData";
        QTest::newRow("content is null") << "messages/0/content" << QJsonValue(QJsonValue::Null)
                                         << "[1].messages[0].content";
        QTest::newRow("citation without url") << "messages/0/annotations" << QJsonValue(QJsonArray{QJsonObject()})
                                              << "[1].messages[0].annotations[0].url";
        QTest::newRow("fractional offset")
            << "messages/0/annotations"
            << QJsonValue(QJsonArray{QJsonObject{{QLatin1StringView("url"), QStringLiteral("u")},
                                                 {QLatin1StringView("start_index"), 1.5}}})
            << "[1].messages[0].annotations[0].start_index";
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
        if (pointer.startsWith(QStringLiteral("messages/0/"))) {
            QJsonObject first = bad.value(QLatin1StringView("messages")).toArray().at(0).toObject();
            put(first, pointer.mid(11));
            bad.insert(QLatin1StringView("messages"), QJsonArray{first});
        } else {
            put(bad, pointer);
        }
        const QByteArray json = QJsonDocument(QJsonArray{validSessionJson(), bad}).toJson();
        DecodeError error;
        const auto decoded = decodeJsonArray<ChatSession>(json, &error);
        if (expectedPath.isEmpty()) {
            QVERIFY2(decoded.has_value(), qPrintable(error.description()));
            QCOMPARE(decoded->at(1).createdAt, utc("2026-01-02T03:04:05Z"));
            QCOMPARE(decoded->at(1).messages.at(0).imageData, QByteArray("\x89PNG", 4));
            return;
        }
        QVERIFY(!decoded.has_value());
        QCOMPARE(error.path, expectedPath);
        QVERIFY(error.description().startsWith(expectedPath + QStringLiteral(": ")));
    }

    void droppingTrailingEmptyReplies_data()
    {
        QTest::addColumn<QStringList>("messages"); // "u:" or "a:" followed by the content
        QTest::addColumn<int>("remaining");
        QTest::newRow("blank and empty answers after a question")
            << QStringList{QStringLiteral("u:Hello"), QStringLiteral("a: \n\t"), QStringLiteral("a:")} << 1;
        QTest::newRow("empty answer before a question")
            << QStringList{QStringLiteral("a:"), QStringLiteral("u:q")} << 2;
        QTest::newRow("empty list") << QStringList{} << 0;
        QTest::newRow("blank user message stays") << QStringList{QStringLiteral("a:x"), QStringLiteral("u: ")} << 2;
        QTest::newRow("only blank answers") << QStringList{QStringLiteral("a: "), QStringLiteral("a:\u2028")} << 0;
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

    void defaultLibrary()
    {
        const QList<Prompt>& prompts = defaultPrompts();
        QSet<QUuid> ids;
        for (int i = 0; i < prompts.size(); ++i) {
            QCOMPARE(prompts[i].number, i + 1);
            ids.insert(prompts[i].id);
        }
        QCOMPARE(ids.size(), 6); // the six built-in prompts keep distinct, stable ids
        QCOMPARE(prompts.last().title, QStringLiteral("Make Professional"));
        QCOMPARE(defaultProject().prompts, prompts);
    }
};

QTEST_GUILESS_MAIN(TestRecords)
#include "tst_records.moc"
