// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/command/ScreenshotCommand.h"

#include "platform/Log.h"

#include <QFile>
#include <QTimer>

namespace {

constexpr auto component = u"ScreenshotCapture";
// A region screenshot of even a large screen is far below this; more is not a picture.
constexpr qint64 maximumOutput = 256 * 1024 * 1024;

} // namespace

ScreenshotCommand* ScreenshotCommand::start(const QString& command, Completion completion, QObject* parent)
{
    auto* runner = new ScreenshotCommand(command, parent);
    runner->grab(std::move(completion));
    return runner;
}

ScreenshotCommand::ScreenshotCommand(QString command, QObject* parent)
    : ScreenGrabber(parent), m_command(std::move(command))
{}

ScreenshotCommand::~ScreenshotCommand()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.disconnect(this);
        m_process.kill();
        m_process.waitForFinished(1000);
    }
    if (m_completion)
        std::exchange(m_completion, nullptr)(std::nullopt, QString());
}

void ScreenshotCommand::grab(Completion completion)
{
    m_completion = std::move(completion);
    // Split like a shell would, but run without one: the setting is a command line, not a script.
    QStringList arguments = QProcess::splitCommand(m_command);
    if (arguments.isEmpty()) {
        logLine(component, QStringLiteral("The screenshot command is empty"));
        QTimer::singleShot(0, this, [this] { finish(std::nullopt); });
        return;
    }
    if (m_command.contains(u"{file}")) {
        m_folder = std::make_unique<QTemporaryDir>();
        m_file = m_folder->filePath(QStringLiteral("screenshot.png"));
        for (QString& argument : arguments)
            argument.replace(QStringLiteral("{file}"), m_file);
    }
    const QString program = arguments.takeFirst();
    connect(&m_process, &QProcess::readyReadStandardOutput, this, [this] {
        m_output += m_process.readAllStandardOutput();
        if (m_output.size() > maximumOutput) {
            logLine(component, QStringLiteral("The screenshot command wrote too much; stopped it"));
            m_process.kill();
        }
    });
    connect(&m_process, &QProcess::finished, this, &ScreenshotCommand::finished);
    connect(&m_process, &QProcess::errorOccurred, this, [this, program](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) {
            logLine(component, QStringLiteral("Could not start the screenshot command \"%1\"").arg(program));
            finish(std::nullopt);
        }
    });
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.setStandardInputFile(QProcess::nullDevice());
    m_process.start(program, arguments);
}

void ScreenshotCommand::finished(int exitCode, QProcess::ExitStatus status)
{
    m_output += m_process.readAllStandardOutput();
    if (status != QProcess::NormalExit || exitCode != 0 || m_output.size() > maximumOutput) {
        finish(std::nullopt);
        return;
    }
    QByteArray bytes = m_output;
    if (!m_file.isEmpty()) {
        QFile file(m_file);
        bytes = file.open(QIODevice::ReadOnly) && file.size() <= maximumOutput ? file.readAll() : QByteArray();
    }
    // Exit 0 without a picture is how several tools report a cancelled selection.
    QImage image;
    if (bytes.isEmpty() || !image.loadFromData(bytes)) {
        finish(std::nullopt);
        return;
    }
    finish(std::move(image));
}

void ScreenshotCommand::finish(std::optional<QImage> image)
{
    if (!m_completion)
        return;
    const Completion completion = std::exchange(m_completion, nullptr);
    deleteLater();
    completion(std::move(image), QString());
}
