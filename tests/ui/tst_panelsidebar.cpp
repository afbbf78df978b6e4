// SPDX-License-Identifier: GPL-3.0-or-later
#include "PanelTestSupport.h"
#include "support/FakeSyncServer.h"
#include "sync/SharedProjectClient.h"
#include "ui/PanelSidebar.h"
#include "ui/PanelWidgets.h"

#include <QApplication>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QNetworkAccessManager>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace PanelTest;

namespace {

struct MenuSeen
{
    QStringList texts;
    bool deleteEnabled = false;
};

// Opens a row's context menu like a right click does, notes what it offers, then picks "Delete" or dismisses it.
MenuSeen useContextMenu(QListWidget* list, int row, bool chooseDelete)
{
    MenuSeen seen;
    QTimer::singleShot(0, list, [&seen, chooseDelete] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu)
            return;
        QAction* remove = nullptr;
        for (QAction* action : menu->actions()) {
            seen.texts.append(action->text());
            if (action->text() == u"Delete")
                remove = action;
        }
        seen.deleteEnabled = remove && remove->isEnabled();
        if (chooseDelete && seen.deleteEnabled) {
            menu->setActiveAction(remove);
            QTest::keyClick(menu, Qt::Key_Return);
        } else {
            QTest::keyClick(menu, Qt::Key_Escape);
        }
    });
    Q_EMIT list->customContextMenuRequested(list->visualItemRect(list->item(row)).center());
    return seen;
}

void clickRow(QListWidget* list, int row)
{
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
}

QJsonObject sharedPayload(const QString& name, int prompts)
{
    QJsonArray array;
    for (int i = 0; i < prompts; ++i)
        array.append(QJsonObject{{QStringLiteral("id"), QUuid::createUuid().toString(QUuid::WithoutBraces)},
                                 {QStringLiteral("title"), QStringLiteral("Shared %1").arg(i)},
                                 {QStringLiteral("systemPrompt"), QStringLiteral("Do %1.").arg(i)}});
    return QJsonObject{{QStringLiteral("name"), name},
                       {QStringLiteral("emoji"), QStringLiteral("🛰️")},
                       {QStringLiteral("context_description"), QStringLiteral("Team notes")},
                       {QStringLiteral("prompts"), array}};
}

} // namespace

class PanelSidebarTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<Fixture> m_fixture;
    std::unique_ptr<QNetworkAccessManager> m_network;
    std::unique_ptr<FakeSyncServer> m_server;
    std::unique_ptr<SharedProjectClient> m_client;
    std::unique_ptr<PanelSidebar> m_sidebar;

    AppState& state() { return m_fixture->state; }

    QList<Project> storedProjects() const
    {
        return Project::decodeList(m_fixture->settings.bytes(SettingsKeys::userProjects)).value_or(QList<Project>{});
    }

    QStringList projectNames() const
    {
        QStringList names;
        for (const Project& p : m_fixture->state.projects())
            names.append(p.name);
        return names;
    }

    void openJoinField()
    {
        QTest::mouseClick(m_sidebar->findChild<QPushButton*>(QStringLiteral("joinSharedProjectButton")),
                          Qt::LeftButton);
        QVERIFY(m_sidebar->joinField()->isVisible());
    }

