// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/preferences/PreferencesWindow.h"

#include "ai/ModelCatalog.h"
#include "input/HotkeyManager.h"
#include "model/AppState.h"
#include "model/Settings.h"
#include "platform/Autostart.h"
#include "platform/appearance/AppearancePortal.h"
#include "platform/null/GlobalHotkeyNull.h"
#include "platform/null/KeyMonitorNull.h"
#include "support/FakeSyncServer.h"
#include "support/PrivateSessionBus.h"
#include "support/TestEnvironment.h"
#include "sync/SyncService.h"
#include "ui/ThemeManager.h"
#include "ui/preferences/AITab.h"
#include "ui/preferences/HotkeyRecorderView.h"
#include "ui/preferences/HotkeyTab.h"
#include "ui/preferences/PromptLibrarySheet.h"
#include "ui/preferences/PromptsTab.h"
#include "ui/preferences/SettingsView.h"

#include <QApplication>
#include <QComboBox>
#include <QDBusContext>
#include <QDBusError>
#include <QDBusVariant>
#include <QFileInfo>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkProxy>
#include <QMenu>
#include <QMessageBox>
#include <QNetworkAccessManager>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
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

HttpResponse modelList(const QStringList& ids)
{
    QJsonArray data;
    for (const QString& id : ids)
        data.append(QJsonObject{{u"id"_s, id}, {u"object"_s, u"model"_s}, {u"owned_by"_s, u"library"_s}});
    return HttpResponse::json(QJsonDocument(QJsonObject{{u"object"_s, u"list"_s}, {u"data"_s, data}}).toJson());
}

QPalette paletteWithWindow(const QColor& window)
{
    QPalette palette = QApplication::palette();
    palette.setColor(QPalette::Window, window);
    return palette;
}

// A settings portal on a private session bus that publishes org.freedesktop.appearance color-scheme and announces its
// changes like the real one. `scheme` absent: it has no such setting; `supportsReadOne` false: an old portal with only
// Read, which wraps the value in one more variant.
class FakeSettingsPortal : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")

public:
    FakeSettingsPortal(std::optional<uint> scheme, bool supportsReadOne) : m_scheme(scheme), m_readOne(supportsReadOne)
    {
        m_exported = m_bus.isRunning() && m_bus.connection().registerObject(u"/org/freedesktop/portal/desktop"_s, this,
                                                                            QDBusConnection::ExportAllSlots |
                                                                                QDBusConnection::ExportAllSignals);
    }
    QString busAddress() const { return m_exported ? m_bus.address() : QString(); }
    void setColorScheme(uint scheme)
    {
        m_scheme = scheme;
        Q_EMIT SettingChanged(u"org.freedesktop.appearance"_s, u"color-scheme"_s, QDBusVariant(scheme));
    }

public Q_SLOTS:
    QDBusVariant ReadOne(const QString& nameSpace, const QString& key)
    {
        if (!m_readOne)
            sendErrorReply(QDBusError::UnknownMethod, u"No such method"_s);
        return m_readOne ? lookup(nameSpace, key).value_or(QDBusVariant()) : QDBusVariant();
    }
    QDBusVariant Read(const QString& nameSpace, const QString& key)
    {
        const auto value = lookup(nameSpace, key);
        return value ? QDBusVariant(QVariant::fromValue(*value)) : QDBusVariant();
    }

Q_SIGNALS:
    void SettingChanged(const QString& nameSpace, const QString& key, const QDBusVariant& value);

private:
    std::optional<QDBusVariant> lookup(const QString& nameSpace, const QString& key)
    {
        if (nameSpace == u"org.freedesktop.appearance" && key == u"color-scheme" && m_scheme)
            return QDBusVariant(*m_scheme);
        sendErrorReply(u"org.freedesktop.portal.Error.NotFound"_s, u"Requested setting not found"_s);
        return std::nullopt;
    }

    PrivateSessionBus m_bus{u"org.freedesktop.portal.Desktop"_s};
    bool m_exported = false;
    std::optional<uint> m_scheme;
    bool m_readOne;
};

// The preferences window over temporary folders and a fake sync service. Stored data is prepared before open(),
// which makes the state and the window and shows the tab asked for.
struct Fixture
{
    TestEnvironment environment;
    Settings settings;
    QNetworkAccessManager network;
    FakeSyncServer server;
    LoopbackHttpServer models; // the AI tab's model server, when a test gives one
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

