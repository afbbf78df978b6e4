// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/GlobalHotkey.h"

#include <QString>

// Sessions where no client may grab a key globally (Wayland): registering fails with a log line.
class GlobalHotkeyNull : public GlobalHotkey
{
    Q_OBJECT

public:
    explicit GlobalHotkeyNull(QString reason, QObject* parent = nullptr);

    bool registerHotkey(quint32 keyCode, quint32 modifiers) override;
    void unregisterHotkey() override {}
    bool isRegistered() const override { return false; }

private:
    QString m_reason;
};
