// SPDX-License-Identifier: GPL-3.0-or-later
// The sidebar's list of sessions following the state, and the search across all chats.
#include "model/AppState.h"
#include "model/ChatSearch.h"
#include "model/ChatSessionListModel.h"
#include "model/Settings.h"
#include "support/TestEnvironment.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

ChatSession session(const QString& title, const QStringList& texts = {}, qint64 age = 0)
{
    const QDateTime at = QDateTime::fromSecsSinceEpoch(1'760'000'000 - age, Qt::UTC);
    QList<ChatMessage> messages;
    for (const QString& text : texts)
        messages.append(ChatMessage{QUuid::createUuid(), MessageRole::User, text, at, {}, false, {}});
    return ChatSession{QUuid::createUuid(), title, QUuid::createUuid(), u"General"_s, u"🗂️"_s, messages, at, at};
}

QStringList titles(const QList<ChatSession>& sessions, const QSet<QUuid>& ids)
{
    QStringList result;
    for (const ChatSession& s : sessions) {
        if (ids.contains(s.id))
            result.append(s.title);
    }
    return result;
}

enum class Change
{
    NewSession,
    Delete,
    Rename,
    StreamedPiece,
    ReorderByUpdateTime,
    Filter,
    ReplaceAll,
};

} // namespace

class ChatHistoryTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Each change of the state, against the plain list it should show: the rows are the sessions in the state's
    // order, and a change to one session touches one row, never the whole list.
    void listModelFollowsTheState_data()
    {
        QTest::addColumn<Change>("change");
        QTest::addColumn<bool>("structural"); // rows inserted, removed, moved or reset
        QTest::newRow("new session") << Change::NewSession << true;
        QTest::newRow("delete") << Change::Delete << true;
        QTest::newRow("rename") << Change::Rename << false;
        QTest::newRow("streamed piece") << Change::StreamedPiece << false;
        QTest::newRow("reorder by update time") << Change::ReorderByUpdateTime << true;
        QTest::newRow("filter") << Change::Filter << true;
        QTest::newRow("replace all, same ids") << Change::ReplaceAll << false;
    }
    void listModelFollowsTheState()
    {
        QFETCH(Change, change);
        QFETCH(bool, structural);
        TestEnvironment env;
        Settings settings;
        AppState state(settings, ChatStore());
        state.setChatSessions(
            {session(u"a"_s, {u"x"_s}, 30), session(u"b"_s, {}, 10), session(u"c"_s, {}, 20), session(u"d"_s, {}, 40)});
        ChatSessionListModel model(state);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
        QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);

        QList<ChatSession> expected = state.chatSessions();
        switch (change) {
        case Change::NewSession:
            expected.prepend(state.newChatSession());
            break;
        case Change::Delete:
            state.deleteSession(expected.takeAt(1).id);
            break;
        case Change::Rename:
            expected[2].title = u"renamed"_s;
            state.updateSession(expected[2]);
            break;
        case Change::StreamedPiece:
            expected[0].messages[0].content += u" more"_s;
            state.replaceSessionInMemory(expected[0]);
            break;
        case Change::ReorderByUpdateTime:
            std::ranges::sort(expected, std::greater{}, &ChatSession::updatedAt);
            state.setChatSessions(expected);
            break;
        case Change::Filter:
            model.setFilter(QSet<QUuid>{expected[3].id, expected[1].id});
            expected = {expected[1], expected[3]};
            break;
        case Change::ReplaceAll:
            for (ChatSession& s : expected)
                s.title += u"!"_s;
            state.setChatSessions(expected);
            break;
        }

        QStringList shown;
        for (int row = 0; row < model.rowCount(); ++row) {
            const QModelIndex index = model.index(row);
            const ChatSession& wanted = expected.at(row);
            QCOMPARE(index.data(ChatSessionListModel::IdRole).toUuid(), wanted.id);
            QCOMPARE(model.indexOf(wanted.id), index);
            shown.append(index.data().toString());
            QCOMPARE(index.data(ChatSessionListModel::ActiveRole).toBool(), state.activeChatSessionID() == wanted.id);
        }
        QStringList wantedTitles;
        for (const ChatSession& s : expected)
            wantedTitles.append(s.title);
        QCOMPARE(shown, wantedTitles);
        QCOMPARE(!reset.isEmpty() || !inserted.isEmpty() || !removed.isEmpty(), structural);
        if (change == Change::Rename || change == Change::StreamedPiece) {
            QCOMPARE(changed.size(), 1);
            QCOMPARE(changed.first().at(0).toModelIndex(), changed.first().at(1).toModelIndex());
        }
        // Insertions and removals keep the other rows where a view shows them.
        if (change == Change::NewSession || change == Change::Delete)
            QVERIFY(reset.isEmpty());
    }

    void search_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QStringList>("found");
        QTest::newRow("title, other case") << u"CAFÉ"_s << QStringList{u"Café au lait"_s};
        QTest::newRow("title, no accents typed") << u"cafe"_s << QStringList{u"Café au lait"_s};
        QTest::newRow("message text") << u"CREME BRULEE"_s << QStringList{u"Dessert"_s};
        QTest::newRow("accents typed, none in the text") << u"résumé"_s << QStringList{u"Jobs"_s};
        QTest::newRow("decomposed accent in the text") << u"noël"_s << QStringList{u"Holidays"_s};
        QTest::newRow("in two sessions") << u"au"_s << QStringList{u"Café au lait"_s, u"Holidays"_s};
        QTest::newRow("empty query") << QString() << QStringList{};
        QTest::newRow("blank query") << u"   "_s << QStringList{};
        QTest::newRow("no match") << u"zebra"_s << QStringList{};
    }
    void search()
    {
        QFETCH(QString, query);
        QFETCH(QStringList, found);
        const QList<ChatSession> sessions{session(u"Café au lait"_s, {u"Milk first?"_s}),
                                          session(u"Dessert"_s, {u"Try a crème brûlée."_s}),
                                          session(u"Jobs"_s, {u"Send the resume today"_s}),
                                          session(u"Holidays"_s, {u"Joyeux Noe\u0308l"_s, u"Au revoir"_s})};
        ChatSearch search;
        QCOMPARE(titles(sessions, search.searchNow(sessions, query)), found);

        // Through the worker: only the newest of quick keystrokes is answered.
        QSignalSpy answered(&search, &ChatSearch::finished);
        search.search(sessions, u"zz"_s);
        search.search(sessions, query);
        QTRY_VERIFY(!answered.isEmpty() && answered.last().at(0).toString() == query);
        QCOMPARE(titles(sessions, answered.last().at(1).value<QSet<QUuid>>()), found);
    }

    // A session edited after it was indexed is searched in its new text, not the old one.
    void searchSeesEditedSessions()
    {
        QList<ChatSession> sessions{session(u"One"_s, {u"apple"_s}), session(u"Two"_s, {u"pear"_s})};
        ChatSearch search;
        QCOMPARE(titles(sessions, search.searchNow(sessions, u"apple"_s)), QStringList{u"One"_s});
        sessions[1].messages[0].content = u"apple pie"_s;
        sessions[0].title = u"Uno"_s;
        sessions[0].messages.clear();
        QCOMPARE(titles(sessions, search.searchNow(sessions, u"apple"_s)), QStringList{u"Two"_s});
        QCOMPARE(titles(sessions, search.searchNow(sessions, u"uno"_s)), QStringList{u"Uno"_s});
        sessions.removeFirst();
        QCOMPARE(titles(sessions, search.searchNow(sessions, u"pie"_s)), QStringList{u"Two"_s});
    }

    // The positions a highlight marks map back onto the original text, accents and all.
    void foldKeepsOrigins()
    {
        const QString text = u"Ä Cre\u0300me 🌍 É"_s;
        QList<qsizetype> origin;
        const QString folded = ChatSearch::fold(text, &origin);
        QCOMPARE(folded, u"a creme 🌍 e"_s);
        QCOMPARE(origin.size(), folded.size());
        const qsizetype at = folded.indexOf(u"creme"_s);
        QCOMPARE(text.mid(origin[at], origin[at + 5] - origin[at]), u"Cre\u0300me"_s);
        QCOMPARE(origin[folded.size() - 1], text.size() - 1);
    }
};

QTEST_GUILESS_MAIN(ChatHistoryTest)
#include "tst_chathistory.moc"
