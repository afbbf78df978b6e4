// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/preferences/PromptsTab.h"

#include "model/AppState.h"
#include "model/Settings.h"
#include "support/FakeSyncServer.h"
#include "support/TestEnvironment.h"
#include "sync/SharedProjectClient.h"
#include "ui/preferences/PromptLibrarySheet.h"

#include <QApplication>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QNetworkAccessManager>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include <memory>

namespace {

Project makeProject(const QString& name, int promptCount)
{
    Project project{QUuid::createUuid(), name, QStringLiteral("📁"), {}, {}, {}, {}, {}};
    for (int i = 1; i <= promptCount; ++i)
        project.prompts.append(
            {QUuid::createUuid(), i, QStringLiteral("Prompt %1").arg(i), QStringLiteral("Do %1").arg(i)});
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
    std::unique_ptr<PromptsTab> tab;

    explicit Fixture(const QList<Project>& projects, int active = 0)
    {
        if (server.listen())
            settings.setString(SettingsKeys::syncBaseUrl, server.restBaseUrl());
        settings.setBytes(SettingsKeys::userProjects, Project::encodeList(projects));
        settings.setInteger(SettingsKeys::activeProjectIndex, active);
        state = std::make_unique<AppState>(settings, ChatStore(environment.appFolder()), &client);
        tab = std::make_unique<PromptsTab>(*state, settings, &client);
        tab->show();
    }

    QList<Project> stored() const
    {
        return Project::decodeList(settings.bytes(SettingsKeys::userProjects)).value_or(QList<Project>{});
    }

    template <typename T> T* find(const QString& name) const { return tab->findChild<T*>(name); }

    void triggerMenu(int row, const QString& action)
    {
        QMenu* menu = tab->promptContextMenu(row);
        QVERIFY(menu);
        auto* item = menu->findChild<QAction*>(action);
        QVERIFY(item);
        item->trigger();
        delete menu;
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
                projects.append(makeProject(QStringLiteral("P%1").arg(i), 2));
            Fixture f(projects, count - 1);
            auto* remove = f.find<QPushButton>(QStringLiteral("deleteProjectButton"));
            QCOMPARE(remove->isVisible(), count >= 2);
            if (count < 2)
                continue;
            remove->click();
            QCOMPARE(f.stored(), projects.first(count - 1));
            // The selection moves back by one.
            QCOMPARE(f.state->activeProjectIndex(), count - 2);
            QCOMPARE(f.find<QLineEdit>(QStringLiteral("projectNameEdit"))->text(), projects[count - 2].name);
        }
    }

    void defaultsAreIndependent_data()
    {
        QTest::addColumn<int>("row"); // removes the text default, keeps the image one
        QTest::addColumn<QString>("action");
        QTest::newRow("same action again") << 1 << QStringLiteral("textDefaultAction");
        QTest::newRow("default prompt deleted") << 1 << QStringLiteral("deletePromptAction");
    }

    void defaultsAreIndependent()
    {
        QFETCH(int, row);
        QFETCH(QString, action);
        Fixture f({makeProject(QStringLiteral("Work"), 3)});
        f.triggerMenu(1, QStringLiteral("textDefaultAction"));
        f.triggerMenu(2, QStringLiteral("imageDefaultAction"));
        const std::optional<QUuid> image = f.state->projects()[0].prompts[2].id;
        QCOMPARE(f.stored()[0].defaultPromptID, std::optional<QUuid>(f.state->projects()[0].prompts[1].id));
        QCOMPARE(f.stored()[0].defaultImagePromptID, image);
        QCOMPARE(f.tab->findChildren<QLabel*>(QStringLiteral("textDefaultBadge")).size(), 1);
        f.triggerMenu(row, action);
        QCOMPARE(f.stored()[0].defaultPromptID, std::nullopt);
        QCOMPARE(f.stored()[0].defaultImagePromptID, image);
    }

