// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "chat/QuickRunner.h"
#include "app/FloatingPanel.h"
#include "app/ReplaceInPlace.h"
#include "input/HotkeyManager.h"
#include "model/AppState.h"
#include "platform/Notifier.h"
#include "platform/TrayWatcher.h"
#include "sync/SharedProjectClient.h"
#include "sync/SyncService.h"
#include "ui/OnboardingView.h"
#include "ui/preferences/PreferencesWindow.h"

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QUuid>

#include <memory>
#include <optional>

class ChatTurnRunner;
class FloatingPanelView;
class QAction;
class QMenu;
class QNetworkAccessManager;
class QSystemTrayIcon;
class ScreenshotCapture;
class SecretKeys;
class Settings;
class SleepWatcher;
class ThemeManager;

// The controller: owns the state, the key detection, the panel and the runs, and turns triggers, menu commands and
// panel callbacks into actions. Everything runs on the GUI thread.
class AppDelegate : public QObject
{
    Q_OBJECT

public:
    struct Dependencies
    {
        Settings& settings;
        QNetworkAccessManager& network;
        std::unique_ptr<HotkeyManager> hotkeyManager; // null: the session's own key backends
        bool createTrayIcon = true;
        std::unique_ptr<Notifier> notifier; // null: the session's own
    };

    explicit AppDelegate(Dependencies dependencies, QObject* parent = nullptr);
    ~AppDelegate() override;

    // Launch: stores "General" if nothing is stored, applies the theme, arms the key detection, starts watching.
    void applicationDidFinishLaunching();
    // A command line handed over by a second `vantro` (or given to this one at start).
    void handleCommand(const QStringList& arguments);

    // Triggers.
    // `selection`: the text selected without copying, where there is some.
    void handleTextTrigger(bool selection = false);
    void handleHotkeyTrigger(HotkeyManager::Source source);
    // The prompt panel on the clipboard's content, or a new chat when there is none.
    void showPanelForClipboard();
    void readClipboardOnceFocused(bool selection);
    void showKeyDetectionInWalkthrough();
    void handleScreenshotTrigger();
    void handleCopyTap(int ordinal);

    // Panel flow.
    void showPromptPanel();
    void showChatPanel();
    void runPrompt(const Prompt& prompt);
    void toggleExpanded();
    void copyResultAndClose();
    // Replace: the finished answer is copied and pasted into the window of the trigger. False when there is no
    // finished answer in the prompt panel to replace with.
    bool replaceWithResult();
    void sendChatMessage(const QString& text, const std::optional<Prompt>& prompt, const std::optional<QImage>& image);

    // Menus and the desktop file's actions.
    void showPreferences();
    // The first-run walkthrough; also from the tray and `vantro --onboarding`.
    void showOnboarding();
    void showAbout();
    void newChatFromLauncher();
    void openChatFromLauncher();
    void quit();

    // Keeps the key detection alive after activation and wake.
    void rearmTapIfNeeded();

    AppState& appState() { return *m_appState; }
    HotkeyManager& hotkeyManager() { return *m_hotkeyManager; }
    FloatingPanel* panel() const { return m_panel; }
    FloatingPanel* onboardingPanel() const { return m_onboardingPanel; }
    OnboardingView* onboardingView() const { return m_onboardingView; }
    FloatingPanelView* panelView() const;
    PreferencesWindow* settingsWindow() const { return m_settingsWindow; }
    std::optional<QUuid> floatingPanelSessionID() const { return m_quickRuns->sessionID(); }
    bool isQuickRunInProgress() const { return m_quickRuns->isRunning(); }
    ChatTurnRunner& chatTurns() { return *m_chatTurns; }
    ReplaceInPlace& replaceInPlace() { return *m_replace; }

    static QString noApiKeyText() { return QuickRunner::noApiKeyText(); }

Q_SIGNALS:
    // Ctrl+C in the chat copied the newest answer.
    void copyLastMessageTriggered();

private:
    struct HotkeySettings
    {
        bool useDoubleCopy = true;
        quint32 keyCode = 0;
        quint32 modifiers = 0;
        bool operator==(const HotkeySettings&) const = default;
    };

    HotkeySettings currentHotkeySettings() const;
    void armAfterOnboarding();
    void wireHotkeyCallbacks();
    void onSettingChanged();
    void onThemeChanged();
    void ensurePanel();
    void presentPanel();
    void panelWillClose();
    void createTrayIcon();
    // The first-run walkthrough in its own panel, and the detection armed for its exercises.
    void armForOnboarding();
    void finishOnboarding();
    bool isOnboardingVisible() const;
    // Tells the user, once per cause, that key detection or the hotkey does not work and how to get it back.
    void notifyKeyDetectionProblem(const QString& cause, const QString& title, const QString& body);
    void retryKeyDetection();
    QList<QAction*> menuActions();

    Settings& m_settings;
    QNetworkAccessManager& m_network;
    std::unique_ptr<SharedProjectClient> m_syncClient;
    std::unique_ptr<AppState> m_appState;
    std::unique_ptr<SyncService> m_sync; // after the state it works on
    std::unique_ptr<SecretKeys> m_secretKeys;
    ThemeManager& m_themeManager;
    std::unique_ptr<HotkeyManager> m_hotkeyManager;
    std::unique_ptr<QuickRunner> m_quickRuns;
    std::unique_ptr<ChatTurnRunner> m_chatTurns;
    std::unique_ptr<ScreenshotCapture> m_screenshots;
    QPointer<FloatingPanel> m_panel;
    QPointer<QObject> m_clipboardWait; // a trigger waiting for the focus to read the clipboard
    QPointer<PreferencesWindow> m_settingsWindow;
    std::optional<HotkeySettings> m_lastHotkeyMonitoringSnapshot;
    QPointer<QSystemTrayIcon> m_tray;
    std::unique_ptr<QMenu> m_trayMenu;
    QAction* m_aboutAction = nullptr;
    QAction* m_openChatAction = nullptr;
    QAction* m_preferencesAction = nullptr;
    QAction* m_updatesAction = nullptr;
    QAction* m_quitAction = nullptr;
    QAction* m_shortcutsAction = nullptr;
    SleepWatcher* m_sleepWatcher = nullptr;
    bool m_wantsTray = true;
    std::unique_ptr<TrayWatcher> m_trayWatcher; // while there is no tray
    std::unique_ptr<Notifier> m_notifier;
    std::unique_ptr<WindowPaster> m_paster;
    std::unique_ptr<ReplaceInPlace> m_replace;
    QPointer<FloatingPanel> m_onboardingPanel;
    QPointer<OnboardingView> m_onboardingView;
    QString m_lastKeyMonitorFailure; // the reason of the last failed arming, for the walkthrough
    QSet<QString> m_notifiedCauses;  // each cause is told once per session
};
