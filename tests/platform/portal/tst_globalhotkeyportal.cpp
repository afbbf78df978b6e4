// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/portal/GlobalHotkeyPortal.h"
#include "support/FakeGlobalShortcutsPortal.h"
#include "support/PrivateSessionBus.h"

#include <QDBusConnectionInterface>
#include <QSignalSpy>
#include <QUuid>
#include <QtTest>

#include <memory>

using namespace std::chrono_literals;
using namespace Qt::StringLiterals;

namespace {

using Answer = FakeGlobalShortcutsPortal::Answer;

// Our side of a private bus, gone with the test.
struct Client
{
    explicit Client(const QString& address)
        : name(QUuid::createUuid().toString(QUuid::Id128)), bus(QDBusConnection::connectToBus(address, name))
    {}
    ~Client() { QDBusConnection::disconnectFromBus(name); }
    // One round trip: everything we sent before, subscriptions included, has reached the bus.
    bool sync() const { return bus.interface()->isServiceRegistered(u"org.freedesktop.DBus"_s); }

    QString name;
    QDBusConnection bus;
};

QStringList triggers(const GlobalHotkeyPortal& hotkey)
{
    QStringList list;
    for (const GlobalHotkey::DesktopShortcut& shortcut : hotkey.desktopShortcuts())
        list.append(shortcut.id + u'=' + shortcut.trigger);
    return list;
}

} // namespace

class TestGlobalHotkeyPortal : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The binding as the desktop answers it: bound with its triggers, refused, never answered; and a bus with no
    // portal at all. An answer through a handle the portal chose itself is the screenshot portal's test (the same
    // request code).
    void bind_data()
    {
        QTest::addColumn<int>("answer"); // -1: no portal on the bus
        QTest::addColumn<QStringList>("expectTriggers");
        QTest::addColumn<QString>("expectProblem");
        const QStringList bound{u"prompt-copied-text=CTRL+ALT+c"_s, u"prompt-screenshot=CTRL+ALT+s"_s};
        QTest::newRow("bound") << int(Answer::Bind) << bound << QString();
        QTest::newRow("refused") << int(Answer::Refuse) << QStringList()
                                 << u"The desktop refused Vantro's shortcuts."_s;
        QTest::newRow("no answer") << int(Answer::Silent) << QStringList()
                                   << u"The desktop did not answer when Vantro asked for its shortcuts."_s;
        QTest::newRow("no portal") << -1 << QStringList() << u"Your desktop has no global shortcuts service."_s;
    }

    void bind()
    {
        QFETCH(int, answer);
        QFETCH(QStringList, expectTriggers);
        QFETCH(QString, expectProblem);

        FakeGlobalShortcutsPortal fake;
        PrivateSessionBus empty(u"org.example.Nothing"_s);
        QVERIFY(fake.isRunning() && empty.isRunning());
        Client client(answer < 0 ? empty.address() : fake.busAddress());
        QVERIFY(client.bus.isConnected());
        fake.setAnswer(Answer(std::max(answer, 0)));
        GlobalHotkeyPortal hotkey(client.bus, u"app.vantro.Vantro"_s, 5s, 400ms);
        QSignalSpy changes(&hotkey, &GlobalHotkey::desktopShortcutsChanged);
        hotkey.bindDesktopShortcuts();
        hotkey.bindDesktopShortcuts(); // a second ask while the first is on its way changes nothing

        QTRY_VERIFY(hotkey.isBound() || !hotkey.desktopShortcutsProblem().isEmpty());
        QCOMPARE(triggers(hotkey), expectTriggers);
        QCOMPARE(hotkey.desktopShortcutsProblem(), expectProblem);
        QCOMPARE(hotkey.canChangeDesktopShortcuts(), expectProblem.isEmpty());
        if (answer >= 0) {
            QCOMPARE(fake.registeredApplication(), u"app.vantro.Vantro"_s);
            QCOMPARE(fake.requested(),
                     QStringList({u"prompt-copied-text=CTRL+ALT+c"_s, u"prompt-screenshot=CTRL+ALT+s"_s}));
        }
        // A failed binding leaves no session behind, and asking again tries again.
        QTRY_COMPARE(fake.closedSessions(),
                     expectProblem.isEmpty() || answer < 0 ? QStringList() : QStringList{fake.session()});
        if (!expectProblem.isEmpty()) {
            const qsizetype before = changes.size();
            hotkey.bindDesktopShortcuts();
            QVERIFY(changes.size() > before && hotkey.desktopShortcutsProblem().isEmpty());
        }
    }

    // Activated comes again and again while a key is held: one trigger per press, a press per shortcut, nothing
    // for another session or a shortcut that is not ours. A changed binding shows at once.
    void activation()
    {
        FakeGlobalShortcutsPortal fake;
        QVERIFY(fake.isRunning());
        Client client(fake.busAddress());
        GlobalHotkeyPortal hotkey(client.bus, u"app.vantro.Vantro"_s, 5s, 5s);
        QSignalSpy text(&hotkey, &GlobalHotkey::activated);
        QSignalSpy screenshot(&hotkey, &GlobalHotkey::screenshotActivated);
        hotkey.bindDesktopShortcuts();
        QTRY_VERIFY(hotkey.isBound());
        QVERIFY(client.sync());

        for (int repeat = 0; repeat < 5; ++repeat)
            fake.press(u"prompt-copied-text"_s);
        fake.press(u"prompt-copied-text"_s, fake.session() + u"-other"_s);
        fake.press(u"someone-else"_s);
        fake.release(u"prompt-copied-text"_s);
        fake.press(u"prompt-screenshot"_s);
        fake.press(u"prompt-copied-text"_s);
        QTRY_COMPARE(screenshot.size(), 1);
        QTRY_COMPARE(text.size(), 2);

        fake.changeTrigger(u"prompt-screenshot"_s, u"Super+\u0007Print"_s);
        QTRY_COMPARE(triggers(hotkey),
                     QStringList({u"prompt-copied-text=CTRL+ALT+c"_s, u"prompt-screenshot=Super+Print"_s}));
        hotkey.changeDesktopShortcuts();
        QTRY_COMPARE(fake.configureCalls(), 1);
        QCOMPARE(text.size(), 2);
    }
};

QTEST_MAIN(TestGlobalHotkeyPortal)
#include "tst_globalhotkeyportal.moc"
