// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AppDelegate.h"

#include "ai/PromptAssembly.h"
#include "app/AboutDialog.h"
#include "app/ShortcutsDialog.h"
#include "app/SingleWindow.h"
#include "app/FloatingPanel.h"
#include "chat/ChatTurnRunner.h"
#include "chat/QuickRunner.h"
#include "input/HotkeyManager.h"
#include "input/ScreenshotCapture.h"
#include "model/MemoryStore.h"
#include "model/SecretKeys.h"
#include "model/Settings.h"
#include "platform/Backends.h"
#include "platform/Log.h"
#include "platform/Memory.h"
#include "platform/SleepWatcher.h"
#include "platform/TextLength.h"
#include "ui/FloatingPanelView.h"
#include "ui/PanelSidebar.h"
#include "ui/OnboardingView.h"
#include "ui/ThemeManager.h"
#include "ui/preferences/PreferencesWindow.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QCursor>
#include <QKeyEvent>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWindow>

namespace {

constexpr QStringView component = u"AppDelegate";
} // namespace

AppDelegate::AppDelegate(Dependencies dependencies, QObject* parent)
    : QObject(parent), m_settings(dependencies.settings), m_network(dependencies.network),
      m_themeManager(ThemeManager::shared(&dependencies.settings)), m_wantsTray(dependencies.createTrayIcon)
{
    m_syncClient = std::make_unique<SharedProjectClient>(m_network, m_settings);
    m_appState = std::make_unique<AppState>(m_settings, ChatStore());
    m_sync = std::make_unique<SyncService>(*m_appState, *m_syncClient);
    m_hotkeyManager = dependencies.hotkeyManager ? std::move(dependencies.hotkeyManager)
                                                 : std::make_unique<HotkeyManager>(&m_settings);
    m_quickRuns = std::make_unique<QuickRunner>(*m_appState, m_settings, m_network);
    m_chatTurns = std::make_unique<ChatTurnRunner>(*m_appState, m_settings, m_network, MemoryStore());
    // A turn makes and drops many small allocations (the request, the bubbles' widgets); the allocator keeps what
    // was freed unless asked, and a long chat's process would grow by tens of megabytes.
    connect(m_chatTurns.get(), &ChatTurnRunner::turnFinished, this, [] { Memory::returnFreedToSystem(); });
    m_screenshots = std::make_unique<ScreenshotCapture>(&m_settings);
    m_notifier = dependencies.notifier ? std::move(dependencies.notifier) : Backends::createNotifier();
    m_secretKeys = std::make_unique<SecretKeys>(m_settings, Backends::createSecretStore());
    m_paster = Backends::createWindowPaster();
    m_replace = std::make_unique<ReplaceInPlace>(m_settings, Backends::clipboard(), *m_paster, *m_notifier);
    connect(m_appState.get(), &AppState::sessionsSaveFailed, this, [this](const QString& reason) {
        // Once a cause: a full disk would otherwise speak after every answer and every retry.
        const QString cause = QStringLiteral("history save: ") + reason;
        if (m_notifiedCauses.contains(cause))
            return;
        m_notifiedCauses.insert(cause);
        m_notifier->notify(tr("Chat History Not Saved"),
                           tr("Vantro could not write your chat history (%1). The previous copy on disk is "
                              "unchanged; Vantro tries again, and the chats stay open until you quit.")
                               .arg(reason));
    });
    connect(m_notifier.get(), &Notifier::actionInvoked, this, [this](const QString& key) {
        if (key == u"retry")
            retryKeyDetection();
        else if (key == u"preferences")
            showPreferences();
    });
    // Without a notification service the tray says it, and without a tray the log line already has.
    connect(m_notifier.get(), &Notifier::notificationFailed, this, [this](const QString& title, const QString& body) {
        if (m_tray)
            m_tray->showMessage(title, body);
    });
    connect(m_hotkeyManager.get(), &HotkeyManager::keyMonitorFailed, this, [this](const QString& reason) {
        m_lastKeyMonitorFailure = reason;
        notifyKeyDetectionProblem(reason, tr("Key Detection Unavailable"),
                                  reason + u'\n' +
                                      tr("Double Ctrl+C does nothing until this is solved. Choose Try Again once it "
                                         "is, or change the hotkey in Preferences."));
    });
    connect(m_hotkeyManager.get(), &HotkeyManager::keyboardThawed, this, [this] {
        notifyKeyDetectionProblem(QStringLiteral("thawed"), tr("Keyboard Freed"),
                                  tr("Vantro held the keyboard too long while deciding about a Ctrl+C and let it go. "
                                     "Key detection starts again by itself; if Ctrl+C misbehaves, choose Try "
                                     "Again."));
    });
    connect(m_hotkeyManager.get(), &HotkeyManager::customHotkeyRefused, this, [this] {
        notifyKeyDetectionProblem(QStringLiteral("custom hotkey"), tr("Shortcut Unavailable"),
                                  tr("Vantro could not take your shortcut: another program may already use it, or "
                                     "the desktop does not allow it. Choose another one in Preferences."));
    });
}

