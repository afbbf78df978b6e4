// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/Settings.h"
#include "support/StdoutCapture.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QSignalSpy>
#include <QtTest>

#include <sys/stat.h>

class TestSettings : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Values written by hand or by another program into the file; the first rows are an empty file.
    void storedValues_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("expected");

        QTest::newRow("absent true-default bool") << QByteArray() << "use_double_copy" << QVariant(true);
        QTest::newRow("absent hotkey") << QByteArray() << "custom_hotkey_keycode" << QVariant(0u);
        QTest::newRow("bool false") << QByteArray("web_search_enabled=false") << "web_search_enabled"
                                    << QVariant(false);
        QTest::newRow("bool as text") << QByteArray("web_search_enabled=no") << "web_search_enabled" << QVariant(true);
        QTest::newRow("bool empty") << QByteArray("use_double_copy=") << "use_double_copy" << QVariant(true);
        QTest::newRow("false-default bool as text")
            << QByteArray("has_completed_onboarding=yes") << "has_completed_onboarding" << QVariant(false);
        QTest::newRow("hotkey max") << QByteArray("custom_hotkey_keycode=4294967295") << "custom_hotkey_keycode"
                                    << QVariant(4294967295u);
        QTest::newRow("hotkey negative") << QByteArray("custom_hotkey_keycode=-5") << "custom_hotkey_keycode"
                                         << QVariant(0u);
        QTest::newRow("hotkey too large")
            << QByteArray("custom_hotkey_modifiers=4294967296") << "custom_hotkey_modifiers" << QVariant(0u);
        QTest::newRow("hotkey fraction") << QByteArray("custom_hotkey_modifiers=256.5") << "custom_hotkey_modifiers"
                                         << QVariant(0u);
        QTest::newRow("integer text") << QByteArray("active_project_index=two") << "active_project_index"
                                      << QVariant(qint64(0));
    }

    void storedValues()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, key);
        QFETCH(QVariant, expected);
        TestEnvironment env;
        QVERIFY(TestEnvironment::writeFile(env.settingsFile(), "[General]\n" + line + '\n'));
        Settings settings;
        for (const SettingKey& k : SettingsKeys::all) {
            if (QLatin1StringView(k.name.data(), qsizetype(k.name.size())) != key)
                continue;
            if (k.type == SettingType::Bool)
                QCOMPARE(settings.boolean(k), expected.toBool());
            else if (k.type == SettingType::HotkeyValue)
                QCOMPARE(settings.hotkeyValue(k), expected.toUInt());
            else
                QCOMPARE(settings.integer(k), expected.toLongLong());
            return;
        }
        QFAIL("unknown key");
    }

    void writesPersistAndSignal()
    {
        TestEnvironment env;
        QByteArray binary;
        for (int i = 0; i < 256; ++i)
            binary.append(char(i));
        binary += QByteArray("[{\"name\":\"Ünïcødé, \\\"quoted\\\"\"}]\n=;#");
        const QString secret = QStringLiteral("sk-secret, with comma");
        {
            Settings settings;
            settings.setInteger(SettingsKeys::customHotkeyKeycode, 40);
            QSignalSpy spy(&settings, &Settings::changed);
            for (int i = 0; i < 2; ++i) { // the second round changes nothing and announces nothing
                settings.setBytes(SettingsKeys::userProjects, binary);
                settings.setString(SettingsKeys::openaiApiKey, secret);
                settings.remove(SettingsKeys::customHotkeyKeycode);
            }
            QCOMPARE(spy.size(), 3);
            QCOMPARE(spy.at(2).at(0).toString(), QStringLiteral("custom_hotkey_keycode"));
        }
        struct stat info
        {
        };
        QCOMPARE(::stat(QFile::encodeName(env.settingsFile()).constData(), &info), 0);
        QCOMPARE(info.st_mode & 0777, 0600u); // the file holds the API key

        Settings reread;
        QCOMPARE(reread.bytes(SettingsKeys::userProjects), binary);
        QCOMPARE(reread.string(SettingsKeys::openaiApiKey), secret);
        QVERIFY(!reread.contains(SettingsKeys::customHotkeyKeycode));
    }

    // Read from a copy of the file, so the values come from the text on disk and not from this process's cache.
    void stringListsSurviveTheFile_data()
    {
        QTest::addColumn<QStringList>("classes");
        QTest::newRow("empty") << QStringList();
        QTest::newRow("one") << QStringList{QStringLiteral("xterm")};
        QTest::newRow("two") << QStringList{QStringLiteral("xterm"), QStringLiteral("kitty")};
    }

    void stringListsSurviveTheFile()
    {
        QFETCH(QStringList, classes);
        TestEnvironment env;
        Settings(env.settingsFile()).setStringList(SettingsKeys::doubleCopyIgnoredClasses, classes);
        const QString copy = env.settingsFile() + QStringLiteral(".copy");
        QVERIFY(QFile::copy(env.settingsFile(), copy));
        QCOMPARE(Settings(copy).stringList(SettingsKeys::doubleCopyIgnoredClasses), classes);
    }

    void ownerKeyIsMadeOnce()
    {
        TestEnvironment env;
        const QString key = Settings().syncOwnerKey();
        QVERIFY(!QUuid::fromString(key).isNull());
        QCOMPARE(Settings().syncOwnerKey(), key);
    }

    void unreadableFileIsKeptAside()
    {
        TestEnvironment env;
        const QByteArray damaged("[General\nopenai_model=x\n");
        QVERIFY(TestEnvironment::writeFile(env.settingsFile(), damaged));
        StdoutCapture out;
        Settings settings;
        settings.setString(SettingsKeys::openaiModel, QStringLiteral("gpt-4o-mini"));
        const QString folder = env.configHome() + QStringLiteral("/vantro/");
        const QStringList kept = QDir(folder).entryList({QStringLiteral("vantro.conf.corrupt-*")}, QDir::Files);
        QCOMPARE(kept.size(), 1);
        QCOMPARE(TestEnvironment::readFile(folder + kept[0]), damaged);
        QVERIFY(out.text().startsWith(QStringLiteral("Settings: Could not read ")));
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
