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

#include <memory>

namespace {

constexpr auto ctrl = Qt::ControlModifier;
constexpr auto shift = Qt::ShiftModifier;

struct Tab
{
    TestEnvironment environment;
    Settings settings;
    std::unique_ptr<HotkeyTab> tab;

    void open()
    {
        tab = std::make_unique<HotkeyTab>(settings, nullptr);
        tab->show();
    }
    HotkeyRecorderView* recorder() const
    {
        return tab->findChild<HotkeyRecorderView*>(QStringLiteral("hotkeyRecorder"));
    }
    QPushButton* clear() const { return tab->findChild<QPushButton*>(QStringLiteral("clearHotkeyButton")); }
};

} // namespace

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
        QTest::newRow("Ctrl+Shift+K") << int(Qt::Key_K) << (ctrl | shift) << 40u << 0x300u << "Ctrl+Shift+K";
        // Alt comes before Super, whatever order they are held in.
        QTest::newRow("Alt+Super+Space") << int(Qt::Key_Space) << (Qt::MetaModifier | Qt::AltModifier) << 49u << 0x1800u
                                         << "Alt+Super+Space";
        QTest::newRow("Ctrl+Escape has no name")
            << int(Qt::Key_Escape) << Qt::KeyboardModifiers(ctrl) << 53u << 0x100u << "Ctrl+Key53";
        QTest::newRow("Ctrl+Shift+1 as typed")
            << int(Qt::Key_Exclam) << (ctrl | shift) << 18u << 0x300u << "Ctrl+Shift+1";
    }

    void recordsThroughTheTab()
    {
        QFETCH(int, key);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(quint32, storedCode);
        QFETCH(quint32, storedModifiers);
        QFETCH(QString, shown);
        Tab t;
        t.open();
        QCOMPARE(t.recorder()->text(), QStringLiteral("Not set"));
        QTest::mouseClick(t.recorder(), Qt::LeftButton);
        QCOMPARE(t.recorder()->text(), QStringLiteral("Press keys…"));
        // Holding the modifier down first is a key press of its own; it must not end the recording.
        QTest::keyPress(t.recorder(), Qt::Key_Control, Qt::ControlModifier);
        QVERIFY(t.recorder()->isRecording());
        QTest::keyClick(t.recorder(), Qt::Key(key), modifiers);
        QVERIFY(!t.recorder()->isRecording());
        QCOMPARE(t.settings.hotkeyValue(SettingsKeys::customHotkeyKeycode), storedCode);
        QCOMPARE(t.settings.hotkeyValue(SettingsKeys::customHotkeyModifiers), storedModifiers);
        QCOMPARE(t.recorder()->text(), shown);
        QVERIFY(t.clear()->isVisible());
    }

    void plainKeysAreIgnored_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::newRow("K alone") << int(Qt::Key_K) << Qt::KeyboardModifiers();
        QTest::newRow("keypad modifier only") << int(Qt::Key_5) << Qt::KeyboardModifiers(Qt::KeypadModifier);
        // The A position is key code 0, which means "none": it cannot hold a shortcut.
        QTest::newRow("Ctrl+A") << int(Qt::Key_A) << Qt::KeyboardModifiers(ctrl);
        QTest::newRow("unknown key") << int(Qt::Key_LaunchMail) << Qt::KeyboardModifiers(ctrl);
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
        QTest::newRow("A key means none") << 0u << 0x100u << "Not set";
        QTest::newRow("caps lock bit ignored") << 8u << (0x100u | 0x400u) << "Ctrl+C";
        QTest::newRow("digit") << 29u << 0x1000u << "Super+0";
    }

    void storedValuesAreShown()
    {
        QFETCH(quint32, code);
        QFETCH(quint32, modifiers);
        QFETCH(QString, shown);
        Tab t;
        t.settings.setInteger(SettingsKeys::customHotkeyKeycode, code);
        t.settings.setInteger(SettingsKeys::customHotkeyModifiers, modifiers);
        t.open();
        QCOMPARE(t.recorder()->text(), shown);
        QCOMPARE(t.clear()->isVisible(), code != 0);
        if (code == 0)
            return;
        // Clearing stores zero rather than removing the keys.
        QTest::mouseClick(t.clear(), Qt::LeftButton);
        QCOMPARE(t.settings.hotkeyValue(SettingsKeys::customHotkeyKeycode), 0u);
        QVERIFY(t.settings.contains(SettingsKeys::customHotkeyKeycode));
        QCOMPARE(t.recorder()->text(), QStringLiteral("Not set"));
        QVERIFY(!t.clear()->isVisible());
    }

    void doubleCopyToggle()
    {
        Tab t;
        t.open();
        auto* toggle = t.tab->findChild<QAbstractButton*>(QStringLiteral("doubleCopyToggle"));
        QVERIFY(toggle->isChecked());
        toggle->click();
        QVERIFY(t.settings.contains(SettingsKeys::useDoubleCopy));
        QCOMPARE(t.settings.boolean(SettingsKeys::useDoubleCopy), false);
        // Without a key manager the tab says detection is not running rather than claiming it works.
        QVERIFY(!t.tab->findChild<QLabel*>(QStringLiteral("detectionState"))->text().contains(u"working"));
    }

    void x11KeycodesNameThePhysicalKey()
    {
        const QList<std::pair<quint32, int>> rows{{54, 8}, {45, 40}, {65, 49}, {111, 126}, {96, 111}, {250, -1}};
        for (const auto& [x11, mac] : rows) {
            const auto code = HotkeyKeys::macKeyCodeForX11Keycode(x11);
            QCOMPARE(code ? int(*code) : -1, mac);
        }
    }
};

QTEST_MAIN(TestHotkeyRecorderView)
#include "tst_hotkeyrecorderview.moc"
