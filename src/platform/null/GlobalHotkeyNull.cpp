// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/null/GlobalHotkeyNull.h"

#include "platform/Log.h"

GlobalHotkeyNull::GlobalHotkeyNull(QString reason, QObject* parent) : GlobalHotkey(parent), m_reason(std::move(reason))
{}

bool GlobalHotkeyNull::registerHotkey(quint32 keyCode, quint32 modifiers)
{
    logLine(u"HotkeyManager", QStringLiteral("Cannot register the hotkey (key %1, modifiers 0x%2): %3")
                                  .arg(keyCode)
                                  .arg(modifiers, 0, 16)
                                  .arg(m_reason));
    return false;
}
