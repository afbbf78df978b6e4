// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/null/KeyMonitorNull.h"

KeyMonitorNull::KeyMonitorNull(QString reason, QObject* parent) : KeyMonitor(parent), m_reason(std::move(reason)) {}

bool KeyMonitorNull::start(Handler*)
{
    return false;
}