void AppDelegate::notifyKeyDetectionProblem(const QString& cause, const QString& title, const QString& body)
{
    // The walkthrough's key-detection step says it already.
    if (m_notifiedCauses.contains(cause) || isOnboardingVisible())
        return;
    m_notifiedCauses.insert(cause);
    m_notifier->notify(
        title, body,
        {{QStringLiteral("retry"), tr("Try Again")}, {QStringLiteral("preferences"), tr("Open Preferences")}});
}

void AppDelegate::retryKeyDetection()
{
    // A cause that comes back after a retry is worth telling again.
    m_notifiedCauses.clear();
    const HotkeySettings current = currentHotkeySettings();
    m_hotkeyManager->configure(current.useDoubleCopy, current.keyCode, current.modifiers);
}

AppDelegate::~AppDelegate()
{
    m_quickRuns->cancel();
    if (m_panel) {
        m_panel->disconnect(this);
        delete m_panel;
    }
    delete m_settingsWindow;
    delete m_onboardingPanel;
}

FloatingPanelView* AppDelegate::panelView() const
{
    return m_panel ? qobject_cast<FloatingPanelView*>(m_panel->content()) : nullptr;
}

// ---- Launch and key detection --------------------------------------------------------------------------------

void AppDelegate::applicationDidFinishLaunching()
{
    m_secretKeys->load();
    m_appState->ensureProjectsStored();
    m_themeManager.applyDockIcon();
    if (m_settings.boolean(SettingsKeys::hasCompletedOnboarding))
        armAfterOnboarding();
    else
        showOnboarding();
    m_lastHotkeyMonitoringSnapshot = currentHotkeySettings();

    connect(&m_settings, &Settings::changed, this, &AppDelegate::onSettingChanged);
    connect(&m_themeManager, &ThemeManager::themeDidChange, this, &AppDelegate::onThemeChanged);
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state == Qt::ApplicationActive)
            rearmTapIfNeeded();
    });
    m_sleepWatcher = new SleepWatcher(this);
    connect(m_sleepWatcher, &SleepWatcher::resumed, this, &AppDelegate::rearmTapIfNeeded);
    connect(this, &AppDelegate::copyLastMessageTriggered, this, [this] {
        if (FloatingPanelView* view = panelView())
            view->showCopiedFeedback();
    });
    if (m_wantsTray)
        createTrayIcon();
}

AppDelegate::HotkeySettings AppDelegate::currentHotkeySettings() const
{
    return HotkeySettings{m_settings.boolean(SettingsKeys::useDoubleCopy),
                          m_settings.hotkeyValue(SettingsKeys::customHotkeyKeycode),
                          m_settings.hotkeyValue(SettingsKeys::customHotkeyModifiers)};
}

void AppDelegate::wireHotkeyCallbacks()
{
    connect(m_hotkeyManager.get(), &HotkeyManager::triggered, this, &AppDelegate::handleHotkeyTrigger,
            Qt::UniqueConnection);
    connect(m_hotkeyManager.get(), &HotkeyManager::screenshotTriggered, this, &AppDelegate::handleScreenshotTrigger,
            Qt::UniqueConnection);
    connect(m_hotkeyManager.get(), &HotkeyManager::copyTapped, this, &AppDelegate::handleCopyTap, Qt::UniqueConnection);
}

void AppDelegate::armAfterOnboarding()
{
    wireHotkeyCallbacks();
    const HotkeySettings current = currentHotkeySettings();
    m_hotkeyManager->configure(current.useDoubleCopy, current.keyCode, current.modifiers);
    m_lastHotkeyMonitoringSnapshot = current;
    if (current.useDoubleCopy && !m_hotkeyManager->isDetectionAvailable())
        logLine(component,
                QStringLiteral("Double copy is not available: ") + m_hotkeyManager->detectionUnavailableReason());
}

