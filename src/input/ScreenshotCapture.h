// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/ScreenGrabber.h"

class Settings;

// The interactive screenshot of a triple copy, taken by the grabber the platform picks for this session and the
// setting screenshot_command (read per capture). Several captures may run at once; each ends on its own.
class ScreenshotCapture : public QObject
{
    Q_OBJECT

public:
    using Completion = ScreenGrabber::Completion;

    // `settings` is optional and must outlive this object.
    explicit ScreenshotCapture(const Settings* settings = nullptr, QObject* parent = nullptr);
    ~ScreenshotCapture() override;

    // Returns at once. `completion` runs exactly once, later, on the GUI thread, with the picture or with none
    // (cancelled, failed, or this object destroyed first).
    void captureScreenshot(Completion completion);
    // Abandons every capture still running: each completes now, with no image and no error.
    void cancel();

    // The grabber the next capture would use, not yet started; the caller owns it.
    ScreenGrabber* createGrabber(QObject* parent = nullptr) const;

private:
    const Settings* m_settings = nullptr;
};
