// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QKeyEvent>
#include <QList>
#include <QRasterWindow>
#include <QString>

// A stand-in application window: it records every key press it receives and, like a text field with a selection,
// copies its text to the clipboard on each Ctrl+C.
class KeyRecorderWindow : public QRasterWindow
{
    Q_OBJECT

public:
    struct Press
    {
        int key = 0;
        Qt::KeyboardModifiers modifiers;
        bool autoRepeat = false;
    };

    explicit KeyRecorderWindow(QString selection = QStringLiteral("selected text"));

    const QList<Press>& presses() const { return m_presses; }
    int copies() const { return m_copies; }
    // Presses of `key` whose modifiers, ignoring the keypad flag, are exactly `modifiers`.
    int count(int key, Qt::KeyboardModifiers modifiers) const;
    int autoRepeats() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent*) override {}

private:
    QString m_selection;
    QList<Press> m_presses;
    int m_copies = 0;
};
