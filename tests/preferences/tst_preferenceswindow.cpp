// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/preferences/PreferencesWindow.h"

#include "model/AppState.h"
#include "model/Settings.h"
#include "support/TestEnvironment.h"
#include "ui/ThemeManager.h"
#include "ui/preferences/AppearanceTab.h"
#include "ui/preferences/SettingsView.h"

#include <QApplication>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>

class TestPreferencesWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void keptAndReshown()
    {
        TestEnvironment environment;
        Settings settings;
        AppState state(settings, ChatStore(environment.appFolder()), nullptr);
        ThemeManager themes(&settings);
        PreferencesWindow window(state, settings, nullptr, nullptr, MemoryStore(environment.appFolder()), themes);
        QCOMPARE(window.windowTitle(), QStringLiteral("Vantro Preferences"));
        QCOMPARE(window.size(), QSize(540, 500));
        QVERIFY(window.windowFlags() & Qt::WindowCloseButtonHint);
        QVERIFY(window.windowFlags() & Qt::WindowMinimizeButtonHint);
        QVERIFY(!(window.windowFlags() & Qt::WindowMaximizeButtonHint));

        QTabWidget* tabs = window.settingsView()->tabs();
        QCOMPARE(tabs->count(), 4);
        const QStringList labels{QStringLiteral("Prompts"), QStringLiteral("AI"), QStringLiteral("Hotkey"),
                                 QStringLiteral("Appearance")};
        for (int i = 0; i < 4; ++i)
            QCOMPARE(tabs->tabText(i), labels[i]);

        window.present();
        QVERIFY(window.isVisible());
        QVERIFY(window.close());
        QVERIFY(!window.isVisible());
        window.present();
        QVERIFY(window.isVisible());
    }

    void appearanceGoesThroughTheThemeManager()
    {
        TestEnvironment environment;
        Settings settings;
        AppState state(settings, ChatStore(environment.appFolder()), nullptr);
        ThemeManager themes(&settings);
        PreferencesWindow window(state, settings, nullptr, nullptr, MemoryStore(environment.appFolder()), themes);
        window.present();
        AppearanceTab* tab = window.settingsView()->appearanceTab();
        window.settingsView()->tabs()->setCurrentWidget(tab);
        QCOMPARE(tab->selectedTheme(), AppTheme::System);
        QSignalSpy changes(&themes, &ThemeManager::themeDidChange);
        tab->findChild<QRadioButton*>(QStringLiteral("themeDark"))->click();
        QCOMPARE(themes.currentTheme(), AppTheme::Dark);
        QCOMPARE(settings.string(SettingsKeys::appTheme), QStringLiteral("dark"));
        QCOMPARE(changes.count(), 1);
        // The window follows the theme at once.
        QCOMPARE(window.settingsView()->palette().color(QPalette::Window),
                 ThemeColors{AppTheme::Dark}.windowBackground());
        tab->findChild<QRadioButton*>(QStringLiteral("themeDark"))->click();
        QCOMPARE(changes.count(), 1);
    }
};

QTEST_MAIN(TestPreferencesWindow)
#include "tst_preferenceswindow.moc"
