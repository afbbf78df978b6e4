// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Log.h"

#include <cstdio>

void logLine(QStringView component, const QString& message)
{
    // One diagnostic, one line: text from outside (a server's error body) must not start lines of its own.
    QString flat = message;
    for (QChar& c : flat) {
        if (c == u'\n' || c == u'\r' || c == QChar(0x2028) || c == QChar(0x2029) || c == QChar(0x85))
            c = u' ';
    }
    const QByteArray line = (component.toString() + u": " + flat + u'\n').toUtf8();
    std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
    std::fflush(stdout);
}
