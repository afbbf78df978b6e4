// SPDX-License-Identifier: GPL-3.0-or-later
#include "PanelTestSupport.h"
#include "support/FakeSyncServer.h"
#include "sync/SyncService.h"
#include "ui/PanelSidebar.h"

#include <QApplication>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QNetworkAccessManager>
#include <QPushButton>
#include <QTimer>

using namespace Qt::StringLiterals;
using namespace PanelTest;

namespace {

struct Sidebar : Fixture
{
    QNetworkAccessManager network;
    FakeSyncServer server;
    SharedProjectClient client{network, settings};
    SyncService sync{state, client};
    PanelSidebar view{state, &sync, colors};

    QList<Project> stored() const
    {
        return Project::decodeList(settings.bytes(SettingsKeys::userProjects)).value_or(QList<Project>{});
    }

    void enterJoinCode(const QString& code)
    {
        QTest::mouseClick(view.findChild<QPushButton*>(u"joinSharedProjectButton"_s), Qt::LeftButton);
        QTest::keyClicks(view.joinField(), code);
        QTest::keyClick(view.joinField(), Qt::Key_Return);
    }
};

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

QJsonObject sharedPayload(const QString& name)
{
    const QJsonObject prompt{{u"id"_s, QUuid::createUuid().toString(QUuid::WithoutBraces)},
                             {u"title"_s, u"Shared"_s},
                             {u"systemPrompt"_s, u"Do it."_s}};
    return QJsonObject{{u"name"_s, name},
                       {u"emoji"_s, u"🛰️"_s},
                       {u"context_description"_s, QString()},
                       {u"prompts"_s, QJsonArray{prompt}}};
}

} // namespace

class PanelSidebarTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<Sidebar> m;

private Q_SLOTS:
    void init()
    {
        m = std::make_unique<Sidebar>();
        QVERIFY(m->server.listen());
        m->settings.setString(SettingsKeys::syncBaseUrl, m->server.restBaseUrl());
        QVERIFY(show(m->view, {PanelSidebar::sidebarWidth, 600}));
        m->state.setExpandedPanelTab(ExpandedPanelTab::Prompts);
    }

    void cleanup() { m.reset(); }

    // Moving to another chat deletes the one left behind only when it has no messages.
    void leavingAnEmptySessionDeletesIt()
    {
        for (const bool activeIsEmpty : {true, false}) {
            const ChatSession fresh =
                activeIsEmpty ? session(u"New Chat"_s) : session(u"Talk"_s, {message(MessageRole::User, u"Hi"_s)});
            const ChatSession other = session(u"Older"_s, {message(MessageRole::User, u"Yo"_s)});
            m->state.setChatSessions({fresh, other});
            m->state.setActiveChatSessionID(fresh.id);
            m->state.saveSessions();
            QListWidget* list = m->view.chatList();
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(1)).center());
            QCOMPARE(m->state.activeChatSessionID(), std::optional<QUuid>(other.id));
            QCOMPARE(m->state.chatSessions().size(), activeIsEmpty ? 1 : 2);
            QCOMPARE(ChatStore().loadSessions().size(), activeIsEmpty ? 1 : 2);
            QCOMPARE(list->count(), activeIsEmpty ? 1 : 2);
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
        m->setProjects(projects, active);

        QCOMPARE(deleteFromContextMenu(m->view.projectList(), deleted), count >= 2);
        QCOMPARE(m->state.projects().size(), std::max(count - 1, 1));
        QVERIFY(count == 1 || !m->state.projects().contains(projects[deleted]));
        QCOMPARE(m->state.activeProjectIndex(), activeAfter);
        QCOMPARE(m->settings.integer(SettingsKeys::activeProjectIndex), activeAfter);
        QCOMPARE(m->stored(), m->state.projects());
        // The method refuses the last project too, whoever calls it.
        while (m->state.projects().size() > 1)
            m->view.deleteProjectAt(0);
        m->view.deleteProjectAt(0);
        QCOMPARE(m->state.projects().size(), 1);
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
            m->server.addProject(sharedPayload(u"Team voice"_s), u"owner"_s, u"TEAM77"_s);
        else if (status > 0)
            m->server.setOverride(u"get_shared_project"_s, HttpResponse::json("{\"message\":\"down\"}", status));
        m->enterJoinCode(code);
        if (status == 200) {
            QTRY_COMPARE(m->state.projects().size(), 2);
            QCOMPARE(m->state.projects().last().shareCode, std::optional<QString>(u"TEAM77"_s));
            QCOMPARE(m->state.activeProjectIndex(), 1);
            QCOMPARE(m->stored(), m->state.projects());
            QVERIFY(!m->view.joinField()->isVisible());
            return;
        }
        if (error.isEmpty()) {
            QTest::qWait(50);
            QCOMPARE(m->server.callCount(), 0);
            QVERIFY(!m->view.joinErrorLabel()->isVisible());
        } else {
            QTRY_VERIFY(m->view.joinErrorLabel()->isVisible());
            QCOMPARE(m->view.joinErrorLabel()->text(), error);
            const auto calls = m->server.calls(u"get_shared_project"_s);
            QCOMPARE(calls.size(), 1);
            QCOMPARE(calls.first().value(u"code").toString(), u"NOPE42"_s);
        }
        // The field stays open with the code, ready for another try.
        QCOMPARE(m->view.joinField()->text(), code);
        QCOMPARE(m->state.projects().size(), 1);
    }

    void cancelledJoinIgnoresTheLateAnswer()
    {
        // The answer comes only after the user has cancelled.
        bool answered = false;
        connect(&m->server, &FakeSyncServer::called, this, [&] { answered = true; });
        QJsonObject row = sharedPayload(u"Late"_s);
        row.insert(u"share_code"_s, u"LATE1"_s);
        HttpResponse slow = HttpResponse::json(QByteArray());
        slow.chunks = {QByteArray(), QJsonDocument(QJsonArray{row}).toJson(QJsonDocument::Compact)};
        slow.delayMs = 300;
        m->server.setOverride(u"get_shared_project"_s, slow);
        m->enterJoinCode(u"LATE1"_s);
        QTRY_VERIFY(answered);
        QTest::mouseClick(m->view.findChild<QPushButton*>(u"cancelJoinButton"_s), Qt::LeftButton);
        QTest::qWait(600);
        QCOMPARE(m->state.projects().size(), 1);
        QVERIFY(!m->view.joinField()->isVisible());
        QVERIFY(!m->view.joinErrorLabel()->isVisible());
    }
};

QTEST_MAIN(PanelSidebarTest)
#include "tst_panelsidebar.moc"
