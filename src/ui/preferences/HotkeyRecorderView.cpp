// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/preferences/HotkeyRecorderView.h"

#include "platform/GlobalHotkey.h"
#include "ui/preferences/HotkeyKeys.h"

#include <QGuiApplication>
#include <QKeyEvent>

HotkeyRecorderView::HotkeyRecorderView(QWidget* parent) : QPushButton(parent)
{
    setObjectName(QStringLiteral("hotkeyRecorder"));
    setFocusPolicy(Qt::StrongFocus);
    setMinimumWidth(150);
    connect(this, &QPushButton::clicked, this, [this] { setRecording(!m_recording); });
    updateText();
}

void HotkeyRecorderView::setRecording(bool recording)
{
    if (m_recording == recording)
        return;
    m_recording = recording;
    updateText();
    if (recording)
        setFocus(Qt::OtherFocusReason);
    Q_EMIT recordingChanged(recording);
}

void HotkeyRecorderView::setDisplayText(const QString& text)
{
    m_displayText = text;
    updateText();
}

void HotkeyRecorderView::updateText()
{
    setText(m_recording ? tr("Press keys…") : m_displayText);
}

bool HotkeyRecorderView::event(QEvent* event)
{
    // While recording, Tab and the window's shortcuts are keys to record, not focus moves or actions.
    if (m_recording && event->type() == QEvent::ShortcutOverride) {
        event->accept();
        return true;
    }
    if (m_recording && event->type() == QEvent::KeyPress) {
        keyPressEvent(static_cast<QKeyEvent*>(event));
        return true;
    }
    return QPushButton::event(event);
}

void HotkeyRecorderView::keyPressEvent(QKeyEvent* event)
{
    if (!m_recording) {
        QPushButton::keyPressEvent(event);
        return;
    }
    event->accept();
    const quint32 modifiers = HotkeyKeys::storedModifiers(event->modifiers());
    if (modifiers == 0 || HotkeyKeys::isModifierKey(event->key()) || event->isAutoRepeat())
        return;

    // Where the hardware code names the physical key whatever the layout, that is what the global grab uses.
    std::optional<quint32> code = GlobalHotkey::keyCodeOfNativeScanCode(event->nativeScanCode());
    if (!code)
        code = HotkeyKeys::macKeyCodeForQtKey(event->key());
    if (!code) {
        Q_EMIT rejected(tr("That key cannot be used for a shortcut."));
        return;
    }
    if (*code == 0) {
        // Key code 0 is stored as "no shortcut", so the A position cannot hold one.
        Q_EMIT rejected(tr("The A key cannot be used for a shortcut; choose another key."));
        return;
    }
    setRecording(false);
    Q_EMIT recorded(*code & 0xFFFF, modifiers);
}

void HotkeyRecorderView::focusOutEvent(QFocusEvent* event)
{
    QPushButton::focusOutEvent(event);
    // A grab-related focus change (our own double-copy grab) must not end the recording.
    if (event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason)
        setRecording(false);
}
