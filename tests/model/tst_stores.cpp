// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/AppState.h"
#include "model/ChatSearch.h"
#include "model/ChatSaveQueue.h"
#include "model/ChatStore.h"
#include "model/MemoryStore.h"
#include "model/Project.h"
#include "model/Settings.h"
#include "support/FakeSyncServer.h"
#include "support/StdoutCapture.h"
#include "support/TestEnvironment.h"
#include "sync/SyncService.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QProcess>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

using namespace std::chrono_literals;

using namespace Qt::StringLiterals;

namespace {

// Whole seconds, as the history keeps its dates.
ChatSession sampleSession(const QString& title)
{
    const QDateTime now = JsonFormat::truncatedToSeconds(QDateTime::currentDateTimeUtc());
    const QList<URLCitation> cited{{u"https://example.org"_s, u"Example"_s, {}, 0, 9}};
    const QByteArray png("\x89PNG\r\n\x1a\n\0\xff", 10);
    const QList<ChatMessage> messages{
        {QUuid::createUuid(), MessageRole::User, u"Translate: Grüße 🌍"_s, now, {}, true, png},
        {QUuid::createUuid(), MessageRole::Assistant, u"Greetings 🌍\n"_s, now, cited, false, {}}};
    return ChatSession{QUuid::createUuid(), title, QUuid::createUuid(), u"General"_s, u"🗂️"_s, messages, now,
                       now.addSecs(5)};
}

// A setting's value, read by its type.
QVariant valueOf(const Settings& settings, const SettingKey& k)
{
    switch (k.type) {
    case SettingType::String:
        return settings.string(k);
    case SettingType::StringList:
        return settings.stringList(k);
    case SettingType::Bool:
        return settings.boolean(k);
    case SettingType::HotkeyValue:
        return settings.hotkeyValue(k);
    default:
        return settings.integer(k);
    }
}

Prompt prompt(qint64 number, const QString& title)
{
    return Prompt{QUuid::createUuid(), number, title, title + u" this."_s};
}

Project project(const QString& name, QList<Prompt> prompts = {}, std::optional<QString> shareCode = std::nullopt)
{
    return Project{QUuid::createUuid(), name, u"📁"_s, QString(), std::move(prompts), shareCode, {}, {}};
}

// The same in every process: ids from the size.
ChatSession sized(qsizetype bytes)
{
    const QDateTime at = QDateTime::fromSecsSinceEpoch(1'760'000'000, Qt::UTC);
    const auto id = [bytes](QStringView part) { return QUuid::createUuidV5(QUuid(), part + QString::number(bytes)); };
    const ChatMessage message{id(u"message"), MessageRole::User, QString(bytes, u'x'), at, {}, false, {}};
    return ChatSession{id(u"session"), u"Chat"_s, id(u"project"), u"General"_s, u"x"_s, {message}, at, at};
}

const QList<ChatSession> older{sized(100 * 1024)};
const QList<ChatSession> newer{sized(100 * 1024), sized(50 * 1024)};

// The child's part in killedWhileSaving (this executable started again): save the two histories in turn until killed.
int saveForever(const QString& folder)
{
    const ChatStore store(folder);
    for (int i = 0;; ++i)
        store.saveSessions(i % 2 ? newer : older);
}

const QString clientKey = u"sb_publishable_0123456789abcdefghijklmnopqrstuv"_s;
const QString ownerKey = u"0F0E0D0C-0B0A-4908-8706-050403020100"_s;
// What the service holds for a project of that name (its context too) and those prompts.
QJsonObject sharedPayload(const QString& name, const QList<Prompt>& prompts = {})
{
    Project shared = project(name, prompts);
    shared.contextDescription = name;
    return SharedProjectPayload::uploadPayload(shared);
}

// The shared-project sync client and service: one client talking to a fresh fake service, with settings in a temporary
// folder.
struct SyncFixture
{
    TestEnvironment env;
    Settings settings;
    QNetworkAccessManager network;
    FakeSyncServer server;
    SharedProjectClient client{network, settings};

    SyncFixture()
    {
        server.listen();
        settings.setString(SettingsKeys::syncBaseUrl, server.restBaseUrl());
        settings.setString(SettingsKeys::syncClientKey, clientKey);
        server.setClientKey(clientKey.toUtf8());
    }
};

// Starts a call and waits for its one report, which must never come before the call has returned.
template <typename T, typename Start> std::optional<SyncResult<T>> await(Start start)
{
    std::optional<SyncResult<T>> result;
    int reports = 0;
    bool returned = false;
    start([&](const SyncResult<T>& r) {
        result = r;
        reports += returned ? 1 : 100;
    });
    returned = true;
    if (!QTest::qWaitFor([&] { return reports > 0; }, 5000))
        return std::nullopt;
    QTest::qWait(20); // a second report would be a fault
    return reports == 1 ? result : std::nullopt;
}

// A call's outcome as one comparable text: "ok:<value>", "network:<text>" or the error description.
QString outcomeOf(SyncFixture& f, const QString& function, const Project& project)
{
    const auto text = [](const auto& r, const auto& value) -> QString {
        if (!r)
            return u"no single report"_s;
        if (r->ok())
            return u"ok:"_s + value(r->value());
        return (r->error().kind() == SyncError::Kind::Network ? u"network:"_s : QString()) + r->error().description();
    };
    SharedProjectClient& c = f.client;
    if (function == u"get_shared_project")
        return text(
            await<SharedProjectPayload>([&](auto done) { c.getSharedProject(*project.shareCode, nullptr, done); }),
            [](const SharedProjectPayload& p) { return p.name; });
    if (function == u"create_shared_project")
        return text(await<QString>([&](auto done) { c.createSharedProject(project, ownerKey, nullptr, done); }),
                    [](const QString& code) { return code; });
    if (function == u"upsert_shared_project")
        return text(await<std::monostate>([&](auto done) { c.upsertSharedProject(project, ownerKey, nullptr, done); }),
                    [](std::monostate) { return QString(); });
    return text(await<bool>([&](auto done) { c.deleteSharedProject(*project.shareCode, ownerKey, nullptr, done); }),
                [](bool deleted) { return deleted ? u"true"_s : u"false"_s; });
}

// What a call answers when the service, the settings or the connection say something other than "fine".
struct Call
{
    QString function;
    QString expected;                                    // a trailing "…" matches a prefix
    std::optional<HttpResponse> response = std::nullopt; // none: the fake table answers
    QString baseUrl = u"@"_s;                            // "@": the fake service
    bool withClientKey = true;
};

} // namespace

Q_DECLARE_METATYPE(Call)

class TestStores : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // "Get Started" (replacing an untouched General with the chosen prompts, numbered in order, is the walkthrough's
    // test): a default that was not chosen is dropped; a changed General gets the choice beside it in a project of
    // its own; nothing chosen changes nothing.
    void projectsAfterFirstRun()
    {
        const QList<Prompt>& library = defaultPrompts();
        Project general = defaultProject();
        general.defaultPromptID = library.at(4).id;
        QVERIFY(!::projectsAfterFirstRun({general}, library, {}));
        QVERIFY(!::projectsAfterFirstRun({general}, library, {library.at(1)})->first().defaultPromptID);

        general.prompts[2].title = u"Mine"_s;
        const QList<Prompt> chosen{library.at(2), library.at(0)};
        const std::optional<QList<Project>> after = ::projectsAfterFirstRun({general}, library, chosen);
        QCOMPARE(after->first(), general);
        QCOMPARE(after->last().prompts.first().id, chosen.first().id);
        QCOMPARE(after->last().prompts.last().number, 2);
    }

