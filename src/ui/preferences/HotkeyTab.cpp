// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/preferences/HotkeyTab.h"

#include "input/HotkeyManager.h"
#include "model/Settings.h"
#include "platform/Autostart.h"
#include "ui/preferences/HotkeyKeys.h"
#include "ui/preferences/HotkeyRecorderView.h"
#include "ui/preferences/PreferencesStyle.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

HotkeyTab::HotkeyTab(Settings& settings, HotkeyManager* hotkeyManager, QWidget* parent)
    : QWidget(parent), m_settings(settings), m_hotkeys(hotkeyManager)
{
    setObjectName(QStringLiteral("hotkeyTab"));
    QBoxLayout* box = PreferencesStyle::scrollingPage(this);
    QWidget* page = box->parentWidget();

    // 1. Trigger method.
    box->addWidget(PreferencesStyle::heading(tr("Trigger Method"), page));
    m_doubleCopy = new QCheckBox(tr("Ctrl+C, C (double copy)"), page);
    m_doubleCopy->setObjectName(QStringLiteral("doubleCopyToggle"));
    box->addWidget(m_doubleCopy);
    box->addWidget(PreferencesStyle::caption(
        tr("Press Ctrl+C twice quickly to open the Vantro panel. Requires global key detection (below)."), page));

    // 2. Custom global hotkey, or on Wayland the shortcuts the desktop binds for us.
    m_customSection = new QWidget(page);
    auto* custom = new QVBoxLayout(m_customSection);
    custom->setContentsMargins({});
    custom->addWidget(PreferencesStyle::heading(tr("Custom Global Hotkey"), m_customSection));
    custom->addWidget(PreferencesStyle::caption(tr("Set a custom keyboard shortcut as an alternative trigger. Works "
                                                   "alongside double-copy if both are enabled."),
                                                m_customSection));
    auto* shortcutLine = new QHBoxLayout;
    shortcutLine->addWidget(new QLabel(tr("Shortcut:"), m_customSection));
    m_recorder = new HotkeyRecorderView(m_customSection);
    shortcutLine->addWidget(m_recorder);
    m_clear = new QPushButton(tr("Clear"), m_customSection);
    m_clear->setObjectName(QStringLiteral("clearHotkeyButton"));
    PreferencesStyle::markBorderless(m_clear);
    shortcutLine->addWidget(m_clear);
    shortcutLine->addStretch();
    custom->addLayout(shortcutLine);
    m_recorderNote = PreferencesStyle::caption({}, m_customSection);
    m_recorderNote->setObjectName(QStringLiteral("recorderNote"));
    custom->addWidget(m_recorderNote);
    m_hotkeyError = PreferencesStyle::errorText(m_customSection);
    m_hotkeyError->setObjectName(QStringLiteral("hotkeyError"));
    custom->addWidget(m_hotkeyError);
    box->addWidget(m_customSection);

    m_desktopSection = new QWidget(page);
    m_desktopSection->setObjectName(QStringLiteral("desktopShortcuts"));
    auto* desktop = new QVBoxLayout(m_desktopSection);
    desktop->setContentsMargins({});
    desktop->addWidget(PreferencesStyle::heading(tr("Desktop Shortcuts"), m_desktopSection));
    m_desktopList = new QLabel(m_desktopSection);
    m_desktopList->setObjectName(QStringLiteral("desktopShortcutList"));
    m_desktopList->setWordWrap(true);
    m_desktopList->setTextFormat(Qt::PlainText);
    m_desktopList->setTextInteractionFlags(Qt::TextSelectableByMouse);
    desktop->addWidget(m_desktopList);
    m_changeShortcuts = new QPushButton(tr("Change\u2026"), m_desktopSection);
    m_changeShortcuts->setObjectName(QStringLiteral("changeDesktopShortcutsButton"));
    m_changeShortcuts->setToolTip(tr("Choose the keys in your desktop's shortcut settings"));
    auto* changeLine = new QHBoxLayout;
    changeLine->addWidget(m_changeShortcuts);
    changeLine->addStretch();
    desktop->addLayout(changeLine);
    box->addWidget(m_desktopSection);

    m_usePrimary = new QCheckBox(tr("Use selected text without copying"), page);
    m_usePrimary->setObjectName(QStringLiteral("usePrimarySelectionToggle"));
    box->addWidget(m_usePrimary);
    box->addWidget(PreferencesStyle::caption(
        tr("The shortcut opens the panel on the text you selected, or on the clipboard when nothing is selected. "
           "Double copy always uses what you copied."),
        page));
    m_restoreClipboard = new QCheckBox(tr("Restore the clipboard after Replace"), page);
    m_restoreClipboard->setObjectName(QStringLiteral("replaceRestoresClipboardToggle"));
    box->addWidget(m_restoreClipboard);
    box->addWidget(PreferencesStyle::caption(
        tr("Replace (Ctrl+Return) pastes the answer where the copied text came from. With this on, the clipboard "
           "then gets back what it held before."),
        page));

    // 3. Whether keys can be watched at all in this session.
    box->addWidget(PreferencesStyle::heading(tr("Key Detection"), page));
    box->addWidget(PreferencesStyle::caption(
        tr("Vantro needs global key detection to notice shortcuts while other programs are in front."), page));
    m_detectionState = new QLabel(page);
    m_detectionState->setObjectName(QStringLiteral("detectionState"));
    m_detectionState->setWordWrap(true);
    m_detectionState->setTextInteractionFlags(Qt::TextSelectableByMouse);
    box->addWidget(m_detectionState);
    m_check = new QPushButton(tr("Check Key Detection"), page);
    m_check->setObjectName(QStringLiteral("checkDetectionButton"));
    m_check->setToolTip(tr("Try to start global key detection again"));
    auto* checkLine = new QHBoxLayout;
    checkLine->addWidget(m_check);
    checkLine->addStretch();
    box->addLayout(checkLine);

    // 4. Starting with the session, so the shortcut works from the first copy of the day.
    box->addWidget(PreferencesStyle::heading(tr("Startup"), page));
    m_autostart = new QCheckBox(tr("Start Vantro when I log in"), page);
    m_autostart->setObjectName(QStringLiteral("autostartToggle"));
    box->addWidget(m_autostart);
    m_autostartError = PreferencesStyle::errorText(page);
    m_autostartError->setObjectName(QStringLiteral("autostartError"));
    box->addWidget(m_autostartError);
    box->addStretch();

    connect(m_autostart, &QCheckBox::toggled, this, [this](bool on) {
        if (m_loading)
            return;
        QString error;
        const bool done = Autostart::setEnabled(on, QCoreApplication::applicationFilePath(), &error);
        PreferencesStyle::setErrorText(m_autostartError, done ? QString() : error);
        // Whatever happened, the switch shows what the file now says.
        m_loading = true;
        m_autostart->setChecked(Autostart::isEnabled());
        m_loading = false;
    });

    connect(m_doubleCopy, &QCheckBox::toggled, this, [this](bool on) {
        if (!m_loading)
            m_settings.setBoolean(SettingsKeys::useDoubleCopy, on);
    });
    connect(m_usePrimary, &QCheckBox::toggled, this, [this](bool on) {
        if (!m_loading)
            m_settings.setBoolean(SettingsKeys::usePrimarySelection, on);
    });
    connect(m_restoreClipboard, &QCheckBox::toggled, this, [this](bool on) {
        if (!m_loading)
            m_settings.setBoolean(SettingsKeys::replaceRestoresClipboard, on);
    });
    connect(m_changeShortcuts, &QPushButton::clicked, this, [this] {
        if (m_hotkeys)
            m_hotkeys->changeDesktopShortcuts();
    });
    connect(m_recorder, &HotkeyRecorderView::recorded, this, &HotkeyTab::record);
    connect(m_recorder, &HotkeyRecorderView::rejected, m_recorderNote, &QLabel::setText);
    connect(m_recorder, &HotkeyRecorderView::recordingChanged, this, [this](bool recording) {
        m_recorderNote->setText(recording ? tr("Hold Ctrl, Shift, Alt or Super and press a key. Click the button "
                                               "again to stop.")
                                          : QString());
    });
    connect(m_clear, &QPushButton::clicked, this, &HotkeyTab::clearShortcut);
    connect(m_check, &QPushButton::clicked, this, &HotkeyTab::checkDetection);
    if (m_hotkeys) {
        connect(m_hotkeys, &HotkeyManager::detectionAvailabilityChanged, this, &HotkeyTab::showDetectionState);
        connect(m_hotkeys, &HotkeyManager::customHotkeyRefused, this, &HotkeyTab::refreshShortcut);
        connect(m_hotkeys, &HotkeyManager::desktopShortcutsChanged, this, &HotkeyTab::showDesktopShortcuts);
    }
    connect(&m_settings, &Settings::changed, this, [this](const QString& key) {
        if (key == settingName(SettingsKeys::customHotkeyKeycode) ||
            key == settingName(SettingsKeys::customHotkeyModifiers) ||
            key == settingName(SettingsKeys::useDoubleCopy) || key == settingName(SettingsKeys::usePrimarySelection) ||
            key == settingName(SettingsKeys::replaceRestoresClipboard))
            load();
    });
    load();
}

