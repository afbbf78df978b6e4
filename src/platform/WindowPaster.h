// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>

// Pasting into another application's window: remembers the window that has the keyboard focus, and later gives it
// the focus back and sends it the paste keystroke. It never types into any other window.
class WindowPaster : public QObject
{
    Q_OBJECT

public:
    struct Target
    {
        quint64 window = 0;
        QStringList classes; // the window's class names (on X11 WM_CLASS: instance and class)

        bool isValid() const { return window != 0; }
    };

    enum class Keystroke
    {
        Paste,        // Ctrl+V
        TerminalPaste // Ctrl+Shift+V: Ctrl+V means something else in a terminal
    };

    enum class Outcome
    {
        Pasted,
        Gone,       // the window no longer exists
        NotFocused, // the window did not get the focus in time, or another client holds the keyboard
        Unavailable // this session has no way to send keys
    };

    // How long paste() waits for the window to have the focus.
    static constexpr std::chrono::milliseconds focusTimeout{500};

    using QObject::QObject;

    // The top-level window of another application that has the focus now; invalid when there is none or it is ours.
    virtual Target focusedWindow() const = 0;
    // Focuses `target`, waits until the window manager reports it focused (at most focusTimeout), and sends it
    // `keystroke`. `done` is called once, on this object's thread, with what happened.
    virtual void paste(const Target& target, Keystroke keystroke, std::function<void(Outcome)> done) = 0;

    virtual bool isAvailable() const = 0;
    // Why this session cannot paste into other windows, as a sentence; empty when it can.
    virtual QString unavailableReason() const = 0;
};
