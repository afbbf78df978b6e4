// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ThemeManager.h"

#include "model/Settings.h"
#include "platform/appearance/AppearancePortal.h"
#include "support/FakeSettingsPortal.h"
#include "support/TestEnvironment.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QPalette paletteWithWindow(const QColor& window)
{
    QPalette palette = QApplication::palette();
    palette.setColor(QPalette::Window, window);
    return palette;
}

} // namespace

class TestThemeManager : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { QApplication::setPalette(paletteWithWindow(Qt::white)); }

    // Only the exact lower-case names choose a theme; anything else follows the system.
    void startsFromStoredText()
    {
        const QList<std::pair<QString, AppTheme>> rows{{QString(), AppTheme::System},
                                                       {u"light"_s, AppTheme::Light},
                                                       {u"dark"_s, AppTheme::Dark},
                                                       {u"Dark"_s, AppTheme::System}};
        for (const auto& [stored, expected] : rows) {
            TestEnvironment environment;
            Settings settings;
            if (!stored.isNull())
                settings.setString(SettingsKeys::appTheme, stored);
            QCOMPARE(ThemeManager(&settings).currentTheme(), expected);
        }
    }

    void changesAreAnnouncedOnlyWhenReal()
    {
        TestEnvironment environment;
        Settings settings;
        settings.setString(SettingsKeys::appTheme, u"dark"_s);
        ThemeManager manager(&settings);
        manager.applyDockIcon();
        QSignalSpy changes(&manager, &ThemeManager::themeDidChange);
        QSignalSpy writes(&settings, &Settings::changed);
        manager.setTheme(AppTheme::Dark);
        QCOMPARE(writes.count(), 0);

        // A fixed theme ignores the desktop.
        QApplication::setPalette(paletteWithWindow(QColor(20, 20, 20)));
        QApplication::setPalette(paletteWithWindow(Qt::white));
        QTest::qWait(20);
        QCOMPARE(changes.count(), 0);
        QCOMPARE(manager.appliedDockIconName(), u"DockIconDark"_s);

        manager.setTheme(AppTheme::Light);
        QCOMPARE(changes.count(), 1);
        QCOMPARE(Settings().string(SettingsKeys::appTheme), u"light"_s);
        QCOMPARE(manager.appliedDockIconName(), u"DockIconLight"_s);

        // Following the system: a switch to dark changes the icon and is announced; nothing is written.
        manager.setCurrentTheme(AppTheme::System);
        changes.clear();
        settings.remove(SettingsKeys::appTheme);
        QApplication::setPalette(paletteWithWindow(QColor(20, 20, 20)));
        QVERIFY(changes.wait(2000));
        QCOMPARE(manager.appliedDockIconName(), u"DockIconDark"_s);
        QVERIFY(!settings.contains(SettingsKeys::appTheme));
    }

    void followsTheSettingsPortal_data()
    {
        QTest::addColumn<bool>("readOne");
        QTest::addColumn<bool>("hasSetting");
        QTest::newRow("ReadOne") << true << true;
        QTest::newRow("older portal, Read only") << false << true;
        QTest::newRow("no such setting: the palette decides") << true << false;
    }

    void followsTheSettingsPortal()
    {
        QFETCH(bool, readOne);
        QFETCH(bool, hasSetting);
        TestEnvironment environment;
        Settings settings;
        // Prefers dark while the palette is light.
        FakeSettingsPortal fake(hasSetting ? std::optional<uint>(1) : std::nullopt, readOne);
        QVERIFY2(fake.isRunning(), "dbus-daemon could not be started");
        AppearancePortal portal(fake.busAddress(), nullptr);
        ThemeManager manager(&settings, &portal);
        QTRY_VERIFY(portal.hasAnswered());
        if (!hasSetting) {
            QCOMPARE(fake.reads(), 1);
            QApplication::setPalette(paletteWithWindow(QColor(10, 10, 10)));
            QCOMPARE(manager.resolvedTheme(AppTheme::System), AppTheme::Dark);
            return;
        }
        QCOMPARE(manager.resolvedTheme(AppTheme::System), AppTheme::Dark);

        QSignalSpy changes(&manager, &ThemeManager::themeDidChange);
        fake.setColorScheme(2);
        QTRY_COMPARE(changes.count(), 1);
        QCOMPARE(manager.resolvedTheme(AppTheme::System), AppTheme::Light);
        QCOMPARE(manager.appliedDockIconName(), u"DockIconLight"_s);

        // "No preference" leaves it to the palette.
        QApplication::setPalette(paletteWithWindow(QColor(25, 25, 25)));
        fake.setColorScheme(0);
        QTRY_COMPARE(portal.colorScheme(), AppearancePortal::ColorScheme::NoPreference);
        QCOMPARE(manager.resolvedTheme(AppTheme::System), AppTheme::Dark);
    }
};

QTEST_MAIN(TestThemeManager)
#include "tst_thememanager.moc"