void AppDelegate::onSettingChanged()
{
    // Only a change of the three hotkey values re-arms; everything else leaves the detection alone.
    const HotkeySettings current = currentHotkeySettings();
    if (m_lastHotkeyMonitoringSnapshot && *m_lastHotkeyMonitoringSnapshot == current)
        return;
    m_lastHotkeyMonitoringSnapshot = current;
    wireHotkeyCallbacks();
    m_hotkeyManager->configure(current.useDoubleCopy, current.keyCode, current.modifiers);
}

void AppDelegate::rearmTapIfNeeded()
{
    if (!m_hotkeyManager->lastUseDoubleCopy() || !m_hotkeyManager->isDetectionAvailable())
        return;
    if (m_hotkeyManager->hasKeyMonitor())
        m_hotkeyManager->reenableKeyMonitor();
    else
        m_hotkeyManager->configure(true, m_hotkeyManager->lastKeyCode(), m_hotkeyManager->lastModifiers());
}

void AppDelegate::onThemeChanged()
{
    // The panel draws its colours once; rebuild it in the mode it was in.
    const bool wasVisible = m_panel && m_panel->isVisible();
    if (m_panel) {
        m_panel->close();
        panelWillClose();
    }
    if (wasVisible) {
        if (m_appState->isPanelExpanded())
            showChatPanel();
        else
            showPromptPanel();
    }
}

// ---- Commands from menus, the desktop file and a second start --------------------------------------------------

void AppDelegate::handleCommand(const QStringList& arguments)
{
    const auto has = [&arguments](const char* option) { return arguments.contains(QLatin1StringView(option)); };
    if (has("--quit"))
        quit();
    else if (has("--new-chat"))
        newChatFromLauncher();
    else if (has("--open-chat"))
        openChatFromLauncher();
    else if (has("--trigger"))
        handleTextTrigger(has("--selection"));
    else if (has("--screenshot"))
        handleScreenshotTrigger();
    else if (has("--preferences"))
        showPreferences();
    else if (has("--onboarding"))
        showOnboarding();
    else
        showChatPanel(); // a plain second start is a reopen
}

void AppDelegate::newChatFromLauncher()
{
    // The new chat first: the panel would otherwise open one of its own when none is active, and leave two.
    m_appState->newChatSession();
    showChatPanel();
}

void AppDelegate::openChatFromLauncher()
{
    showChatPanel();
}

void AppDelegate::quit()
{
    // While the loop still runs, so a portal dialog still open is told to close.
    m_screenshots->cancel();
    QCoreApplication::quit();
}

void AppDelegate::showPreferences()
{
    // One window, kept once made: closing only hides it.
    if (!m_settingsWindow)
        m_settingsWindow = new PreferencesWindow(*m_appState, m_settings, m_sync.get(), m_hotkeyManager.get(),
                                                 MemoryStore(), m_themeManager);
    m_settingsWindow->present();
}

void AppDelegate::showAbout()
{
    showSingleWindow<AboutDialog>();
}

QList<QAction*> AppDelegate::menuActions()
{
    if (!m_aboutAction) {
        m_aboutAction = new QAction(tr("About Vantro"), this);
        connect(m_aboutAction, &QAction::triggered, this, &AppDelegate::showAbout);
        m_openChatAction = new QAction(tr("Open Chat…"), this);
        m_openChatAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
        connect(m_openChatAction, &QAction::triggered, this, &AppDelegate::showChatPanel);
        m_preferencesAction = new QAction(tr("Preferences…"), this);
        m_preferencesAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
        connect(m_preferencesAction, &QAction::triggered, this, &AppDelegate::showPreferences);
        // Packages update through the system's package manager.
        m_updatesAction = new QAction(tr("Check for Updates…"), this);
        m_updatesAction->setEnabled(false);
        m_quitAction = new QAction(tr("Quit Vantro"), this);
        m_quitAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
        connect(m_quitAction, &QAction::triggered, this, &AppDelegate::quit);
        m_shortcutsAction = new QAction(tr("Keyboard Shortcuts"), this);
        // Shown in the tray menu; the panel takes the key itself, as Ctrl+? arrives as Ctrl+Shift+? or Ctrl+Shift+/.
        m_shortcutsAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Question));
        connect(m_shortcutsAction, &QAction::triggered, this, [] { showSingleWindow<ShortcutsDialog>(); });
        for (QAction* action : {m_openChatAction, m_preferencesAction, m_quitAction})
            action->setShortcutContext(Qt::WindowShortcut);
    }
    return {m_aboutAction, m_openChatAction, m_preferencesAction, m_updatesAction, m_quitAction, m_shortcutsAction};
}

