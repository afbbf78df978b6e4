// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/HostileContent.h"

#include <QDesktopServices>
#include <QFile>

#include <chrono>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

FifoTrap::FifoTrap() : m_path(m_dir.filePath(QStringLiteral("trap.png")))
{
    if (mkfifo(QFile::encodeName(m_path).constData(), 0600) != 0)
        qFatal("FifoTrap: cannot make a FIFO");
    m_watcher = std::thread([this] {
        const QByteArray path = QFile::encodeName(m_path);
        while (!m_stop.load()) {
            // Succeeds only while a reader has the FIFO open (or waits in open()).
            const int fd = ::open(path.constData(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) {
                m_opened.store(true);
                ::close(fd);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    });
}

FifoTrap::~FifoTrap()
{
    m_stop.store(true);
    m_watcher.join();
}

OpenedUrls::OpenedUrls()
    : m_schemes{QStringLiteral("http"),    QStringLiteral("https"),      QStringLiteral("mailto"),
                QStringLiteral("file"),    QStringLiteral("javascript"), QStringLiteral("data"),
                QStringLiteral("ftp"),     QStringLiteral("smb"),        QStringLiteral("vbscript"),
                QStringLiteral("x-scheme")}
{
    for (const QString& scheme : std::as_const(m_schemes))
        QDesktopServices::setUrlHandler(scheme, this, "open");
}

OpenedUrls::~OpenedUrls()
{
    for (const QString& scheme : std::as_const(m_schemes))
        QDesktopServices::unsetUrlHandler(scheme);
}
