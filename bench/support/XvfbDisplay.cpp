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
    // Xvfb writes the display number it took, then a line feed, once it accepts connections. The two come in
    // separate writes: closing the pipe before the line feed is read makes the second one fail, and Xvfb exit.
    std::string number;
    char c = 0;
    while (number.size() < 16 && read(fds[0], &c, 1) == 1 && c != '\n')
        number += c;
    close(fds[0]);
    if (number.empty() || c != '\n')
        return;
    const std::string display = ":" + number;
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
