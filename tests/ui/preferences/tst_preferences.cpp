// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/preferences/PreferencesWindow.h"

#include "input/HotkeyManager.h"
#include "model/AppState.h"
#include "model/Settings.h"
#include "platform/Autostart.h"
#include "platform/null/GlobalHotkeyNull.h"
#include "platform/null/KeyMonitorNull.h"
#include "support/FakeSyncServer.h"
#include "support/TestEnvironment.h"
#include "sync/SyncService.h"
#include "ui/ThemeManager.h"
#include "ui/preferences/AITab.h"
#include "ui/preferences/AppearanceTab.h"
#include "ui/preferences/HotkeyRecorderView.h"
#include "ui/preferences/HotkeyTab.h"
#include "ui/preferences/PromptLibrarySheet.h"
#include "ui/preferences/PromptsTab.h"
#include "ui/preferences/SettingsView.h"

#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QDir>
#include <QLabel>
#include <QClipboard>
#include <QLineEdit>
#include <QNetworkProxy>
#include <QMenu>
#include <QMessageBox>
#include <QNetworkAccessManager>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

using namespace Qt::StringLiterals;

namespace {

constexpr auto ctrl = Qt::ControlModifier;
constexpr auto shift = Qt::ShiftModifier;

Project makeProject(const QString& name, int promptCount)
{
    Project project{QUuid::createUuid(), name, u"📁"_s, {}, {}, {}, {}, {}};
    for (int i = 1; i <= promptCount; ++i)
        project.prompts.append({QUuid::createUuid(), i, u"Prompt %1"_s.arg(i), u"Do %1"_s.arg(i)});
    return project;
}

// The preferences window over temporary folders and a fake sync service. Stored data is prepared before open(),
// which makes the state and the window and shows the tab asked for.
struct Fixture
{
    TestEnvironment environment;
    Settings settings;
    QNetworkAccessManager network;
    FakeSyncServer server;
    SharedProjectClient client{network, settings};
    MemoryStore memory{environment.appFolder()};
    ThemeManager themes{&settings};
    std::unique_ptr<AppState> state;
    std::unique_ptr<SyncService> sync;
    std::unique_ptr<PreferencesWindow> window;
    HotkeyManager* hotkeys = nullptr; // none unless a test gives one

    explicit Fixture(const QList<Project>& projects = {}, int active = 0)
    {
        if (server.listen())
            settings.setString(SettingsKeys::syncBaseUrl, server.restBaseUrl());
        if (!projects.isEmpty())
            settings.setBytes(SettingsKeys::userProjects, Project::encodeList(projects));
        settings.setInteger(SettingsKeys::activeProjectIndex, active);
    }

    template <typename Tab> Tab* open()
    {
        state = std::make_unique<AppState>(settings, ChatStore(environment.appFolder()));
        sync = std::make_unique<SyncService>(*state, client);
        window = std::make_unique<PreferencesWindow>(*state, settings, sync.get(), hotkeys, memory, themes);
        window->present();
        Tab* tab = window->findChild<Tab*>();
        window->settingsView()->tabs()->setCurrentWidget(tab);
        return tab;
    }

    template <typename T> T* find(const QString& name) const { return window->findChild<T*>(name); }

    QList<Project> stored() const
    {
        return Project::decodeList(settings.bytes(SettingsKeys::userProjects)).value_or(QList<Project>{});
    }

    void triggerMenu(int row, const QString& action)
    {
        const std::unique_ptr<QMenu> menu(window->settingsView()->promptsTab()->promptContextMenu(row));
        QVERIFY(menu && menu->findChild<QAction*>(action));
        menu->findChild<QAction*>(action)->trigger();
    }
};

} // namespace

