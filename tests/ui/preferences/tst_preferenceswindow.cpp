// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/preferences/PreferencesWindow.h"

#include "model/AppState.h"
#include "model/Settings.h"
#include "support/TestEnvironment.h"
#include "ui/ThemeManager.h"
#include "ui/preferences/AppearanceTab.h"
#include "ui/preferences/SettingsView.h"

#include <QRadioButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>

using namespace Qt::StringLiterals;

class TestPreferencesWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void keptReshownAndThemed()
    {
        TestEnvironment environment;
        Settings settings;
        AppState state(settings, ChatStore(environment.appFolder()), nullptr);
        ThemeManager themes(&settings);
        PreferencesWindow window(state, settings, nullptr, nullptr, MemoryStore(environment.appFolder()), themes);
        window.present();
        QVERIFY(window.close());
        window.present(); // closing keeps the window for the next time
        QVERIFY(window.isVisible());

        // Appearance goes through the theme manager, and the window follows the theme at once.
        AppearanceTab* tab = window.settingsView()->appearanceTab();
        window.settingsView()->tabs()->setCurrentWidget(tab);
        QSignalSpy changes(&themes, &ThemeManager::themeDidChange);
        tab->findChild<QRadioButton*>(u"themeDark"_s)->click();
        QCOMPARE(settings.string(SettingsKeys::appTheme), u"dark"_s);
        QCOMPARE(window.settingsView()->palette().color(QPalette::Window),
                 ThemeColors{AppTheme::Dark}.windowBackground());
        tab->findChild<QRadioButton*>(u"themeDark"_s)->click();
        QCOMPARE(changes.count(), 1);
    }
};

QTEST_MAIN(TestPreferencesWindow)
#include "tst_preferenceswindow.moc"
