// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPushButton>

// The shortcut button of the Hotkey tab. Clicking it starts recording ("Press keys…") and takes the keyboard focus;
// the next key pressed with Ctrl, Shift, Alt or Super ends the recording and is reported by recorded(). A plain key
// is ignored; clicking again stops without recording.
class HotkeyRecorderView : public QPushButton
{
    Q_OBJECT

public:
    explicit HotkeyRecorderView(QWidget* parent = nullptr);

    bool isRecording() const { return m_recording; }
    void setRecording(bool recording);

    // What the button shows while not recording.
    void setDisplayText(const QString& text);

Q_SIGNALS:
    // The key's position as a macOS virtual key code (low 16 bits) and the Carbon modifier mask.
    void recorded(quint32 keyCode, quint32 modifiers);
    void recordingChanged(bool recording);
    // A press that cannot become a shortcut (the A position means "none", unknown keys), with a reason.
    void rejected(const QString& reason);

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void updateText();

    bool m_recording = false;
    QString m_displayText;
};
