// SPDX-License-Identifier: GPL-3.0-or-later
// The history on a disk that fills up or turns read-only (a small tmpfs of its own: mounting needs root; elsewhere
// that part is skipped, and the app delegate's test covers the failure with a write shim), and in a process killed
// while it saves.
#include "model/ChatSaveQueue.h"
#include "model/ChatStore.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <QRandomGenerator>

#include <csignal>
#include <unistd.h>

using namespace std::chrono_literals;
using namespace Qt::StringLiterals;

namespace {

// The same in every process: ids from the size.
ChatSession chat(qsizetype bytes)
{
    const QDateTime at = QDateTime::fromSecsSinceEpoch(1'760'000'000, Qt::UTC);
    const auto id = [bytes](QStringView part) { return QUuid::createUuidV5(QUuid(), part + QString::number(bytes)); };
    const ChatMessage message{id(u"message"), MessageRole::User, QString(bytes, u'x'), at, {}, false, {}};
    return ChatSession{id(u"session"), u"Chat"_s, id(u"project"), u"General"_s, u"x"_s, {message}, at, at};
}

const QList<ChatSession> older{chat(100 * 1024)};
const QList<ChatSession> newer{chat(100 * 1024), chat(50 * 1024)};

// The child's part in killedWhileSaving: save the two histories in turn until killed.
int saveForever(const QString& folder)
{
    const ChatStore store(folder);
    for (int i = 0;; ++i)
        store.saveSessions(i % 2 ? newer : older);
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
        if (!mount({u"-t"_s, u"tmpfs"_s, u"-o"_s, u"size=256k"_s, u"tmpfs"_s, disk}))
            QSKIP("this machine does not let the test mount a tmpfs");
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

    // Killed at any moment of a save, the history on disk is always one of the two whole histories, and the
    // writes cut short leave nothing behind once the history is read again.
    void killedWhileSaving()
    {
        QTemporaryDir folder;
        const ChatStore store(folder.path());
        for (int round = 0; round < 40; ++round) {
            QProcess saver;
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(u"VANTRO_TEST_SAVER"_s, folder.path());
            saver.setProcessEnvironment(environment);
            saver.start(QCoreApplication::applicationFilePath(), {});
            QVERIFY(saver.waitForStarted(5000));
            QTRY_VERIFY(QFile::exists(store.sessionsFilePath()));
            QTest::qWait(QRandomGenerator::global()->bounded(1, 30));
            ::kill(pid_t(saver.processId()), SIGKILL);
            QVERIFY(saver.waitForFinished(5000));
            const QList<ChatSession> loaded = store.loadSessions();
            QVERIFY2(loaded == older || loaded == newer, qPrintable(u"round "_s + QString::number(round)));
        }
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList{u"chat_sessions.json"_s});
    }
};

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    if (const QString folder = qEnvironmentVariable("VANTRO_TEST_SAVER"); !folder.isEmpty())
        return saveForever(folder);
    TestSaveFaults test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_savefaults.moc"