void HotkeyTab::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    load();
}

void HotkeyTab::load()
{
    m_loading = true;
    m_doubleCopy->setChecked(m_settings.boolean(SettingsKeys::useDoubleCopy));
    m_usePrimary->setChecked(m_settings.boolean(SettingsKeys::usePrimarySelection));
    m_restoreClipboard->setChecked(m_settings.boolean(SettingsKeys::replaceRestoresClipboard));
    m_autostart->setChecked(Autostart::isEnabled());
    m_loading = false;
    refreshShortcut();
    showDetectionState();
    showDesktopShortcuts();
}

QString HotkeyTab::hotkeyDisplay() const
{
    return HotkeyKeys::display(m_settings.hotkeyValue(SettingsKeys::customHotkeyKeycode),
                               m_settings.hotkeyValue(SettingsKeys::customHotkeyModifiers));
}

bool HotkeyTab::isRecording() const
{
    return m_recorder->isRecording();
}

void HotkeyTab::record(quint32 keyCode, quint32 modifiers)
{
    m_settings.setInteger(SettingsKeys::customHotkeyKeycode, keyCode & 0xFFFF);
    m_settings.setInteger(SettingsKeys::customHotkeyModifiers, modifiers);
    refreshShortcut();
}

void HotkeyTab::clearShortcut()
{
    m_settings.setInteger(SettingsKeys::customHotkeyKeycode, 0);
    m_settings.setInteger(SettingsKeys::customHotkeyModifiers, 0);
    m_recorder->setRecording(false);
    refreshShortcut();
}

