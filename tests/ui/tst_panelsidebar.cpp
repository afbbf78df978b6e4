// SPDX-License-Identifier: GPL-3.0-or-later
#include "PanelTestSupport.h"
#include "support/FakeSyncServer.h"
#include "sync/SyncService.h"
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

using namespace Qt::StringLiterals;

using namespace PanelTest;

namespace {

// Opens a row's context menu like a right click does and picks "Delete" if it is enabled; returns whether it was.
bool deleteFromContextMenu(QListWidget* list, int row)
{
    bool enabled = false;
    QTimer::singleShot(0, list, [&enabled] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        const QList<QAction*> actions = menu ? menu->actions() : QList<QAction*>{};
        auto remove = std::find_if(actions.begin(), actions.end(), [](QAction* a) { return a->text() == u"Delete"; });
        enabled = remove != actions.end() && (*remove)->isEnabled();
        if (enabled)
            menu->setActiveAction(*remove);
        if (menu)
            QTest::keyClick(menu, enabled ? Qt::Key_Return : Qt::Key_Escape);
    });
    Q_EMIT list->customContextMenuRequested(list->visualItemRect(list->item(row)).center());
    return enabled;
}

void clickRow(QListWidget* list, int row)
{
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
}

QJsonObject sharedPayload(const QString& name, int prompts)
{
    QJsonArray array;
    for (int i = 0; i < prompts; ++i)
        array.append(QJsonObject{{u"id"_s, QUuid::createUuid().toString(QUuid::WithoutBraces)},
                                 {u"title"_s, u"Shared %1"_s.arg(i)},
                                 {u"systemPrompt"_s, u"Do %1."_s.arg(i)}});
    return QJsonObject{{u"name"_s, name},
                       {u"emoji"_s, u"🛰️"_s},
                       {u"context_description"_s, u"Team notes"_s},
                       {u"prompts"_s, array}};
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
    std::unique_ptr<SyncService> m_sync;
    std::unique_ptr<PanelSidebar> m_sidebar;

    AppState& state() { return m_fixture->state; }

    QList<Project> storedProjects() const
    {
        return Project::decodeList(m_fixture->settings.bytes(SettingsKeys::userProjects)).value_or(QList<Project>{});
    }

    void enterJoinCode(const QString& code)
    {
        QTest::mouseClick(m_sidebar->findChild<QPushButton*>(u"joinSharedProjectButton"_s), Qt::LeftButton);
        QTest::keyClicks(m_sidebar->joinField(), code);
        QTest::keyClick(m_sidebar->joinField(), Qt::Key_Return);
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
        m_sync = std::make_unique<SyncService>(state(), *m_client);
        m_sidebar = std::make_unique<PanelSidebar>(state(), m_sync.get(), m_fixture->colors);
        m_sidebar->resize(PanelSidebar::sidebarWidth, 600);
        m_sidebar->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_sidebar.get()));
        state().setExpandedPanelTab(ExpandedPanelTab::Prompts);
    }

    void cleanup()
    {
        m_sidebar.reset();
        m_sync.reset();
        m_client.reset();
        m_server.reset();
        m_network.reset();
        m_fixture.reset();
    }

    // Moving to another chat deletes the one left behind only when it has no messages.
    void leavingAnEmptySessionDeletesIt()
    {
        for (const bool activeIsEmpty : {true, false}) {
            const ChatSession fresh =
                activeIsEmpty ? session(u"New Chat"_s) : session(u"Talk"_s, {message(MessageRole::User, u"Hi"_s)});
            const ChatSession other = session(u"Older"_s, {message(MessageRole::User, u"Yo"_s)});
            state().setChatSessions({fresh, other});
            state().setActiveChatSessionID(fresh.id);
            state().saveSessions();
            clickRow(m_sidebar->chatList(), 1);
            QCOMPARE(state().activeChatSessionID(), std::optional<QUuid>(other.id));
            QCOMPARE(state().chatSessions().size(), activeIsEmpty ? 1 : 2);
            QCOMPARE(ChatStore().loadSessions().size(), activeIsEmpty ? 1 : 2);
            QCOMPARE(m_sidebar->chatList()->count(), activeIsEmpty ? 1 : 2);
        }
    }

    void deletingProjects_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("active");
        QTest::addColumn<int>("deleted");
        QTest::addColumn<int>("activeAfter");
        QTest::newRow("the only project") << 1 << 0 << 0 << 0;
        QTest::newRow("first active, delete another") << 3 << 0 << 2 << 0;
        QTest::newRow("first active, delete it") << 2 << 0 << 0 << 0;
        QTest::newRow("last active, delete it") << 3 << 2 << 2 << 1;
    }

    void deletingProjects()
    {
        QFETCH(int, count);
        QFETCH(int, active);
        QFETCH(int, deleted);
        QFETCH(int, activeAfter);
        QList<Project> projects;
        for (int i = 0; i < count; ++i)
            projects.append(project(u"P%1"_s.arg(i), {prompt(1, u"One"_s)}));
        m_fixture->setProjects(projects, active);

        QCOMPARE(deleteFromContextMenu(m_sidebar->projectList(), deleted), count >= 2);
        QCOMPARE(state().projects().size(), std::max(count - 1, 1));
        QVERIFY(count == 1 || !state().projects().contains(projects[deleted]));
        QCOMPARE(state().activeProjectIndex(), activeAfter);
        QCOMPARE(m_fixture->settings.integer(SettingsKeys::activeProjectIndex), activeAfter);
        QCOMPARE(storedProjects(), state().projects());
        // The method refuses the last project too, whoever calls it.
        while (state().projects().size() > 1)
            m_sidebar->deleteProjectAt(0);
        m_sidebar->deleteProjectAt(0);
        QCOMPARE(state().projects().size(), 1);
    }

    void join_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("error");
        QTest::newRow("blank code: no call") << -1 << u"   "_s << QString();
        QTest::newRow("unknown code") << 0 << u" NOPE42 "_s << SyncError::notFound().description();
        QTest::newRow("server error") << 500 << u" NOPE42 "_s
                                      << SyncError::httpError(500, u"{\"message\":\"down\"}"_s).description();
        QTest::newRow("success") << 200 << u"  TEAM77"_s << QString();
    }

    void join()
    {
        QFETCH(int, status);
        QFETCH(QString, code);
        QFETCH(QString, error);
        if (status == 200)
            m_server->addProject(sharedPayload(u"Team voice"_s, 2), u"owner"_s, u"TEAM77"_s);
        else if (status > 0)
            m_server->setOverride(u"get_shared_project"_s, HttpResponse::json("{\"message\":\"down\"}", status));
        enterJoinCode(code);
        if (status == 200) {
            QTRY_COMPARE(state().projects().size(), 2);
            QCOMPARE(state().projects().last().shareCode, std::optional<QString>(u"TEAM77"_s));
            QCOMPARE(state().activeProjectIndex(), 1);
            QCOMPARE(storedProjects(), state().projects());
            QVERIFY(!m_sidebar->joinField()->isVisible());
            return;
        }
        if (error.isEmpty()) {
            QTest::qWait(50);
            QCOMPARE(m_server->callCount(), 0);
            QVERIFY(!m_sidebar->joinErrorLabel()->isVisible());
        } else {
            QTRY_VERIFY(m_sidebar->joinErrorLabel()->isVisible());
            QCOMPARE(m_sidebar->joinErrorLabel()->text(), error);
            const auto calls = m_server->calls(u"get_shared_project"_s);
            QCOMPARE(calls.size(), 1);
            QCOMPARE(calls.first().value(u"code").toString(), u"NOPE42"_s);
        }
        // The field stays open with the code, ready for another try.
        QCOMPARE(m_sidebar->joinField()->text(), code);
        QCOMPARE(state().projects().size(), 1);
    }

    void cancelledJoinIgnoresTheLateAnswer()
    {
        // The answer comes only after the user has cancelled.
        bool answered = false;
        connect(m_server.get(), &FakeSyncServer::called, this, [&] { answered = true; });
        QJsonObject row = sharedPayload(u"Late"_s, 1);
        row.insert(u"share_code"_s, u"LATE1"_s);
        HttpResponse slow = HttpResponse::json(QByteArray());
        slow.chunks = {QByteArray(), QJsonDocument(QJsonArray{row}).toJson(QJsonDocument::Compact)};
        slow.delayMs = 300;
        m_server->setOverride(u"get_shared_project"_s, slow);
        enterJoinCode(u"LATE1"_s);
        QTRY_VERIFY(answered);
        QTest::mouseClick(m_sidebar->findChild<QPushButton*>(u"cancelJoinButton"_s), Qt::LeftButton);
        QTest::qWait(600);
        QCOMPARE(state().projects().size(), 1);
        QVERIFY(!m_sidebar->joinField()->isVisible());
        QVERIFY(!m_sidebar->joinErrorLabel()->isVisible());
    }
};

QTEST_MAIN(PanelSidebarTest)
#include "tst_panelsidebar.moc"
