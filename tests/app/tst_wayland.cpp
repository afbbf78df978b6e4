// SPDX-License-Identifier: GPL-3.0-or-later
// The real `vantro` in a real Wayland session: a headless sway started by the test (as an unprivileged user when the
// test runs as root, since sway refuses root). Text copied by another client reaches a trigger's run, read once the
// panel has the focus; a screenshot with no portal on the bus ends with a message.
#include "model/Project.h"
#include "model/Prompt.h"
#include "model/Settings.h"
#include "support/FakeChatServer.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QJsonArray>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <pwd.h>
#include <unistd.h>

namespace {

const QString copiedText = QStringLiteral("Copied in a Wayland session");

// Runs `program` to its end in `environment`; its standard output.
QByteArray run(const QString& program, const QStringList& arguments, const QProcessEnvironment& environment)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    if (!process.waitForFinished(15000))
        process.kill();
    return process.readAllStandardOutput();
}

} // namespace

class TestWayland : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestEnvironment> m_env;
    FakeChatServer m_server;
    QTemporaryDir m_runtime; // the compositor's, owned by its user
    QProcess m_sway;
    QProcess m_copy;
    QProcess m_vantro;
    QByteArray m_vantroOutput;
    QProcessEnvironment m_clientEnvironment;

    QString vantroOutput() const { return QString::fromUtf8(m_vantroOutput); }

private Q_SLOTS:
    void initTestCase()
    {
        m_env = std::make_unique<TestEnvironment>();
        QVERIFY(m_env->isValid() && m_runtime.isValid() && m_server.listen());
        QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("sway")).isEmpty(), "sway is needed for this test");
        QStringList command{QStringLiteral("sway"), QStringLiteral("-c"), m_runtime.filePath(QStringLiteral("config"))};
        QVERIFY(TestEnvironment::writeFile(command.last(), "output HEADLESS-1 resolution 1280x800\n"));
        if (::getuid() == 0) {
            const passwd* nobody = ::getpwnam("nobody");
            QVERIFY(nobody);
            for (const QString& path : {m_runtime.path(), command.last()})
                QCOMPARE(::chown(QFile::encodeName(path).constData(), nobody->pw_uid, nobody->pw_gid), 0);
            command = QStringList{QStringLiteral("runuser"), QStringLiteral("-u"), QStringLiteral("nobody"),
                                  QStringLiteral("--")} +
                      command;
        }
        QProcessEnvironment swayEnvironment = QProcessEnvironment::systemEnvironment();
        swayEnvironment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
        swayEnvironment.insert(QStringLiteral("WLR_BACKENDS"), QStringLiteral("headless"));
        swayEnvironment.insert(QStringLiteral("WLR_LIBINPUT_NO_DEVICES"), QStringLiteral("1"));
        swayEnvironment.insert(QStringLiteral("WLR_RENDERER"), QStringLiteral("pixman"));
        swayEnvironment.remove(QStringLiteral("DISPLAY"));
        m_sway.setProcessEnvironment(swayEnvironment);
        m_sway.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_sway.start(command.takeFirst(), command);
        QVERIFY(m_sway.waitForStarted(5000));
        const QString socket = m_runtime.filePath(QStringLiteral("wayland-1"));
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(socket).exists() || m_sway.state() == QProcess::NotRunning, 15000);
        QVERIFY2(m_sway.state() == QProcess::Running, "sway did not start");

        // Clients find the compositor by the socket's full path and keep the test's own runtime folder; no session
        // bus, so no portal answers.
        m_clientEnvironment = QProcessEnvironment::systemEnvironment();
        m_clientEnvironment.insert(QStringLiteral("WAYLAND_DISPLAY"), socket);
        m_clientEnvironment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
        m_clientEnvironment.insert(QStringLiteral("XDG_SESSION_TYPE"), QStringLiteral("wayland"));
        m_clientEnvironment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
                                   u"unix:path=" + m_runtime.filePath(QStringLiteral("no-bus")));
        m_clientEnvironment.insert(QStringLiteral("VANTRO_SECRET_BACKEND"), QStringLiteral("null"));
        m_clientEnvironment.remove(QStringLiteral("DISPLAY"));

        // The project's default prompt runs as soon as the panel has the text.
        Prompt prompt = defaultPrompts().first();
        {
            Settings settings;
            settings.setString(SettingsKeys::apiBaseUrl, m_server.baseUrl());
            settings.setString(SettingsKeys::openaiApiKey, QStringLiteral("sk-wayland"));
            settings.setBoolean(SettingsKeys::hasCompletedOnboarding, true);
            Project project{
                QUuid::createUuid(), QStringLiteral("General"), QStringLiteral("📁"), {}, {prompt}, {}, prompt.id, {}};
            settings.setBytes(SettingsKeys::userProjects, Project::encodeList({project}));
        }
        m_server.setResponse(FakeChatServer::answer({QStringLiteral("Done")}));

        m_vantro.setProcessEnvironment(m_clientEnvironment);
        m_vantro.setProcessChannelMode(QProcess::MergedChannels);
        connect(&m_vantro, &QProcess::readyRead, this, [this] { m_vantroOutput += m_vantro.readAll(); });
        m_vantro.start(QStringLiteral(VANTRO_BINARY), QStringList());
        QVERIFY(m_vantro.waitForStarted(10000));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(m_env->root() + QStringLiteral("/runtime/vantro.socket")), 15000);
    }

    void cleanupTestCase()
    {
        if (m_vantro.state() != QProcess::NotRunning) {
            run(QStringLiteral(VANTRO_BINARY), {QStringLiteral("--quit")}, m_clientEnvironment);
            if (!m_vantro.waitForFinished(10000))
                m_vantro.kill();
        }
        if (QTest::currentTestFailed() || m_vantro.exitCode() != 0)
            qInfo().noquote() << "vantro said:\n" << vantroOutput();
        m_copy.kill();
        m_copy.waitForFinished(3000);
        m_sway.terminate();
        if (!m_sway.waitForFinished(5000))
            m_sway.kill();
        m_env.reset();
    }

    void triggerRunsOnTheCopiedText()
    {
        // Another client owns the selection and serves it for as long as it runs.
        m_copy.setProcessEnvironment(m_clientEnvironment);
        m_copy.start(QStringLiteral("wl-copy"), {QStringLiteral("--foreground"), copiedText});
        QVERIFY(m_copy.waitForStarted(5000));
        QTRY_COMPARE_WITH_TIMEOUT(
            QString::fromUtf8(run(QStringLiteral("wl-paste"), {QStringLiteral("--no-newline")}, m_clientEnvironment)),
            copiedText, 10000);

        run(QStringLiteral(VANTRO_BINARY), {QStringLiteral("--trigger")}, m_clientEnvironment);
        QTRY_COMPARE_WITH_TIMEOUT(m_server.requests().size(), 1, 15000);
        const QJsonArray messages = m_server.lastBody().value(QLatin1StringView("messages")).toArray();
        QCOMPARE(messages.last().toObject().value(QLatin1StringView("content")).toString(), copiedText);
    }

    void screenshotWithoutAPortalSaysWhy()
    {
        run(QStringLiteral(VANTRO_BINARY), {QStringLiteral("--screenshot")}, m_clientEnvironment);
        QTRY_VERIFY_WITH_TIMEOUT(vantroOutput().contains(u"The screenshot portal refused"), 10000);
        QCOMPARE(m_vantro.state(), QProcess::Running);
    }
};

QTEST_GUILESS_MAIN(TestWayland)
#include "tst_wayland.moc"
