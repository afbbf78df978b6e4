// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointer>
#include <QWidget>

class HotkeyManager;
class HotkeyRecorderView;
class QCheckBox;
class QLabel;
class QPushButton;
class Settings;

// The double-copy toggle, the custom shortcut with its recorder, and whether global key detection works in this
// session. Writes the preferences only; the controller re-arms the detection when they change.
class HotkeyTab : public QWidget
{
    Q_OBJECT

public:
    // `hotkeyManager` may be null (no detection in this process): the availability check then says so.
    HotkeyTab(Settings& settings, HotkeyManager* hotkeyManager, QWidget* parent = nullptr);

    void load();
    QString hotkeyDisplay() const;
    bool isRecording() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void record(quint32 keyCode, quint32 modifiers);
    void clearShortcut();
    void refreshShortcut();
    void checkDetection();
    void showDetectionState();
    void showDesktopShortcuts();

    Settings& m_settings;
    QPointer<HotkeyManager> m_hotkeys;
    bool m_loading = false;

    QCheckBox* m_doubleCopy = nullptr;
    QWidget* m_customSection = nullptr;
    QWidget* m_desktopSection = nullptr;
    QLabel* m_desktopList = nullptr;
    QPushButton* m_changeShortcuts = nullptr;
    QCheckBox* m_usePrimary = nullptr;
    QCheckBox* m_restoreClipboard = nullptr;
    HotkeyRecorderView* m_recorder = nullptr;
    QPushButton* m_clear = nullptr;
    QLabel* m_recorderNote = nullptr;
    QLabel* m_hotkeyError = nullptr;
    QLabel* m_detectionState = nullptr;
    QPushButton* m_check = nullptr;
    QCheckBox* m_autostart = nullptr;
    QLabel* m_autostartError = nullptr;
};