void HotkeyTab::refreshShortcut()
{
    m_recorder->setDisplayText(hotkeyDisplay());
    const bool set = m_settings.hotkeyValue(SettingsKeys::customHotkeyKeycode) != 0;
    m_clear->setVisible(set);
    // What the session refused must not look like a working shortcut.
    const bool refused = set && m_hotkeys && !m_hotkeys->isCustomHotkeyRegistered();
    PreferencesStyle::setErrorText(m_hotkeyError, refused ? tr("Vantro could not take this shortcut: another "
                                                               "program may already use it, or the desktop does "
                                                               "not allow it. Choose another one.")
                                                          : QString());
}

void HotkeyTab::checkDetection()
{
    // The same re-arming the application does when it becomes active: a monitor that was refused (Ctrl+C taken by
    // another program) tries again.
    if (m_hotkeys)
        m_hotkeys->configure(m_hotkeys->lastUseDoubleCopy(), m_hotkeys->lastKeyCode(), m_hotkeys->lastModifiers());
    showDetectionState();
}

void HotkeyTab::showDetectionState()
{
    if (!m_hotkeys) {
        m_detectionState->setText(tr("Global key detection is not running in this process."));
        return;
    }
    if (m_hotkeys->isDetectionAvailable()) {
        m_detectionState->setText(tr("Global key detection is working."));
        return;
    }
    const QString reason = m_hotkeys->detectionUnavailableReason();
    m_detectionState->setText(reason.isEmpty() ? tr("Global key detection is not available.") : reason);
}

void HotkeyTab::showDesktopShortcuts()
{
    const bool desktop = m_hotkeys && m_hotkeys->usesDesktopShortcuts();
    m_desktopSection->setVisible(desktop);
    m_customSection->setVisible(!desktop);
    if (!desktop)
        return;
    QStringList lines;
    const QString problem = m_hotkeys->desktopShortcutsProblem();
    const QList<GlobalHotkey::DesktopShortcut> shortcuts = m_hotkeys->desktopShortcuts();
    if (!problem.isEmpty()) {
        lines << problem
              << tr("Bind \u201cvantro --trigger\u201d and \u201cvantro --screenshot\u201d to shortcuts in your "
                    "desktop's keyboard settings instead.");
    } else if (shortcuts.isEmpty()) {
        lines << tr("Asking the desktop for Vantro's shortcuts\u2026");
    } else {
        lines << tr("Your desktop delivers these shortcuts to Vantro:");
        for (const GlobalHotkey::DesktopShortcut& shortcut : shortcuts)
            lines << tr("%1: %2").arg(shortcut.description,
                                      shortcut.trigger.isEmpty() ? tr("no keys set") : shortcut.trigger);
    }
    m_desktopList->setText(lines.join(u'\n'));
    m_changeShortcuts->setVisible(m_hotkeys->canChangeDesktopShortcuts());
}
