// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <chrono>

// Key presses as a global key monitor reports them, free of window-system types.
namespace KeyTap {

enum class Verdict
{
    Pass,
    Swallow
};

enum Modifier : unsigned
{
    Shift = 0x1,
    Control = 0x2,
    Alt = 0x4,
    Super = 0x8,
    CapsLock = 0x10,
};

struct KeyDown
{
    bool copyKey = false;   // the C key position
    unsigned modifiers = 0; // Modifier bits held
    bool autoRepeat = false;
};

} // namespace KeyTap

// Watches every key press of the session on a thread of its own and asks a handler, on that thread, whether to pass
// or swallow the copy key. Results meant for the GUI thread must be queued by the handler.
class KeyMonitor : public QObject
{
    Q_OBJECT

public:
    // Driven on the monitor's thread. Every call must return at once: the keyboard may be frozen until it does.
    class Handler
    {
    public:
        virtual ~Handler() = default;
        virtual KeyTap::Verdict keyDown(const KeyTap::KeyDown& key) = 0;
        // The one-shot timer started with startTimer() ran out.
        virtual void timerFired() = 0;
    };

    using QObject::QObject;

    // Starts watching and grabbing; false when global key detection is unavailable (see unavailableReason()).
    // The handler must outlive the monitor's run (until stop()).
    virtual bool start(Handler* handler) = 0;
    virtual void stop() = 0;
    virtual bool isRunning() const = 0;
    // Makes a running monitor reconnect and grab again (after a wake, the server may have dropped us).
    virtual void reenable() = 0;

    // Whether global key detection can work in this session; the reason is a sentence for the user.
    virtual bool isAvailable() const = 0;
    virtual QString unavailableReason() const = 0;

    // Window classes (WM_CLASS, compared without case) where the copy key is the interrupt and is left alone.
    virtual void setIgnoredWindowClasses(const QStringList& classes) = 0;

    // The one-shot timer the handler's decisions need, fired through Handler::timerFired() on the monitor's thread.
    // Starting it replaces a pending one. Safe from any thread.
    virtual void startTimer(std::chrono::nanoseconds delay) = 0;
    virtual void cancelTimer() = 0;

Q_SIGNALS:
    // Emitted from the monitor's thread when detection is lost (server gone) or comes back.
    void availabilityChanged(bool available);
    // start() could not arm the detection for a reason the user can act on (Ctrl+C held by another program, no
    // XInput 2.2); not emitted where the session cannot have it at all. From start()'s thread.
    void startFailed(const QString& reason);
    // The keyboard waited too long for a verdict and was freed by dropping our connection (the monitor then
    // reconnects). From a thread of the monitor's own.
    void keyboardThawed();
};
