// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/StdoutCapture.h"

#include <cstdio>
#include <unistd.h>

StdoutCapture::StdoutCapture()
{
    std::fflush(stdout);
    if (m_file.open()) {
        m_savedFd = ::dup(STDOUT_FILENO);
        ::dup2(m_file.handle(), STDOUT_FILENO);
    }
}

StdoutCapture::~StdoutCapture()
{
    std::fflush(stdout);
    if (m_savedFd >= 0) {
        ::dup2(m_savedFd, STDOUT_FILENO);
        ::close(m_savedFd);
    }
}

QString StdoutCapture::text()
{
    std::fflush(stdout);
    QFile reader(m_file.fileName());
    return reader.open(QIODevice::ReadOnly) ? QString::fromUtf8(reader.readAll()) : QString();
}
