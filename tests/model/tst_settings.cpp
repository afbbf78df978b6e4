// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/Settings.h"
#include "support/StdoutCapture.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QSignalSpy>
#include <QtTest>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

QVariant valueOf(const Settings& settings, const SettingKey& k)
{
    switch (k.type) {
    case SettingType::String:
        return settings.string(k);
    case SettingType::StringList:
        return settings.stringList(k);
    case SettingType::Bool:
        return settings.boolean(k);
    case SettingType::HotkeyValue:
        return settings.hotkeyValue(k);
    default:
        return settings.integer(k);
    }
}

} // namespace

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
        // The key is the one on the last line unless given.
        const auto row = [](const char* name, const QByteArray& line, const QVariant& expected, const char* key = "") {
            const QByteArray last = line.mid(line.lastIndexOf('\n') + 1);
            QTest::newRow(name) << line << QString::fromLatin1(*key ? QByteArray(key) : last.left(last.indexOf('=')))
                                << expected;
        };
        row("absent true-default bool", "", true, "use_double_copy");
        row("absent hotkey", "", 0u, "custom_hotkey_keycode");
        row("bool false", "web_search_enabled=false", false);
        row("bool as text", "web_search_enabled=no", true);
        row("bool empty", "use_double_copy=", true);
        row("false-default bool as text", "has_completed_onboarding=yes", false);
        row("hotkey max", "custom_hotkey_keycode=4294967295", 4294967295u);
        row("hotkey negative", "custom_hotkey_keycode=-5", 0u);
        row("hotkey too large", "custom_hotkey_modifiers=4294967296", 0u);
        row("hotkey fraction", "custom_hotkey_modifiers=256.5", 0u);
        row("integer text", "active_project_index=two", qint64(0));

        // Text settings read back as written, commas and the blanks around them included.
        const auto text = [](const char* value) { return QVariant(QString::fromUtf8(value)); };
        row("text with a comma", "openai_model=gpt-4o, mini", text("gpt-4o, mini"));
        row("address with = and commas", "sync_base_url=https://example.org/rest/v1?select=a,b",
            text("https://example.org/rest/v1?select=a,b"));
        row("blanks around commas", "openai_model=a ,  b,c", text("a ,  b,c"));
        row("trailing comma", "openai_model=gpt-4o,", text("gpt-4o,"));
        row("outer blanks dropped", "openai_model=   gpt 4o, x   ", text("gpt 4o, x"));
        row("quoted", "openai_model=\"a, b\"", text("a, b"));
        row("quoted keeps outer blanks", "openai_model= \"  padded, \" ", text("  padded, "));
        row("escaped quotes", "app_theme=say \\\"hi\\\", bye", text("say \"hi\", bye"));
        row("bare quotes are quoting", "app_theme=say \"hi\", bye", text("say hi, bye"));
        row("escapes", "screenshot_command=C:\\\\shot, -n\\n\\tx", text("C:\\shot, -n\n\tx"));
        row("semicolon starts a comment", "; note\nopenai_model=a, b ; note", text("a, b"));
        row("semicolon in quotes", "openai_model=\"a; b\", c", text("a; b, c"));
        row("hash is text", "openai_model=a, b # note", text("a, b # note"));
        row("non-ASCII", "openai_model=Grüße, 🌍", text("Grüße, 🌍"));
        row("doubled at sign", "openai_model=@@home, work", text("@home, work"));
        row("last line wins", "openai_model=a, b\nopenai_model=c,d", text("c,d"));
        row("other section ignored", "openai_model=a, b\n[other]\nopenai_model=c, d", text("a, b"));
        row("only in another section", "[other]\nopenai_model=c, d", text("gpt-4o"));
        row("class list", "double_copy_ignored_classes=xterm, kitty,foot",
            QStringList{u"xterm"_s, u"kitty"_s, u"foot"_s});
        row("one class", "double_copy_ignored_classes=kitty", QStringList{u"kitty"_s});
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
        Settings settings;
        QCOMPARE(valueOf(settings, *k), expected);
        // Saving any setting rewrites the whole file; what was written by hand must come through that too.
        settings.setInteger(SettingsKeys::totalPromptsUsed, 7);
        const QString copy = env.settingsFile() + u".copy"_s;
        QVERIFY(QFile::copy(env.settingsFile(), copy));
        QCOMPARE(valueOf(Settings(copy), *k), expected);
    }

    void writesPersistAndSignal()
    {
        TestEnvironment env;
        QByteArray binary;
        for (int i = 0; i < 256; ++i)
            binary.append(char(i));
        binary += QByteArray("[{\"name\":\"Ünïcødé, \\\"quoted\\\"\"}]\n=;#");
        const QString secret = u"sk-secret, with comma"_s;
        QString owner;
        {
            Settings settings;
            settings.setInteger(SettingsKeys::customHotkeyKeycode, 40);
            owner = settings.syncOwnerKey(); // made on first use
            QSignalSpy spy(&settings, &Settings::changed);
            for (int i = 0; i < 2; ++i) { // the second round changes nothing and announces nothing
                settings.setBytes(SettingsKeys::userProjects, binary);
                settings.setString(SettingsKeys::openaiApiKey, secret);
                settings.remove(SettingsKeys::customHotkeyKeycode);
            }
            QCOMPARE(spy.size(), 3);
            QCOMPARE(spy.at(2).at(0).toString(), u"custom_hotkey_keycode"_s);
        }
        struct stat info = {};
        QCOMPARE(::stat(QFile::encodeName(env.settingsFile()).constData(), &info), 0);
        QCOMPARE(info.st_mode & 0777, 0600u); // the file holds the API key

        Settings reread;
        QCOMPARE(reread.bytes(SettingsKeys::userProjects), binary);
        QCOMPARE(reread.string(SettingsKeys::openaiApiKey), secret);
        QVERIFY(!reread.contains(SettingsKeys::customHotkeyKeycode));
        QVERIFY(!QUuid::fromString(owner).isNull());
        QCOMPARE(reread.syncOwnerKey(), owner); // and kept
    }

    // Read from a copy of the file, so the values come from the text on disk and not from this process's cache.
    // Commas, quotes, escapes, comment marks and non-ASCII text are rewritten in storedValues; these are the values
    // no hand-written line holds.
    void valuesSurviveTheFile_data()
    {
        QTest::addColumn<QVariant>("value"); // a list goes to the class list, a text to every text setting
        QTest::newRow("no classes") << QVariant(QStringList());
        QTest::newRow("two classes") << QVariant(QStringList{u"xterm"_s, u"kitty"_s});
        QTest::newRow("empty text") << QVariant(QString());
        QTest::newRow("outer blanks") << QVariant(u"  padded, both sides \t "_s);
        QTest::newRow("line breaks and tabs") << QVariant(u"one\ntwo\r\n\tthree\r"_s);
        QTest::newRow("like a stored type") << QVariant(u"@ByteArray(x), @Invalid()"_s);
        QTest::newRow("control characters") << QVariant(QStringLiteral("nul\u0000"
                                                                       "1, bell\a\x7f"));
    }

    void valuesSurviveTheFile()
    {
        QFETCH(QVariant, value);
        TestEnvironment env;
        const bool list = value.typeId() == QMetaType::QStringList;
        QList<SettingKey> keys;
        {
            Settings settings(env.settingsFile());
            for (const SettingKey& k : SettingsKeys::all) {
                if (k.type != (list ? SettingType::StringList : SettingType::String))
                    continue;
                keys.append(k);
                list ? settings.setStringList(k, value.toStringList()) : settings.setString(k, value.toString());
            }
        }
        QVERIFY(!keys.isEmpty());
        const QString copy = env.settingsFile() + u".copy"_s;
        QVERIFY(QFile::copy(env.settingsFile(), copy));
        const Settings reread(copy);
        for (const SettingKey& k : std::as_const(keys))
            QCOMPARE(valueOf(reread, k), value);
    }

    void unreadableFileIsKeptAside()
    {
        TestEnvironment env;
        const QByteArray damaged("[General\nopenai_model=x\n");
        QVERIFY(TestEnvironment::writeFile(env.settingsFile(), damaged));
        StdoutCapture out;
        Settings settings;
        settings.setString(SettingsKeys::openaiModel, u"gpt-4o-mini"_s);
        const QString folder = env.configHome() + u"/vantro/"_s;
        const QStringList kept = QDir(folder).entryList({u"vantro.conf.corrupt-*"_s}, QDir::Files);
        QCOMPARE(kept.size(), 1);
        QCOMPARE(TestEnvironment::readFile(folder + kept[0]), damaged);
        QVERIFY(out.text().startsWith(u"Settings: Could not read "_s));
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