void AppDelegate::createTrayIcon()
{
    if (m_tray)
        return;
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        // A panel that starts after us brings its tray later: the icon comes then.
        if (!m_trayWatcher) {
            logLine(component, QStringLiteral("No system tray yet; use `vantro --open-chat`, `--preferences` or "
                                              "`--quit` until one appears"));
            m_trayWatcher = Backends::createTrayWatcher();
            connect(m_trayWatcher.get(), &TrayWatcher::trayAppeared, this, &AppDelegate::createTrayIcon,
                    Qt::QueuedConnection);
        }
        return;
    }
    m_trayWatcher.reset();
    const QList<QAction*> actions = menuActions();
    m_trayMenu = std::make_unique<QMenu>();
    m_trayMenu->addAction(actions[0]);
    m_trayMenu->addSeparator();
    m_trayMenu->addAction(actions[1]);
    m_trayMenu->addAction(actions[2]);
    m_trayMenu->addAction(tr("Show Onboarding…"), this, &AppDelegate::showOnboarding);
    m_trayMenu->addAction(actions[5]);
    m_trayMenu->addSeparator();
    m_trayMenu->addAction(actions[3]);
    m_trayMenu->addSeparator();
    m_trayMenu->addAction(actions[4]);
    m_tray = new QSystemTrayIcon(QGuiApplication::windowIcon(), this);
    m_tray->setToolTip(QStringLiteral("Vantro"));
    m_tray->setContextMenu(m_trayMenu.get());
    connect(&m_themeManager, &ThemeManager::themeDidChange, m_tray,
            [this] { m_tray->setIcon(QGuiApplication::windowIcon()); });
    connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            showChatPanel();
    });
    m_tray->show();
}

// ---- Triggers ----------------------------------------------------------------------------------------------------

void AppDelegate::handleHotkeyTrigger(HotkeyManager::Source source)
{
    // The copy gesture is about what was just copied; a shortcut may take what is selected.
    handleTextTrigger(source == HotkeyManager::Source::Shortcut &&
                      m_settings.boolean(SettingsKeys::usePrimarySelection));
}

void AppDelegate::handleTextTrigger(bool selection)
{
    // During the walkthrough the gesture is its exercise, not a run.
    if (isOnboardingVisible()) {
        m_onboardingView->textTriggered();
        return;
    }
    m_replace->rememberFocusedWindow();
    m_appState->setShowWelcomeHint(false);
    m_appState->setResultText(QString());
    m_appState->setIsLoading(false);
    m_appState->setLastCustomPromptText(std::nullopt);
    m_quickRuns->startNewShowing();
    delete m_clipboardWait;
    const Clipboard* clipboard = Backends::clipboard();
    if (clipboard && clipboard->readsNeedFocus()) {
        // The desktop hands its clipboard only to the focused window: the panel comes first, the text after.
        m_appState->setClipboardText(QString());
        m_appState->setClipboardImage(std::nullopt);
        m_sync->refreshSharedProjects();
        m_appState->setIsPanelExpanded(false);
        presentPanel();
        readClipboardOnceFocused(selection);
        return;
    }
    m_appState->readClipboard(selection);
    showPanelForClipboard();
}

void AppDelegate::showPanelForClipboard()
{
    if (m_appState->hasClipboardContent()) {
        showPromptPanel();
    } else {
        showChatPanel();
        m_appState->newChatSession();
    }
}

