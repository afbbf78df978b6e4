// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Autostart.h"
#include "platform/Backends.h"
#include "platform/Log.h"
#include "platform/Session.h"
#include "platform/portal/GlobalHotkeyPortal.h"
#include "platform/portal/ScreenshotPortal.h"
#include "support/FakeGlobalShortcutsPortal.h"
#include "support/PrivateSessionBus.h"
#include "support/StdoutCapture.h"
#include "support/TestEnvironment.h"

#include <QDBusConnectionInterface>
#include <QDBusContext>
#include <QDBusError>
#include <QDBusMessage>
#include <QDateTime>
#include <QFile>
#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QUrl>
#include <QUuid>
#include <QtTest>

#include <memory>

#include <sys/stat.h>

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

// One request object: only Close, which the portal uses to take its dialog down.
class FakePortalRequest : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Request")

public:
    FakePortalRequest(std::function<void()> closed, QObject* parent) : QObject(parent), m_closed(std::move(closed)) {}

public Q_SLOTS:
    void Close() { m_closed(); }

private:
    std::function<void()> m_closed;
};

// The screenshot part of a desktop portal on a private session bus. A Screenshot call gets a request object and its
// handle, and nothing more: the test answers (or not) with respond(), as the user would in the portal's dialog.
class FakeScreenshotPortal : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Screenshot")

public:
    FakeScreenshotPortal()
    {
        m_exported =
            m_bus.isRunning() && m_bus.connection().registerObject(portalPath, this, QDBusConnection::ExportAllSlots);
    }
    QString busAddress() const { return m_exported ? m_bus.address() : QString(); }
    // Hand out this handle instead of the one the caller's token names, as portals before handle_token did.
    void setHandle(const QString& path) { m_fixedHandle = path; }
    // For the last Screenshot call: the path its handle_token names, and the handle returned. Empty before.
    QString tokenPath() const { return m_tokenPath; }
    QString handle() const { return m_handle; }
    // Request objects that were told to Close, in order.
    QStringList closed() const { return m_closed; }
    // org.freedesktop.portal.Request.Response on `path`.
    void respond(const QString& path, uint code, const QVariantMap& results = {})
    {
        QDBusMessage signal = QDBusMessage::createSignal(path, u"org.freedesktop.portal.Request"_s, u"Response"_s);
        signal << code << results;
        m_bus.connection().send(signal);
    }

public Q_SLOTS:
    QDBusObjectPath Screenshot(const QString&, const QVariantMap& options)
    {
        // The handle a current portal gives: the caller's unique name without the colon, dots as underscores, then
        // its token.
        const QString token = options.value(u"handle_token"_s).toString();
        m_tokenPath = portalPath + u"/request/"_s + message().service().mid(1).replace(u'.', u'_') + u'/' + token;
        m_handle = m_fixedHandle.isEmpty() ? m_tokenPath : m_fixedHandle;
        auto* request = new FakePortalRequest([this, path = m_handle] { m_closed.append(path); }, this);
        if (token.isEmpty() || !m_bus.connection().registerObject(m_handle, request, QDBusConnection::ExportAllSlots)) {
            delete request;
            sendErrorReply(QDBusError::InvalidArgs, u"Bad handle_token"_s);
            return {};
        }
        return QDBusObjectPath(m_handle);
    }

private:
    static inline const QString portalPath = u"/org/freedesktop/portal/desktop"_s;
    PrivateSessionBus m_bus{u"org.freedesktop.portal.Desktop"_s};
    bool m_exported = false;
    QString m_fixedHandle;
    QString m_tokenPath;
    QString m_handle;
    QStringList m_closed;
};

QStringList triggers(const GlobalHotkeyPortal& hotkey)
{
    QStringList list;
    for (const GlobalHotkey::DesktopShortcut& shortcut : hotkey.desktopShortcuts())
        list.append(shortcut.id + u'=' + shortcut.trigger);
    return list;
}

} // namespace

