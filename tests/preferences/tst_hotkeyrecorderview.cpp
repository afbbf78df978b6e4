// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/preferences/HotkeyRecorderView.h"

#include "model/Settings.h"
#include "support/TestEnvironment.h"
#include "ui/preferences/HotkeyKeys.h"
#include "ui/preferences/HotkeyTab.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

class TestHotkeyRecorderView : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void recordsThroughTheTab_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<quint32>("storedCode");
        QTest::addColumn<quint32>("storedModifiers");
        QTest::addColumn<QString>("shown");
        QTest::newRow("Ctrl+Shift+K") << int(Qt::Key_K) << (Qt::ControlModifier | Qt::ShiftModifier) << 40u << 0x300u
                                      << QStringLiteral("Ctrl+Shift+K");
        // Alt comes before Super, whatever order they are held in.
        QTest::newRow("Alt+Super+Space") << int(Qt::Key_Space) << (Qt::MetaModifier | Qt::AltModifier) << 49u << 0x1800u
                                         << QStringLiteral("Alt+Super+Space");
        QTest::newRow("Ctrl+Escape has no name") << int(Qt::Key_Escape) << Qt::KeyboardModifiers(Qt::ControlModifier)
                                                 << 53u << 0x100u << QStringLiteral("Ctrl+Key53");
        QTest::newRow("Ctrl+Shift+1 as typed") << int(Qt::Key_Exclam) << (Qt::ControlModifier | Qt::ShiftModifier)
                                               << 18u << 0x300u << QStringLiteral("Ctrl+Shift+1");
        QTest::newRow("Ctrl+F5") << int(Qt::Key_F5) << Qt::KeyboardModifiers(Qt::ControlModifier) << 96u << 0x100u
                                 << QStringLiteral("Ctrl+F5");
        QTest::newRow("all four, Return")
            << int(Qt::Key_Return) << (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier | Qt::MetaModifier)
            << 36u << 0x1B00u << QStringLiteral("Ctrl+Shift+Alt+Super+Return");
    }

    void recordsThroughTheTab()
    {
        QFETCH(int, key);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(quint32, storedCode);
        QFETCH(quint32, storedModifiers);
        QFETCH(QString, shown);
        TestEnvironment environment;
        Settings settings;
        HotkeyTab tab(settings, nullptr);
        tab.show();
        auto* recorder = tab.findChild<HotkeyRecorderView*>(QStringLiteral("hotkeyRecorder"));
        QVERIFY(recorder);
        QCOMPARE(recorder->text(), QStringLiteral("Not set"));

        QTest::mouseClick(recorder, Qt::LeftButton);
        QVERIFY(recorder->isRecording());
        QCOMPARE(recorder->text(), QStringLiteral("Press keys…"));
        // Holding the modifier down first is a key press of its own; it must not end the recording.
        QTest::keyPress(recorder, Qt::Key_Control, Qt::ControlModifier);
        QVERIFY(recorder->isRecording());
        QTest::keyClick(recorder, Qt::Key(key), modifiers);

        QVERIFY(!recorder->isRecording());
        QCOMPARE(settings.hotkeyValue(SettingsKeys::customHotkeyKeycode), storedCode);
        QCOMPARE(settings.hotkeyValue(SettingsKeys::customHotkeyModifiers), storedModifiers);
        QCOMPARE(recorder->text(), shown);
        QCOMPARE(tab.hotkeyDisplay(), shown);
        auto* clear = tab.findChild<QPushButton*>(QStringLiteral("clearHotkeyButton"));
        QVERIFY(clear->isVisible());
    }

    void plainKeysAreIgnored_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::newRow("K alone") << int(Qt::Key_K) << Qt::KeyboardModifiers();
        QTest::newRow("keypad modifier only") << int(Qt::Key_5) << Qt::KeyboardModifiers(Qt::KeypadModifier);
        // The A position is key code 0, which means "none": it cannot hold a shortcut.
        QTest::newRow("Ctrl+A") << int(Qt::Key_A) << Qt::KeyboardModifiers(Qt::ControlModifier);
        QTest::newRow("unknown key") << int(Qt::Key_LaunchMail) << Qt::KeyboardModifiers(Qt::ControlModifier);
    }

    void plainKeysAreIgnored()
    {
        QFETCH(int, key);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        HotkeyRecorderView recorder;
        recorder.show();
        QSignalSpy recorded(&recorder, &HotkeyRecorderView::recorded);
        recorder.setRecording(true);
        QTest::keyClick(&recorder, Qt::Key(key), modifiers);
        QVERIFY(recorder.isRecording());
        QCOMPARE(recorded.count(), 0);
        // A second click ends the recording without a shortcut.
        QTest::mouseClick(&recorder, Qt::LeftButton);
        QVERIFY(!recorder.isRecording());
        QCOMPARE(recorded.count(), 0);
    }

    void storedValuesAreShown_data()
    {
        QTest::addColumn<quint32>("code");
        QTest::addColumn<quint32>("modifiers");
        QTest::addColumn<QString>("shown");
        QTest::newRow("A key means none") << 0u << 0x100u << QStringLiteral("Not set");
        QTest::newRow("key without a name") << 53u << 0x100u << QStringLiteral("Ctrl+Key53");
        QTest::newRow("caps lock bit ignored") << 8u << (0x100u | 0x400u) << QStringLiteral("Ctrl+C");
        QTest::newRow("digit") << 29u << 0x1000u << QStringLiteral("Super+0");
    }

    void storedValuesAreShown()
    {
        QFETCH(quint32, code);
        QFETCH(quint32, modifiers);
        QFETCH(QString, shown);
        TestEnvironment environment;
        Settings settings;
        settings.setInteger(SettingsKeys::customHotkeyKeycode, code);
        settings.setInteger(SettingsKeys::customHotkeyModifiers, modifiers);
        HotkeyTab tab(settings, nullptr);
        tab.show();
        QCOMPARE(tab.findChild<HotkeyRecorderView*>()->text(), shown);
        QCOMPARE(tab.findChild<QPushButton*>(QStringLiteral("clearHotkeyButton"))->isVisible(), code != 0);
    }

    void clearStoresZeroAndDoubleCopyToggles()
    {
        TestEnvironment environment;
        Settings settings;
        settings.setInteger(SettingsKeys::customHotkeyKeycode, 40);
        settings.setInteger(SettingsKeys::customHotkeyModifiers, 0x300);
        HotkeyTab tab(settings, nullptr);
        tab.show();
        auto* clear = tab.findChild<QPushButton*>(QStringLiteral("clearHotkeyButton"));
        QTest::mouseClick(clear, Qt::LeftButton);
        QCOMPARE(settings.hotkeyValue(SettingsKeys::customHotkeyKeycode), 0u);
        QCOMPARE(settings.hotkeyValue(SettingsKeys::customHotkeyModifiers), 0u);
        QVERIFY(settings.contains(SettingsKeys::customHotkeyKeycode));
        QCOMPARE(tab.findChild<HotkeyRecorderView*>()->text(), QStringLiteral("Not set"));
        QVERIFY(!clear->isVisible());

        auto* toggle = tab.findChild<QAbstractButton*>(QStringLiteral("doubleCopyToggle"));
        QVERIFY(toggle->isChecked());
        toggle->click();
        QCOMPARE(settings.boolean(SettingsKeys::useDoubleCopy), false);
        QVERIFY(settings.contains(SettingsKeys::useDoubleCopy));
        // Without a key manager the tab says detection is not running rather than claiming it works.
        QVERIFY(!tab.findChild<QLabel*>(QStringLiteral("detectionState"))->text().contains(QStringLiteral("working")));
    }

    void x11KeycodesNameThePhysicalKey_data()
    {
        QTest::addColumn<quint32>("x11");
        QTest::addColumn<int>("mac");
        QTest::newRow("C") << 54u << 8;
        QTest::newRow("K") << 45u << 40;
        QTest::newRow("Space") << 65u << 49;
        QTest::newRow("Up") << 111u << 126;
        QTest::newRow("F12") << 96u << 111;
        QTest::newRow("unknown") << 250u << -1;
    }

    void x11KeycodesNameThePhysicalKey()
    {
        QFETCH(quint32, x11);
        QFETCH(int, mac);
        const auto code = HotkeyKeys::macKeyCodeForX11Keycode(x11);
        QCOMPARE(code ? int(*code) : -1, mac);
    }
};

QTEST_MAIN(TestHotkeyRecorderView)
#include "tst_hotkeyrecorderview.moc"