void AppDelegate::readClipboardOnceFocused(bool selection)
{
    auto* wait = new QObject(this);
    m_clipboardWait = wait;
    const auto read = [this, wait, selection] {
        if (m_clipboardWait != wait)
            return;
        wait->deleteLater();
        m_clipboardWait = nullptr;
        m_appState->readClipboard(selection);
        if (m_appState->hasClipboardContent())
            m_quickRuns->runDefaultPrompt();
        else
            showPanelForClipboard();
    };
    const auto panelHasFocus = [this] {
        return m_panel && m_panel->windowHandle() && QGuiApplication::focusWindow() == m_panel->windowHandle();
    };
    // The desktop's offer arrives just after the focus; a desktop that never gives the focus is waited for only so
    // long, and then the panel shows what there is.
    constexpr int offerWaitMs = 150;
    constexpr int focusWaitMs = 1000;
    QTimer::singleShot(focusWaitMs, wait, read);
    if (panelHasFocus())
        QTimer::singleShot(0, wait, read);
    connect(qGuiApp, &QGuiApplication::focusWindowChanged, wait, [wait, read, panelHasFocus] {
        if (panelHasFocus())
            QTimer::singleShot(offerWaitMs, wait, read);
    });
    if (Clipboard* clipboard = Backends::clipboard())
        connect(clipboard, &Clipboard::changed, wait, [read, panelHasFocus] {
            if (panelHasFocus())
                read();
        });
}

void AppDelegate::handleScreenshotTrigger()
{
    if (isOnboardingVisible()) {
        m_onboardingView->screenshotTriggered();
        return;
    }
    m_replace->rememberFocusedWindow();
    m_appState->setShowWelcomeHint(false);
    const QPointer<AppDelegate> self(this);
    m_screenshots->captureScreenshot([self](std::optional<QImage> image, const QString& error) {
        if (!self || (!image && error.isEmpty()))
            return;
        // A failure worth telling shows in the panel's result, like a failed run.
        AppState& state = *self->m_appState;
        state.setResultText(error);
        state.setIsLoading(false);
        state.setLastCustomPromptText(std::nullopt);
        state.setClipboardText(QString());
        state.setClipboardImage(image);
        self->m_quickRuns->startNewShowing();
        self->showPromptPanel();
    });
}

void AppDelegate::handleCopyTap(int ordinal)
{
    // Taps matter only to the walkthrough's exercises.
    if (isOnboardingVisible())
        m_onboardingView->copyTapped(ordinal);
}

// ---- First run -----------------------------------------------------------------------------------------------------

bool AppDelegate::isOnboardingVisible() const
{
    return m_onboardingPanel && m_onboardingView && m_onboardingPanel->isVisible();
}

void AppDelegate::showOnboarding()
{
    if (m_onboardingPanel)
        m_onboardingPanel->deleteLater();
    const ThemeColors colors = m_themeManager.colors();
    auto* view = new OnboardingView(*m_appState, m_settings, colors);
    auto* panel = new FloatingPanel(view, colors);
    panel->setWindowTitle(tr("Welcome to Vantro"));
    panel->setAttribute(Qt::WA_DeleteOnClose, false);
    m_onboardingPanel = panel;
    m_onboardingView = view;
    connect(panel, &FloatingPanel::onboardingKeyEvent, view, [view](QKeyEvent* event) {
        view->keyEvent(event);
        // Practice copies stay in the walkthrough: nothing under it copies or reacts.
        if (event->type() == QEvent::KeyPress && event->key() == Qt::Key_C &&
            event->modifiers().testFlag(Qt::ControlModifier))
            event->accept();
    });
    connect(panel, &FloatingPanel::enterPressed, view, &OnboardingView::activateDefaultButton);
    // Escape does what the close button does: the walkthrough is left for the next launch, and Vantro quits.
    connect(panel, &FloatingPanel::escapePressed, this, [this](QKeyEvent* event) {
        event->accept();
        quit();
    });
    connect(view, &OnboardingView::closeRequested, this, &AppDelegate::quit);
    connect(view, &OnboardingView::tryAgainRequested, this, &AppDelegate::armForOnboarding);
    connect(view, &OnboardingView::stepChanged, this, [this](OnboardingView::Step step) {
        if (step == OnboardingView::Step::TextExercise || step == OnboardingView::Step::ScreenshotExercise)
            armForOnboarding();
    });
    connect(view, &OnboardingView::completed, this, &AppDelegate::finishOnboarding);
    panel->showCentered(-72);
    armForOnboarding();
}