// The platform layer offscreen: the factory's picks per session, the log line, the autostart entry, and the portal
// clients (global shortcuts, screenshot) against fakes on private session buses.
class TestBackends : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void picksForTheSession_data()
    {
        QTest::addColumn<QString>("sessionType");       // XDG_SESSION_TYPE
        QTest::addColumn<QString>("keyBackend");        // VANTRO_KEY_BACKEND
        QTest::addColumn<QString>("screenshotCommand"); // VANTRO_SCREENSHOT_COMMAND
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("reasonStart");
        QTest::addColumn<QString>("grabber");
        const auto row = [](const char* name, const char* session, const char* keys, const char* command,
                            Session::Kind kind, const char* reason, const char* grabber) {
            QTest::newRow(name) << QString::fromLatin1(session) << QString::fromLatin1(keys)
                                << QString::fromLatin1(command) << int(kind) << QString::fromLatin1(reason)
                                << QString::fromLatin1(grabber);
        };
        const auto wayland = Session::Kind::Wayland;
        row("no desktop", "", "", "", Session::Kind::None, "Global key detection needs an X11 session.",
            "ScreenGrabberNull");
        row("wayland", "wayland", "", "", wayland, "Wayland lets no program watch keys globally.", "ScreenshotPortal");
        row("keys turned off", "wayland", "null", "", wayland, "Global key detection is turned off",
            "ScreenshotPortal");
        row("a command wins", "wayland", "", "true", wayland, "Wayland lets", "ScreenshotCommand");
    }

    void picksForTheSession()
    {
        QFETCH(QString, sessionType);
        QFETCH(QString, keyBackend);
        QFETCH(QString, screenshotCommand);
        QFETCH(int, kind);
        QFETCH(QString, reasonStart);
        QFETCH(QString, grabber);
        const auto set = [](const char* name, const QString& value) {
            if (value.isEmpty())
                qunsetenv(name);
            else
                qputenv(name, value.toUtf8());
        };
        set("XDG_SESSION_TYPE", sessionType);
        set("VANTRO_KEY_BACKEND", keyBackend);
        set("VANTRO_SCREENSHOT_COMMAND", screenshotCommand);

        const Session session = Session::current();
        QCOMPARE(int(session.kind), kind);
        QVERIFY2(session.keyDetectionUnavailableReason.startsWith(reasonStart),
                 qPrintable(session.keyDetectionUnavailableReason));

        // Off X11 every key backend is a null one that tells the same reason.
        const std::unique_ptr<KeyMonitor> monitor = Backends::createKeyMonitor();
        QVERIFY(!monitor->isAvailable());
        QCOMPARE(monitor->unavailableReason(), session.keyDetectionUnavailableReason);
        QVERIFY(!Backends::createGlobalHotkey()->registerHotkey(8, 0x100));

        const std::unique_ptr<ScreenGrabber> picked(Backends::createScreenGrabber(QString(), nullptr));
        QCOMPARE(QString::fromLatin1(picked->metaObject()->className()), grabber);
    }

    void oneLinePerDiagnostic_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("expected");
        QTest::newRow("a body posing as another component")
            << u"x\nChatStore: fake"_s << u"Test: x ChatStore: fake\n"_s;
        QTest::newRow("CR and unicode separators") << u"a\u2028b\u2029c\r\nd"_s << u"Test: a b c  d\n"_s;
    }

    void oneLinePerDiagnostic()
    {
        QFETCH(QString, message);
        QFETCH(QString, expected);
        StdoutCapture out;
        logLine(u"Test", message);
        QCOMPARE(out.text(), expected);
    }

    // The Exec value a desktop reads back as the same path: quoted, with the reserved characters escaped.
    void execValue_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("expected");
        // Escaped for the quotes, then each backslash doubled for the value.
        QTest::newRow("reserved") << u"/a\"b`c$d\\e"_s << u"\"/a\\\\\"b\\\\`c\\\\$d\\\\\\\\e\""_s;
        QTest::newRow("percent") << u"/tmp/100%/vantro"_s << u"\"/tmp/100%%/vantro\""_s;
    }

    void execValue()
    {
        QFETCH(QString, program);
        QFETCH(QString, expected);
        QCOMPARE(Autostart::execValue(program), expected);
    }

    // The entry as the desktop reads it; one the desktop turned off counts as off. Its place is the first-run test's;
    // the switch that writes and removes it, and its failure on a blocked folder, are the preferences test's.
    void entryAsTheDesktopReadsIt()
    {
        TestEnvironment env;
        QVERIFY(Autostart::setEnabled(true, u"/usr/bin/vantro"_s));
        const QByteArray entry = TestEnvironment::readFile(Autostart::entryPath());
        QVERIFY(entry.contains("\nExec=\"/usr/bin/vantro\"\n"));
        QVERIFY(TestEnvironment::writeFile(Autostart::entryPath(), entry + "Hidden=true\n"));
        QVERIFY(!Autostart::isEnabled());
        QVERIFY(Autostart::setEnabled(false, QString()));
        QVERIFY(Autostart::setEnabled(false, QString())); // nothing to remove is no failure
    }

    // The binding refused, never answered, and a bus with no portal at all. A binding that works is the activation
    // case's below; an answer through a handle the portal chose itself is the screenshot case's (the same request
    // code).
    void bindFails_data()
    {
        QTest::addColumn<int>("answer"); // -1: no portal on the bus
        QTest::addColumn<QString>("expectProblem");
        QTest::newRow("refused") << int(Answer::Refuse) << u"The desktop refused Vantro's shortcuts."_s;
        QTest::newRow("no answer") << int(Answer::Silent)
                                   << u"The desktop did not answer when Vantro asked for its shortcuts."_s;
        QTest::newRow("no portal") << -1 << u"Your desktop has no global shortcuts service."_s;
    }

    void bindFails()
    {
        QFETCH(int, answer);
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

        QTRY_COMPARE(hotkey.desktopShortcutsProblem(), expectProblem);
        QVERIFY(triggers(hotkey).isEmpty() && !hotkey.canChangeDesktopShortcuts());
        if (answer >= 0)
            QCOMPARE(fake.registeredApplication(), u"app.vantro.Vantro"_s);
        // A failed binding leaves no session behind, and asking again tries again.
        QTRY_COMPARE(fake.closedSessions(), answer < 0 ? QStringList() : QStringList{fake.session()});
        const qsizetype before = changes.size();
        hotkey.bindDesktopShortcuts();
        QVERIFY(changes.size() > before && hotkey.desktopShortcutsProblem().isEmpty());
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
    }

    // answer: "picture", "old picture" (from before the request), "user cancel", "none" (no answer in time), "our
    // cancel", or an untrusted file name: the file named comes from another process, so only a local regular file
    // is read, and nothing else is deleted.
    void screenshot_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("otherHandle"); // the portal ignores our token, as old ones did
        QTest::addColumn<bool>("expectImage");
        QTest::addColumn<QString>("expectError");
        QTest::addColumn<bool>("expectClose");
        QTest::newRow("picture") << u"picture"_s << false << true << QString() << false;
        QTest::newRow("user cancels") << u"user cancel"_s << false << false << QString() << false;
        QTest::newRow("no answer") << u"none"_s << false << false << u"The screenshot service did not answer."_s
                                   << true;
        QTest::newRow("other handle") << u"picture"_s << true << true << QString() << false;
        QTest::newRow("older file") << u"old picture"_s << false << true << QString() << false;
        QTest::newRow("cancelled by us") << u"our cancel"_s << false << false << QString() << true;
        for (const char* kind : {"web address", "other host", "symbolic link", "fifo", "not a string"})
            QTest::newRow(kind) << QString::fromLatin1(kind) << false << false << QString() << false;
    }

    void screenshot()
    {
        QFETCH(QString, answer);
        QFETCH(bool, otherHandle);
        QFETCH(bool, expectImage);
        QFETCH(QString, expectError);
        QFETCH(bool, expectClose);

        FakeScreenshotPortal fake;
        Client client(fake.busAddress());
        QDBusConnection& bus = client.bus;
        QVERIFY(!fake.busAddress().isEmpty() && bus.isConnected());
        if (otherHandle)
            fake.setHandle(u"/org/freedesktop/portal/desktop/request/1_1/old"_s);
        QTemporaryDir folder;
        const QString picture = folder.filePath(u"Screenshot.png"_s), decoy = folder.filePath(u"Decoy.png"_s);
        const QString link = folder.filePath(u"link.png"_s), fifo = folder.filePath(u"fifo.png"_s);
        QVERIFY(filledImage(30, 20, Qt::green).save(picture) && filledImage(30, 20, Qt::red).save(decoy));
        QVERIFY(QFile::link(picture, link));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        const QHash<QString, QString> uris{{u"picture"_s, QUrl::fromLocalFile(picture).toString()},
                                           {u"old picture"_s, QUrl::fromLocalFile(picture).toString()},
                                           {u"web address"_s, u"https://example.org/Screenshot.png"_s},
                                           {u"other host"_s, u"file://otherhost" + picture},
                                           {u"symbolic link"_s, QUrl::fromLocalFile(link).toString()},
                                           {u"fifo"_s, QUrl::fromLocalFile(fifo).toString()}};

        int calls = 0;
        std::optional<QImage> image;
        QString error;
        const QPointer<ScreenshotPortal> portal =
            ScreenshotPortal::start(bus, answer == u"none" ? 300ms : 60s, [&](std::optional<QImage> p, QString e) {
                ++calls, image = std::move(p), error = std::move(e);
            });
        QTRY_VERIFY(!fake.handle().isEmpty());
        QTRY_COMPARE(portal->requestPath(), fake.handle());
        QVERIFY(client.sync()); // the bus has our subscription to the handle before the fake answers

        // Once the portal has named its own handle, an answer on the token's path is not ours.
        if (otherHandle)
            fake.respond(fake.tokenPath(), 0, {{u"uri"_s, QUrl::fromLocalFile(decoy).toString()}});
        if (answer == u"old picture") {
            // A file from before the request is not the portal's copy for us: read, but never deleted.
            QFile file(picture);
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(QDateTime::currentDateTime().addDays(-1), QFileDevice::FileModificationTime));
        }
        if (uris.contains(answer) || answer == u"not a string")
            fake.respond(fake.handle(), 0, {{u"uri"_s, uris.contains(answer) ? QVariant(uris[answer]) : QVariant(42)}});
        else if (answer == u"user cancel")
            fake.respond(fake.handle(), 1);
        else if (answer == u"our cancel")
            portal->cancel();

        QTRY_COMPARE(calls, 1);
        QCOMPARE(image.has_value(), expectImage);
        if (expectImage)
            QCOMPARE(QColor(image->pixel(5, 5)), QColor(Qt::green));
        QCOMPARE(error, expectError);
        // The portal's file is gone once read; a file named by an answer we ignored, or refused, is not touched.
        QCOMPARE(QFile::exists(picture), answer != u"picture");
        QVERIFY(QFile::exists(decoy) && QFileInfo(link).isSymLink() && QFileInfo::exists(fifo));
        QTRY_COMPARE(fake.closed(), expectClose ? QStringList{fake.handle()} : QStringList());
        QTRY_VERIFY(portal.isNull());
        QCOMPARE(calls, 1);
    }
};

QTEST_MAIN(TestBackends)
#include "tst_backends.moc"
