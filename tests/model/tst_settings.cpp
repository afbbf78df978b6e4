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

        // Text settings read back as written, commas and the blanks around them included.
        const auto text = [](const char* value) { return QVariant(QString::fromUtf8(value)); };
        QTest::newRow("text with a comma")
            << QByteArray("openai_model=gpt-4o, mini") << "openai_model" << text("gpt-4o, mini");
        QTest::newRow("command with a comma")
            << QByteArray("screenshot_command=maim -s, -f png") << "screenshot_command" << text("maim -s, -f png");
        QTest::newRow("address with = and commas") << QByteArray("sync_base_url=https://example.org/rest/v1?select=a,b")
                                                   << "sync_base_url" << text("https://example.org/rest/v1?select=a,b");
        QTest::newRow("blanks around commas")
            << QByteArray("openai_model=a ,  b,c") << "openai_model" << text("a ,  b,c");
        QTest::newRow("trailing comma") << QByteArray("openai_model=gpt-4o,") << "openai_model" << text("gpt-4o,");
        QTest::newRow("outer blanks dropped")
            << QByteArray("openai_model=   gpt 4o, x   ") << "openai_model" << text("gpt 4o, x");
        QTest::newRow("quoted") << QByteArray("openai_model=\"a, b\"") << "openai_model" << text("a, b");
        QTest::newRow("quoted keeps outer blanks")
            << QByteArray("openai_model= \"  padded, \" ") << "openai_model" << text("  padded, ");
        QTest::newRow("escaped quotes") << QByteArray("app_theme=say \\\"hi\\\", bye") << "app_theme"
                                        << text("say \"hi\", bye");
        QTest::newRow("bare quotes are quoting")
            << QByteArray("app_theme=say \"hi\", bye") << "app_theme" << text("say hi, bye");
        QTest::newRow("escapes") << QByteArray("screenshot_command=C:\\\\shot, -n\\n\\tx") << "screenshot_command"
                                 << text("C:\\shot, -n\n\tx");
        QTest::newRow("semicolon starts a comment")
            << QByteArray("; note\nopenai_model=a, b ; note") << "openai_model" << text("a, b");
        QTest::newRow("semicolon in quotes")
            << QByteArray("openai_model=\"a; b\", c") << "openai_model" << text("a; b, c");
        QTest::newRow("hash is text") << QByteArray("openai_model=a, b # note") << "openai_model"
                                      << text("a, b # note");
        QTest::newRow("non-ASCII") << QByteArray("openai_model=Grüße, 🌍") << "openai_model" << text("Grüße, 🌍");
        QTest::newRow("doubled at sign") << QByteArray("openai_model=@@home, work") << "openai_model"
                                         << text("@home, work");
        QTest::newRow("last line wins") << QByteArray("openai_model=a, b\nopenai_model=c,d") << "openai_model"
                                        << text("c,d");
        QTest::newRow("other section ignored")
            << QByteArray("openai_model=a, b\n[other]\nopenai_model=c, d") << "openai_model" << text("a, b");
        QTest::newRow("only in another section")
            << QByteArray("[other]\nopenai_model=c, d") << "openai_model" << text("gpt-4o");
        QTest::newRow("class list") << QByteArray("double_copy_ignored_classes=xterm, kitty,foot")
                                    << "double_copy_ignored_classes"
                                    << QVariant(QStringList{QStringLiteral("xterm"), QStringLiteral("kitty"),
                                                            QStringLiteral("foot")});
        QTest::newRow("one class") << QByteArray("double_copy_ignored_classes=kitty") << "double_copy_ignored_classes"
                                   << QVariant(QStringList{QStringLiteral("kitty")});
    }

    void storedValues()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, key);
        QFETCH(QVariant, expected);
        TestEnvironment env;
        QVERIFY(TestEnvironment::writeFile(env.settingsFile(), "[General]\n" + line + '\n'));
        const SettingKey* k = std::find_if(std::begin(SettingsKeys::all), std::end(SettingsKeys::all),
                                           [&](const SettingKey& candidate) { return settingName(candidate) == key; });
        QVERIFY(k != std::end(SettingsKeys::all));
        const auto read = [k](const Settings& settings) {
            switch (k->type) {
            case SettingType::String:
                return QVariant(settings.string(*k));
            case SettingType::StringList:
                return QVariant(settings.stringList(*k));
            case SettingType::Bool:
                return QVariant(settings.boolean(*k));
            case SettingType::HotkeyValue:
                return QVariant(settings.hotkeyValue(*k));
            default:
                return QVariant(settings.integer(*k));
            }
        };
        Settings settings;
        QCOMPARE(read(settings), expected);
        // Saving any setting rewrites the whole file; what was written by hand must come through that too.
        settings.setInteger(SettingsKeys::totalPromptsUsed, 7);
        const QString copy = env.settingsFile() + QStringLiteral(".copy");
        QVERIFY(QFile::copy(env.settingsFile(), copy));
        QCOMPARE(read(Settings(copy)), expected);
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
    void valuesSurviveTheFile_data()
    {
        QTest::addColumn<QVariant>("value"); // a list goes to the class list, a text to every text setting
        QTest::newRow("no classes") << QVariant(QStringList());
        QTest::newRow("one class") << QVariant(QStringList{QStringLiteral("xterm")});
        QTest::newRow("two classes") << QVariant(QStringList{QStringLiteral("xterm"), QStringLiteral("kitty")});

        QTest::newRow("empty text") << QVariant(QString());
        QTest::newRow("commas") << QVariant(QStringLiteral("gpt-4o, mini,x ,"));
        QTest::newRow("quotes") << QVariant(QStringLiteral("\"say \"hi\", 'bye'"));
        QTest::newRow("backslashes") << QVariant(QStringLiteral("C:\\tools\\, \\\\server\\x41\\n\\"));
        QTest::newRow("outer blanks") << QVariant(QStringLiteral("  padded, both sides \t "));
        QTest::newRow("separators and comment marks") << QVariant(QStringLiteral("a=b; c # d\n[General]\nk=v"));
        QTest::newRow("non-ASCII") << QVariant(QStringLiteral("Grüße, 🌍 — \u2028"));
        QTest::newRow("line breaks and tabs") << QVariant(QStringLiteral("one\ntwo\r\n\tthree\r"));
        QTest::newRow("like a stored type") << QVariant(QStringLiteral("@ByteArray(x), @Invalid()"));
        QTest::newRow("doubled at sign") << QVariant(QStringLiteral("@@x"));
        QTest::newRow("control characters") << QVariant(QStringLiteral("nul\u0000"
                                                                       "1, bell\a\x7f"));
    }

    void valuesSurviveTheFile()
    {
        QFETCH(QVariant, value);
        TestEnvironment env;
        QList<SettingKey> keys;
        {
            Settings settings(env.settingsFile());
            if (value.typeId() == QMetaType::QStringList) {
                keys.append(SettingsKeys::doubleCopyIgnoredClasses);
                settings.setStringList(SettingsKeys::doubleCopyIgnoredClasses, value.toStringList());
            } else {
                for (const SettingKey& k : SettingsKeys::all) {
                    if (k.type == SettingType::String) {
                        keys.append(k);
                        settings.setString(k, value.toString());
                    }
                }
            }
        }
        QVERIFY(!keys.isEmpty());
        const QString copy = env.settingsFile() + QStringLiteral(".copy");
        QVERIFY(QFile::copy(env.settingsFile(), copy));
        Settings reread(copy);
        for (const SettingKey& k : std::as_const(keys)) {
            if (k.type == SettingType::StringList)
                QCOMPARE(reread.stringList(k), value.toStringList());
            else
                QCOMPARE(reread.string(k), value.toString());
        }
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
