// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/preferences/HotkeyRecorderView.h"

#include "model/Settings.h"
#include "support/TestEnvironment.h"
#include "ui/preferences/HotkeyKeys.h"
#include "ui/preferences/HotkeyTab.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

using namespace Qt::StringLiterals;

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
    HotkeyRecorderView* recorder() const { return tab->findChild<HotkeyRecorderView*>(u"hotkeyRecorder"_s); }
    QPushButton* clear() const { return tab->findChild<QPushButton*>(u"clearHotkeyButton"_s); }
};

} // namespace

class TestHotkeyRecorderView : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void recording_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<quint32>("storedCode"); // 0: the key is ignored and recording goes on
        QTest::addColumn<quint32>("storedModifiers");
        QTest::addColumn<QString>("shown");
        const Qt::KeyboardModifiers none, control(ctrl);
        QTest::newRow("Ctrl+Shift+K") << int(Qt::Key_K) << (ctrl | shift) << 40u << 0x300u << "Ctrl+Shift+K";
        // Alt comes before Super, whatever order they are held in.
        QTest::newRow("Alt+Super+Space") << int(Qt::Key_Space) << (Qt::MetaModifier | Qt::AltModifier) << 49u << 0x1800u
                                         << "Alt+Super+Space";
        QTest::newRow("Ctrl+Escape has no name") << int(Qt::Key_Escape) << control << 53u << 0x100u << "Ctrl+Key53";
        QTest::newRow("Ctrl+Shift+1 as typed")
            << int(Qt::Key_Exclam) << (ctrl | shift) << 18u << 0x300u << "Ctrl+Shift+1";
        QTest::newRow("K alone") << int(Qt::Key_K) << none << 0u << 0u << "Not set";
        QTest::newRow("keypad modifier only")
            << int(Qt::Key_5) << Qt::KeyboardModifiers(Qt::KeypadModifier) << 0u << 0u << "Not set";
        // The A position is key code 0, which means "none": it cannot hold a shortcut.
        QTest::newRow("Ctrl+A") << int(Qt::Key_A) << control << 0u << 0u << "Not set";
        QTest::newRow("unknown key") << int(Qt::Key_LaunchMail) << control << 0u << 0u << "Not set";
    }

    void recording()
    {
        QFETCH(int, key);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(quint32, storedCode);
        QFETCH(quint32, storedModifiers);
        QFETCH(QString, shown);
        Tab t;
        t.open();
        QCOMPARE(t.recorder()->text(), u"Not set"_s);
        QTest::mouseClick(t.recorder(), Qt::LeftButton);
        QCOMPARE(t.recorder()->text(), u"Press keys…"_s);
        // Holding the modifier down first is a key press of its own; it must not end the recording.
        QTest::keyPress(t.recorder(), Qt::Key_Control, Qt::ControlModifier);
        QVERIFY(t.recorder()->isRecording());
        QTest::keyClick(t.recorder(), Qt::Key(key), modifiers);
        QCOMPARE(t.recorder()->isRecording(), storedCode == 0);
        if (storedCode == 0) // a second click ends the recording without a shortcut
            QTest::mouseClick(t.recorder(), Qt::LeftButton);
        QVERIFY(!t.recorder()->isRecording());
        QCOMPARE(t.settings.contains(SettingsKeys::customHotkeyKeycode), storedCode != 0);
        QCOMPARE(t.settings.hotkeyValue(SettingsKeys::customHotkeyKeycode), storedCode);
        QCOMPARE(t.settings.hotkeyValue(SettingsKeys::customHotkeyModifiers), storedModifiers);
        QCOMPARE(t.recorder()->text(), shown);
        QCOMPARE(t.clear()->isVisible(), storedCode != 0);
        if (storedCode == 0)
            return;
        // Clearing stores zero rather than removing the keys.
        QTest::mouseClick(t.clear(), Qt::LeftButton);
        QCOMPARE(t.settings.hotkeyValue(SettingsKeys::customHotkeyKeycode), 0u);
        QVERIFY(t.settings.contains(SettingsKeys::customHotkeyKeycode));
        QCOMPARE(t.recorder()->text(), u"Not set"_s);
        QVERIFY(!t.clear()->isVisible());
    }

    void storedValuesAreShown()
    {
        // Key code 0 (the A position) means none; the Caps Lock bit (0x400) is ignored.
        const QList<std::tuple<quint32, quint32, QString>> rows{
            {0, 0x100, u"Not set"_s}, {8, 0x100 | 0x400, u"Ctrl+C"_s}, {29, 0x1000, u"Super+0"_s}};
        for (const auto& [code, modifiers, shown] : rows) {
            Tab t;
            t.settings.setInteger(SettingsKeys::customHotkeyKeycode, code);
            t.settings.setInteger(SettingsKeys::customHotkeyModifiers, modifiers);
            t.open();
            QCOMPARE(t.recorder()->text(), shown);
            QCOMPARE(t.clear()->isVisible(), code != 0);
        }
    }

    void doubleCopyToggle()
    {
        Tab t;
        t.open();
        auto* toggle = t.tab->findChild<QAbstractButton*>(u"doubleCopyToggle"_s);
        QVERIFY(toggle->isChecked());
        toggle->click();
        QCOMPARE(t.settings.boolean(SettingsKeys::useDoubleCopy), false);
        // Without a key manager the tab says detection is not running rather than claiming it works.
        QVERIFY(!t.tab->findChild<QLabel*>(u"detectionState"_s)->text().contains(u"working"));
    }
};

QTEST_MAIN(TestHotkeyRecorderView)
#include "tst_hotkeyrecorderview.moc"
