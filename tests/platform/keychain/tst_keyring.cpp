// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop's D-Bus services. The API key and the owner key against a real Secret Service: GNOME Keyring on a
// private session bus, with a keyring of its own in a temporary home; and notifications against a fake service.
#include "model/SecretKeys.h"
#include "model/Settings.h"
#include "platform/dbus/DBusNotifier.h"
#include "platform/keychain/SecretStoreKeychain.h"
#include "platform/null/SecretStoreNull.h"
#include "support/FakeNotificationServer.h"
#include "support/PrivateSessionBus.h"
#include "support/StdoutCapture.h"
#include "support/TestEnvironment.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

const QString apiKey = u"sk-test-4f1c9a77"_s;
const QString ownerKey = u"OWNER-5D2B-77E1"_s;

// A session bus of its own with GNOME Keyring running on it, unlocked. Must exist before anything in the process
// asks for the session bus.
class KeyringBus
{
public:
    KeyringBus()
    {
        if (!m_bus.isRunning())
            return;
        qputenv("DBUS_SESSION_BUS_ADDRESS", m_bus.address().toUtf8());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"HOME"_s, m_home.path());
        environment.insert(u"XDG_DATA_HOME"_s, m_home.path() + u"/data"_s);
        m_daemon.setProcessEnvironment(environment);
        m_daemon.start(u"gnome-keyring-daemon"_s, {u"--unlock"_s, u"--components=secrets"_s});
        m_daemon.write("test-password");
        m_daemon.closeWriteChannel();
        m_running = m_daemon.waitForFinished(10000) && m_daemon.exitCode() == 0;
    }
    bool isRunning() const { return m_running; }

private:
    QTemporaryDir m_home;
    PrivateSessionBus m_bus{u"org.example.KeyringTest"_s}; // GNOME Keyring leaves with its bus
    QProcess m_daemon;
    bool m_running = false;
};

std::optional<QString> readBack(SecretStore& store, const QString& name)
{
    std::optional<QString> value;
    bool answered = false;
    store.read(name, [&](std::optional<QString> secret, const QString&) {
        value = secret;
        answered = true;
    });
    if (!QTest::qWaitFor([&] { return answered; }, 10000))
        return u"(no answer)"_s;
    return value;
}

bool lockKeyring()
{
    // A plain call: an interface object would introspect the service and keep what it learnt for good.
    QDBusMessage call = QDBusMessage::createMethodCall(u"org.freedesktop.secrets"_s, u"/org/freedesktop/secrets"_s,
                                                       u"org.freedesktop.Secret.Service"_s, u"Lock"_s);
    call << QVariant::fromValue(QList<QDBusObjectPath>{QDBusObjectPath(u"/org/freedesktop/secrets/aliases/default"_s)});
    return QDBusConnection::sessionBus().call(call).type() == QDBusMessage::ReplyMessage;
}

const QList<Notifier::Action> actions{{u"retry"_s, u"Try Again"_s}, {u"preferences"_s, u"Open Preferences"_s}};

} // namespace

class KeyringTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<KeyringBus> m_keyring;
    QString m_service = u"vantro-test-"_s + QUuid::createUuid().toString(QUuid::Id128);

    // Loads the keys as the application does at launch, through a store on the test's keyring.
    bool load(Settings& settings, std::unique_ptr<SecretStore> store)
    {
        SecretKeys keys(settings, std::move(store));
        keys.load();
        return QTest::qWaitFor([&] { return keys.isLoaded(); }, 15000);
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_keyring = std::make_unique<KeyringBus>();
        QVERIFY2(m_keyring->isRunning(), "gnome-keyring-daemon did not start");
    }

    void cleanupTestCase() { m_keyring.reset(); }

    // Keys in the file move into the keyring and leave the file only once they are there; the next launch reads
    // them from the keyring, and a new key goes there too.
    void movesIntoTheKeyring()
    {
        TestEnvironment env;
        StdoutCapture out;
        SecretStoreKeychain keyring(m_service);
        {
            Settings settings;
            settings.setString(SettingsKeys::openaiApiKey, apiKey);
            settings.setString(SettingsKeys::syncOwnerKey, ownerKey);
            QVERIFY(load(settings, std::make_unique<SecretStoreKeychain>(m_service)));
            QCOMPARE(settings.string(SettingsKeys::openaiApiKey), apiKey);
            QCOMPARE(settings.secretsStorage(), u"Stored in your keyring."_s);
        }
        QByteArray file = TestEnvironment::readFile(env.settingsFile());
        QVERIFY(!file.contains(apiKey.toUtf8()) && !file.contains(ownerKey.toUtf8()));

        // The next launch finds them in the keyring only.
        Settings settings;
        SecretKeys keys(settings, std::make_unique<SecretStoreKeychain>(m_service));
        keys.load();
        QTRY_VERIFY_WITH_TIMEOUT(keys.isLoaded(), 15000);
        QCOMPARE(settings.string(SettingsKeys::openaiApiKey), apiKey);
        QCOMPARE(settings.syncOwnerKey(), ownerKey);

        settings.setString(SettingsKeys::openaiApiKey, u"sk-new-0001"_s);
        QTRY_COMPARE_WITH_TIMEOUT(readBack(keyring, u"openai_api_key"_s), std::optional<QString>(u"sk-new-0001"_s),
                                  10000);
        file = TestEnvironment::readFile(env.settingsFile());
        QVERIFY(!file.contains("sk-new-0001"));
        QVERIFY(!out.text().contains(apiKey) && !out.text().contains(u"sk-new-0001"_s));
    }

    // Without a keyring, or with one that will not take the keys, they stay in the file and nothing is lost; the
    // log says why without ever showing a key.
    void staysInTheFile_data()
    {
        QTest::addColumn<bool>("keyringThere");
        QTest::addColumn<QString>("storage");
        QTest::newRow("no keyring") << false << u"Stored in a file only you can read: no keyring was found."_s;
        QTest::newRow("keyring refuses") << true
                                         << u"Stored in a file only you can read: the keyring did not take it."_s;
    }
    void staysInTheFile()
    {
        QFETCH(bool, keyringThere);
        QFETCH(QString, storage);
        TestEnvironment env;
        StdoutCapture out;
        Settings settings;
        settings.setString(SettingsKeys::openaiApiKey, apiKey);
        std::unique_ptr<SecretStore> store;
        if (keyringThere) {
            // Locked, and no one to type the password: every request is refused.
            QVERIFY(lockKeyring());
            store = std::make_unique<SecretStoreKeychain>(m_service + u"-locked"_s);
        } else {
            store = std::make_unique<SecretStoreNull>(u"No keyring was found."_s);
        }
        QVERIFY(load(settings, std::move(store)));
        QCOMPARE(settings.secretsStorage(), storage);
        QCOMPARE(settings.string(SettingsKeys::openaiApiKey), apiKey);
        QVERIFY(TestEnvironment::readFile(env.settingsFile()).contains(apiKey.toUtf8()));
        settings.setString(SettingsKeys::openaiApiKey, u"sk-typed-0002"_s);
        QVERIFY(TestEnvironment::readFile(env.settingsFile()).contains("sk-typed-0002"));
        QVERIFY(!out.text().contains(apiKey));
    }

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
        DBusNotifier notifier(QDBusConnection::connectToBus(server.busAddress(), QUuid::createUuid().toString()));
        QVERIFY(notifier.isAvailable());
        QSignalSpy invoked(&notifier, &Notifier::actionInvoked);

        // Two at once: the second waits for the capabilities with the first.
        notifier.notify(u"Key detection is off"_s, u"Another program <b>holds</b> Ctrl+C."_s, actions);
        notifier.notify(u"Second"_s, u"text"_s);
        QTRY_COMPARE(server.shown().size(), 2);
        const FakeNotificationServer::Shown& shown = server.shown().first();
        QCOMPARE(shown.body, expectedBody);
        QCOMPARE(shown.actions, expectedActions);

        // Buttons of another client's notification are not ours to answer.
        server.invoke(shown.id + 100, u"retry"_s);
        server.invoke(shown.id, u"retry"_s);
        QTRY_COMPARE(invoked.size(), 1);
        QCOMPARE(invoked.first().first().toString(), u"retry"_s);
    }
};

QTEST_GUILESS_MAIN(KeyringTest)
#include "tst_keyring.moc"
