// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointer>

// Shows the one window of type W, made on first use; while it is open, asking again brings it forward. W deletes
// itself on close, so the next ask makes a fresh one.
template <class W> void showSingleWindow()
{
    static QPointer<W> window;
    if (!window)
        window = new W;
    window->show();
    window->raise();
    window->activateWindow();
}