    // A project written with explicit nulls for its optional fields (as another program may) reads the same.
    void nullOptionalFields()
    {
        JsonDecoder decoder;
        const Project project = defaultProject();
        QJsonObject withNulls = project.toJson();
        withNulls.insert(u"shareCode"_s, QJsonValue::Null);
        withNulls.insert(u"defaultPromptID"_s, QJsonValue::Null);
        QCOMPARE(Project::fromJson(withNulls, decoder), project);
    }

    // Whatever date the program holds, the saved history decodes as a whole at the next start: a date before 1970
    // keeps its second, and one that lands past 9999 once in UTC (the reader takes any offset) is read, not kept, and
    // saved as the current time.
    void datesSurviveSaving()
    {
        TestEnvironment env;
        ChatSession early = sampleSession(u"early"_s), late = sampleSession(u"late"_s);
        early.updatedAt = QDateTime::fromMSecsSinceEpoch(-1, Qt::UTC);
        late.updatedAt = *JsonFormat::parseDate(u"9999-12-31T23:30:00-01:00"_s);
        const QDateTime start = JsonFormat::truncatedToSeconds(QDateTime::currentDateTimeUtc());
        StdoutCapture out;
        ChatStore().saveSessions({sampleSession(u"before"_s), early, late});
        const QDateTime end = QDateTime::currentDateTimeUtc();

        const QList<ChatSession> loaded = ChatStore().loadSessions();
        QCOMPARE(loaded.size(), 3);
        ChatSession expected = early;
        expected.updatedAt = *JsonFormat::parseDate(u"1969-12-31T23:59:59Z"_s);
        QCOMPARE(loaded[1], expected);
        const QDateTime now = loaded[2].updatedAt;
        QVERIFY2(now >= start && now <= end, qPrintable(now.toString(Qt::ISODate)));
        expected = late;
        expected.updatedAt = now;
        QCOMPARE(loaded[2], expected);
    }

