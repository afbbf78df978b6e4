// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/KeyRecorderWindow.h"

#include <QClipboard>
#include <QGuiApplication>

KeyRecorderWindow::KeyRecorderWindow(QString selection) : m_selection(std::move(selection))
{
    resize(320, 120);
}

int KeyRecorderWindow::count(int key, Qt::KeyboardModifiers modifiers) const
{
    int n = 0;
    for (const Press& press : m_presses)
        n += press.key == key && (press.modifiers & ~Qt::KeypadModifier) == modifiers;
    return n;
}

int KeyRecorderWindow::autoRepeats() const
{
    int n = 0;
    for (const Press& press : m_presses)
        n += press.autoRepeat;
    return n;
}

void KeyRecorderWindow::clear()
{
    m_presses.clear();
    m_copies = 0;
}

void KeyRecorderWindow::keyPressEvent(QKeyEvent* event)
{
    m_presses.append({event->key(), event->modifiers(), event->isAutoRepeat()});
    if (event->key() == Qt::Key_C && (event->modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier) {
        ++m_copies;
        QGuiApplication::clipboard()->setText(m_selection);
    }
}
