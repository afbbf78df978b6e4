// SPDX-License-Identifier: GPL-3.0-or-later
#include "StallMeter.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>

#include <dlfcn.h>
#include <pthread.h>

namespace {

// GLib's poll record and functions as glib.h declares them on Unix. Qt has already loaded GLib when it uses its
// dispatcher, so they are looked up in the process rather than linked, and the build needs no GLib headers.
struct GPollRecord
{
    int fd;
    unsigned short events;
    unsigned short revents;
};
using PollFunction = int (*)(GPollRecord*, unsigned int, int);
using DefaultContext = void* (*)();
using GetPollFunction = PollFunction (*)(void*);
using SetPollFunction = void (*)(void*, PollFunction);

StallMeter* meter = nullptr;
pthread_t guiThread{};
PollFunction originalPoll = nullptr;
void* mainContext = nullptr;
SetPollFunction setPollFunction = nullptr;

// A zero timeout only looks; any other may block. Only the GUI thread's waits count.
int watchedPoll(GPollRecord* records, unsigned int count, int timeout)
{
    const bool gui = meter && pthread_equal(pthread_self(), guiThread);
    if (gui) {
        meter->pollStarting();
        if (timeout != 0)
            meter->aboutToBlock();
    }
    const int result = originalPoll(records, count, timeout);
    if (gui) {
        if (timeout != 0)
            meter->awake();
        meter->pollReturned();
    }
    return result;
}

template <typename T> T lookUp(const char* name)
{
    return reinterpret_cast<T>(dlsym(RTLD_DEFAULT, name));
}

} // namespace

StallMeter::StallMeter()
{
    meter = this;
    guiThread = pthread_self();
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance(QCoreApplication::instance()->thread());
    const auto defaultContext = lookUp<DefaultContext>("g_main_context_default");
    const auto getPollFunction = lookUp<GetPollFunction>("g_main_context_get_poll_func");
    setPollFunction = lookUp<SetPollFunction>("g_main_context_set_poll_func");
    if (dispatcher && dispatcher->inherits("QEventDispatcherGlib") && defaultContext && getPollFunction &&
        setPollFunction) {
        mainContext = defaultContext();
        originalPoll = getPollFunction(mainContext);
        setPollFunction(mainContext, watchedPoll);
        m_source = QStringLiteral("glib poll");
        m_seesPasses = true;
        return;
    }
    m_source = QStringLiteral("dispatcher signals");
    if (dispatcher) {
        m_awakeConnection = QObject::connect(dispatcher, &QAbstractEventDispatcher::awake, [this] { awake(); });
        m_blockConnection =
            QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, [this] { aboutToBlock(); });
    }
}

StallMeter::~StallMeter()
{
    if (originalPoll)
        setPollFunction(mainContext, originalPoll);
    originalPoll = nullptr;
    QObject::disconnect(m_awakeConnection);
    QObject::disconnect(m_blockConnection);
    meter = nullptr;
}

void StallMeter::start()
{
    m_recording = true;
    m_longestNs = 0;
    m_longestPassNs = 0;
    m_awakeAt = now();
    m_polledAt = m_awakeAt;
}

void StallMeter::stop()
{
    aboutToBlock();
    pollStarting();
    m_recording = false;
}

void StallMeter::awake()
{
    if (m_recording)
        m_awakeAt = now();
}

void StallMeter::aboutToBlock()
{
    if (!m_recording || m_awakeAt < 0)
        return;
    m_longestNs = std::max(m_longestNs, now() - m_awakeAt);
    m_awakeAt = -1;
}

void StallMeter::pollStarting()
{
    if (!m_recording || m_polledAt < 0)
        return;
    m_longestPassNs = std::max(m_longestPassNs, now() - m_polledAt);
    m_polledAt = -1;
}

void StallMeter::pollReturned()
{
    if (m_recording)
        m_polledAt = now();
}

qint64 StallMeter::now()
{
    timespec time{};
    clock_gettime(CLOCK_MONOTONIC, &time);
    return qint64(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}
