// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/XdoTool.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QtTest>

namespace XdoTool {

bool run(const QStringList& arguments, int timeoutMs)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(QStringLiteral("xdotool"), arguments);
    QElapsedTimer elapsed;
    elapsed.start();
    while (process.state() != QProcess::NotRunning && elapsed.elapsed() < timeoutMs)
        QTest::qWait(5);
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished();
        return false;
    }
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

bool run(const QString& arguments, int timeoutMs)
{
    return run(arguments.split(u' ', Qt::SkipEmptyParts), timeoutMs);
}

bool focus(QWindow& window)
{
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return false;
    if (!run(QStringList{QStringLiteral("windowfocus"), QStringLiteral("--sync"), QString::number(window.winId())}))
        return false;
    return QTest::qWaitForWindowActive(&window);
}

QString clipboardText()
{
    QProcess process;
    process.start(QStringLiteral("xclip"),
                  {QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-o")});
    QElapsedTimer elapsed;
    elapsed.start();
    while (process.state() != QProcess::NotRunning && elapsed.elapsed() < 5000)
        QTest::qWait(5);
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace XdoTool
