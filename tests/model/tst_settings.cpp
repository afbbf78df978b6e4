// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/Settings.h"
#include "support/StdoutCapture.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFileInfo>
#include <QSignalSpy>
#include <QtTest>

#include <sys/stat.h>

class TestSettings : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void defaults()
    {
        TestEnvironment env;
        Settings settings;
        QCOMPARE(settings.filePath(), env.settingsFile());
        QCOMPARE(settings.string(SettingsKeys::openaiApiKey), QString());
        QCOMPARE(settings.string(SettingsKeys::openaiModel), QStringLiteral("gpt-4o"));
        QCOMPARE(settings.string(SettingsKeys::apiBaseUrl), QStringLiteral("https://api.openai.com"));
        QCOMPARE(settings.string(SettingsKeys::syncBaseUrl), QString());
        QCOMPARE(settings.integer(SettingsKeys::activeProjectIndex), 0);
        QCOMPARE(settings.integer(SettingsKeys::totalPromptsUsed), 0);
        QCOMPARE(settings.boolean(SettingsKeys::hasCompletedOnboarding), false);
        QCOMPARE(settings.boolean(SettingsKeys::useDoubleCopy), true);
        QCOMPARE(settings.boolean(SettingsKeys::autoMemoryEnabled), true);
        QCOMPARE(settings.boolean(SettingsKeys::webSearchEnabled), true);
        QCOMPARE(settings.hotkeyValue(SettingsKeys::customHotkeyKeycode), 0u);
        QVERIFY(settings.bytes(SettingsKeys::userProjects).isNull());
        QVERIFY(settings.stringList(SettingsKeys::doubleCopyIgnoredClasses).contains(QStringLiteral("xterm")));
        QVERIFY(!settings.contains(SettingsKeys::userProjects));
    }

    // Values written by hand or by another program into the file.
    void oddStoredValues_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("expected");

        QTest::newRow("bool false") << QByteArray("web_search_enabled=false") << "web_search_enabled"
                                    << QVariant(false);
        QTest::newRow("bool as text") << QByteArray("web_search_enabled=no") << "web_search_enabled" << QVariant(true);
        QTest::newRow("bool as number") << QByteArray("auto_memory_enabled=0") << "auto_memory_enabled"
                                        << QVariant(true);
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
        QTest::newRow("hotkey text") << QByteArray("custom_hotkey_keycode=abc") << "custom_hotkey_keycode"
                                     << QVariant(0u);
        QTest::newRow("hotkey bits") << QByteArray("custom_hotkey_modifiers=768") << "custom_hotkey_modifiers"
                                     << QVariant(768u);
        QTest::newRow("integer text") << QByteArray("active_project_index=two") << "active_project_index"
                                      << QVariant(qint64(0));
        QTest::newRow("integer") << QByteArray("total_prompts_used=17") << "total_prompts_used" << QVariant(qint64(17));
    }

    void oddStoredValues()
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
            switch (k.type) {
            case SettingType::Bool:
                QCOMPARE(settings.boolean(k), expected.toBool());
                break;
            case SettingType::HotkeyValue:
                QCOMPARE(settings.hotkeyValue(k), expected.toUInt());
                break;
            default:
                QCOMPARE(settings.integer(k), expected.toLongLong());
            }
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
        {
            Settings settings;
            QSignalSpy spy(&settings, &Settings::changed);
            settings.setBytes(SettingsKeys::userProjects, binary);
            settings.setBytes(SettingsKeys::userProjects, binary);
            settings.setBoolean(SettingsKeys::useDoubleCopy, false);
            settings.setBoolean(SettingsKeys::useDoubleCopy, false);
            settings.setInteger(SettingsKeys::activeProjectIndex, 3);
            settings.setInteger(SettingsKeys::activeProjectIndex, 3);
            settings.setString(SettingsKeys::openaiApiKey, QStringLiteral("sk-secret, with comma"));
            settings.setString(SettingsKeys::openaiApiKey, QStringLiteral("sk-secret, with comma"));
            settings.setInteger(SettingsKeys::customHotkeyKeycode, 40);
            settings.remove(SettingsKeys::customHotkeyKeycode);
            settings.remove(SettingsKeys::customHotkeyKeycode);
            QCOMPARE(spy.size(), 6);
            QCOMPARE(spy.at(0).at(0).toString(), QStringLiteral("userProjects"));
            QCOMPARE(spy.at(1).at(0).toString(), QStringLiteral("use_double_copy"));
            QCOMPARE(spy.at(5).at(0).toString(), QStringLiteral("custom_hotkey_keycode"));
        }
        struct stat info
        {
        };
        QCOMPARE(::stat(QFile::encodeName(env.settingsFile()).constData(), &info), 0);
        QCOMPARE(info.st_mode & 0777, 0600u);

        Settings reread;
        QCOMPARE(reread.bytes(SettingsKeys::userProjects), binary);
        QCOMPARE(reread.boolean(SettingsKeys::useDoubleCopy), false);
        QCOMPARE(reread.integer(SettingsKeys::activeProjectIndex), 3);
        QCOMPARE(reread.string(SettingsKeys::openaiApiKey), QStringLiteral("sk-secret, with comma"));
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
        {
            Settings settings;
            settings.setStringList(SettingsKeys::doubleCopyIgnoredClasses, classes);
            QCOMPARE(settings.stringList(SettingsKeys::doubleCopyIgnoredClasses), classes);
        }
        const QString copy = env.settingsFile() + QStringLiteral(".copy");
        QVERIFY(QFile::copy(env.settingsFile(), copy));
        Settings reread(copy);
        QCOMPARE(reread.stringList(SettingsKeys::doubleCopyIgnoredClasses), classes);
    }

    void ownerKeyIsMadeOnce()
    {
        TestEnvironment env;
        Settings settings;
        const QString key = settings.syncOwnerKey();
        QCOMPARE(key.size(), 36);
        QCOMPARE(settings.syncOwnerKey(), key);
        QCOMPARE(Settings().string(SettingsKeys::syncOwnerKey), key);
    }

    void unreadableFileIsKeptAside()
    {
        TestEnvironment env;
        const QByteArray damaged("[General\nopenai_model=x\n");
        QVERIFY(TestEnvironment::writeFile(env.settingsFile(), damaged));
        StdoutCapture out;
        Settings settings;
        settings.setString(SettingsKeys::openaiModel, QStringLiteral("gpt-4o-mini"));
        const QStringList kept = QDir(env.configHome() + QStringLiteral("/vantro"))
                                     .entryList({QStringLiteral("vantro.conf.corrupt-*")}, QDir::Files);
        QCOMPARE(kept.size(), 1);
        QCOMPARE(TestEnvironment::readFile(env.configHome() + QStringLiteral("/vantro/") + kept[0]), damaged);
        QVERIFY(out.text().startsWith(QStringLiteral("Settings: Could not read ")));
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
