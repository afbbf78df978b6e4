// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/MemoryStore.h"

#include <QWidget>

class AppState;
class HotkeyManager;
class Settings;
class SettingsView;
class SyncService;
class ThemeManager;

// The preferences window, "Vantro Preferences": 540 × 500, closable and minimisable, hosting SettingsView. Closing
// only hides it, so the controller creates it once and shows it again with present().
class PreferencesWindow : public QWidget
{
    Q_OBJECT

public:
    // `sync` and `hotkeyManager` may be null. Everything passed by reference must outlive the window.
    PreferencesWindow(AppState& appState, Settings& settings, SyncService* sync, HotkeyManager* hotkeyManager,
                      MemoryStore memoryStore, ThemeManager& themeManager, QWidget* parent = nullptr);

    SettingsView* settingsView() const { return m_view; }

    // Shows the window (centred on its first showing, restored when minimised), raises it and asks for focus.
    void present();

private:
    SettingsView* m_view;
    bool m_placed = false;
};
