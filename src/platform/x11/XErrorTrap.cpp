// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/XErrorTrap.h"

#include <mutex>
#include <unordered_map>

// Last: it defines min and max as macros.
#include <X11/Xlibint.h>

namespace {

struct TrapState
{
    int firstError = 0;
};

std::mutex registryMutex;
std::unordered_map<Display*, TrapState>& registry()
{
    static std::unordered_map<Display*, TrapState> states;
    return states;
}

// Called by Xlib for every error of a display with our extension hook, before any global handler.
int recordError(Display* display, xError* error, XExtCodes*, int* returnCode)
{
    *returnCode = 0;
    std::lock_guard lock(registryMutex);
    auto it = registry().find(display);
    if (it == registry().end())
        return 0;
    if (it->second.firstError == 0)
        it->second.firstError = error->errorCode;
    return 1;
}

XIOErrorHandler previousIoHandler = nullptr;

// Xlib's default handler for a broken connection ends the process, before the per-connection exit handler gets a
// say. Ours lets our connections break quietly (their exit handler then marks them) and leaves the others to the
// handler that was there before.
int onIoError(Display* display)
{
    {
        std::lock_guard lock(registryMutex);
        if (registry().count(display))
            return 0;
    }
    return previousIoHandler ? previousIoHandler(display) : 0;
}

} // namespace

XErrorTrap::XErrorTrap(Display* display) : m_display(display)
{
    static std::once_flag installed;
    std::call_once(installed, [] { previousIoHandler = XSetIOErrorHandler(onIoError); });
    {
        std::lock_guard lock(registryMutex);
        registry()[display] = {};
    }
    XExtCodes* codes = XAddExtension(display);
    XESetError(display, codes->extension, recordError);
}

XErrorTrap::~XErrorTrap()
{
    std::lock_guard lock(registryMutex);
    registry().erase(m_display);
}

void XErrorTrap::begin()
{
    std::lock_guard lock(registryMutex);
    registry()[m_display] = {};
}

int XErrorTrap::sync()
{
    XSync(m_display, False);
    return firstError();
}

int XErrorTrap::firstError() const
{
    std::lock_guard lock(registryMutex);
    return registry()[m_display].firstError;
}
