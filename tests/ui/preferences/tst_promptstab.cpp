// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/preferences/PromptsTab.h"

#include "model/AppState.h"
#include "model/Settings.h"
#include "support/FakeSyncServer.h"
#include "support/TestEnvironment.h"
#include "sync/SyncService.h"
#include "ui/preferences/PromptLibrarySheet.h"

#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QNetworkAccessManager>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

using namespace Qt::StringLiterals;

namespace {

Project makeProject(const QString& name, int promptCount)
{
    Project project{QUuid::createUuid(), name, u"📁"_s, {}, {}, {}, {}, {}};
    for (int i = 1; i <= promptCount; ++i)
        project.prompts.append({QUuid::createUuid(), i, u"Prompt %1"_s.arg(i), u"Do %1"_s.arg(i)});
    return project;
}

struct Fixture
{
    TestEnvironment environment;
    Settings settings;
    QNetworkAccessManager network;
    FakeSyncServer server;
    SharedProjectClient client{network, settings};
    std::unique_ptr<AppState> state;
    std::unique_ptr<SyncService> sync;
    std::unique_ptr<PromptsTab> tab;

    explicit Fixture(const QList<Project>& projects, int active = 0)
    {
        if (server.listen())
            settings.setString(SettingsKeys::syncBaseUrl, server.restBaseUrl());
        settings.setBytes(SettingsKeys::userProjects, Project::encodeList(projects));
        settings.setInteger(SettingsKeys::activeProjectIndex, active);
        state = std::make_unique<AppState>(settings, ChatStore(environment.appFolder()));
        sync = std::make_unique<SyncService>(*state, client);
        tab = std::make_unique<PromptsTab>(*state, settings, sync.get());
        tab->show();
    }

    QList<Project> stored() const
    {
        return Project::decodeList(settings.bytes(SettingsKeys::userProjects)).value_or(QList<Project>{});
    }

    template <typename T> T* find(const QString& name) const { return tab->findChild<T*>(name); }

    void triggerMenu(int row, const QString& action)
    {
        const std::unique_ptr<QMenu> menu(tab->promptContextMenu(row));
        QVERIFY(menu && menu->findChild<QAction*>(action));
        menu->findChild<QAction*>(action)->trigger();
    }
};

} // namespace

