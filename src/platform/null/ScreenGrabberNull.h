// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/ScreenGrabber.h"

// Sessions where no screenshot can be taken: the capture ends with no picture.
class ScreenGrabberNull : public ScreenGrabber
{
    Q_OBJECT

public:
    using ScreenGrabber::ScreenGrabber;
    ~ScreenGrabberNull() override;

    void grab(Completion completion) override;
    void cancel() override;

private:
    Completion m_completion;
};
