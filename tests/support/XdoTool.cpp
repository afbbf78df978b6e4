// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/XdoTool.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QtTest>

#include <optional>

namespace {

// Runs a program while the Qt event loop keeps serving this process's windows and clipboard; its standard output,
// or nothing when it failed or did not end in time.
std::optional<QByteArray> runProgram(const QString& program, const QStringList& arguments, int timeoutMs,
                                     QProcess::ProcessChannelMode channels = QProcess::SeparateChannels)
{
    QProcess process;
    process.setProcessChannelMode(channels);
    process.start(program, arguments);
    QElapsedTimer elapsed;
    elapsed.start();
    while (process.state() != QProcess::NotRunning && elapsed.elapsed() < timeoutMs)
        QTest::qWait(5);
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished();
        return std::nullopt;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return std::nullopt;
    return process.readAllStandardOutput();
}

} // namespace

namespace XdoTool {

bool run(const QString& arguments, int timeoutMs)
{
    return runProgram(QStringLiteral("xdotool"), arguments.split(u' ', Qt::SkipEmptyParts), timeoutMs,
                      QProcess::ForwardedErrorChannel)
        .has_value();
}

QString output(const QStringList& arguments)
{
    return QString::fromUtf8(runProgram(QStringLiteral("xdotool"), arguments, 10000).value_or(QByteArray()));
}

bool focus(QWindow& window)
{
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return false;
    return run(QStringLiteral("windowfocus --sync ") + QString::number(window.winId())) &&
           QTest::qWaitForWindowActive(&window);
}

QString clipboardText()
{
    const QStringList arguments{QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-o")};
    return QString::fromUtf8(runProgram(QStringLiteral("xclip"), arguments, 5000).value_or(QByteArray()));
}

} // namespace XdoTool
