// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class Settings;

// The interactive screenshot of a triple copy. Which tool runs is decided per capture:
//   1. an external command, from VANTRO_SCREENSHOT_COMMAND or else the setting screenshot_command;
//   2. on Wayland, the desktop portal's interactive screenshot;
//   3. on X11, our own region selector;
//   4. anywhere else, none (the capture ends with no image).
// Several captures may run at once; each ends on its own.
class ScreenshotCapture : public QObject
{
    Q_OBJECT

public:
    // `error` is for the user when the capture failed in a way worth telling; empty for a cancel or a plain failure.
    using Completion = std::function<void(std::optional<QImage> image, QString error)>;

    enum class Backend
    {
        Command,
        Portal,
        RegionSelector,
        None
    };

    // `settings` is optional and must outlive this object.
    explicit ScreenshotCapture(const Settings* settings = nullptr, QObject* parent = nullptr);
    ~ScreenshotCapture() override;

    // Returns at once. `completion` runs exactly once, later, on the GUI thread, with the picture or with none
    // (cancelled, failed, or this object destroyed first).
    void captureScreenshot(Completion completion);
    // Abandons every capture still running: each completes now, with no image and no error.
    void cancel();

    // What the next capture would use, and the command for Backend::Command.
    Backend backend(QString* command = nullptr) const;

private:
    const Settings* m_settings = nullptr;
};