class TestPromptsTab : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void deleteProjectNeedsTwoProjects()
    {
        for (const int count : {1, 3}) {
            QList<Project> projects;
            for (int i = 0; i < count; ++i)
                projects.append(makeProject(u"P%1"_s.arg(i), 2));
            Fixture f(projects, count - 1);
            auto* remove = f.find<QPushButton>(u"deleteProjectButton"_s);
            QCOMPARE(remove->isVisible(), count >= 2);
            if (count < 2)
                continue;
            remove->click();
            QCOMPARE(f.stored(), projects.first(count - 1));
            // The selection moves back by one.
            QCOMPARE(f.state->activeProjectIndex(), count - 2);
            QCOMPARE(f.find<QLineEdit>(u"projectNameEdit"_s)->text(), projects[count - 2].name);
        }
    }

    // Setting the text default again, or deleting its prompt, removes the text default and keeps the image one.
    void defaultsAreIndependent()
    {
        for (const QString& action : {u"textDefaultAction"_s, u"deletePromptAction"_s}) {
            Fixture f({makeProject(u"Work"_s, 3)});
            f.triggerMenu(1, u"textDefaultAction"_s);
            f.triggerMenu(2, u"imageDefaultAction"_s);
            const std::optional<QUuid> image = f.state->projects()[0].prompts[2].id;
            QCOMPARE(f.stored()[0].defaultPromptID, std::optional<QUuid>(f.state->projects()[0].prompts[1].id));
            QCOMPARE(f.stored()[0].defaultImagePromptID, image);
            QCOMPARE(f.tab->findChildren<QLabel*>(u"textDefaultBadge"_s).size(), 1);
            f.triggerMenu(1, action);
            QCOMPARE(f.stored()[0].defaultPromptID, std::nullopt);
            QCOMPARE(f.stored()[0].defaultImagePromptID, image);
        }
    }

    void newAndEditedPromptsAreCommitted()
    {
        Project project = makeProject(u"Work"_s, 2);
        project.prompts[1].number = 7;
        Fixture f({project});
        f.find<QPushButton>(u"newPromptButton"_s)->click();
        auto* save = f.find<QPushButton>(u"promptSaveButton"_s);
        QVERIFY(!save->isEnabled());
        QTest::keyClicks(f.find<QLineEdit>(u"promptTitleEdit"_s), u"Haiku"_s);
        f.find<QPlainTextEdit>(u"promptSystemPromptEdit"_s)->setPlainText(u"As a haiku."_s);
        save->click();
        const Prompt added = f.stored()[0].prompts.value(2);
        QCOMPARE(added.title + u'|' + added.systemPrompt, u"Haiku|As a haiku."_s);
        QCOMPARE(added.number, 8); // after the highest number, not the count

        // Edit the first; Escape in the editor cancels a second edit.
        f.tab->findChildren<QToolButton*>(u"editPromptButton"_s).first()->click();
        auto* title = f.find<QLineEdit>(u"promptTitleEdit"_s);
        QCOMPARE(title->text(), u"Prompt 1"_s);
        title->setText(u"Renamed"_s);
        QTest::keyClick(title, Qt::Key_Return);
        QCOMPARE(f.stored()[0].prompts[0].title, u"Renamed"_s);
        f.tab->findChildren<QToolButton*>(u"editPromptButton"_s).first()->click();
        title->setText(u"Thrown away"_s);
        QTest::keyClick(title, Qt::Key_Escape);
        QVERIFY(!f.tab->isEditingPrompt());
        QCOMPARE(f.stored()[0].prompts[0].title, u"Renamed"_s);

        // A change of the active project closes the editor.
        f.find<QPushButton>(u"newPromptButton"_s)->click();
        f.state->setProjects(f.state->projects() + QList<Project>{makeProject(u"Other"_s, 1)});
        f.state->setActiveProjectIndex(1);
        QVERIFY(!f.tab->isEditingPrompt());
    }

    void libraryPromptsAreCopied()
    {
        Fixture f({makeProject(u"Work"_s, 1)});
        f.find<QPushButton>(u"addFromLibraryButton"_s)->click();
        auto* sheet = f.tab->findChild<PromptLibrarySheet*>();
        QVERIFY(sheet);
        QTRY_VERIFY(sheet->isVisible());
        sheet->findChildren<QToolButton*>(u"libraryAddButton"_s).value(1)->click();
        const Prompt added = f.stored()[0].prompts.last();
        QCOMPARE(added.systemPrompt, defaultPrompts()[1].systemPrompt);
        QVERIFY(added.id != defaultPrompts()[1].id); // a copy, not the library's prompt
        QCOMPARE(added.number, 2);
    }

    // A refused share leaves the project alone, and without a server there is nothing to share to until one is
    // typed in; then the project is shared, renamed and unlinked.
    void shareRenameAndUnlink()
    {
        Fixture f({makeProject(u"Team"_s, 2)});
        auto* share = f.find<QPushButton>(u"shareButton"_s);
        f.server.setOverride(u"create_shared_project"_s, HttpResponse::json(R"({"message":"limit reached"})", 403));
        share->click();
        QTRY_VERIFY(!f.tab->isSharing());
        QCOMPARE(f.tab->shareError(), QStringLiteral(R"(Sync error 403: {"message":"limit reached"})"));
        QVERIFY(f.find<QLabel>(u"shareErrorLabel"_s)->isVisible());
        QCOMPARE(f.state->projects()[0].shareCode, std::nullopt);
        f.settings.setString(SettingsKeys::syncBaseUrl, QString());
        QVERIFY(!share->isEnabled());
        QTest::keyClicks(f.find<QLineEdit>(u"syncServerEdit"_s), f.server.restBaseUrl());
        QCOMPARE(f.settings.string(SettingsKeys::syncBaseUrl), f.server.restBaseUrl());
        QVERIFY(share->isEnabled());

        f.server.clearOverride(u"create_shared_project"_s);
        share->click();
        QTRY_VERIFY(!f.tab->isSharing());
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
        QTest::newRow("server failure") << true << QString() << 500 << u"Sync error 500: boom"_s;
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
        const QString code = f.server.addProject(QJsonObject{{u"name"_s, project.name}},
                                                 owner.isEmpty() ? f.settings.syncOwnerKey() : owner);
        project.shareCode = code;
        f.state->replaceProjects({project});
        if (status)
            f.server.setOverride(u"delete_shared_project"_s, HttpResponse::json("boom", status));

        f.find<QToolButton>(u"deleteFromServerButton"_s)->click();
        auto* box = f.tab->findChild<QMessageBox*>(u"deleteFromServerConfirmation"_s);
        QVERIFY(box);
        (confirm ? box->findChild<QAbstractButton*>(u"confirmDeleteFromServer"_s) : box->escapeButton())->click();
        QTRY_VERIFY(!f.tab->isDeletingFromServer());
        if (!confirm)
            QTRY_VERIFY(!f.tab->findChild<QMessageBox*>(u"deleteFromServerConfirmation"_s));

        QCOMPARE(f.server.calls(u"delete_shared_project"_s).size(), confirm ? 1 : 0);
        QCOMPARE(f.tab->shareError(), error);
        const bool deleted = confirm && error.isEmpty();
        QCOMPARE(f.stored()[0].shareCode, deleted ? std::nullopt : std::optional<QString>(code));
        QCOMPARE(bool(f.server.row(code)), !deleted);
        if (!error.isEmpty())
            QCOMPARE(f.find<QLabel>(u"shareErrorLabel"_s)->text(), error);
    }
};

QTEST_MAIN(TestPromptsTab)
#include "tst_promptstab.moc"
