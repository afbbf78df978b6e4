// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/AppState.h"
#include "model/Settings.h"
#include "support/StdoutCapture.h"
#include "support/TestEnvironment.h"

#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMimeData>
#include <QSignalSpy>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

Prompt prompt(qint64 number, const QString& title)
{
    return Prompt{QUuid::createUuid(), number, title, title + u" this."_s};
}

Project project(const QString& name, QList<Prompt> prompts = {}, std::optional<QString> shareCode = std::nullopt)
{
    return Project{QUuid::createUuid(), name,      u"📁"_s,       QString(),
                   std::move(prompts),  shareCode, std::nullopt, std::nullopt};
}

// Settings in temporary folders; the state is made on demand so a test can prepare the stored data first.
struct Fixture
{
    TestEnvironment env;
    Settings settings;

    std::unique_ptr<AppState> makeState() { return std::make_unique<AppState>(settings, ChatStore()); }
    void storeProjects(const QList<Project>& list)
    {
        settings.setBytes(SettingsKeys::userProjects, Project::encodeList(list));
    }
    QList<Project> stored() const
    {
        return Project::decodeList(settings.bytes(SettingsKeys::userProjects)).value_or(QList<Project>{});
    }
};

} // namespace

class TestAppState : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Where the projects come from at start; undecodable ones are kept aside once and something usable is loaded.
    void storedProjectSources_data()
    {
        QTest::addColumn<QByteArray>("userProjects"); // null: key absent
        QTest::addColumn<bool>("asIniText");          // written by hand into the settings file
        QTest::addColumn<bool>("withLegacyPrompts");
        QTest::addColumn<QString>("expected"); // "stored", "migrated" or "default"

        const QByteArray two = Project::encodeList({project(u"A"_s), project(u"B"_s)});
        // One project lost its "prompts" key.
        QJsonObject broken = project(u"My work"_s, {prompt(1, u"Mine"_s)}).toJson();
        broken.remove(u"prompts"_s);
        const QByteArray bad = QJsonDocument(QJsonArray{project(u"Fine"_s).toJson(), broken}).toJson();
        QTest::newRow("projects win over legacy prompts") << two << false << true << "stored";
        QTest::newRow("legacy prompts only") << QByteArray() << false << true << "migrated";
        QTest::newRow("empty array counts as missing") << QByteArray("[]") << false << true << "migrated";
        QTest::newRow("corrupt: falls back to General") << bad << false << false << "default";
        QTest::newRow("corrupt: falls back to the legacy prompts") << bad << false << true << "migrated";
        // Unquoted commas make the INI reader see a list instead of one value.
        QTest::newRow("corrupt: hand-edited list")
            << QByteArray(R"([{"name": "Mine"}, {"name": "Yours"}])") << true << false << "default";
    }

    void storedProjectSources()
    {
        QFETCH(QByteArray, userProjects);
        QFETCH(bool, asIniText);
        QFETCH(bool, withLegacyPrompts);
        QFETCH(QString, expected);
        TestEnvironment env;
        if (asIniText)
            QVERIFY(TestEnvironment::writeFile(env.settingsFile(), "[General]\nuserProjects=" + userProjects + '\n'));
        Settings settings;
        if (!userProjects.isNull() && !asIniText)
            settings.setBytes(SettingsKeys::userProjects, userProjects);
        const QList<Prompt> legacy{prompt(3, u"Three"_s), prompt(1, u"One"_s), prompt(2, u"Two"_s)};
        QByteArray legacyBytes;
        if (withLegacyPrompts) {
            legacyBytes =
                QJsonDocument(QJsonArray{legacy[0].toJson(), legacy[1].toJson(), legacy[2].toJson()}).toJson();
            settings.setBytes(SettingsKeys::userPrompts, legacyBytes);
        }
        const bool corrupt = QByteArray(QTest::currentDataTag()).startsWith("corrupt");

        StdoutCapture capture;
        auto state = std::make_unique<AppState>(settings, ChatStore(), nullptr);
        const QList<Project> loaded = state->projects();
        if (expected == u"stored") {
            QCOMPARE(loaded, Project::decodeList(userProjects).value());
        } else if (expected == u"migrated") {
            QCOMPARE(loaded.size(), 1);
            QCOMPARE(loaded[0].name, u"General"_s);
            QCOMPARE(loaded[0].prompts, (QList<Prompt>{legacy[1], legacy[2], legacy[0]}));
            QVERIFY(loaded[0].id != defaultProject().id);
        } else {
            QCOMPARE(loaded, QList<Project>{defaultProject()});
            QVERIFY(settings.contains(SettingsKeys::activeProjectIndex));
            QCOMPARE(settings.integer(SettingsKeys::activeProjectIndex), 0);
        }
        if (!corrupt)
            QCOMPARE(Project::decodeList(settings.bytes(SettingsKeys::userProjects)).value(), loaded);
        // The legacy list is read, never rewritten or removed.
        QCOMPARE(settings.bytes(SettingsKeys::userPrompts), legacyBytes);

        const auto copies = [&] { return QDir(env.appFolder()).entryList({u"userProjects.corrupt-*.json"_s}); };
        QCOMPARE(copies().size(), corrupt ? 1 : 0);
        if (!corrupt)
            return;
        const QByteArray kept = TestEnvironment::readFile(env.appFolder() + u'/' + copies().first());
        if (asIniText) // the INI reader's list is kept in whatever form; both projects must be in it
            QVERIFY2(kept.contains("Mine") && kept.contains("Yours"), kept.constData());
        else
            QCOMPARE(kept, userProjects);
        const QString log = capture.text();
        QVERIFY2(log.startsWith(u"AppState: Could not decode the stored projects"_s), qPrintable(log));
        QVERIFY2(log.contains(copies().first()), qPrintable(log));
        // The next start neither copies again nor loses anything.
        state = std::make_unique<AppState>(settings, ChatStore(), nullptr);
        QCOMPARE(copies().size(), 1);
    }

    void activeIndexIsClampedAndWrittenBack()
    {
        for (const auto& [stored, expected] : {std::pair{5, 1}, std::pair{-3, 0}}) {
            Fixture f;
            const QList<Project> two{project(u"A"_s), project(u"B"_s)};
            f.storeProjects(two);
            f.settings.setInteger(SettingsKeys::activeProjectIndex, stored);
            QCOMPARE(f.makeState()->activeProject(), two.at(expected));
            QCOMPARE(f.settings.integer(SettingsKeys::activeProjectIndex), expected);
        }
        // None left: the default is active. Cycling through the projects is the quick prompt view's test.
        Fixture f;
        auto state = f.makeState();
        state->setProjects({});
        QCOMPARE(state->activeProject(), defaultProject());
    }

    // Blank or empty answers at the end of a session are dropped at load (a blank question, or an empty answer
    // before a question, stays), and the trimmed history is written back once.
    void sessionsLoseTrailingBlankAnswers()
    {
        Fixture f;
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
        auto state = f.makeState();
        cut.messages.resize(1);
        QCOMPARE(state->chatSessions(), (QList<ChatSession>{cut, kept}));
        QCOMPARE(store.loadSessions(), state->chatSessions());

        // Nothing to trim: the file is not rewritten.
        state.reset();
        const QString path = store.sessionsFilePath();
        QVERIFY(TestEnvironment::writeFile(path, TestEnvironment::readFile(path) + "\n\n"));
        state = f.makeState();
        QVERIFY(TestEnvironment::readFile(path).endsWith("\n\n"));
    }

    // The title is the text's first 24 characters as a reader counts them; the number follows the highest.
    void customPromptBecomesQuickAction()
    {
        Fixture f;
        auto state = f.makeState();
        const QList<Prompt> prompts{prompt(1, u"1"_s), prompt(7, u"7"_s), prompt(3, u"3"_s)};
        state->replaceProjects({project(u"Target"_s, prompts)});
        const QString text = u"Add 👩‍💻 and 🇩🇪 to every line of the text please"_s;
        state->setLastCustomPromptText(text);
        state->saveCustomPromptAsQuickAction(); // that it is stored and offered once is the quick prompt view's test
        const QList<Prompt> saved = state->projects().at(0).prompts;
        const Prompt expected{saved.last().id, 8, u"Add 👩‍💻 and 🇩🇪 to every lin"_s, text};
        QCOMPARE(saved, prompts + QList<Prompt>{expected});
    }

    void deletingTheActiveSessionPicksTheNewest()
    {
        Fixture f;
        auto state = f.makeState();
        const ChatSession first = state->newChatSession();
        const ChatSession second = state->newChatSession();
        const ChatSession third = state->newChatSession();
        QSignalSpy activeChanged(state.get(), &AppState::activeChatSessionChanged);
        state->deleteSession(first.id); // not the active one: nothing moves
        QCOMPARE(activeChanged.size(), 0);
        state->deleteSession(third.id);
        QCOMPARE(state->activeChatSessionID(), std::optional<QUuid>(second.id));
        QCOMPARE(ChatStore().loadSessions(), QList<ChatSession>{second});
    }

    // Text as read from another X client is the clipboard text test's, a copied image the app delegate's; here a
    // damaged PNG is passed over for the next image, and which changes are announced.
    void readClipboard()
    {
        Fixture f;
        auto state = f.makeState();
        state->setClipboardText(u"old"_s);
        state->setClipboardImage(QImage(1, 1, QImage::Format_RGB32));
        QImage red(4, 3, QImage::Format_RGB32);
        red.fill(Qt::red);
        auto* mime = new QMimeData;
        mime->setText(u"caption"_s);
        mime->setData(u"image/png"_s, QByteArray("\x89PNG"));
        mime->setImageData(red);
        QGuiApplication::clipboard()->setMimeData(mime);

        QSignalSpy textChanged(state.get(), &AppState::clipboardTextChanged);
        QSignalSpy imageChanged(state.get(), &AppState::clipboardImageChanged);
        state->readClipboard();
        state->readClipboard(); // the same text and an equal image are no change
        QCOMPARE(textChanged.size(), 1);
        QCOMPARE(imageChanged.size(), 1);
        QCOMPARE(state->clipboardText(), u"caption"_s);
        QCOMPARE(state->clipboardImage(), std::optional<QImage>(red));
    }
};

QTEST_MAIN(TestAppState)
#include "tst_appstate.moc"
