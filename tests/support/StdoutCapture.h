// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QTemporaryFile>

// Captures what the process writes to standard output (our diagnostics) while it lives.
class StdoutCapture
{
public:
    StdoutCapture();
    ~StdoutCapture();
    StdoutCapture(const StdoutCapture&) = delete;
    StdoutCapture& operator=(const StdoutCapture&) = delete;

    // Everything written so far.
    QString text();

private:
    QTemporaryFile m_file;
    int m_savedFd = -1;
};