    // The AI tab pointed at a loopback server that answers every request with this.
    AITab* openAI(const HttpResponse& response)
    {
        models.setHandler([response](const HttpRequest&) { return response; });
        settings.setString(SettingsKeys::apiBaseUrl, models.listen() ? models.baseUrl() : QString());
        settings.setString(SettingsKeys::openaiModel, u"qwen2.5-vl"_s);
        return open<AITab>();
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

    void aiSettingsAreWrittenAsEdited()
    {
        Fixture f;
        f.settings.setString(SettingsKeys::openaiApiKey, u"sk-old"_s);
        f.settings.setString(SettingsKeys::apiBaseUrl, u"http://localhost:11434"_s);
        f.settings.setString(SettingsKeys::memoryModel, u"llama3.2:1b"_s);
        f.open<AITab>();
        auto* key = f.find<QLineEdit>(u"apiKeyEdit"_s);
        key->selectAll();
        QTest::keyClicks(key, u"  sk-pasted "_s); // a pasted key keeps no surrounding blanks
        QCOMPARE(f.settings.string(SettingsKeys::openaiApiKey), u"sk-pasted"_s);

        // Emptied, the endpoint and the memory model are removed: empty means the default.
        for (QLineEdit* edit : {f.find<QLineEdit>(u"endpointEdit"_s), f.find<QLineEdit>(u"memoryModelEdit"_s)}) {
            edit->selectAll();
            QTest::keyClick(edit, Qt::Key_Delete);
        }
        QVERIFY(!f.settings.contains(SettingsKeys::apiBaseUrl) && !f.settings.contains(SettingsKeys::memoryModel));

        auto* editor = f.find<QPlainTextEdit>(u"personalityEdit"_s);
        editor->selectAll();
        QTest::keyClick(editor, Qt::Key_Delete); // emptied, it stays empty rather than turning back to the default
        QCOMPARE(f.memory.loadPersonality(), QString());
        f.find<QPushButton>(u"resetPersonalityButton"_s)->click();
        QCOMPARE(f.memory.loadPersonality(), MemoryStore::defaultPersonality());
    }

    // A server that does not list its models gets a note, no OpenAI table, and the model in use stays.
    void modelListFromTheServer()
    {
        Fixture f;
        f.openAI(HttpResponse::text("404 page not found", 404));
        auto* picker = f.find<QComboBox>(u"modelPicker"_s);
        auto* listNote = f.find<QLabel>(u"modelListNote"_s);
        QTRY_VERIFY(listNote->isVisible() && !listNote->text().isEmpty());
        QCOMPARE(picker->count(), 0);
        QCOMPARE(picker->currentText(), u"qwen2.5-vl"_s);
    }

    // The endpoint is asked for its models; a local server found and picked becomes the endpoint, is asked in turn,
    // and brings a model it has.
    void typedAndPickedServers()
    {
        Fixture f;
        AITab* tab = f.openAI(modelList({u"llama3.2"_s}));
        QTRY_COMPARE(tab->serverModels(), QStringList{u"llama3.2"_s});
        LoopbackHttpServer ollama;
        QVERIFY(ollama.listen());
        const QStringList models{u"llama3.2"_s, u"qwen2.5-vl"_s};
        ollama.setHandler([&](const HttpRequest&) { return modelList(models); });
        f.find<ModelCatalog>({})->setLocalPorts({{u"Ollama"_s, ollama.port()}});
        f.settings.setString(SettingsKeys::openaiModel, u"gpt-4o"_s);

        f.find<QPushButton>(u"findLocalServersButton"_s)->click();
        QAbstractButton* row = nullptr;
        QTRY_VERIFY((row = f.find<QAbstractButton>(u"localServerRow"_s)));
        row->click();
        QCOMPARE(f.settings.string(SettingsKeys::apiBaseUrl), ollama.baseUrl());
        QCOMPARE(f.settings.string(SettingsKeys::openaiModel), u"llama3.2"_s); // gpt-4o is not there
        QTRY_COMPARE(tab->serverModels(), models);
    }

    void hotkeyRecording_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<quint32>("storedCode"); // 0: the key is ignored and recording goes on
        QTest::addColumn<quint32>("storedModifiers");
        const Qt::KeyboardModifiers none, control(ctrl);
        QTest::newRow("Alt+Super+Space") << int(Qt::Key_Space) << (Qt::MetaModifier | Qt::AltModifier) << 49u
                                         << 0x1800u;
        QTest::newRow("Ctrl+Escape records") << int(Qt::Key_Escape) << control << 53u << 0x100u;
        QTest::newRow("Ctrl+Shift+1 as typed") << int(Qt::Key_Exclam) << (ctrl | shift) << 18u << 0x300u;
        QTest::newRow("K alone") << int(Qt::Key_K) << none << 0u << 0u;
        // The A position is key code 0, which means "none": it cannot hold a shortcut.
        QTest::newRow("Ctrl+A") << int(Qt::Key_A) << control << 0u << 0u;
    }

