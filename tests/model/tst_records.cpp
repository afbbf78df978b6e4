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
    return ChatMessage{QUuid::createUuid(), role, content, utc("2026-01-02T03:04:05Z"), std::nullopt, true,
                       std::nullopt};
}

QJsonObject validSessionJson()
{
    ChatSession session{QUuid::createUuid(), QStringLiteral("T"), QUuid::createUuid(), QStringLiteral("General"),
                        defaultProjectEmoji(), {message(MessageRole::User, QStringLiteral("hi"))},
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
    void messageKeys()
    {
        ChatMessage plain = message(MessageRole::Assistant, QStringLiteral("x"));
        QCOMPARE(keysOf(plain.toJson()), (QStringList{QStringLiteral("content"), QStringLiteral("id"),
                                                      QStringLiteral("role"), QStringLiteral("timestamp"),
                                                      QStringLiteral("webSearchEnabled")}));
        const QJsonObject o = plain.toJson();
        QCOMPARE(o.value(QLatin1StringView("role")).toString(), QStringLiteral("assistant"));
        QCOMPARE(o.value(QLatin1StringView("timestamp")).toString(), QStringLiteral("2026-01-02T03:04:05Z"));
        const QString id = o.value(QLatin1StringView("id")).toString();
        QCOMPARE(id, id.toUpper());
        QCOMPARE(id.size(), 36);
    }

    void citationKeys()
    {
        QCOMPARE(keysOf(URLCitation{.url = QStringLiteral("https://a.example")}.toJson()), QStringList{QStringLiteral("url")});
        const URLCitation full{QStringLiteral("u"), QStringLiteral("t"), QStringLiteral("c"), 3, 9};
        const QJsonObject o = full.toJson();
        QCOMPARE(o.value(QLatin1StringView("start_index")).toInteger(), 3);
        QCOMPARE(o.value(QLatin1StringView("end_index")).toInteger(), 9);
        QVERIFY(!o.contains(QLatin1StringView("startIndex")));
        JsonDecoder decoder;
        QCOMPARE(URLCitation::fromJson(o, decoder), full);
        QVERIFY(!decoder.failed());
    }

    void projectOptionalKeys()
    {
        Project project = defaultProject();
        const QJsonObject o = project.toJson();
        for (const char* key : {"shareCode", "defaultPromptID", "defaultImagePromptID"})
            QVERIFY2(!o.contains(QLatin1StringView(key)), key);
        JsonDecoder decoder;
        const Project back = Project::fromJson(o, decoder);
        QVERIFY(!decoder.failed());
        QCOMPARE(back, project);

        // An explicit null leaves an optional field absent.
        QJsonObject withNulls = o;
        withNulls.insert(QLatin1StringView("shareCode"), QJsonValue::Null);
        withNulls.insert(QLatin1StringView("defaultPromptID"), QJsonValue::Null);
        JsonDecoder nullDecoder;
        QCOMPARE(Project::fromJson(withNulls, nullDecoder), project);
        QVERIFY(!nullDecoder.failed());

        project.shareCode = QStringLiteral("ABC123");
        project.defaultImagePromptID = project.prompts.at(2).id;
        const auto list = Project::decodeList(Project::encodeList({project}));
        QVERIFY(list.has_value());
        QCOMPARE(list->value(0), project);
    }

    void decodeFailures_data()
    {
        QTest::addColumn<QString>("pointer");
        QTest::addColumn<QJsonValue>("value");
        QTest::addColumn<QString>("expectedPath");

        QTest::newRow("unknown role") << "messages/0/role" << QJsonValue(QStringLiteral("system"))
                                      << "[1].messages[0].role";
        QTest::newRow("missing webSearchEnabled")
            << "messages/0/webSearchEnabled" << QJsonValue(QJsonValue::Undefined) << "[1].messages[0].webSearchEnabled";
        QTest::newRow("malformed uuid") << "id" << QJsonValue(QStringLiteral("not-a-uuid")) << "[1].id";
        QTest::newRow("braced uuid") << "projectID" << QJsonValue(QStringLiteral("{00000000-0000-0000-0000-000000000000}"))
                                     << "[1].projectID";
        QTest::newRow("fractional seconds") << "createdAt" << QJsonValue(QStringLiteral("2026-01-02T03:04:05.250Z"))
                                            << "[1].createdAt";
        QTest::newRow("date without zone") << "updatedAt" << QJsonValue(QStringLiteral("2026-01-02T03:04:05"))
                                           << "[1].updatedAt";
        QTest::newRow("impossible date") << "updatedAt" << QJsonValue(QStringLiteral("2026-02-30T03:04:05Z"))
                                         << "[1].updatedAt";
        QTest::newRow("invalid base64") << "messages/0/imageData" << QJsonValue(QStringLiteral("abc$"))
                                        << "[1].messages[0].imageData";
        QTest::newRow("unpadded base64") << "messages/0/imageData" << QJsonValue(QStringLiteral("iVBORw"))
                                         << "[1].messages[0].imageData";
        QTest::newRow("title is a number") << "title" << QJsonValue(7) << "[1].title";
        QTest::newRow("messages is an object") << "messages" << QJsonValue(QJsonObject()) << "[1].messages";
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

    void decodeFailures()
    {
        QFETCH(QString, pointer);
        QFETCH(QJsonValue, value);
        QFETCH(QString, expectedPath);

        // Put the bad value into the second of two otherwise valid sessions.
        QJsonObject bad = validSessionJson();
        const QStringList parts = pointer.split(u'/');
        if (parts.size() == 1) {
            if (value.isUndefined())
                bad.remove(parts[0]);
            else
                bad.insert(parts[0], value);
        } else {
            QJsonArray messages = bad.value(QLatin1StringView("messages")).toArray();
            QJsonObject first = messages.at(0).toObject();
            if (value.isUndefined())
                first.remove(parts[2]);
            else
                first.insert(parts[2], value);
            messages[0] = first;
            bad.insert(QLatin1StringView("messages"), messages);
        }
        const QByteArray json = QJsonDocument(QJsonArray{validSessionJson(), bad}).toJson();
        DecodeError error;
        QVERIFY(!decodeJsonArray<ChatSession>(json, &error).has_value());
        QCOMPARE(error.path, expectedPath);
        QVERIFY(error.description().startsWith(expectedPath + QStringLiteral(": ")));
    }

    void decodeAccepts()
    {
        QJsonObject session = validSessionJson();
        session.insert(QLatin1StringView("unknownKey"), 42); // keys nobody defines are ignored
        session.insert(QLatin1StringView("createdAt"), QStringLiteral("2026-01-02T05:04:05+02:00"));
        session.insert(QLatin1StringView("id"), session.value(QLatin1StringView("id")).toString().toLower());
        DecodeError error;
        const auto decoded = decodeJsonArray<ChatSession>(QJsonDocument(QJsonArray{session}).toJson(), &error);
        QVERIFY2(decoded.has_value(), qPrintable(error.description()));
        QCOMPARE(decoded->at(0).createdAt, utc("2026-01-02T03:04:05Z"));
        QCOMPARE(decoded->at(0).messages.at(0).imageData, QByteArray("\x89PNG", 4));
    }

    void dateTruncatedOnRoundTrip()
    {
        const QDateTime precise = QDateTime::fromMSecsSinceEpoch(1'760'000'000'789, Qt::UTC);
        ChatMessage m = message(MessageRole::User, QStringLiteral("x"));
        m.timestamp = precise;
        JsonDecoder decoder;
        const ChatMessage back = ChatMessage::fromJson(m.toJson(), decoder);
        QVERIFY(!decoder.failed());
        QCOMPARE(back.timestamp, JsonFormat::truncatedToSeconds(precise));
        QCOMPARE(back.timestamp.toMSecsSinceEpoch(), 1'760'000'000'000);
    }

    void droppingTrailingEmptyReplies_data()
    {
        QTest::addColumn<QStringList>("messages"); // "u:" or "a:" followed by the content
        QTest::addColumn<int>("remaining");
        QTest::newRow("blank and empty answers after a question")
            << QStringList{QStringLiteral("u:Hello"), QStringLiteral("a: \n\t"), QStringLiteral("a:")} << 1;
        QTest::newRow("empty answer before a question") << QStringList{QStringLiteral("a:"), QStringLiteral("u:q")}
                                                        << 2;
        QTest::newRow("empty list") << QStringList{} << 0;
        QTest::newRow("blank user message stays") << QStringList{QStringLiteral("a:x"), QStringLiteral("u: ")} << 2;
        QTest::newRow("only blank answers") << QStringList{QStringLiteral("a: "), QStringLiteral("a:\u2028")} << 0;
        QTest::newRow("answer with text") << QStringList{QStringLiteral("u:q"), QStringLiteral("a:ok")} << 2;
    }

    void droppingTrailingEmptyReplies()
    {
        QFETCH(QStringList, messages);
        QFETCH(int, remaining);
        ChatSession session;
        for (const QString& m : messages)
            session.messages.append(
                message(m.startsWith(u'u') ? MessageRole::User : MessageRole::Assistant, m.mid(2)));
        const ChatSession result = session.droppingTrailingEmptyReplies();
        QCOMPARE(result.messages.size(), remaining);
        QCOMPARE(result.messages, session.messages.first(remaining));
    }

    void defaultLibrary()
    {
        const QList<Prompt>& prompts = defaultPrompts();
        QCOMPARE(prompts.size(), 6);
        const QStringList titles{QStringLiteral("Translate"), QStringLiteral("Proofread"), QStringLiteral("Simplify"),
                                 QStringLiteral("Summarize"), QStringLiteral("Explain"),
                                 QStringLiteral("Make Professional")};
        QSet<QUuid> ids;
        for (int i = 0; i < prompts.size(); ++i) {
            QCOMPARE(prompts[i].number, i + 1);
            QCOMPARE(prompts[i].title, titles[i]);
            ids.insert(prompts[i].id);
        }
        QCOMPARE(ids.size(), 6);
        QVERIFY(prompts[1].systemPrompt.endsWith(QStringLiteral("should also be the output language. ")));
        QCOMPARE(prompts[3].systemPrompt, QStringLiteral("Summarize the following text concisely. Capture the key "
                                                         "points in a brief, clear summary."));
        const Project& general = defaultProject();
        QCOMPARE(general.name, QStringLiteral("General"));
        QCOMPARE(general.emoji, QString::fromUcs4(U"\U0001F5C2\uFE0F"));
        QCOMPARE(general.prompts, prompts);
        QVERIFY(general.contextDescription.isEmpty());
        QCOMPARE(&defaultProject(), &general);
    }
};

QTEST_GUILESS_MAIN(TestRecords)
#include "tst_records.moc"
