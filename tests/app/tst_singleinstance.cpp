// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SingleInstance.h"
#include "support/TestEnvironment.h"

#include <QLocalSocket>
#include <QSignalSpy>
#include <QtTest>

#include <future>

class TestSingleInstance : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // A socket file with no listener behind it, as a killed instance leaves it, is taken over. Handing a command to
    // the running instance is the end-to-end test's.
    void takesOverALeftSocket()
    {
        TestEnvironment env;
        QVERIFY(TestEnvironment::writeFile(SingleInstance::defaultSocketPath(), QByteArray()));
        SingleInstance first;
        QVERIFY(first.listen());

        // A second listener on the same socket is refused while the first one runs.
        SingleInstance second;
        auto refused = std::async(std::launch::async, [&second] { return second.listen(); });
        QTRY_VERIFY(refused.wait_for(std::chrono::seconds(0)) == std::future_status::ready);
        QVERIFY(!refused.get());
    }

    void badMessagesAreDropped_data()
    {
        QTest::addColumn<QByteArray>("message");
        QByteArray corruptCount;
        QDataStream(&corruptCount, QIODevice::WriteOnly) << quint32(4) << quint32(0xFFFFFFFFu);
        QByteArray oversized;
        QDataStream(&oversized, QIODevice::WriteOnly) << (quint32(1) << 30);
        QTest::newRow("oversized") << oversized + QByteArray(1024, 'x');
        // A list header that claims billions of entries inside a tiny message must not make us reserve for them.
        QTest::newRow("corrupt list count") << corruptCount;
    }

    void badMessagesAreDropped()
    {
        QFETCH(QByteArray, message);
        TestEnvironment env;
        SingleInstance instance;
        QVERIFY(instance.listen());
        QSignalSpy received(&instance, &SingleInstance::commandReceived);
        QLocalSocket socket;
        socket.connectToServer(instance.socketPath());
        QVERIFY(socket.waitForConnected(1000));
        socket.write(message);
        socket.flush();
        QTRY_COMPARE(socket.state(), QLocalSocket::UnconnectedState);
        QCOMPARE(received.size(), 0);
    }
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
