// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

// Tells when the session comes back from suspend (logind's PrepareForSleep(false) on the system bus). Where there is
// no system bus or no logind, it simply never fires.
class SleepWatcher : public QObject
{
    Q_OBJECT

public:
    explicit SleepWatcher(QObject* parent = nullptr);

    bool isWatching() const { return m_watching; }

Q_SIGNALS:
    void resumed();

private Q_SLOTS:
    void onPrepareForSleep(bool goingToSleep);

private:
    bool m_watching = false;
};
