// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/KeyRecorderWindow.h"

#include <QClipboard>
#include <QGuiApplication>

#include <algorithm>

KeyRecorderWindow::KeyRecorderWindow(QString selection) : m_selection(std::move(selection))
{
    resize(320, 120);
}

int KeyRecorderWindow::count(int key, Qt::KeyboardModifiers modifiers) const
{
    return int(std::count_if(m_presses.cbegin(), m_presses.cend(), [&](const Press& press) {
        return press.key == key && (press.modifiers & ~Qt::KeypadModifier) == modifiers;
    }));
}

int KeyRecorderWindow::autoRepeats() const
{
    return int(
        std::count_if(m_presses.cbegin(), m_presses.cend(), [](const Press& press) { return press.autoRepeat; }));
}

void KeyRecorderWindow::keyPressEvent(QKeyEvent* event)
{
    m_presses.append({event->key(), event->modifiers(), event->isAutoRepeat()});
    if (event->key() == Qt::Key_C && (event->modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier) {
        ++m_copies;
        QGuiApplication::clipboard()->setText(m_selection);
    }
}
