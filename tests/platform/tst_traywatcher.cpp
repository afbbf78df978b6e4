// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/dbus/StatusNotifierWatcher.h"
#include "support/PrivateSessionBus.h"

#include <QSignalSpy>
#include <QtTest>

using namespace Qt::StringLiterals;

// The XEmbed tray's announcement is the first-run test's: a tray announced after launch docks the icon there.
class TestTrayWatcher : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The StatusNotifier tray is there once its watcher takes its name on the session bus.
    void statusNotifierWatcherName()
    {
        PrivateSessionBus bus(u"org.example.Panel"_s);
        QVERIFY(bus.isRunning());
        StatusNotifierWatcher watcher(QDBusConnection::connectToBus(bus.address(), u"tray-test"_s));
        QSignalSpy appeared(&watcher, &TrayWatcher::trayAppeared);
        QVERIFY(bus.connection().registerService(u"org.kde.StatusNotifierWatcher"_s));
        QTRY_COMPARE(appeared.size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestTrayWatcher)
#include "tst_traywatcher.moc"