void AppDelegate::armForOnboarding()
{
    // The exercises need the double copy whatever the preference says.
    wireHotkeyCallbacks();
    m_lastKeyMonitorFailure.clear();
    const HotkeySettings current = currentHotkeySettings();
    m_hotkeyManager->configure(true, current.keyCode, current.modifiers);
    m_lastHotkeyMonitoringSnapshot = current;
    showKeyDetectionInWalkthrough();
    // The desktop's shortcuts are bound a moment later, or refused.
    connect(m_hotkeyManager.get(), &HotkeyManager::desktopShortcutsChanged, this,
            &AppDelegate::showKeyDetectionInWalkthrough, Qt::UniqueConnection);
}

void AppDelegate::showKeyDetectionInWalkthrough()
{
    if (!m_onboardingView)
        return;
    // Armed, refused for a reason the user can act on, shortcuts the desktop bound, or the commands to bind.
    QStringList bound;
    if (m_hotkeyManager->desktopShortcutsProblem().isEmpty()) {
        for (const GlobalHotkey::DesktopShortcut& shortcut : m_hotkeyManager->desktopShortcuts())
            bound.append(tr("%1: %2").arg(shortcut.description,
                                          shortcut.trigger.isEmpty() ? tr("no keys set") : shortcut.trigger));
    }
    if (m_hotkeyManager->hasKeyMonitor())
        m_onboardingView->setKeyDetection(OnboardingView::Detection::Ready);
    else if (!m_lastKeyMonitorFailure.isEmpty())
        m_onboardingView->setKeyDetection(OnboardingView::Detection::Refused, m_lastKeyMonitorFailure);
    else if (!bound.isEmpty())
        m_onboardingView->setKeyDetection(OnboardingView::Detection::DesktopShortcuts, bound.join(u'\n'));
    else
        m_onboardingView->setKeyDetection(OnboardingView::Detection::Wayland);
}

void AppDelegate::finishOnboarding()
{
    if (m_onboardingPanel) {
        m_onboardingPanel->close();
        m_onboardingPanel->deleteLater();
    }
    armAfterOnboarding();
    m_appState->setShowWelcomeHint(true);
    showPromptPanel();
}

// ---- Panel ---------------------------------------------------------------------------------------------------------

void AppDelegate::ensurePanel()
{
    if (m_panel)
        return;
    const ThemeColors colors = m_themeManager.colors();
    auto* view = new FloatingPanelView(*m_appState, m_settings, m_sync.get(), colors);
    auto* panel = new FloatingPanel(view, colors);
    panel->setAttribute(Qt::WA_DeleteOnClose, false);
    m_panel = panel;
    for (QAction* action : menuActions()) {
        if (!action->shortcut().isEmpty())
            panel->addAction(action);
    }

    connect(panel, &FloatingPanel::numberKeyPressed, this, [this](int number) {
        if (m_appState->isPanelExpanded())
            return;
        for (const Prompt& prompt : m_appState->activeProject().prompts) {
            if (prompt.number == number) {
                runPrompt(prompt);
                return;
            }
        }
    });
    connect(panel, &FloatingPanel::copyResultAndCloseRequested, this, &AppDelegate::copyResultAndClose);
    connect(panel, &FloatingPanel::replaceRequested, this, [this](QKeyEvent* event) {
        if (replaceWithResult())
            event->accept();
    });
    connect(panel, &FloatingPanel::enterPressed, this, [this] {
        if (!m_appState->isPanelExpanded())
            m_appState->setShowCustomPromptInput(true);
    });
    connect(panel, &FloatingPanel::escapePressed, this, [this, view](QKeyEvent* event) {
        // A search across chats is cleared first; the next Escape closes.
        if (m_appState->isPanelExpanded() && view->sidebar()->clearSearch()) {
            event->accept();
            return;
        }
        if (!m_appState->showCustomPromptInput())
            return;
        m_appState->setShowCustomPromptInput(false);
        m_appState->setCustomPromptText(QString());
        event->accept();
    });
    connect(panel, &FloatingPanel::tabPressed, m_appState.get(), &AppState::selectNextProject);
    connect(panel, &FloatingPanel::shortcutsRequested, this, [] { showSingleWindow<ShortcutsDialog>(); });
    connect(panel, &FloatingPanel::newChatRequested, m_appState.get(), [this] { m_appState->newChatSession(); });
    connect(panel, &FloatingPanel::arrowDownPressed, this, [this] {
        if (!m_appState->isPanelExpanded())
            toggleExpanded();
    });
    connect(panel, &FloatingPanel::willClose, this, &AppDelegate::panelWillClose);

    connect(view, &FloatingPanelView::promptSelected, this, &AppDelegate::runPrompt);
    connect(view, &FloatingPanelView::customPromptSubmitted, this, [this](const QString& text) {
        m_appState->setLastCustomPromptText(text);
        runPrompt(Prompt{QUuid::createUuid(), 0, QStringLiteral("Custom"), text});
    });
    connect(view, &FloatingPanelView::closeRequested, this, [this] {
        m_appState->setShowWelcomeHint(false);
        m_appState->setIsPanelExpanded(false);
        if (m_panel)
            m_panel->close();
    });
    connect(view, &FloatingPanelView::preferencesRequested, this, &AppDelegate::showPreferences);
    connect(view, &FloatingPanelView::replaceRequested, this, &AppDelegate::replaceWithResult);
    connect(view, &FloatingPanelView::toggleExpandedRequested, this, &AppDelegate::toggleExpanded);
    connect(view, &FloatingPanelView::sendChatMessage, this, &AppDelegate::sendChatMessage);
    connect(view, &FloatingPanelView::minimizeRequested, panel, &QWidget::showMinimized);
    connect(view, &FloatingPanelView::zoomRequested, panel, &FloatingPanel::toggleZoom);
}