private Q_SLOTS:
    void init()
    {
        m_fixture = std::make_unique<Fixture>();
        m_network = std::make_unique<QNetworkAccessManager>();
        m_server = std::make_unique<FakeSyncServer>();
        QVERIFY(m_server->listen());
        m_fixture->settings.setString(SettingsKeys::syncBaseUrl, m_server->restBaseUrl());
        m_client = std::make_unique<SharedProjectClient>(*m_network, m_fixture->settings);
        m_sidebar = std::make_unique<PanelSidebar>(state(), m_client.get(), m_fixture->colors);
        m_sidebar->resize(PanelSidebar::sidebarWidth, 600);
        m_sidebar->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_sidebar.get()));
    }

    void cleanup()
    {
        m_sidebar.reset();
        m_client.reset();
        m_server.reset();
        m_network.reset();
        m_fixture.reset();
    }

    void chatRowsShowTitleAndAge()
    {
        const QDateTime now = QDateTime::currentDateTimeUtc();
        const ChatSession recent = session(QStringLiteral("Recipe ideas"), {}, now.addSecs(-300));
        const ChatSession old = session(QStringLiteral("Trip plans"), {}, now.addDays(-3));
        state().setChatSessions({recent, old});
        state().setActiveChatSessionID(old.id);
        QListWidget* list = m_sidebar->chatList();
        QCOMPARE(list->item(0)->text(), QStringLiteral("Recipe ideas\n5 min ago"));
        QCOMPARE(list->item(1)->text(), QStringLiteral("Trip plans\n3 days ago"));
        QVERIFY(!list->item(0)->isSelected() && list->item(1)->isSelected());
        QTest::mouseClick(buttonWithToolTip(m_sidebar.get(), QStringLiteral("New Chat (Ctrl+N)")), Qt::LeftButton);
        QCOMPARE(list->count(), 3);
        QCOMPARE(list->item(0)->text(), QStringLiteral("New Chat\nnow"));
        QVERIFY(list->item(0)->isSelected() && !list->item(2)->isSelected());
    }

    void leavingAnEmptySessionDeletesIt_data()
    {
        QTest::addColumn<bool>("activeIsEmpty");
        QTest::newRow("empty active session") << true;
        QTest::newRow("active session with messages") << false;
    }

    void leavingAnEmptySessionDeletesIt()
    {
        QFETCH(bool, activeIsEmpty);
        const ChatSession fresh =
            activeIsEmpty ? session(QStringLiteral("New Chat"))
                          : session(QStringLiteral("Talk"), {message(MessageRole::User, QStringLiteral("Hi"))});
        const ChatSession other = session(QStringLiteral("Older"), {message(MessageRole::User, QStringLiteral("Yo"))});
        state().setChatSessions({fresh, other});
        state().setActiveChatSessionID(fresh.id);
        state().saveSessions();
        clickRow(m_sidebar->chatList(), 1);
        QCOMPARE(state().activeChatSessionID(), std::optional<QUuid>(other.id));
        QCOMPARE(state().chatSessions().size(), activeIsEmpty ? 1 : 2);
        QCOMPARE(ChatStore().loadSessions().size(), activeIsEmpty ? 1 : 2);
        QCOMPARE(m_sidebar->chatList()->count(), activeIsEmpty ? 1 : 2);

        // Clicking the active row again changes nothing, even when it is empty.
        const ChatSession empty = state().newChatSession();
        clickRow(m_sidebar->chatList(), 0);
        QCOMPARE(state().activeChatSessionID(), std::optional<QUuid>(empty.id));
        QCOMPARE(state().chatSessions().first().id, empty.id);
    }

    void chatContextMenuDeletes()
    {
        const ChatSession first = session(QStringLiteral("First"), {message(MessageRole::User, QStringLiteral("a"))});
        const ChatSession second = session(QStringLiteral("Second"), {message(MessageRole::User, QStringLiteral("b"))});
        state().setChatSessions({first, second});
        state().setActiveChatSessionID(first.id);
        QCOMPARE(useContextMenu(m_sidebar->chatList(), 1, false).texts, QStringList{QStringLiteral("Delete")});
        QCOMPARE(state().chatSessions().size(), 2);
        useContextMenu(m_sidebar->chatList(), 1, true);
        QCOMPARE(state().chatSessions().size(), 1);
        QCOMPARE(state().chatSessions().first().id, first.id);
        QCOMPARE(ChatStore().loadSessions().size(), 1);
        QCOMPARE(m_sidebar->chatList()->count(), 1);
    }

    void newProjectIsAddedSelectedAndStored()
    {
        state().setExpandedPanelTab(ExpandedPanelTab::Prompts);
        QTest::mouseClick(buttonWithToolTip(m_sidebar.get(), QStringLiteral("New Project")), Qt::LeftButton);
        QCOMPARE(projectNames(), (QStringList{QStringLiteral("General"), QStringLiteral("New Project")}));
        QCOMPARE(state().activeProjectIndex(), 1);
        QCOMPARE(storedProjects(), state().projects());
        QListWidget* list = m_sidebar->projectList();
        QCOMPARE(list->item(1)->text(), QStringLiteral("📁 New Project\n0 prompts"));
        QVERIFY(list->item(1)->isSelected());
        clickRow(list, 0);
        QCOMPARE(state().activeProjectIndex(), 0);
    }

    void deletingProjects_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("active");
        QTest::addColumn<int>("deleted");
        QTest::addColumn<QStringList>("remaining");
        QTest::addColumn<int>("activeAfter");
        QTest::newRow("the only project") << 1 << 0 << 0 << QStringList{QStringLiteral("P0")} << 0;
        QTest::newRow("first active, delete another")
            << 3 << 0 << 2 << QStringList{QStringLiteral("P0"), QStringLiteral("P1")} << 0;
        QTest::newRow("first active, delete it") << 2 << 0 << 0 << QStringList{QStringLiteral("P1")} << 0;
        QTest::newRow("last active, delete it")
            << 3 << 2 << 2 << QStringList{QStringLiteral("P0"), QStringLiteral("P1")} << 1;
        QTest::newRow("second active, delete the first")
            << 3 << 1 << 0 << QStringList{QStringLiteral("P1"), QStringLiteral("P2")} << 0;
    }

    void deletingProjects()
    {
        QFETCH(int, count);
        QFETCH(int, active);
        QFETCH(int, deleted);
        QFETCH(QStringList, remaining);
        QFETCH(int, activeAfter);
        QList<Project> projects;
        for (int i = 0; i < count; ++i)
            projects.append(project(QStringLiteral("P%1").arg(i), {prompt(1, QStringLiteral("One"))}));
        m_fixture->setProjects(projects, active);
        state().setExpandedPanelTab(ExpandedPanelTab::Prompts);

        const MenuSeen seen = useContextMenu(m_sidebar->projectList(), deleted, true);
        QCOMPARE(seen.texts, QStringList{QStringLiteral("Delete")});
        QCOMPARE(seen.deleteEnabled, count >= 2);
        QCOMPARE(projectNames(), remaining);
        QCOMPARE(state().activeProjectIndex(), activeAfter);
        QCOMPARE(m_fixture->settings.integer(SettingsKeys::activeProjectIndex), activeAfter);
        QCOMPARE(storedProjects(), state().projects());
        QCOMPARE(m_sidebar->projectList()->count(), remaining.size());

        // The method refuses the last project too, whoever calls it.
        while (state().projects().size() > 1)
            m_sidebar->deleteProjectAt(0);
        m_sidebar->deleteProjectAt(0);
        QCOMPARE(state().projects().size(), 1);
    }

    void joinFailureKeepsTheFieldOpen_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("expected");
        QTest::newRow("blank code: no call") << -1 << QStringLiteral("   ") << QString();
        QTest::newRow("unknown code") << 0 << QStringLiteral(" NOPE42 ") << SyncError::notFound().description();
        QTest::newRow("server error")
            << 500 << QStringLiteral(" NOPE42 ")
            << SyncError::httpError(500, QStringLiteral("{\"message\":\"down\"}")).description();
    }

    void joinFailureKeepsTheFieldOpen()
    {
        QFETCH(int, status);
        QFETCH(QString, code);
        QFETCH(QString, expected);
        if (status > 0)
            m_server->setOverride(QStringLiteral("get_shared_project"),
                                  HttpResponse::json("{\"message\":\"down\"}", status));
        state().setExpandedPanelTab(ExpandedPanelTab::Prompts);
        openJoinField();
        QTest::keyClicks(m_sidebar->joinField(), code);
        QTest::keyClick(m_sidebar->joinField(), Qt::Key_Return);
        if (expected.isEmpty()) {
            QTest::qWait(50);
            QCOMPARE(m_server->callCount(), 0);
            QVERIFY(!m_sidebar->joinErrorLabel()->isVisible());
        } else {
            QTRY_VERIFY(m_sidebar->joinErrorLabel()->isVisible());
            QCOMPARE(m_sidebar->joinErrorLabel()->text(), expected);
            const auto calls = m_server->calls(QStringLiteral("get_shared_project"));
            QCOMPARE(calls.size(), 1);
            QCOMPARE(calls.first().value(u"code").toString(), QStringLiteral("NOPE42"));
        }
        // The field stays open with the code, ready for another try; Cancel forgets the code and the error.
        QCOMPARE(m_sidebar->joinField()->text(), code);
        QVERIFY(m_sidebar->findChild<QPushButton*>(QStringLiteral("joinButton"))->isVisible());
        QCOMPARE(state().projects().size(), 1);
        QTest::mouseClick(m_sidebar->findChild<QPushButton*>(QStringLiteral("cancelJoinButton")), Qt::LeftButton);
        QVERIFY(!m_sidebar->joinField()->isVisible());
        openJoinField();
        QCOMPARE(m_sidebar->joinField()->text(), QString());
        QVERIFY(!m_sidebar->joinErrorLabel()->isVisible());
    }

    void joinSuccessAddsAndSelectsTheProject()
    {
        m_server->addProject(sharedPayload(QStringLiteral("Team voice"), 2), QStringLiteral("owner"),
                             QStringLiteral("TEAM77"));
        bool progressShown = false;
        connect(m_server.get(), &FakeSyncServer::called, this, [&] {
            progressShown =
                !m_sidebar->findChild<QPushButton*>(QStringLiteral("joinButton"))->isVisible() && visibleJoinProgress();
        });
        state().setExpandedPanelTab(ExpandedPanelTab::Prompts);
        openJoinField();
        QTest::keyClicks(m_sidebar->joinField(), QStringLiteral("  TEAM77"));
        QTest::mouseClick(m_sidebar->findChild<QPushButton*>(QStringLiteral("joinButton")), Qt::LeftButton);
        QTRY_COMPARE(state().projects().size(), 2);
        QVERIFY(progressShown);
        const Project joined = state().projects().last();
        QCOMPARE(joined.name, QStringLiteral("Team voice"));
        QCOMPARE(joined.shareCode, std::optional<QString>(QStringLiteral("TEAM77")));
        QCOMPARE(joined.prompts.size(), 2);
        QCOMPARE(state().activeProjectIndex(), 1);
        QCOMPARE(storedProjects(), state().projects());
        QVERIFY(!m_sidebar->joinField()->isVisible());
    }

    void cancelledJoinIgnoresTheLateAnswer()
    {
        // The answer comes only after the user has cancelled.
        bool answered = false;
        connect(m_server.get(), &FakeSyncServer::called, this, [&] { answered = true; });
        QJsonObject row = sharedPayload(QStringLiteral("Late"), 1);
        row.insert(QStringLiteral("share_code"), QStringLiteral("LATE1"));
        HttpResponse slow = HttpResponse::json(QByteArray());
        slow.chunks = {QByteArray(), QJsonDocument(QJsonArray{row}).toJson(QJsonDocument::Compact)};
        slow.delayMs = 300;
        m_server->setOverride(QStringLiteral("get_shared_project"), slow);
        state().setExpandedPanelTab(ExpandedPanelTab::Prompts);
        openJoinField();
        QTest::keyClicks(m_sidebar->joinField(), QStringLiteral("LATE1"));
        QTest::keyClick(m_sidebar->joinField(), Qt::Key_Return);
        QTRY_VERIFY(answered);
        QTest::mouseClick(m_sidebar->findChild<QPushButton*>(QStringLiteral("cancelJoinButton")), Qt::LeftButton);
        QTest::qWait(600);
        QCOMPARE(state().projects().size(), 1);
        QVERIFY(!m_sidebar->joinField()->isVisible());
        QVERIFY(!m_sidebar->joinErrorLabel()->isVisible());
    }

    void joinWithoutASyncService()
    {
        PanelSidebar sidebar(state(), nullptr, m_fixture->colors);
        state().setExpandedPanelTab(ExpandedPanelTab::Prompts);
        sidebar.show();
        QTest::mouseClick(sidebar.findChild<QPushButton*>(QStringLiteral("joinSharedProjectButton")), Qt::LeftButton);
        sidebar.joinField()->setText(QStringLiteral("CODE"));
        sidebar.join();
        QCOMPARE(sidebar.joinErrorLabel()->text(), SyncError::notConfigured().description());
        QVERIFY(sidebar.joinErrorLabel()->isVisible());
    }

    void relativeTimes_data()
    {
        QTest::addColumn<qint64>("secondsAgo");
        QTest::addColumn<QString>("text");
        QTest::newRow("just now") << qint64(20) << QStringLiteral("now");
        QTest::newRow("minutes") << qint64(125) << QStringLiteral("2 min ago");
        QTest::newRow("hours") << qint64(3 * 3600 + 10) << QStringLiteral("3 hr ago");
        QTest::newRow("yesterday") << qint64(86400 + 60) << QStringLiteral("yesterday");
        QTest::newRow("days") << qint64(4 * 86400) << QStringLiteral("4 days ago");
        QTest::newRow("weeks") << qint64(15 * 86400) << QStringLiteral("2 wk ago");
        QTest::newRow("clock skew") << qint64(-600) << QStringLiteral("now");
    }

    void relativeTimes()
    {
        QFETCH(qint64, secondsAgo);
        QFETCH(QString, text);
        const QDateTime now = QDateTime::currentDateTimeUtc();
        QCOMPARE(PanelWidgets::abbreviatedRelativeTime(now.addSecs(-secondsAgo), now), text);
    }

private:
    bool visibleJoinProgress() const
    {
        for (QLabel* label : m_sidebar->findChildren<QLabel*>()) {
            if (label->isVisible() && label->text() == u"Joining…")
                return true;
        }
        return false;
    }
};

QTEST_MAIN(PanelSidebarTest)
#include "tst_panelsidebar.moc"