    // Damaged or unreadable, the history is moved aside at load, before a save can replace it; a second one in the
    // same second is kept too. The tests run as root, so a permission cannot make a file unreadable: a folder at the
    // path is.
    void damagedFileIsKeptAside()
    {
        TestEnvironment env;
        ChatStore store;
        const QString path = store.sessionsFilePath();
        QVERIFY(QDir().mkpath(path));
        QVERIFY(TestEnvironment::writeFile(path + u"/inside"_s, "folder"));
        StdoutCapture out;
        QVERIFY(store.loadSessions().isEmpty());
        QVERIFY(TestEnvironment::writeFile(path, "[{\"id\": \""));
        QVERIFY(store.loadSessions().isEmpty());

        // Both survive the next save, byte for byte.
        store.saveSessions({sampleSession(u"new"_s)});
        QSet<QByteArray> kept;
        const QDir appFolder(env.appFolder());
        for (const QString& name : appFolder.entryList({u"chat_sessions.json.corrupt-*"_s},
                                                       QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot)) {
            const QString copy = env.appFolder() + u'/' + name;
            kept.insert(TestEnvironment::readFile(QFileInfo(copy).isDir() ? copy + u"/inside"_s : copy));
        }
        QCOMPARE(kept, (QSet<QByteArray>{"folder", "[{\"id\": \""}));
    }

    // The history is written on a worker: the newest of snapshots handed over quickly is what ends on disk, and the
    // writer finishes before it goes away, so quitting never loses the last save.
    void backgroundSaves()
    {
        TestEnvironment env;
        ChatStore store;
        {
            ChatSaveQueue queue(store);
            for (const QString& title : {u"one"_s, u"two"_s, u"three"_s})
                queue.save({sampleSession(title)});
        } // the destructor waits
        QCOMPARE(store.loadSessions().first().title, u"three"_s);
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
        QTest::newRow("lower-case uuid") << "id" << QJsonValue(u"0f0e0d0c-0b0a-4908-8706-050403020100"_s) << "";

        refused("missing webSearchEnabled", u"messages/0/webSearchEnabled"_s, QJsonValue::Undefined);
        refused("braced uuid", u"projectID"_s, u"{00000000-0000-0000-0000-000000000000}"_s);
        refused("fractional seconds", u"createdAt"_s, u"2026-01-02T03:04:05.250Z"_s);
        refused("invalid base64", u"messages/0/imageData"_s, u"abc$"_s);
        refused("citation without url", u"messages/0/annotations"_s, QJsonArray{QJsonObject()}, "[0].url");
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
        QJsonObject bad = sampleSession(u"T"_s).toJson();
        if (pointer.startsWith(u"messages/0/"_s)) {
            QJsonObject first = bad.value(u"messages"_s).toArray().at(0).toObject();
            put(first, pointer.mid(11));
            bad.insert(u"messages"_s, QJsonArray{first});
        } else {
            put(bad, pointer);
        }
        const QByteArray json = QJsonDocument(QJsonArray{sampleSession(u"T"_s).toJson(), bad}).toJson();
        DecodeError error;
        const auto decoded = decodeJsonArray<ChatSession>(json, &error);
        if (expectedPath.isEmpty()) {
            QVERIFY2(decoded.has_value(), qPrintable(error.description()));
            return;
        }
        QVERIFY(!decoded.has_value());
        QCOMPARE(error.path, expectedPath);
    }