void AppDelegate::presentPanel()
{
    ensurePanel();
    m_panel->showCentered(0);
}

void AppDelegate::showPromptPanel()
{
    m_sync->refreshSharedProjects();
    m_appState->setIsPanelExpanded(false);
    presentPanel();
    m_quickRuns->runDefaultPrompt();
}

void AppDelegate::showChatPanel()
{
    m_sync->refreshSharedProjects();
    m_appState->setIsPanelExpanded(true);
    if (!m_appState->activeChatSessionID())
        m_appState->newChatSession();
    presentPanel();
}

void AppDelegate::toggleExpanded()
{
    const bool expanded = !m_appState->isPanelExpanded();
    m_appState->setIsPanelExpanded(expanded);
    if (!expanded)
        return;
    if (const std::optional<QUuid> session = m_quickRuns->sessionID())
        m_appState->setActiveChatSessionID(session);
    else if (!m_appState->activeChatSessionID())
        m_appState->newChatSession();
}

void AppDelegate::copyResultAndClose()
{
    Clipboard* clipboard = Backends::clipboard();
    if (!clipboard)
        return;
    if (m_appState->isPanelExpanded()) {
        const std::optional<ChatSession> session = m_appState->activeChatSession();
        if (!session)
            return;
        for (auto it = session->messages.crbegin(); it != session->messages.crend(); ++it) {
            if (it->role != MessageRole::Assistant)
                continue;
            if (!it->content.isEmpty()) {
                clipboard->setText(it->content);
                Q_EMIT copyLastMessageTriggered();
            }
            return;
        }
        return;
    }
    if (m_appState->resultText().isEmpty())
        return;
    clipboard->setText(m_appState->resultText());
    if (m_panel)
        m_panel->close();
}

bool AppDelegate::replaceWithResult()
{
    if (m_appState->isPanelExpanded() || !m_appState->isResultComplete())
        return false;
    m_replace->replace(m_appState->resultText(), [this] {
        if (m_panel)
            m_panel->close();
    });
    return true;
}

void AppDelegate::panelWillClose()
{
    m_quickRuns->cancel();
    // A screenshot still being picked was going to open this panel; closing it abandons the pick too.
    m_screenshots->cancel();
    m_appState->setResultText(QString());
    m_appState->setIsLoading(false);
    m_appState->setLastCustomPromptText(std::nullopt);
    // Drop the panel; the next showing makes a new one. A chat turn is not ours to stop.
    if (m_panel) {
        FloatingPanel* panel = m_panel;
        m_panel = nullptr;
        panel->disconnect(this);
        panel->deleteLater();
    }
}

// ---- Quick runs --------------------------------------------------------------------------------------------------

void AppDelegate::runPrompt(const Prompt& prompt)
{
    // A keyring still unlocking holds the key this run needs: the run starts once it answers.
    m_secretKeys->whenLoaded(this, [this, prompt] { m_quickRuns->run(prompt); });
}

void AppDelegate::sendChatMessage(const QString& text, const std::optional<Prompt>& prompt,
                                  const std::optional<QImage>& image)
{
    m_secretKeys->whenLoaded(this, [this, text, prompt, image] { m_chatTurns->sendChatMessage(text, prompt, image); });
}