    void newAndEditedPromptsAreCommitted()
    {
        Project project = makeProject(QStringLiteral("Work"), 2);
        project.prompts[1].number = 7;
        Fixture f({project});
        f.find<QPushButton>(QStringLiteral("newPromptButton"))->click();
        auto* save = f.find<QPushButton>(QStringLiteral("promptSaveButton"));
        QVERIFY(!save->isEnabled());
        QTest::keyClicks(f.find<QLineEdit>(QStringLiteral("promptTitleEdit")), QStringLiteral("Haiku"));
        f.find<QPlainTextEdit>(QStringLiteral("promptSystemPromptEdit"))->setPlainText(QStringLiteral("As a haiku."));
        save->click();
        const Prompt added = f.stored()[0].prompts.value(2);
        QCOMPARE(added.title + u'|' + added.systemPrompt, QStringLiteral("Haiku|As a haiku."));
        QCOMPARE(added.number, 8); // after the highest number, not the count

        // Edit the first; Escape in the editor cancels a second edit.
        f.tab->findChildren<QToolButton*>(QStringLiteral("editPromptButton")).first()->click();
        auto* title = f.find<QLineEdit>(QStringLiteral("promptTitleEdit"));
        QCOMPARE(title->text(), QStringLiteral("Prompt 1"));
        title->setText(QStringLiteral("Renamed"));
        QTest::keyClick(title, Qt::Key_Return);
        QCOMPARE(f.stored()[0].prompts[0].title, QStringLiteral("Renamed"));
        f.tab->findChildren<QToolButton*>(QStringLiteral("editPromptButton")).first()->click();
        title->setText(QStringLiteral("Thrown away"));
        QTest::keyClick(title, Qt::Key_Escape);
        QVERIFY(!f.tab->isEditingPrompt());
        QCOMPARE(f.stored()[0].prompts[0].title, QStringLiteral("Renamed"));

        // A change of the active project closes the editor.
        f.find<QPushButton>(QStringLiteral("newPromptButton"))->click();
        f.state->setProjects(f.state->projects() + QList<Project>{makeProject(QStringLiteral("Other"), 1)});
        f.state->setActiveProjectIndex(1);
        QVERIFY(!f.tab->isEditingPrompt());
    }

    void libraryPromptsAreCopied()
    {
        Fixture f({makeProject(QStringLiteral("Work"), 1)});
        f.find<QPushButton>(QStringLiteral("addFromLibraryButton"))->click();
        auto* sheet = f.tab->findChild<PromptLibrarySheet*>();
        QVERIFY(sheet);
        QTRY_VERIFY(sheet->isVisible());
        sheet->findChildren<QToolButton*>(QStringLiteral("libraryAddButton")).value(1)->click();
        const Prompt added = f.stored()[0].prompts.last();
        QCOMPARE(added.systemPrompt, defaultPrompts()[1].systemPrompt);
        QVERIFY(added.id != defaultPrompts()[1].id); // a copy, not the library's prompt
        QCOMPARE(added.number, 2);
        sheet->close();
    }

    void shareThenUnlink()
    {
        Fixture f({makeProject(QStringLiteral("Team"), 2)});
        const QString owner = f.settings.syncOwnerKey();
        f.find<QPushButton>(QStringLiteral("shareButton"))->click();
        QTRY_VERIFY(!f.tab->isSharing());
        QCOMPARE(f.server.calls(QStringLiteral("create_shared_project"))[0].value(u"p_license_key").toString(), owner);
        QCOMPARE(f.stored()[0].shareCode, std::optional<QString>(QStringLiteral("SHARE001")));
        // The commit went through replaceProjects with the owner key, which pushes the shared project.
        QTRY_COMPARE(f.server.calls(QStringLiteral("upsert_shared_project")).size(), 1);

        // Typing a name stores at once and uploads once after the pause, not once per key.
        QTest::keyClicks(f.find<QLineEdit>(QStringLiteral("projectNameEdit")), QStringLiteral(" A"));
        QCOMPARE(f.stored()[0].name, QStringLiteral("Team A"));
        QTRY_COMPARE(f.server.calls(QStringLiteral("upsert_shared_project")).size(), 2);
        QCOMPARE(f.server.row(QStringLiteral("SHARE001"))->value(u"name").toString(), QStringLiteral("Team A"));
        QTest::qWait(1000);
        QCOMPARE(f.server.calls(QStringLiteral("upsert_shared_project")).size(), 2);

        f.find<QPushButton>(QStringLiteral("unlinkButton"))->click();
        QCOMPARE(f.stored()[0].shareCode, std::nullopt);
        QTRY_COMPARE(f.client.pendingRequests(), 0);
        QCOMPARE(f.server.calls(QStringLiteral("upsert_shared_project")).size(), 2);
        QVERIFY(f.server.row(QStringLiteral("SHARE001"))); // unlinking keeps the server copy
    }

