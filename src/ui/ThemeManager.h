// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/AppTheme.h"
#include "ui/ThemeColors.h"

#include <QIcon>
#include <QObject>
#include <QPointer>

class AppearancePortal;
class Settings;

// Owns the user's theme choice: stores it under app_theme, resolves System against the desktop's appearance,
// switches the application icon to match and announces every change with themeDidChange.
class ThemeManager : public QObject
{
    Q_OBJECT

public:
    // `settings` must outlive the manager. `portal` (optional) supplies the desktop's colour scheme; without one,
    // or while it has nothing to say, the lightness of the application palette's window colour decides.
    explicit ThemeManager(Settings* settings, AppearancePortal* portal = nullptr, QObject* parent = nullptr);
    ~ThemeManager() override;

    // The application's one manager, created on first use as a child of the application object. The first
    // call decides its settings: `settings` if given, else a Settings object of its own at the default place.
    // Later calls ignore the argument.
    static ThemeManager& shared(Settings* settings = nullptr);

    AppTheme currentTheme() const { return m_currentTheme; }
    // Assignment: stores the choice, applies the icon and emits themeDidChange, even for the same value.
    void setCurrentTheme(AppTheme theme);
    // Assigns only when the choice differs from the current one.
    void setTheme(AppTheme theme);

    // The colours of the current theme, System resolved against the desktop now.
    ThemeColors colors() const { return ThemeColors{resolvedTheme(m_currentTheme)}; }

    // Light and Dark are returned unchanged; System is resolved against the desktop at the moment of the call.
    AppTheme resolvedTheme(AppTheme theme) const;

    // Sets the application (window and tray) icon to DockIconLight or DockIconDark for the resolved current
    // theme. A missing image leaves the icon as it is.
    void applyDockIcon();
    // The name of the icon image last applied, empty while none was.
    QString appliedDockIconName() const { return m_appliedIconName; }

    // Where the icon images are looked up (`<folder>/<name>.svg`); the built-in resources by default.
    void setIconFolder(const QString& folder) { m_iconFolder = folder; }

Q_SIGNALS:
    void themeDidChange();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    AppTheme systemAppearance() const;
    void systemAppearanceMayHaveChanged();

    QPointer<Settings> m_settings;
    QPointer<AppearancePortal> m_portal;
    AppTheme m_currentTheme = AppTheme::System;
    AppTheme m_lastSystemAppearance = AppTheme::Light;
    QString m_iconFolder;
    QString m_appliedIconName;
};
