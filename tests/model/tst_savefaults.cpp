// SPDX-License-Identifier: GPL-3.0-or-later
// The history on a disk that fills up or turns read-only: a small tmpfs of its own (mounting needs root; elsewhere
// the test is skipped, and the app delegate's test covers the failure with a write shim).
#include "model/ChatSaveQueue.h"
#include "model/ChatStore.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

using namespace std::chrono_literals;
using namespace Qt::StringLiterals;

namespace {

ChatSession chat(qsizetype bytes)
{
    const QDateTime at = QDateTime::fromSecsSinceEpoch(1'760'000'000, Qt::UTC);
    const ChatMessage message{QUuid::createUuid(), MessageRole::User, QString(bytes, u'x'), at, {}, false, {}};
    return ChatSession{QUuid::createUuid(), u"Chat"_s, QUuid::createUuid(), u"General"_s, u"x"_s, {message}, at, at};
}

bool mount(const QStringList& arguments)
{
    return QProcess::execute(u"mount"_s, arguments) == 0;
}

} // namespace

class TestSaveFaults : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fullThenReadOnlyDisk()
    {
        if (::getuid() != 0)
            QSKIP("mounting a small tmpfs needs root");
        QTemporaryDir folder;
        const QString disk = folder.path();
        QVERIFY(mount({u"-t"_s, u"tmpfs"_s, u"-o"_s, u"size=256k"_s, u"tmpfs"_s, disk}));
        const auto unmount = qScopeGuard([&disk] { QProcess::execute(u"umount"_s, {u"-l"_s, disk}); });
        ChatStore store(disk);
        ChatSaveQueue queue(store);
        queue.setRetryInterval(100ms);
        QSignalSpy failed(&queue, &ChatSaveQueue::saveFailed);
        QSignalSpy recovered(&queue, &ChatSaveQueue::saveRecovered);

        const QList<ChatSession> small{chat(1000)};
        queue.save(small);
        queue.waitForIdle();
        QCOMPARE(store.loadSessions(), small);

        // Room for the old file and not for the new one: the old one stays, and the cause is named.
        QFile filler(disk + u"/filler"_s);
        QVERIFY(filler.open(QIODevice::WriteOnly) && filler.write(QByteArray(200 * 1024, 'f')) > 0);
        filler.close();
        const QList<ChatSession> big{chat(1000), chat(80 * 1024)};
        queue.save(big);
        QTRY_VERIFY(!failed.isEmpty());
        QCOMPARE(failed.first().first().toString(), u"no space left on the disk"_s);
        QCOMPARE(queue.failure(), u"no space left on the disk"_s);
        QCOMPARE(store.loadSessions(), small);

        // Space returns: the next try writes the newest history without being asked.
        QVERIFY(filler.remove());
        QTRY_COMPARE(recovered.size(), 1);
        QVERIFY(queue.failure().isEmpty());
        QCOMPARE(store.loadSessions(), big);

        QVERIFY(mount({u"-o"_s, u"remount,ro"_s, disk}));
        failed.clear();
        queue.save(small);
        QTRY_VERIFY(!failed.isEmpty());
        QCOMPARE(failed.first().first().toString(), u"the disk is read-only"_s);
        QCOMPARE(store.loadSessions(), big);
    }
};

QTEST_GUILESS_MAIN(TestSaveFaults)
#include "tst_savefaults.moc"