    // Memory files

    // Line ends and blank lines are tidied on the way; past fifty facts the oldest go.
    void appendFacts()
    {
        TestEnvironment env;
        const QString path = MemoryStore().userMemoryPath();
        QVERIFY(TestEnvironment::writeFile(path, "  one  \r\n\r\ntwo\r\n   \r\n"));
        MemoryStore::appendFacts(path, {u"three"_s});
        QCOMPARE(TestEnvironment::readFile(path), QByteArray("  one  \ntwo\nthree\n"));
        QByteArray fifty;
        for (int i = 1; i <= 50; ++i)
            fifty += "fact " + QByteArray::number(i) + '\n';
        QVERIFY(TestEnvironment::writeFile(path, fifty));
        MemoryStore::appendFacts(path, {u"new a"_s, u"new b"_s});
        QCOMPARE(TestEnvironment::readFile(path), fifty.mid(fifty.indexOf("fact 3\n")) + "new a\nnew b\n");
    }

    // The settings file

    // Values written by hand or by another program into the file.
    void storedValues_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("expected");
        // The key is the one on the last line.
        const auto row = [](const char* name, const QByteArray& line, const QVariant& expected) {
            const QByteArray last = line.mid(line.lastIndexOf('\n') + 1);
            QTest::newRow(name) << line << QString::fromLatin1(last.left(last.indexOf('='))) << expected;
        };
        row("false-default bool as text", "has_completed_onboarding=yes", false);
        row("hotkey too large", "custom_hotkey_modifiers=4294967296", 0u);
        row("integer text", "active_project_index=two", qint64(0));

