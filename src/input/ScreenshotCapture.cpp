// SPDX-License-Identifier: GPL-3.0-or-later
#include "input/ScreenshotCapture.h"

#include "model/Settings.h"
#include "platform/Backends.h"

ScreenshotCapture::ScreenshotCapture(const Settings* settings, QObject* parent) : QObject(parent), m_settings(settings)
{}

// Captures still running are children: they end now, each completing with no image.
ScreenshotCapture::~ScreenshotCapture() = default;

ScreenGrabber* ScreenshotCapture::createGrabber(QObject* parent) const
{
    return Backends::createScreenGrabber(m_settings ? m_settings->string(SettingsKeys::screenshotCommand) : QString(),
                                         parent);
}

void ScreenshotCapture::captureScreenshot(Completion completion)
{
    createGrabber(this)->grab(std::move(completion));
}

void ScreenshotCapture::cancel()
{
    for (ScreenGrabber* grabber : findChildren<ScreenGrabber*>(Qt::FindDirectChildrenOnly))
        grabber->cancel();
}