    void hotkeyRecording()
    {
        QFETCH(int, key);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(quint32, storedCode);
        QFETCH(quint32, storedModifiers);
        Fixture f;
        f.open<HotkeyTab>();
        auto* recorder = f.find<HotkeyRecorderView>(u"hotkeyRecorder"_s);
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
    }

    // The startup switch shows the entry's real state when writing it fails: with a file where the autostart folder
    // should be, it stays off and says why. Writing the entry is the first-run test's, reading it the backends'.
    void autostartToggle()
    {
        Fixture f;
        f.open<HotkeyTab>();
        auto* toggle = f.find<QAbstractButton>(u"autostartToggle"_s);
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
        QVERIFY(f.find<QLabel>(u"hotkeyError"_s)->isVisible());
        f.find<QPushButton>(u"clearHotkeyButton"_s)->click();
        // Clearing stores zero rather than removing the keys.
        QVERIFY(f.settings.contains(SettingsKeys::customHotkeyKeycode));
        QCOMPARE(f.settings.hotkeyValue(SettingsKeys::customHotkeyKeycode), 0u);
        manager.configure(false, 0, 0);
        QVERIFY(f.find<QLabel>(u"hotkeyError"_s)->isHidden());
    }

    // Setting the text default again, or deleting its prompt, removes the text default and keeps the image one.
    void defaultsAreIndependent()
    {
        for (const QString& action : {u"textDefaultAction"_s, u"deletePromptAction"_s}) {
            Fixture f({makeProject(u"Work"_s, 3)});
            f.open<PromptsTab>();
            f.triggerMenu(1, u"textDefaultAction"_s);
            f.triggerMenu(2, u"imageDefaultAction"_s);
            const std::optional<QUuid> image = f.state->projects()[0].prompts[2].id;
            f.triggerMenu(1, action);
            QCOMPARE(f.stored()[0].defaultPromptID, std::nullopt);
            QCOMPARE(f.stored()[0].defaultImagePromptID, image);
        }
    }

    // New, edited and library prompts are committed; a library prompt is added as a copy.
    void newEditedAndLibraryPromptsAreCommitted()
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

        tab->findChildren<QToolButton*>(u"editPromptButton"_s).first()->click();
        auto* title = f.find<QLineEdit>(u"promptTitleEdit"_s);
        title->setText(u"Renamed"_s);
        QTest::keyClick(title, Qt::Key_Return);
        QCOMPARE(f.stored()[0].prompts[0].title, u"Renamed"_s);