        // Text settings read back as written, commas and the blanks around them included.
        const auto text = [](const char* value) { return QVariant(QString::fromUtf8(value)); };
        row("address with = and commas", "sync_base_url=https://example.org/rest/v1?select=a,b",
            text("https://example.org/rest/v1?select=a,b"));
        row("quoted keeps outer blanks", "openai_model= \"  padded, \" ", text("  padded, "));
        row("escapes", "screenshot_command=C:\\\\shot, -n\\n\\tx", text("C:\\shot, -n\n\tx"));
        row("semicolon starts a comment, not in quotes", "; note\nopenai_model=\"a; b\", c; note", text("a; b, c"));
        row("doubled at sign", "openai_model=@@home, work", text("@home, work"));
        row("last line wins, other section ignored", "openai_model=a, b\nopenai_model=c,d\n[other]\nopenai_model=e",
            text("c,d"));
        row("class list", "double_copy_ignored_classes=xterm, kitty,foot",
            QStringList{u"xterm"_s, u"kitty"_s, u"foot"_s});
    }

    void storedValues()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, key);
        QFETCH(QVariant, expected);
        TestEnvironment env;
        QVERIFY(TestEnvironment::writeFile(env.settingsFile(), "[General]\n" + line + '\n'));
        const SettingKey* k = std::find_if(std::begin(SettingsKeys::all), std::end(SettingsKeys::all),
                                           [&](const SettingKey& candidate) { return settingName(candidate) == key; });
        QVERIFY(k != std::end(SettingsKeys::all));
        Settings settings;
        QCOMPARE(valueOf(settings, *k), expected);
        // Saving any setting rewrites the whole file; what was written by hand must come through that too.
        settings.setInteger(SettingsKeys::totalPromptsUsed, 7);
        const QString copy = env.settingsFile() + u".copy"_s;
        QVERIFY(QFile::copy(env.settingsFile(), copy));
        QCOMPARE(valueOf(Settings(copy), *k), expected);
    }

    void writesPersist()
    {
        TestEnvironment env;
        const QByteArray binary = "[{\"name\":\"Ünïcødé, \\\"quoted\\\"\"}]\n=;#\0\r\x7f\xff"_ba;
        QString owner;
        {
            Settings settings;
            owner = settings.syncOwnerKey(); // made on first use
            settings.setBytes(SettingsKeys::userProjects, binary);
        }
        struct stat info = {};
        QCOMPARE(::stat(QFile::encodeName(env.settingsFile()).constData(), &info), 0);
        QCOMPARE(info.st_mode & 0777, 0600u); // the file holds the API key

        Settings reread;
        QCOMPARE(reread.bytes(SettingsKeys::userProjects), binary);
        QCOMPARE(reread.syncOwnerKey(), owner); // and kept
    }

    // Read from a copy of the file, so the values come from the text on disk and not from this process's cache.
    // Commas, quotes, escapes, comment marks and non-ASCII text are rewritten in storedValues; these are the values
    // no hand-written line holds.
    void valuesSurviveTheFile_data()
    {
        QTest::addColumn<QVariant>("value"); // a list goes to the class list, a text to every text setting
        QTest::newRow("no classes") << QVariant(QStringList());
        QTest::newRow("empty text") << QVariant(QString());
        QTest::newRow("line breaks, tabs and control characters")
            << QVariant(QStringLiteral("one\ntwo\r\n\tthree\r nul\u0000"
                                       "1, bell\a\x7f"));
    }

    void valuesSurviveTheFile()
    {
        QFETCH(QVariant, value);
        TestEnvironment env;
        const bool list = value.typeId() == QMetaType::QStringList;
        QList<SettingKey> keys;
        {
            Settings settings(env.settingsFile());
            for (const SettingKey& k : SettingsKeys::all) {
                if (k.type != (list ? SettingType::StringList : SettingType::String))
                    continue;
                keys.append(k);
                list ? settings.setStringList(k, value.toStringList()) : settings.setString(k, value.toString());
            }
        }
        QVERIFY(!keys.isEmpty());
        const QString copy = env.settingsFile() + u".copy"_s;
        QVERIFY(QFile::copy(env.settingsFile(), copy));
        const Settings reread(copy);
        for (const SettingKey& k : std::as_const(keys))
            QCOMPARE(valueOf(reread, k), value);
    }

    void unreadableFileIsKeptAside()
    {
        TestEnvironment env;
        const QByteArray damaged("[General\nopenai_model=x\n");
        QVERIFY(TestEnvironment::writeFile(env.settingsFile(), damaged));
        StdoutCapture out;
        Settings settings;
        settings.setString(SettingsKeys::openaiModel, u"gpt-4o-mini"_s);
        const QString folder = env.configHome() + u"/vantro/"_s;
        const QStringList kept = QDir(folder).entryList({u"vantro.conf.corrupt-*"_s}, QDir::Files);
        QCOMPARE(kept.size(), 1);
        QCOMPARE(TestEnvironment::readFile(folder + kept[0]), damaged);
    }

    // The state as loaded from the stores, and what it writes back

    // Undecodable stored projects are kept aside once and something usable is loaded: the default, or the legacy
    // prompts (read in number order, never rewritten) when there are any. An active index past the end is brought
    // back and written back.
    void corruptProjectsAreKeptAside()
    {
        TestEnvironment env;
        // Unquoted commas make the INI reader see a list instead of one value.
        QVERIFY(TestEnvironment::writeFile(env.settingsFile(), "[General]\nuserProjects="
                                                               R"([{"name": "Mine"}, {"name": "Yours"}])"
                                                               "\n"));
        Settings settings;
        settings.setInteger(SettingsKeys::activeProjectIndex, 5);
        const auto copies = [&] { return QDir(env.appFolder()).entryList({u"userProjects.corrupt-*.json"_s}); };
        StdoutCapture capture;
        auto state = std::make_unique<AppState>(settings, ChatStore(), nullptr);
        QCOMPARE(state->projects(), QList<Project>{defaultProject()});
        QCOMPARE(settings.integer(SettingsKeys::activeProjectIndex), 0);
        QCOMPARE(copies().size(), 1);
        QVERIFY(TestEnvironment::readFile(env.appFolder() + u'/' + copies().first()).contains("Yours"));

        // One project lost its "prompts" key.
        QJsonObject broken = project(u"Mine"_s, {prompt(1, u"Work"_s)}).toJson();
        broken.remove(u"prompts"_s);
        settings.setBytes(SettingsKeys::userProjects,
                          QJsonDocument(QJsonArray{project(u"Fine"_s).toJson(), broken}).toJson());
        const QList<Prompt> legacy{prompt(3, u"Three"_s), prompt(1, u"One"_s), prompt(2, u"Two"_s)};
        const QByteArray legacyBytes =
            QJsonDocument(QJsonArray{legacy[0].toJson(), legacy[1].toJson(), legacy[2].toJson()}).toJson();
        settings.setBytes(SettingsKeys::userPrompts, legacyBytes);
        state = std::make_unique<AppState>(settings, ChatStore(), nullptr);
        QCOMPARE(state->projects().size(), 1);
        QCOMPARE(state->projects().first().prompts, (QList<Prompt>{legacy[1], legacy[2], legacy[0]}));
        QCOMPARE(settings.bytes(SettingsKeys::userPrompts), legacyBytes);
        QCOMPARE(copies().size(), 2);
        state = std::make_unique<AppState>(settings, ChatStore(), nullptr); // the next start copies nothing
        QCOMPARE(copies().size(), 2);
    }

    // Blank or empty answers at the end of a session are dropped at load (a blank question, or an empty answer
    // before a question, stays), and the trimmed history is written back.
    void sessionsLoseTrailingBlankAnswers()
    {
        TestEnvironment env;
        Settings settings;
        const QDateTime t = JsonFormat::truncatedToSeconds(QDateTime::currentDateTimeUtc());
        const auto session = [&](const QList<std::pair<MessageRole, QString>>& said) {
            ChatSession s{QUuid::createUuid(), u"S"_s, QUuid(), u"G"_s, {}, {}, t, t};
            for (const auto& [role, text] : said)
                s.messages.append(ChatMessage{QUuid::createUuid(), role, text, t, {}, true, {}});
            return s;
        };
        const MessageRole user = MessageRole::User, answer = MessageRole::Assistant;
        ChatSession cut = session({{user, u"Hi"_s}, {answer, u" \n\t"_s}, {answer, QString()}, {answer, u"\u2028"_s}});
        const ChatSession kept = session({{answer, QString()}, {user, u" "_s}});
        ChatStore store;
        store.saveSessions({cut, kept});
        const AppState state(settings, ChatStore());
        cut.messages.resize(1);
        QCOMPARE(state.chatSessions(), (QList<ChatSession>{cut, kept}));
        QCOMPARE(store.loadSessions(), state.chatSessions());
    }

    // The search across all chats

    // An accent decomposed in the text is found, a blank query finds nothing, and a session edited after it was
    // indexed is searched in its new text (typing through the sidebar is the sidebar's test).
    void search()
    {
        QList<ChatSession> sessions{sampleSession(u"One"_s), sampleSession(u"Two"_s)};
        sessions[0].messages[0].content = u"apple"_s;
        sessions[1].messages[0].content = u"Joyeux Noe\u0308l"_s;
        ChatSearch search;
        QCOMPARE(search.searchNow(sessions, u"noël"_s), QSet<QUuid>{sessions[1].id});
        QVERIFY(search.searchNow(sessions, u"   "_s).isEmpty());
        QCOMPARE(search.searchNow(sessions, u"apple"_s), QSet<QUuid>{sessions[0].id});
        sessions[1].messages[0].content = u"apple pie"_s;
        sessions[0].messages.clear();
        QCOMPARE(search.searchNow(sessions, u"apple"_s), QSet<QUuid>{sessions[1].id});
    }

    // Not found, an error status with its body, a created code and delete's true and false are proven through the
    // sidebar's join and the prompts tab; a bad value deep in a row is the stores' decode test.
    void outcomes_data()
    {
        QTest::addColumn<Call>("call");
        const QString get = u"get_shared_project"_s, create = u"create_shared_project"_s;
        const QString upsert = u"upsert_shared_project"_s, remove = u"delete_shared_project"_s;
        const auto json = [](const QByteArray& body) { return HttpResponse::json(body); };
        const QByteArray row = QJsonDocument(QJsonArray{sharedPayload(u"Team"_s)}).toJson();
        const QString bad = u"Sync decoding error: "_s, gone = u"This shared project no longer exists on the server."_s;
        QTest::newRow("get 500 not UTF-8") << Call{get, u"Sync error 500: "_s, HttpResponse::text("\xff oops", 500)};
        QTest::newRow("get missing share_code") << Call{get, bad + u"[0].share_code: …"_s, json(row)};
        QTest::newRow("create number") << Call{create, bad + u"Expected a string share code"_s, json("42")};
        QTest::newRow("upsert false") << Call{upsert, gone, json("false")};
        QTest::newRow("delete null") << Call{remove, u"ok:false"_s, json("null")};

        // Settings and share codes that stop a call early or shape the request.
        const QString off = u"Sharing is not configured: set the sync service URL (sync_base_url) in the settings."_s;
        QTest::newRow("not configured") << Call{upsert, off, {}, QString()};
        QTest::newRow("no scheme") << Call{upsert, u"Invalid sync URL."_s, {}, u"example.org/rest/v1"_s};
        QTest::newRow("no client key, trailing slash") << Call{remove, u"ok:false"_s, {}, u"@/"_s, false};

        // Timeouts and a 200 whose body is broken in transit are transport failures, never a (lenient) answer.
        HttpResponse hang;
        hang.hang = true;
        QTest::newRow("timeout") << Call{upsert, u"network:The request timed out."_s, hang};
        HttpResponse cut = HttpResponse::json("fal");
        cut.headers.append(std::pair<QByteArray, QByteArray>("Content-Length", "5"));
        QTest::newRow("cut short") << Call{upsert, u"network:…"_s, cut};
    }

    void outcomes()
    {
        QFETCH(Call, call);
        SyncFixture f;
        f.settings.setString(SettingsKeys::syncBaseUrl, call.baseUrl.replace(u"@"_s, f.server.restBaseUrl()));
        if (call.response)
            f.server.setOverride(call.function, *call.response);
        if (call.response && call.response->hang)
            f.client.setTimeout(std::chrono::milliseconds(300));
        if (!call.withClientKey) {
            f.server.setClientKey({});
            f.settings.setString(SettingsKeys::syncClientKey, QString());
        }
        const QString outcome = outcomeOf(f, call.function, project(u"Team"_s, {prompt(1, u"Shorten"_s)}, u"K7Q2"_s));
        if (call.expected.endsWith(u'…'))
            QVERIFY2(outcome.startsWith(call.expected.chopped(1)), qPrintable(outcome));
        else
            QCOMPARE(outcome, call.expected);
        const QList<HttpRequest>& requests = f.server.requests();
        QCOMPARE(requests.size(), call.response || !call.withClientKey ? 1 : 0);
        if (!call.withClientKey) {
            QCOMPARE(requests.at(0).target, QByteArray("/rest/v1/rpc/delete_shared_project"));
            QVERIFY(requests.at(0).header("apikey").isEmpty() && requests.at(0).header("Authorization").isEmpty());
        }
    }

    void goneContextGetsNoReport()
    {
        SyncFixture f;
        auto context = std::make_unique<QObject>();
        int reports = 0;
        f.client.getSharedProject(u"ABC"_s, context.get(), [&](const auto&) { ++reports; });
        context.reset();
        QTRY_COMPARE(f.client.pendingRequests(), 0);

        // A client destroyed with requests in flight reports nothing and leaks nothing.
        auto client = std::make_unique<SharedProjectClient>(f.network, f.settings);
        client->getSharedProject(u"ABC"_s, nullptr, [&](const auto&) { ++reports; });
        client.reset();
        QTest::qWait(100);
        QCOMPARE(reports, 0);
    }

    // A server copy is merged in (its texts, the local numbers and order, a new prompt after the highest number, a
    // removed one gone) and written back; local projects and unknown codes are left alone, and the user's changes made
    // while the refresh runs are kept.
    void refreshMergesServerCopies()
    {
        SyncFixture f;
        const Prompt retitle = prompt(9, u"Old title"_s), added = prompt(1, u"Added"_s);
        const QString codeA = f.server.addProject(sharedPayload(u"A server"_s), ownerKey);
        const QString codeB = f.server.addProject(sharedPayload(u"B server"_s), ownerKey);
        const QString codeC = f.server.addProject(
            sharedPayload(u"C server"_s, {added, Prompt{retitle.id, 1, u"New title"_s, u"Better."_s}}),
            u"someone else"_s);
        const Project local = project(u"Mine"_s, {prompt(1, u"Y"_s)});
        const Project b = project(u"B"_s, {}, codeB);
        const Project gone = project(u"Gone"_s, {prompt(1, u"X"_s)}, u"NOPE"_s);
        const Project c = project(u"C"_s, {retitle, prompt(2, u"Removed"_s)}, codeC);
        f.settings.setBytes(SettingsKeys::userProjects,
                            Project::encodeList({local, project(u"A"_s, {}, codeA), b, c, gone}));
        AppState state(f.settings, ChatStore());
        SyncService sync(state, f.client);

        // While A's copy is on its way, the user deletes A; while B's is, the user unlinks B.
        connect(&f.server, &FakeSyncServer::called, &state, [&](const QString&, const QJsonObject& body) {
            const QString code = body.value(u"code"_s).toString();
            QList<Project> projects = state.projects();
            if (code == codeA)
                projects.removeAt(1);
            else if (code == codeB)
                projects[1].shareCode.reset();
            state.setProjects(projects);
        });
        QSignalSpy done(&sync, &SyncService::sharedProjectsRefreshed);
        sync.refreshSharedProjects();
        QVERIFY(done.wait(5000));
        QCOMPARE(done.first().first().toBool(), true);
        Project unlinkedB = b;
        unlinkedB.shareCode.reset();
        Project mergedC = c;
        mergedC.name = u"C server"_s;
        mergedC.contextDescription = u"C server"_s;
        mergedC.prompts = {Prompt{retitle.id, 9, u"New title"_s, u"Better."_s},
                           Prompt{added.id, 10, u"Added"_s, u"Added this."_s}};
        QCOMPARE(state.projects(), (QList<Project>{local, unlinkedB, mergedC, gone}));
        QCOMPARE(Project::decodeList(f.settings.bytes(SettingsKeys::userProjects)), state.projects());
    }

    // The history on a disk that fills up (a small tmpfs of its own: mounting needs root; elsewhere it is skipped, and
    // the app delegate's test covers the failure, and the retry once writing works, with a write shim).
    void fullDisk()
    {
        if (::getuid() != 0)
            QSKIP("mounting a small tmpfs needs root");
        QTemporaryDir folder;
        const QString disk = folder.path();
        if (QProcess::execute(u"mount"_s, {u"-t"_s, u"tmpfs"_s, u"-o"_s, u"size=256k"_s, u"tmpfs"_s, disk}) != 0)
            QSKIP("this machine does not let the test mount a tmpfs");
        const auto unmount = qScopeGuard([&disk] { QProcess::execute(u"umount"_s, {u"-l"_s, disk}); });
        ChatStore store(disk);
        ChatSaveQueue queue(store);
        queue.setRetryInterval(100ms);
        QSignalSpy failed(&queue, &ChatSaveQueue::saveFailed);

        const QList<ChatSession> small{sized(1000)};
        queue.save(small);
        queue.waitForIdle();

        // Room for the old file and not for the new one: the old one stays, and the cause is named.
        QFile filler(disk + u"/filler"_s);
        QVERIFY(filler.open(QIODevice::WriteOnly) && filler.write(QByteArray(200 * 1024, 'f')) > 0);
        filler.close();
        const QList<ChatSession> big{sized(1000), sized(80 * 1024)};
        queue.save(big);
        QTRY_VERIFY(!failed.isEmpty());
        QCOMPARE(failed.first().first().toString(), u"no space left on the disk"_s);
        QCOMPARE(store.loadSessions(), small);
    }

    // Killed at any moment of a save, the history on disk is always one of the two whole histories, and the
    // writes cut short leave nothing behind once the history is read again.
    void killedWhileSaving()
    {
        QTemporaryDir folder;
        const ChatStore store(folder.path());
        for (int round = 0; round < 40; ++round) {
            QProcess saver;
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(u"VANTRO_TEST_SAVER"_s, folder.path());
            saver.setProcessEnvironment(environment);
            saver.start(QCoreApplication::applicationFilePath(), {});
            QVERIFY(saver.waitForStarted(5000));
            QTRY_VERIFY(QFile::exists(store.sessionsFilePath()));
            QTest::qWait(QRandomGenerator::global()->bounded(1, 30));
            ::kill(pid_t(saver.processId()), SIGKILL);
            QVERIFY(saver.waitForFinished(5000));
            const QList<ChatSession> loaded = store.loadSessions();
            QVERIFY2(loaded == older || loaded == newer, qPrintable(u"round "_s + QString::number(round)));
        }
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList{u"chat_sessions.json"_s});
    }
};

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    if (const QString folder = qEnvironmentVariable("VANTRO_TEST_SAVER"); !folder.isEmpty())
        return saveForever(folder);
    TestStores test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_stores.moc"