    void shareFailureLeavesProjectAlone()
    {
        Fixture f({makeProject(QStringLiteral("Team"), 1)});
        f.server.setOverride(QStringLiteral("create_shared_project"),
                             HttpResponse::json(R"({"message":"limit reached"})", 403));
        f.find<QPushButton>(QStringLiteral("shareButton"))->click();
        QTRY_VERIFY(!f.tab->isSharing());
        QCOMPARE(f.tab->shareError(), QStringLiteral(R"(Sync error 403: {"message":"limit reached"})"));
        QVERIFY(f.find<QLabel>(QStringLiteral("shareErrorLabel"))->isVisible());
        QCOMPARE(f.state->projects()[0].shareCode, std::nullopt);
        // Without a server there is nothing to share to until one is typed in.
        f.settings.setString(SettingsKeys::syncBaseUrl, QString());
        QVERIFY(!f.find<QPushButton>(QStringLiteral("shareButton"))->isEnabled());
        QTest::keyClicks(f.find<QLineEdit>(QStringLiteral("syncServerEdit")), f.server.restBaseUrl());
        QCOMPARE(f.settings.string(SettingsKeys::syncBaseUrl), f.server.restBaseUrl());
        QVERIFY(f.find<QPushButton>(QStringLiteral("shareButton"))->isEnabled());
    }

    void deleteFromServer_data()
    {
        QTest::addColumn<bool>("confirm");
        QTest::addColumn<QString>("owner"); // of the server copy; empty: ours
        QTest::addColumn<int>("status");    // 0: the table answers
        QTest::addColumn<QString>("error");
        QTest::newRow("owner") << true << QString() << 0 << QString();
        QTest::newRow("not the owner") << true << QStringLiteral("someone else") << 0
                                       << QStringLiteral("Could not delete: you may not be the owner");
        QTest::newRow("server failure") << true << QString() << 500 << QStringLiteral("Sync error 500: boom");
        QTest::newRow("cancelled") << false << QString() << 0 << QString();
    }

    void deleteFromServer()
    {
        QFETCH(bool, confirm);
        QFETCH(QString, owner);
        QFETCH(int, status);
        QFETCH(QString, error);
        Project project = makeProject(QStringLiteral("Team"), 1);
        Fixture f({project});
        const QString code = f.server.addProject(QJsonObject{{QStringLiteral("name"), project.name}},
                                                 owner.isEmpty() ? f.settings.syncOwnerKey() : owner);
        project.shareCode = code;
        f.state->replaceProjects({project});
        if (status)
            f.server.setOverride(QStringLiteral("delete_shared_project"), HttpResponse::json("boom", status));

        f.find<QToolButton>(QStringLiteral("deleteFromServerButton"))->click();
        auto* box = f.tab->findChild<QMessageBox*>(QStringLiteral("deleteFromServerConfirmation"));
        QVERIFY(box);
        for (QAbstractButton* button : box->buttons()) {
            if (confirm ? button->objectName() == u"confirmDeleteFromServer" : button->text() == u"Cancel")
                button->click();
        }
        QTRY_VERIFY(!f.tab->isDeletingFromServer());
        if (!confirm)
            QTRY_VERIFY(!f.tab->findChild<QMessageBox*>(QStringLiteral("deleteFromServerConfirmation")));

        QCOMPARE(f.server.calls(QStringLiteral("delete_shared_project")).size(), confirm ? 1 : 0);
        QCOMPARE(f.tab->shareError(), error);
        const bool deleted = confirm && error.isEmpty();
        QCOMPARE(f.stored()[0].shareCode, deleted ? std::nullopt : std::optional<QString>(code));
        QCOMPARE(bool(f.server.row(code)), !deleted);
        if (!error.isEmpty())
            QCOMPARE(f.find<QLabel>(QStringLiteral("shareErrorLabel"))->text(), error);
    }
};

QTEST_MAIN(TestPromptsTab)
#include "tst_promptstab.moc"
