// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/preferences/SettingsView.h"

#include "ui/SymbolIcon.h"
#include "ui/ThemeManager.h"
#include "ui/preferences/AITab.h"
#include "ui/preferences/AppearanceTab.h"
#include "ui/preferences/HotkeyTab.h"
#include "ui/preferences/PreferencesStyle.h"
#include "ui/preferences/PromptsTab.h"

#include <QTabWidget>
#include <QVBoxLayout>

SettingsView::SettingsView(AppState& appState, Settings& settings, SyncService* sync, HotkeyManager* hotkeyManager,
                           MemoryStore memoryStore, ThemeManager& themeManager, QWidget* parent)
    : QWidget(parent), m_themes(themeManager)
{
    setObjectName(QStringLiteral("settingsView"));
    auto* box = new QVBoxLayout(this);
    box->setContentsMargins(8, 8, 8, 8);
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("settingsTabs"));
    m_tabs->setDocumentMode(true);
    m_prompts = new PromptsTab(appState, settings, sync, m_tabs);
    m_ai = new AITab(appState, settings, std::move(memoryStore), m_tabs);
    m_hotkey = new HotkeyTab(settings, hotkeyManager, m_tabs);
    m_appearance = new AppearanceTab(themeManager, m_tabs);
    m_tabs->addTab(m_prompts, tr("Prompts"));
    m_tabs->addTab(m_ai, tr("AI"));
    m_tabs->addTab(m_hotkey, tr("Hotkey"));
    m_tabs->addTab(m_appearance, tr("Appearance"));
    m_tabs->setIconSize(QSize(16, 16));
    box->addWidget(m_tabs);

    connect(&m_themes, &ThemeManager::themeDidChange, this, &SettingsView::applyTheme);
    applyTheme();
}

void SettingsView::applyTheme()
{
    const ThemeColors colors = m_themes.colors();
    setPalette(colors.palette());
    setAutoFillBackground(true);
    const QString symbols[] = {QStringLiteral("list.number"), QStringLiteral("brain"), QStringLiteral("keyboard"),
                               QStringLiteral("paintbrush")};
    for (int i = 0; i < m_tabs->count(); ++i)
        m_tabs->setTabIcon(i, symbolIcon(symbols[i], colors.text(), 16));
    m_prompts->setColors(colors);
    m_ai->setColors(colors);
    m_appearance->setColors(colors);
    PreferencesStyle::polish(this, colors);
}
