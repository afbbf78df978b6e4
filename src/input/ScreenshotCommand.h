// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QObject>
#include <QProcess>
#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <optional>

// Runs an external region-screenshot tool (the setting screenshot_command, e.g. "maim -s -f png"). The picture
// comes as PNG on standard output, or in the file the command names with {file}. Several tools exit 0 when the user
// cancels, so a run counts only when it exits 0 and leaves a picture that decodes.
class ScreenshotCommand : public QObject
{
    Q_OBJECT

public:
    using Completion = std::function<void(std::optional<QImage>)>;

    // Starts at once; `completion` runs exactly once, later, on the GUI thread. The runner deletes itself after.
    static ScreenshotCommand* start(const QString& command, Completion completion, QObject* parent = nullptr);
    ~ScreenshotCommand() override;

private:
    ScreenshotCommand(Completion completion, QObject* parent);
    void launch(const QString& command);
    void finished(int exitCode, QProcess::ExitStatus status);
    void finish(std::optional<QImage> image);

    Completion m_completion;
    QProcess m_process;
    QByteArray m_output;
    std::unique_ptr<QTemporaryDir> m_folder;
    QString m_file;
};
