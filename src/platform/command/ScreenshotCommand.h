// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/ScreenGrabber.h"

#include <QProcess>
#include <QTemporaryDir>

#include <memory>

// Runs an external region-screenshot tool (the setting screenshot_command, e.g. "maim -s -f png"). The picture
// comes as PNG on standard output, or in the file the command names with {file}. Several tools exit 0 when the user
// cancels, so a run counts only when it exits 0 and leaves a picture that decodes.
class ScreenshotCommand : public ScreenGrabber
{
    Q_OBJECT

public:
    explicit ScreenshotCommand(QString command, QObject* parent = nullptr);
    ~ScreenshotCommand() override;

    // A new runner, already grabbing.
    static ScreenshotCommand* start(const QString& command, Completion completion, QObject* parent = nullptr);

    void grab(Completion completion) override;
    void cancel() override { finish(std::nullopt); }

private:
    void finished(int exitCode, QProcess::ExitStatus status);
    void finish(std::optional<QImage> image);

    QString m_command;
    Completion m_completion;
    QProcess m_process;
    QByteArray m_output;
    std::unique_ptr<QTemporaryDir> m_folder;
    QString m_file;
};
