// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

// One interactive screenshot: the user picks a region of the screen and gets its pixels. A grabber takes one
// picture and deletes itself once its completion has run; Backends::createScreenGrabber() picks the kind.
class ScreenGrabber : public QObject
{
    Q_OBJECT

public:
    // `error` is a sentence for the user when the capture failed in a way worth telling; empty for a cancel or a
    // plain failure.
    using Completion = std::function<void(std::optional<QImage> image, QString error)>;

    using QObject::QObject;

    // Starts at once and only once. `completion` runs exactly once, later, on the GUI thread, with the picture or
    // with none (cancelled, failed, or the grabber destroyed first).
    virtual void grab(Completion completion) = 0;
    // Abandons the capture: the completion runs now, with no image and no error.
    virtual void cancel() = 0;
};
