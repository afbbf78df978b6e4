// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/KeyMonitor.h"

#include <functional>
#include <memory>

// The X11 key monitor: its own connection and thread, XInput2 raw presses to see every key of the session, and a
// synchronous passive grab of Ctrl+C on the root window so that each copy press can be passed (replayed to the
// focused application) or swallowed. While it decides, the whole keyboard is frozen; a watchdog thread cuts the
// connection when that lasts longer than watchdogLimit, which thaws the keyboard, and the monitor reconnects.
class KeyMonitorX11 : public KeyMonitor
{
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds watchdogLimit{200};

    explicit KeyMonitorX11(QObject* parent = nullptr);
    ~KeyMonitorX11() override;

    bool start(Handler* handler) override;
    void stop() override;
    bool isRunning() const override;
    void reenable() override;
    bool isAvailable() const override;
    QString unavailableReason() const override;
    void setIgnoredWindowClasses(const QStringList& classes) override;
    void startTimer(std::chrono::nanoseconds delay) override;
    void cancelTimer() override;

    // Called on the monitor's thread with how long each grabbed key event kept the keyboard frozen: from receiving
    // it to flushing XAllowEvents. Set it before start(); it must be quick.
    void setLatencyRecorder(std::function<void(std::chrono::nanoseconds)> recorder);

    // Connections made since start(), the first included: more than one means the watchdog or reenable() acted.
    int connectionCount() const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};