class TestPreferences : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The AI tab asks the configured server for its models; with OpenAI's default host that would leave the
    // machine. A dead proxy keeps every request here.
    void initTestCase()
    {
        QNetworkProxy::setApplicationProxy(QNetworkProxy(QNetworkProxy::HttpProxy, u"127.0.0.1"_s, 9));
    }

    // Appearance goes through the theme manager, and the window follows the theme at once.
    void appearanceFollowsTheTheme()
    {
        Fixture f;
        f.open<AppearanceTab>()->findChild<QRadioButton*>(u"themeDark"_s)->click();
        QCOMPARE(f.settings.string(SettingsKeys::appTheme), u"dark"_s);
        QCOMPARE(f.window->settingsView()->palette().color(QPalette::Window),
                 ThemeColors{AppTheme::Dark}.windowBackground());
    }

    void aiSettingsAreWrittenAsEdited()
    {
        Fixture f;
        f.settings.setString(SettingsKeys::openaiApiKey, u"sk-old"_s);
        f.open<AITab>();
        auto* key = f.find<QLineEdit>(u"apiKeyEdit"_s);
        QCOMPARE(key->echoMode(), QLineEdit::Password);
        key->selectAll();
        QTest::keyClick(key, Qt::Key_Backspace); // written as typed, even empty
        QVERIFY(f.settings.contains(SettingsKeys::openaiApiKey));
        QCOMPARE(f.settings.string(SettingsKeys::openaiApiKey), QString());
        QTest::keyClicks(key, u"  sk-pasted "_s); // a pasted key keeps no surrounding blanks
        QCOMPARE(f.settings.string(SettingsKeys::openaiApiKey), u"sk-pasted"_s);

        // Local servers name their own models.
        auto* picker = f.find<QComboBox>(u"modelPicker"_s);
        picker->lineEdit()->clear();
        QTest::keyClicks(picker->lineEdit(), u"llama3.1:8b"_s);
        QCOMPARE(f.settings.string(SettingsKeys::openaiModel), u"llama3.1:8b"_s);

        auto* endpoint = f.find<QLineEdit>(u"endpointEdit"_s);
        QTest::keyClicks(endpoint, u"http://localhost:11434"_s);
        QCOMPARE(f.settings.string(SettingsKeys::apiBaseUrl), u"http://localhost:11434"_s);
        endpoint->selectAll();
        QTest::keyClick(endpoint, Qt::Key_Delete); // empty means the default
        QVERIFY(!f.settings.contains(SettingsKeys::apiBaseUrl));

        auto* editor = f.find<QPlainTextEdit>(u"personalityEdit"_s);
        QCOMPARE(editor->toPlainText(), MemoryStore::defaultPersonality());
        editor->selectAll();
        QTest::keyClick(editor, Qt::Key_Delete); // emptied, it stays empty rather than turning back to the default
        QCOMPARE(f.memory.loadPersonality(), QString());
        QTest::keyClicks(editor, u"Be brief."_s);
        QCOMPARE(f.memory.loadPersonality(), u"Be brief."_s);
        f.find<QPushButton>(u"resetPersonalityButton"_s)->click();
        QCOMPARE(f.memory.loadPersonality(), MemoryStore::defaultPersonality());
    }

    // The user's memory and the chosen project's, each with its clear button; another project shows its own.
    void memories()
    {
        const Project second = makeProject(u"P1"_s, 0);
        Fixture f({defaultProject(), second}, 1);
        MemoryStore::appendFacts(f.memory.userMemoryPath(), {u"Lives in Graz"_s});
        MemoryStore::appendFacts(f.memory.projectMemoryPath(second.id), {u"Uses Qt 6"_s});
        f.open<AITab>();
        auto* picker = f.find<QComboBox>(u"memoryProjectPicker"_s);
        auto* projectText = f.find<QLabel>(u"projectMemoryText"_s);
        auto* clearProject = f.find<QPushButton>(u"clearProjectMemoryButton"_s);
        QCOMPARE(f.find<QLabel>(u"userMemoryText"_s)->text(), u"Lives in Graz"_s);
        QCOMPARE(projectText->text(), u"Uses Qt 6"_s);
        picker->activated(0); // empty, and nothing to clear
        QCOMPARE(projectText->text(), u"No project memories yet."_s);
        QVERIFY(!clearProject->isVisible());
        picker->activated(1);
        clearProject->click();
        QCOMPARE(TestEnvironment::readFile(f.memory.projectMemoryPath(second.id)), QByteArray());
        QCOMPARE(projectText->text(), u"No project memories yet."_s);
        f.find<QPushButton>(u"clearUserMemoryButton"_s)->click();
        QCOMPARE(TestEnvironment::readFile(f.memory.userMemoryPath()), QByteArray());
    }

    void hotkeyRecording_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<quint32>("storedCode"); // 0: the key is ignored and recording goes on
        QTest::addColumn<quint32>("storedModifiers");
        QTest::addColumn<QString>("shown");
        const Qt::KeyboardModifiers none, control(ctrl);
        QTest::newRow("Ctrl+Shift+K") << int(Qt::Key_K) << (ctrl | shift) << 40u << 0x300u << "Ctrl+Shift+K";
        // Alt comes before Super, whatever order they are held in.
        QTest::newRow("Alt+Super+Space") << int(Qt::Key_Space) << (Qt::MetaModifier | Qt::AltModifier) << 49u << 0x1800u
                                         << "Alt+Super+Space";
        QTest::newRow("Ctrl+Escape has no name") << int(Qt::Key_Escape) << control << 53u << 0x100u << "Ctrl+Key53";
        QTest::newRow("Ctrl+Shift+1 as typed")
            << int(Qt::Key_Exclam) << (ctrl | shift) << 18u << 0x300u << "Ctrl+Shift+1";
        QTest::newRow("K alone") << int(Qt::Key_K) << none << 0u << 0u << "Not set";
        // The A position is key code 0, which means "none": it cannot hold a shortcut.
        QTest::newRow("Ctrl+A") << int(Qt::Key_A) << control << 0u << 0u << "Not set";
    }

    void hotkeyRecording()
    {
        QFETCH(int, key);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(quint32, storedCode);
        QFETCH(quint32, storedModifiers);
        QFETCH(QString, shown);
        Fixture f;
        f.open<HotkeyTab>();
        auto* recorder = f.find<HotkeyRecorderView>(u"hotkeyRecorder"_s);
        auto* clear = f.find<QPushButton>(u"clearHotkeyButton"_s);
        QTest::mouseClick(recorder, Qt::LeftButton);
        // Holding the modifier down first is a key press of its own; it must not end the recording.
        QTest::keyPress(recorder, Qt::Key_Control, Qt::ControlModifier);
        QVERIFY(recorder->isRecording());
        QTest::keyClick(recorder, Qt::Key(key), modifiers);
        QCOMPARE(recorder->isRecording(), storedCode == 0);
        if (storedCode == 0) // a second click ends the recording without a shortcut
            QTest::mouseClick(recorder, Qt::LeftButton);
        QVERIFY(!recorder->isRecording());
        QCOMPARE(f.settings.contains(SettingsKeys::customHotkeyKeycode), storedCode != 0);
        QCOMPARE(f.settings.hotkeyValue(SettingsKeys::customHotkeyKeycode), storedCode);
        QCOMPARE(f.settings.hotkeyValue(SettingsKeys::customHotkeyModifiers), storedModifiers);
        QCOMPARE(recorder->text(), shown);
        QCOMPARE(clear->isVisible(), storedCode != 0);
        if (storedCode == 0)
            return;
        // Clearing stores zero rather than removing the keys.
        QTest::mouseClick(clear, Qt::LeftButton);
        QCOMPARE(f.settings.hotkeyValue(SettingsKeys::customHotkeyKeycode), 0u);
        QVERIFY(f.settings.contains(SettingsKeys::customHotkeyKeycode));
        QCOMPARE(recorder->text(), u"Not set"_s);
        QVERIFY(!clear->isVisible());
    }

    // The startup switch writes and removes the login entry, and shows the file's real state, also when it fails.
    void autostartToggle()
    {
        Fixture f;
        f.open<HotkeyTab>();
        auto* toggle = f.find<QAbstractButton>(u"autostartToggle"_s);
        QVERIFY(!toggle->isChecked());
        toggle->click();
        QVERIFY(Autostart::isEnabled() && toggle->isChecked());
        toggle->click();
        QVERIFY(!QFile::exists(Autostart::entryPath()) && !toggle->isChecked());

        // A file where the autostart folder should be: the switch stays off and says why.
        const QString folder = QFileInfo(Autostart::entryPath()).absolutePath();
        QVERIFY(QDir(folder).removeRecursively() && TestEnvironment::writeFile(folder, "not a folder"));
        toggle->click();
        QVERIFY(!toggle->isChecked());
        QVERIFY(!f.find<QLabel>(u"autostartError"_s)->text().isEmpty());
    }

    // A shortcut the session refused is shown as refused under the recorder, never as working.
    void refusedShortcutIsShownAsRefused()
    {
        Fixture f;
        HotkeyManager manager(std::make_unique<KeyMonitorNull>(u"no keys here"_s),
                              std::make_unique<GlobalHotkeyNull>(u"no keys here"_s));
        f.hotkeys = &manager;
        f.settings.setInteger(SettingsKeys::customHotkeyModifiers, 0x100);
        f.settings.setInteger(SettingsKeys::customHotkeyKeycode, 40);
        manager.configure(false, 40, 0x100);
        f.open<HotkeyTab>();
        QCOMPARE(f.find<HotkeyRecorderView>(u"hotkeyRecorder"_s)->text(), u"Ctrl+K"_s);
        QVERIFY(f.find<QLabel>(u"hotkeyError"_s)->text().contains(u"could not take this shortcut"));
        f.find<QPushButton>(u"clearHotkeyButton"_s)->click();
        manager.configure(false, 0, 0);
        QVERIFY(f.find<QLabel>(u"hotkeyError"_s)->isHidden());
    }

    // Deleting moves the selection back by one; the last project left cannot be deleted.
    void deleteProject()
    {
        const QList<Project> projects{makeProject(u"P0"_s, 2), makeProject(u"P1"_s, 2)};
        Fixture f(projects, 1);
        f.open<PromptsTab>();
        auto* remove = f.find<QPushButton>(u"deleteProjectButton"_s);
        QVERIFY(remove->isVisible());
        remove->click();
        QCOMPARE(f.stored(), projects.first(1));
        QCOMPARE(f.state->activeProjectIndex(), 0);
        QCOMPARE(f.find<QLineEdit>(u"projectNameEdit"_s)->text(), projects[0].name);
        QVERIFY(!remove->isVisible());
    }

    // Setting the text default again, or deleting its prompt, removes the text default and keeps the image one.
    void defaultsAreIndependent()
    {
        for (const QString& action : {u"textDefaultAction"_s, u"deletePromptAction"_s}) {
            Fixture f({makeProject(u"Work"_s, 3)});
            auto* tab = f.open<PromptsTab>();
            f.triggerMenu(1, u"textDefaultAction"_s);
            f.triggerMenu(2, u"imageDefaultAction"_s);
            const std::optional<QUuid> image = f.state->projects()[0].prompts[2].id;
            QCOMPARE(f.stored()[0].defaultPromptID, std::optional<QUuid>(f.state->projects()[0].prompts[1].id));
            QCOMPARE(f.stored()[0].defaultImagePromptID, image);
            QCOMPARE(tab->findChildren<QLabel*>(u"textDefaultBadge"_s).size(), 1);
            f.triggerMenu(1, action);
            QCOMPARE(f.stored()[0].defaultPromptID, std::nullopt);
            QCOMPARE(f.stored()[0].defaultImagePromptID, image);
        }
    }

    void newAndEditedPromptsAreCommitted()
    {
        Fixture f({makeProject(u"Work"_s, 2)});
        auto* tab = f.open<PromptsTab>();
        f.find<QPushButton>(u"newPromptButton"_s)->click();
        auto* save = f.find<QPushButton>(u"promptSaveButton"_s);
        QVERIFY(!save->isEnabled());
        QTest::keyClicks(f.find<QLineEdit>(u"promptTitleEdit"_s), u"Haiku"_s);
        f.find<QPlainTextEdit>(u"promptSystemPromptEdit"_s)->setPlainText(u"As a haiku."_s);
        save->click();
        const Prompt added = f.stored()[0].prompts.value(2);
        QCOMPARE(added.title + u'|' + added.systemPrompt, u"Haiku|As a haiku."_s);

        // Edit the first; Escape in the editor cancels a second edit.
        tab->findChildren<QToolButton*>(u"editPromptButton"_s).first()->click();
        auto* title = f.find<QLineEdit>(u"promptTitleEdit"_s);
        QCOMPARE(title->text(), u"Prompt 1"_s);
        title->setText(u"Renamed"_s);
        QTest::keyClick(title, Qt::Key_Return);
        QCOMPARE(f.stored()[0].prompts[0].title, u"Renamed"_s);
        tab->findChildren<QToolButton*>(u"editPromptButton"_s).first()->click();
        title->setText(u"Thrown away"_s);
        QTest::keyClick(title, Qt::Key_Escape);
        QVERIFY(!tab->isEditingPrompt());
        QCOMPARE(f.stored()[0].prompts[0].title, u"Renamed"_s);

        // A change of the active project closes the editor.
        f.find<QPushButton>(u"newPromptButton"_s)->click();
        f.state->setProjects(f.state->projects() + QList<Project>{makeProject(u"Other"_s, 1)});
        f.state->setActiveProjectIndex(1);
        QVERIFY(!tab->isEditingPrompt());
    }

    void libraryPromptsAreCopied()
    {
        Fixture f({makeProject(u"Work"_s, 1)});
        auto* tab = f.open<PromptsTab>();
        f.find<QPushButton>(u"addFromLibraryButton"_s)->click();
        auto* sheet = tab->findChild<PromptLibrarySheet*>();
        QVERIFY(sheet);
        QTRY_VERIFY(sheet->isVisible());
        sheet->findChildren<QToolButton*>(u"libraryAddButton"_s).value(1)->click();
        const Prompt added = f.stored()[0].prompts.last();
        QCOMPARE(added.systemPrompt, defaultPrompts()[1].systemPrompt);
        QVERIFY(added.id != defaultPrompts()[1].id); // a copy, not the library's prompt
    }

    // The owner key is hidden until shown, copied as it is, and a pasted key (from another computer) is kept; the
    // connection check says the service answers.
    void ownerKeyAndConnectionCheck()
    {
        Fixture f({makeProject(u"Team"_s, 2)});
        f.open<PromptsTab>();
        auto* owner = f.find<QLineEdit>(u"ownerKeyEdit"_s);
        QCOMPARE(owner->echoMode(), QLineEdit::Password);
        f.find<QPushButton>(u"showOwnerKeyButton"_s)->click();
        QCOMPARE(owner->echoMode(), QLineEdit::Normal);
        f.find<QPushButton>(u"copyOwnerKeyButton"_s)->click();
        QCOMPARE(QGuiApplication::clipboard()->text(), f.settings.syncOwnerKey());
        owner->selectAll();
        QTest::keyClicks(owner, u" KEY-FROM-MY-LAPTOP "_s);
        QCOMPARE(f.settings.syncOwnerKey(), u"KEY-FROM-MY-LAPTOP"_s);
        owner->clear();
        QTest::keyClick(owner, Qt::Key_Backspace); // emptied: the key stays
        QCOMPARE(f.settings.syncOwnerKey(), u"KEY-FROM-MY-LAPTOP"_s);

        f.find<QPushButton>(u"testConnectionButton"_s)->click();
        QTRY_COMPARE(f.find<QLabel>(u"connectionResult"_s)->text(),
                     u"Connected: the sync service answers with this key."_s);
    }

    // A refused share leaves the project alone, and without a server there is nothing to share to until one is
    // typed in; then the project is shared, renamed and unlinked.
    void shareRenameAndUnlink()
    {
        Fixture f({makeProject(u"Team"_s, 2)});
        auto* tab = f.open<PromptsTab>();
        auto* share = f.find<QPushButton>(u"shareButton"_s);
        f.server.setOverride(u"create_shared_project"_s, HttpResponse::json(R"({"message":"limit reached"})", 403));
        share->click();
        QTRY_VERIFY(!tab->isSharing());
        QCOMPARE(tab->shareError(), QStringLiteral(R"(Sync error 403: {"message":"limit reached"})"));
        QVERIFY(f.find<QLabel>(u"shareErrorLabel"_s)->isVisible());
        QCOMPARE(f.state->projects()[0].shareCode, std::nullopt);
        f.settings.setString(SettingsKeys::syncBaseUrl, QString());
        QVERIFY(!share->isEnabled());
        QTest::keyClicks(f.find<QLineEdit>(u"syncServerEdit"_s), f.server.restBaseUrl());
        QVERIFY(share->isEnabled());

        f.server.clearOverride(u"create_shared_project"_s);
        share->click();
        QTRY_VERIFY(!tab->isSharing());
        QCOMPARE(f.server.calls(u"create_shared_project"_s).last().value(u"p_license_key").toString(),
                 f.settings.syncOwnerKey());
        QCOMPARE(f.stored()[0].shareCode, std::optional<QString>(u"SHARE001"_s));
        // The commit went through replaceProjects with the owner key, which pushes the shared project.
        QTRY_COMPARE(f.server.calls(u"upsert_shared_project"_s).size(), 1);

        // Typing a name stores at once and uploads once after the pause, not once per key.
        QTest::keyClicks(f.find<QLineEdit>(u"projectNameEdit"_s), u" A"_s);
        QCOMPARE(f.stored()[0].name, u"Team A"_s);
        QTRY_COMPARE(f.server.calls(u"upsert_shared_project"_s).size(), 2);
        QCOMPARE(f.server.row(u"SHARE001"_s)->value(u"name").toString(), u"Team A"_s);
        QTest::qWait(1000);
        QCOMPARE(f.server.calls(u"upsert_shared_project"_s).size(), 2);

        f.find<QPushButton>(u"unlinkButton"_s)->click();
        QCOMPARE(f.stored()[0].shareCode, std::nullopt);
        QTRY_COMPARE(f.client.pendingRequests(), 0);
        QCOMPARE(f.server.calls(u"upsert_shared_project"_s).size(), 2);
        QVERIFY(f.server.row(u"SHARE001"_s)); // unlinking keeps the server copy
    }

    void deleteFromServer_data()
    {
        QTest::addColumn<bool>("confirm");
        QTest::addColumn<QString>("owner"); // of the server copy; empty: ours
        QTest::addColumn<int>("status");    // 0: the table answers
        QTest::addColumn<QString>("error");
        QTest::newRow("owner") << true << QString() << 0 << QString();
        QTest::newRow("not the owner") << true << u"someone else"_s << 0
                                       << u"Could not delete: you may not be the owner"_s;
        QTest::newRow("cancelled") << false << QString() << 0 << QString();
    }

    void deleteFromServer()
    {
        QFETCH(bool, confirm);
        QFETCH(QString, owner);
        QFETCH(int, status);
        QFETCH(QString, error);
        Project project = makeProject(u"Team"_s, 1);
        Fixture f({project});
        auto* tab = f.open<PromptsTab>();
        const QString code = f.server.addProject(QJsonObject{{u"name"_s, project.name}},
                                                 owner.isEmpty() ? f.settings.syncOwnerKey() : owner);
        project.shareCode = code;
        f.state->replaceProjects({project});
        if (status)
            f.server.setOverride(u"delete_shared_project"_s, HttpResponse::json("boom", status));

        f.find<QToolButton>(u"deleteFromServerButton"_s)->click();
        auto* box = tab->findChild<QMessageBox*>(u"deleteFromServerConfirmation"_s);
        QVERIFY(box);
        (confirm ? box->findChild<QAbstractButton*>(u"confirmDeleteFromServer"_s) : box->escapeButton())->click();
        QTRY_VERIFY(!tab->isDeletingFromServer());
        QCOMPARE(f.server.calls(u"delete_shared_project"_s).size(), confirm ? 1 : 0);
        QCOMPARE(f.find<QLabel>(u"shareErrorLabel"_s)->text(), error);
        const bool deleted = confirm && error.isEmpty();
        QCOMPARE(f.stored()[0].shareCode, deleted ? std::nullopt : std::optional<QString>(code));
        QCOMPARE(bool(f.server.row(code)), !deleted);
    }
};

QTEST_MAIN(TestPreferences)
#include "tst_preferences.moc"
