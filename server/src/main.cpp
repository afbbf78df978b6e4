// SPDX-License-Identifier: GPL-3.0-or-later
// vantro-sync: the stateless HTTP front of Vantro's shared projects, in front of PostgreSQL.
#include "SyncDatabase.h"
#include "SyncFront.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>
#include <QSocketNotifier>
#include <QThread>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

// Only what is safe in a signal handler: one byte into the pipe; the event loop does the rest.
void onStopSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
}

QString option(const QCommandLineParser& parser, const QString& name, const char* environment)
{
    if (parser.isSet(name))
        return parser.value(name);
    return qEnvironmentVariable(environment);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vantro-sync"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("The sync service for Vantro's shared projects."));
    parser.addHelpOption();
    parser.addOptions({
        {QStringLiteral("database"),
         QStringLiteral("libpq connection string or postgresql:// URI "
                        "(VANTRO_SYNC_DATABASE)."),
         QStringLiteral("conninfo")},
        {QStringLiteral("listen"),
         QStringLiteral("host:port to listen on (VANTRO_SYNC_LISTEN), default 127.0.0.1:8080."),
         QStringLiteral("address")},
        {QStringLiteral("client-key"), QStringLiteral("the key clients send (VANTRO_SYNC_CLIENT_KEY)."),
         QStringLiteral("key")},
        {QStringLiteral("migrate-only"), QStringLiteral("Apply the database migrations and exit.")},
    });
    parser.process(app);
    QTextStream err(stderr);

    SyncFront::Options options;
    options.conninfo = option(parser, QStringLiteral("database"), "VANTRO_SYNC_DATABASE");
    options.clientKey = option(parser, QStringLiteral("client-key"), "VANTRO_SYNC_CLIENT_KEY");
    QString listen = option(parser, QStringLiteral("listen"), "VANTRO_SYNC_LISTEN");
    if (listen.isEmpty())
        listen = QStringLiteral("127.0.0.1:8080");
    const qsizetype colon = listen.lastIndexOf(u':');
    bool portOk = false;
    options.port = quint16(listen.mid(colon + 1).toUInt(&portOk));
    options.address = QHostAddress(listen.left(colon).remove(u'[').remove(u']'));
    if (options.conninfo.isEmpty() || colon < 0 || !portOk || options.address.isNull()) {
        err << "vantro-sync: --database and a --listen of the form host:port are required\n";
        return 2;
    }
    if (options.clientKey.isEmpty() && !parser.isSet(QStringLiteral("migrate-only"))) {
        err << "vantro-sync: --client-key is required\n";
        return 2;
    }

    // The database may still be starting (a unit ordered after it, a container): try for a minute.
    SyncDatabase::Result migrated;
    for (int attempt = 0; attempt < 30; ++attempt) {
        migrated = SyncDatabase::migrate(options.conninfo);
        if (migrated.ok || !migrated.sqlState.startsWith(u"08"))
            break;
        QThread::sleep(2);
    }
    if (!migrated.ok) {
        err << "vantro-sync: migrations failed: " << migrated.message << '\n';
        return 1;
    }
    if (parser.isSet(QStringLiteral("migrate-only")))
        return 0;

    SyncFront front(options);
    if (!front.listen()) {
        err << "vantro-sync: cannot listen on " << listen << ": " << front.errorString() << '\n';
        return 1;
    }
    // systemd stops with SIGTERM: finish what is in flight, then exit cleanly.
    if (::pipe2(signalPipe, O_CLOEXEC) == 0) {
        struct sigaction action = {};
        action.sa_handler = onStopSignal;
        sigemptyset(&action.sa_mask);
        sigaction(SIGTERM, &action, nullptr);
        sigaction(SIGINT, &action, nullptr);
    }
    QSocketNotifier stopping(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&stopping, &QSocketNotifier::activated, &app, [&front, &stopping] {
        stopping.setEnabled(false);
        QTextStream(stdout) << "vantro-sync: stopping" << Qt::endl;
        front.stop([] { QCoreApplication::quit(); });
    });
    QTextStream(stdout) << "vantro-sync: listening on " << listen << Qt::endl;
    return app.exec();
}
