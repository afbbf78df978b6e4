// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ThemeManager.h"

#include "model/Settings.h"
#include "platform/appearance/AppearancePortal.h"

#include <QEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPalette>
#include <QPixmap>
#include <QTimer>

ThemeManager::ThemeManager(Settings* settings, AppearancePortal* portal, QObject* parent)
    : QObject(parent), m_settings(settings), m_portal(portal), m_iconFolder(QStringLiteral(":/icons"))
{
    if (m_settings)
        m_currentTheme = appThemeFromRawText(m_settings->string(SettingsKeys::appTheme));
    m_lastSystemAppearance = systemAppearance();

    if (m_portal)
        connect(m_portal, &AppearancePortal::colorSchemeChanged, this, &ThemeManager::systemAppearanceMayHaveChanged);
    // Without a portal (or when it has no preference) the palette is the desktop's appearance; Qt reports
    // palette changes to the application object.
    if (qApp)
        qApp->installEventFilter(this);
}

ThemeManager::~ThemeManager() = default;

ThemeManager& ThemeManager::shared(Settings* settings)
{
    static QPointer<ThemeManager> instance;
    if (!instance) {
        QObject* owner = qApp;
        if (!settings)
            settings = new Settings({}, owner);
        auto* portal = new AppearancePortal(owner);
        instance = new ThemeManager(settings, portal, owner);
        portal->setParent(instance);
    }
    return *instance;
}

void ThemeManager::setCurrentTheme(AppTheme theme)
{
    m_currentTheme = theme;
    if (m_settings)
        m_settings->setString(SettingsKeys::appTheme, appThemeRawText(theme));
    applyDockIcon();
    Q_EMIT themeDidChange();
}

void ThemeManager::setTheme(AppTheme theme)
{
    if (theme != m_currentTheme)
        setCurrentTheme(theme);
}

AppTheme ThemeManager::resolvedTheme(AppTheme theme) const
{
    return theme == AppTheme::System ? systemAppearance() : theme;
}

AppTheme ThemeManager::systemAppearance() const
{
    if (m_portal && m_portal->colorScheme()) {
        switch (*m_portal->colorScheme()) {
        case AppearancePortal::ColorScheme::PreferDark:
            return AppTheme::Dark;
        case AppearancePortal::ColorScheme::PreferLight:
            return AppTheme::Light;
        case AppearancePortal::ColorScheme::NoPreference:
            break; // the desktop leaves it to its palette
        }
    }
    if (!qGuiApp)
        return AppTheme::Light;
    return QGuiApplication::palette().color(QPalette::Window).lightness() < 128 ? AppTheme::Dark : AppTheme::Light;
}

void ThemeManager::applyDockIcon()
{
    const QString name = resolvedTheme(m_currentTheme) == AppTheme::Dark ? QStringLiteral("DockIconDark")
                                                                         : QStringLiteral("DockIconLight");
    const QString path = m_iconFolder + u'/' + name + QStringLiteral(".svg");
    if (!QFileInfo::exists(path))
        return;
    const QIcon icon(path);
    if (icon.pixmap(64).isNull())
        return;
    QGuiApplication::setWindowIcon(icon);
    m_appliedIconName = name;
}

bool ThemeManager::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == qApp && event->type() == QEvent::ApplicationPaletteChange)
        systemAppearanceMayHaveChanged();
    return QObject::eventFilter(watched, event);
}

void ThemeManager::systemAppearanceMayHaveChanged()
{
    const AppTheme appearance = systemAppearance();
    if (appearance == m_lastSystemAppearance)
        return;
    m_lastSystemAppearance = appearance;
    if (m_currentTheme != AppTheme::System)
        return;
    // Act from the event loop, not from inside the D-Bus or palette notification; the choice is not written.
    QTimer::singleShot(0, this, [this] {
        if (m_currentTheme != AppTheme::System)
            return;
        applyDockIcon();
        Q_EMIT themeDidChange();
    });
}