        f.find<QPushButton>(u"addFromLibraryButton"_s)->click();
        auto* sheet = tab->findChild<PromptLibrarySheet*>();
        QTRY_VERIFY(sheet && sheet->isVisible());
        sheet->findChildren<QToolButton*>(u"libraryAddButton"_s).value(1)->click();
        const Prompt copied = f.stored()[0].prompts.last();
        QCOMPARE(copied.systemPrompt, defaultPrompts()[1].systemPrompt);
        QVERIFY(copied.id != defaultPrompts()[1].id); // a copy, not the library's prompt
    }

    // A pasted owner key (from another computer) is kept, also once the field is emptied. A refused share leaves the
    // project alone; then the project is shared with that key and unlinked.
    void ownerKeyShareRenameAndUnlink()
    {
        Fixture f({makeProject(u"Team"_s, 2)});
        auto* tab = f.open<PromptsTab>();
        auto* owner = f.find<QLineEdit>(u"ownerKeyEdit"_s);
        owner->selectAll();
        QTest::keyClicks(owner, u" KEY-FROM-MY-LAPTOP "_s);
        QCOMPARE(f.settings.syncOwnerKey(), u"KEY-FROM-MY-LAPTOP"_s);
        owner->clear();
        QTest::keyClick(owner, Qt::Key_Backspace); // emptied: the key stays

        auto* share = f.find<QPushButton>(u"shareButton"_s);
        f.server.setOverride(u"create_shared_project"_s, HttpResponse::json(R"({"message":"limit reached"})", 403));
        share->click();
        QTRY_VERIFY(!tab->isSharing());
        QCOMPARE(tab->shareError(), QStringLiteral(R"(Sync error 403: {"message":"limit reached"})"));
        QCOMPARE(f.state->projects()[0].shareCode, std::nullopt);

        f.server.clearOverride(u"create_shared_project"_s);
        share->click();
        QTRY_VERIFY(!tab->isSharing());
        QCOMPARE(f.server.calls(u"create_shared_project"_s).last().value(u"p_license_key").toString(),
                 u"KEY-FROM-MY-LAPTOP"_s);
        QCOMPARE(f.stored()[0].shareCode, std::optional<QString>(u"SHARE001"_s));

        f.find<QPushButton>(u"unlinkButton"_s)->click();
        QCOMPARE(f.stored()[0].shareCode, std::nullopt);
        QTRY_COMPARE(f.client.pendingRequests(), 0);
        QVERIFY(f.server.row(u"SHARE001"_s)); // unlinking keeps the server copy
    }

    void deleteFromServer_data()
    {
        QTest::addColumn<bool>("confirm");
        QTest::addColumn<QString>("owner"); // of the server copy; empty: ours
        QTest::addColumn<QString>("error");
        QTest::newRow("owner") << true << QString() << QString();
        QTest::newRow("not the owner") << true << u"someone else"_s << u"Could not delete: you may not be the owner"_s;
        QTest::newRow("cancelled") << false << QString() << QString();
    }

    void deleteFromServer()
    {
        QFETCH(bool, confirm);
        QFETCH(QString, owner);
        QFETCH(QString, error);
        Project project = makeProject(u"Team"_s, 1);
        Fixture f({project});
        auto* tab = f.open<PromptsTab>();
        const QString code = f.server.addProject(QJsonObject{{u"name"_s, project.name}},
                                                 owner.isEmpty() ? f.settings.syncOwnerKey() : owner);
        project.shareCode = code;
        f.state->replaceProjects({project});

        f.find<QToolButton>(u"deleteFromServerButton"_s)->click();
        auto* box = tab->findChild<QMessageBox*>(u"deleteFromServerConfirmation"_s);
        QVERIFY(box);
        (confirm ? box->findChild<QAbstractButton*>(u"confirmDeleteFromServer"_s) : box->escapeButton())->click();
        QTRY_VERIFY(!tab->isDeletingFromServer());
        QCOMPARE(f.find<QLabel>(u"shareErrorLabel"_s)->text(), error);
        const bool deleted = confirm && error.isEmpty();
        QCOMPARE(f.stored()[0].shareCode, deleted ? std::nullopt : std::optional<QString>(code));
        QCOMPARE(bool(f.server.row(code)), !deleted);
    }

    void followsTheSettingsPortal_data()
    {
        QTest::addColumn<bool>("readOne");
        QTest::addColumn<bool>("hasSetting");
        QTest::newRow("ReadOne") << true << true;
        QTest::newRow("older portal, Read only") << false << true;
        QTest::newRow("no such setting: the palette decides") << true << false;
    }

    void followsTheSettingsPortal()
    {
        QFETCH(bool, readOne);
        QFETCH(bool, hasSetting);
        QApplication::setPalette(paletteWithWindow(Qt::white));
        TestEnvironment environment;
        Settings settings;
        // Prefers dark while the palette is light.
        FakeSettingsPortal fake(hasSetting ? std::optional<uint>(1) : std::nullopt, readOne);
        QVERIFY2(!fake.busAddress().isEmpty(), "dbus-daemon could not be started");
        AppearancePortal portal(fake.busAddress(), nullptr);
        ThemeManager manager(&settings, &portal);
        QTRY_VERIFY(portal.hasAnswered());
        if (!hasSetting) {
            QApplication::setPalette(paletteWithWindow(QColor(10, 10, 10)));
            QCOMPARE(manager.resolvedTheme(AppTheme::System), AppTheme::Dark);
            return;
        }
        QCOMPARE(manager.resolvedTheme(AppTheme::System), AppTheme::Dark);

        QSignalSpy changes(&manager, &ThemeManager::themeDidChange);
        fake.setColorScheme(2);
        QTRY_COMPARE(changes.count(), 1);
        QCOMPARE(manager.resolvedTheme(AppTheme::System), AppTheme::Light);
    }
};

QTEST_MAIN(TestPreferences)
#include "tst_preferences.moc"
