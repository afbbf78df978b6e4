// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMetaObject>
#include <QString>

#include <ctime>

// The longest stretch the GUI thread spent without going back to wait in its event loop, while recording: from the
// moment its event dispatcher wakes from a wait that could block (awake) to its next such wait (about to block).
// Under the GLib dispatcher, which Qt uses on Linux desktops, the dispatcher's own awake() and aboutToBlock() signals
// enclose a whole loop iteration, the wait and the work together, so the meter watches the one place where that
// loop really blocks instead: GLib's poll call on the main context. Any other dispatcher is read through its signals.
// Under GLib the meter also knows every pass of the loop, so it reports the longest single pass as well (from one poll
// to the next, waiting or not): how long input could have waited for its turn even while the thread never idled.
// Create and use on the GUI thread, after the QApplication.
class StallMeter
{
public:
    StallMeter();
    ~StallMeter();
    StallMeter(const StallMeter&) = delete;
    StallMeter& operator=(const StallMeter&) = delete;

    // Recording begins with the thread running (the caller's own work counts) and ends in the same way.
    void start();
    void stop();
    double longestMs() const { return double(m_longestNs) / 1e6; }
    // The longest single pass of the loop; negative when the dispatcher does not show its passes.
    double longestPassMs() const { return m_seesPasses ? double(m_longestPassNs) / 1e6 : -1; }
    // How the waits are seen: "glib poll" or "dispatcher signals".
    QString source() const { return m_source; }

    void awake();
    void aboutToBlock();
    void pollStarting();
    void pollReturned();

private:
    static qint64 now();

    bool m_recording = false;
    qint64 m_awakeAt = -1;
    qint64 m_longestNs = 0;
    bool m_seesPasses = false;
    qint64 m_polledAt = -1;
    qint64 m_longestPassNs = 0;
    QString m_source;
    QMetaObject::Connection m_awakeConnection;
    QMetaObject::Connection m_blockConnection;
};
