// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/MemoryStore.h"

#include <QPointer>
#include <QWidget>

class AITab;
class AppState;
class AppearanceTab;
class HotkeyManager;
class HotkeyTab;
class PromptsTab;
class QTabWidget;
class Settings;
class SyncService;
class ThemeManager;

// The content of the preferences window: the tabs Prompts, AI, Hotkey and Appearance. Each tab reads its values
// when shown and writes every change at once; there is nothing to apply or cancel. The view follows the theme.
class SettingsView : public QWidget
{
    Q_OBJECT

public:
    // `sync` and `hotkeyManager` may be null. Everything passed by reference must outlive the view.
    SettingsView(AppState& appState, Settings& settings, SyncService* sync, HotkeyManager* hotkeyManager,
                 MemoryStore memoryStore, ThemeManager& themeManager, QWidget* parent = nullptr);

    QTabWidget* tabs() const { return m_tabs; }
    PromptsTab* promptsTab() const { return m_prompts; }
    AITab* aiTab() const { return m_ai; }
    HotkeyTab* hotkeyTab() const { return m_hotkey; }
    AppearanceTab* appearanceTab() const { return m_appearance; }

private:
    void applyTheme();

    ThemeManager& m_themes;
    QTabWidget* m_tabs;
    PromptsTab* m_prompts;
    AITab* m_ai;
    HotkeyTab* m_hotkey;
    AppearanceTab* m_appearance;
};
