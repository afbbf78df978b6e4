// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/null/ScreenGrabberNull.h"

#include <QTimer>

ScreenGrabberNull::~ScreenGrabberNull()
{
    cancel();
}

void ScreenGrabberNull::grab(Completion completion)
{
    m_completion = std::move(completion);
    QTimer::singleShot(0, this, &ScreenGrabberNull::cancel);
}

void ScreenGrabberNull::cancel()
{
    if (!m_completion)
        return;
    const Completion completion = std::exchange(m_completion, nullptr);
    deleteLater();
    completion(std::nullopt, QString());
}
