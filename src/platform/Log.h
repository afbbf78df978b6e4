// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Diagnostics are single lines on standard output, prefixed by the component ("ChatStore: ...").
// Never pass an API key or an owner key through here.
void logLine(QStringView component, const QString& message);
