// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/PostgresCluster.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTcpServer>

#include <pwd.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

QString PostgresCluster::binary(const QString& name)
{
    // Debian keeps the server programs out of PATH, under the version's folder.
    const QStringList versions =
        QDir(u"/usr/lib/postgresql"_s).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::Reversed);
    for (const QString& version : versions) {
        const QString path = u"/usr/lib/postgresql/"_s + version + u"/bin/"_s + name;
        if (QFileInfo(path).isExecutable())
            return path;
    }
    return name;
}

QStringList PostgresCluster::asOwner(const QString& program, const QStringList& arguments) const
{
    if (geteuid() != 0)
        return QStringList{program} + arguments;
    // Root's PATH may lack the sbin folders on a minimal machine.
    QString runuser = QStandardPaths::findExecutable(u"runuser"_s);
    if (runuser.isEmpty())
        runuser = QStandardPaths::findExecutable(u"runuser"_s, {u"/usr/sbin"_s, u"/sbin"_s, u"/usr/bin"_s});
    return QStringList{runuser.isEmpty() ? u"runuser"_s : runuser, u"-u"_s, u"postgres"_s, u"--"_s, program} +
           arguments;
}

bool PostgresCluster::run(const QString& program, const QStringList& arguments, QString* output) const
{
    const QStringList command = asOwner(program, arguments);
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(command.first(), command.mid(1));
    const bool finished = process.waitForFinished(60000);
    if (output)
        *output = QString::fromUtf8(process.readAll());
    return finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

PostgresCluster::PostgresCluster()
{
    if (!m_folder.isValid()) {
        m_error = u"no temporary folder"_s;
        return;
    }
    if (geteuid() == 0) {
        const passwd* postgres = getpwnam("postgres");
        if (!postgres || chown(m_folder.path().toLocal8Bit().constData(), postgres->pw_uid, postgres->pw_gid) != 0) {
            m_error = u"no postgres system user to run the cluster as"_s;
            return;
        }
    }
    QString output;
    if (!run(binary(u"initdb"_s),
             {u"-D"_s, m_folder.path() + u"/data"_s, u"-A"_s, u"trust"_s, u"-U"_s, u"vantro"_s, u"-E"_s, u"UTF8"_s,
              u"--no-sync"_s, u"--no-locale"_s},
             &output)) {
        m_error = u"initdb failed: "_s + output;
        return;
    }
    // A port nobody listens on now; the cluster takes it a moment later (and only uses it to name its socket).
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    m_port = probe.serverPort();
    probe.close();
    m_running = start();
}

PostgresCluster::~PostgresCluster()
{
    stop();
}

bool PostgresCluster::start()
{
    QString output;
    const QString options =
        u"-k "_s + m_folder.path() + u" -p "_s + QString::number(m_port) + u" -c listen_addresses= -c fsync=off"_s;
    m_running = run(binary(u"pg_ctl"_s),
                    {u"-D"_s, m_folder.path() + u"/data"_s, u"-o"_s, options, u"-l"_s, m_folder.path() + u"/log"_s,
                     u"-w"_s, u"start"_s},
                    &output);
    if (!m_running)
        m_error = u"pg_ctl start failed: "_s + output;
    return m_running;
}

bool PostgresCluster::stop()
{
    if (!m_running)
        return true;
    m_running =
        !run(binary(u"pg_ctl"_s), {u"-D"_s, m_folder.path() + u"/data"_s, u"-m"_s, u"fast"_s, u"-w"_s, u"stop"_s});
    return !m_running;
}

QString PostgresCluster::conninfo() const
{
    return u"host="_s + m_folder.path() + u" port="_s + QString::number(m_port) + u" user=vantro dbname=postgres"_s;
}

PostgresCluster::Result PostgresCluster::sql(const QString& statements, const QString& role) const
{
    QProcess psql;
    psql.start(binary(u"psql"_s), {conninfo(), u"-X"_s, u"-q"_s, u"-A"_s, u"-t"_s, u"-v"_s, u"ON_ERROR_STOP=1"_s,
                                   u"-v"_s, u"VERBOSITY=sqlstate"_s});
    const QString script = (role.isEmpty() ? QString() : u"SET ROLE "_s + role + u";\n"_s) + statements;
    psql.write(script.toUtf8());
    psql.closeWriteChannel();
    psql.waitForFinished(60000);
    Result result;
    result.ok = psql.exitStatus() == QProcess::NormalExit && psql.exitCode() == 0;
    result.output = QString::fromUtf8(psql.readAllStandardOutput()).trimmed();
    const QString errors = QString::fromUtf8(psql.readAllStandardError());
    const QRegularExpressionMatch state = QRegularExpression(u"ERROR:\\s+([0-9A-Z]{5})"_s).match(errors);
    result.sqlState = state.hasMatch() ? state.captured(1) : (result.ok ? QString() : errors.trimmed());
    return result;
}

QString PostgresCluster::dump() const
{
    QProcess dump;
    dump.start(binary(u"pg_dump"_s), {u"-d"_s, conninfo()});
    dump.waitForFinished(60000);
    return QString::fromUtf8(dump.readAllStandardOutput());
}
