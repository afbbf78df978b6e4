// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/WindowPaster.h"

// Sessions that cannot send keys to other windows (Wayland, key detection off): nothing is remembered and nothing
// is typed.
class WindowPasterNull : public WindowPaster
{
    Q_OBJECT

public:
    explicit WindowPasterNull(QString reason, QObject* parent = nullptr)
        : WindowPaster(parent), m_reason(std::move(reason))
    {}

    Target focusedWindow() const override { return {}; }
    void paste(const Target&, Keystroke, std::function<void(Outcome)> done) override { done(Outcome::Unavailable); }
    bool isAvailable() const override { return false; }
    QString unavailableReason() const override { return m_reason; }

private:
    QString m_reason;
};
