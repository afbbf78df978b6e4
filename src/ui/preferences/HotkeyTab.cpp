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

    // 2. Custom global hotkey.
    box->addWidget(PreferencesStyle::heading(tr("Custom Global Hotkey"), page));
    box->addWidget(PreferencesStyle::caption(tr("Set a custom keyboard shortcut as an alternative trigger. Works "
                                                "alongside double-copy if both are enabled."),
                                             page));
    auto* shortcutLine = new QHBoxLayout;
    shortcutLine->addWidget(new QLabel(tr("Shortcut:"), page));
    m_recorder = new HotkeyRecorderView(page);
    shortcutLine->addWidget(m_recorder);
    m_clear = new QPushButton(tr("Clear"), page);
    m_clear->setObjectName(QStringLiteral("clearHotkeyButton"));
    PreferencesStyle::markBorderless(m_clear);
    shortcutLine->addWidget(m_clear);
    shortcutLine->addStretch();
    box->addLayout(shortcutLine);
    m_recorderNote = PreferencesStyle::caption({}, page);
    m_recorderNote->setObjectName(QStringLiteral("recorderNote"));
    box->addWidget(m_recorderNote);
    m_hotkeyError = PreferencesStyle::errorText(page);
    m_hotkeyError->setObjectName(QStringLiteral("hotkeyError"));
    box->addWidget(m_hotkeyError);

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
    }
    connect(&m_settings, &Settings::changed, this, [this](const QString& key) {
        if (key == settingName(SettingsKeys::customHotkeyKeycode) ||
            key == settingName(SettingsKeys::customHotkeyModifiers) || key == settingName(SettingsKeys::useDoubleCopy))
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
    m_autostart->setChecked(Autostart::isEnabled());
    m_loading = false;
    refreshShortcut();
    showDetectionState();
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
