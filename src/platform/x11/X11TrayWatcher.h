// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/TrayWatcher.h"

#include <QAbstractNativeEventFilter>

// The XEmbed system tray: a tray that starts takes the _NET_SYSTEM_TRAY_S<screen> selection and announces it with
// a MANAGER client message on the root window, which we hear on Qt's own connection.
class X11TrayWatcher : public TrayWatcher, public QAbstractNativeEventFilter
{
    Q_OBJECT

public:
    explicit X11TrayWatcher(QObject* parent = nullptr);
    ~X11TrayWatcher() override;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    quint32 m_manager = 0;   // the MANAGER atom
    quint32 m_selection = 0; // _NET_SYSTEM_TRAY_S<screen>
};
