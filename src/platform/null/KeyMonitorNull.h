// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/KeyMonitor.h"

// The monitor of sessions without global key detection: it never starts and says why.
class KeyMonitorNull : public KeyMonitor
{
    Q_OBJECT

public:
    explicit KeyMonitorNull(QString reason, QObject* parent = nullptr);

    bool start(Handler* handler) override;
    void stop() override {}
    bool isRunning() const override { return false; }
    void reenable() override {}
    bool isAvailable() const override { return false; }
    QString unavailableReason() const override { return m_reason; }
    void setIgnoredWindowClasses(const QStringList&) override {}
    void startTimer(std::chrono::nanoseconds) override {}
    void cancelTimer() override {}

private:
    QString m_reason;
};
