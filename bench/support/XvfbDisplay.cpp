// SPDX-License-Identifier: GPL-3.0-or-later
#include "XvfbDisplay.h"

#include <csignal>
#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

XvfbDisplay::XvfbDisplay(const char* screen)
{
    if (std::getenv("DISPLAY")) {
        m_available = true;
        return;
    }
    int fds[2];
    if (pipe(fds) != 0)
        return;
    m_xvfb = fork();
    if (m_xvfb == 0) {
        close(fds[0]);
        const std::string fd = std::to_string(fds[1]);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen, "-nolisten", "tcp",
               static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    // Xvfb writes the display number it took, then a line feed, once it accepts connections.
    char buffer[16] = {};
    const ssize_t n = read(fds[0], buffer, sizeof buffer - 1);
    close(fds[0]);
    if (n <= 0)
        return;
    const std::string display = ":" + std::string(buffer, size_t(n - (buffer[n - 1] == '\n')));
    setenv("DISPLAY", display.c_str(), 1);
    m_available = true;
}

XvfbDisplay::~XvfbDisplay()
{
    if (m_xvfb > 0) {
        kill(m_xvfb, SIGTERM);
        waitpid(m_xvfb, nullptr, 0);
    }
}
