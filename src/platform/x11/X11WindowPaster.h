// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/WindowPaster.h"

#include <memory>

class QTimer;

// On X11: the focused window found from the input focus up to its top-level client, the focus given back through
// the window manager (_NET_ACTIVE_WINDOW, or XSetInputFocus where there is none), and Ctrl+V sent with XTest on a
// connection of its own. The last check and the keys happen under a server grab, so the focus cannot move between
// them.
class X11WindowPaster : public WindowPaster
{
    Q_OBJECT

public:
    explicit X11WindowPaster(QObject* parent = nullptr);
    ~X11WindowPaster() override;

    Target focusedWindow() const override;
    void paste(const Target& target, Keystroke keystroke, std::function<void(Outcome)> done) override;
    bool isAvailable() const override;
    QString unavailableReason() const override;

private:
    void poll();
    void finish(Outcome outcome);

    struct Private;
    std::unique_ptr<Private> d;
};
