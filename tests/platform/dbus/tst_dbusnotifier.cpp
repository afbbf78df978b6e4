// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/dbus/DBusNotifier.h"
#include "support/FakeNotificationServer.h"

#include <QSignalSpy>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

QDBusConnection connectTo(const QString& address)
{
    const QString name = u"notifier-test-"_s + QString::number(QRandomGenerator::global()->generate());
    return QDBusConnection::connectToBus(address, name);
}

const QList<Notifier::Action> actions{{u"retry"_s, u"Try Again"_s}, {u"preferences"_s, u"Open Preferences"_s}};

} // namespace

class TestDBusNotifier : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // What reaches the service depends on what it says it can do: buttons only where it shows them, and a body
    // that stays text where it would read markup.
    void notifies_data()
    {
        QTest::addColumn<QStringList>("capabilities");
        QTest::addColumn<QString>("expectedBody");
        QTest::addColumn<QStringList>("expectedActions");
        const QStringList all{u"retry"_s, u"Try Again"_s, u"preferences"_s, u"Open Preferences"_s};
        QTest::newRow("actions and markup") << QStringList{u"actions"_s, u"body"_s, u"body-markup"_s}
                                            << u"Another program &lt;b&gt;holds&lt;/b&gt; Ctrl+C."_s << all;
        QTest::newRow("plain server") << QStringList{u"body"_s} << u"Another program <b>holds</b> Ctrl+C."_s
                                      << QStringList();
    }

    void notifies()
    {
        QFETCH(QStringList, capabilities);
        QFETCH(QString, expectedBody);
        QFETCH(QStringList, expectedActions);
        FakeNotificationServer server(capabilities);
        QVERIFY(server.isRunning());
        DBusNotifier notifier(connectTo(server.busAddress()));
        QVERIFY(notifier.isAvailable());
        QSignalSpy invoked(&notifier, &Notifier::actionInvoked);
        QSignalSpy failed(&notifier, &Notifier::notificationFailed);

        // Two at once: the second waits for the capabilities with the first.
        notifier.notify(u"Key detection is off"_s, u"Another program <b>holds</b> Ctrl+C."_s, actions);
        notifier.notify(u"Second"_s, u"text"_s);
        QTRY_COMPARE(server.shown().size(), 2);
        const FakeNotificationServer::Shown& shown = server.shown().first();
        QCOMPARE(shown.summary, u"Key detection is off"_s);
        QCOMPARE(shown.body, expectedBody);
        QCOMPARE(shown.actions, expectedActions);
        QCOMPARE(server.shown().at(1).summary, u"Second"_s);

        // Buttons of another client's notification are not ours to answer.
        server.invoke(shown.id + 100, u"retry"_s);
        server.invoke(shown.id, u"retry"_s);
        QTRY_COMPARE(invoked.size(), 1);
        QCOMPARE(invoked.first().first().toString(), u"retry"_s);
        QCOMPARE(failed.size(), 0);
    }

    // With nobody serving notifications, the caller hears of it and can tell the user another way.
    void noServiceReportsFailure()
    {
        PrivateSessionBus bus(u"org.example.Nobody"_s);
        QVERIFY(bus.isRunning());
        DBusNotifier notifier(connectTo(bus.address()));
        QSignalSpy failed(&notifier, &Notifier::notificationFailed);
        notifier.notify(u"Title"_s, u"Body"_s);
        QTRY_COMPARE(failed.size(), 1);
        QCOMPARE(failed.first(), (QVariantList{u"Title"_s, u"Body"_s}));
    }
};

QTEST_MAIN(TestDBusNotifier)
#include "tst_dbusnotifier.moc"
