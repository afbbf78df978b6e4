// SPDX-License-Identifier: GPL-3.0-or-later
// Gets and creates per second with latency percentiles, 32 concurrent keep-alive clients on this machine, then the
// same get through pgbench with 32 clients. Run from a release build: build/bench/bench/sync/bench_syncfront.
#include "SyncDatabase.h"
#include "SyncFront.h"
#include "support/PostgresCluster.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryFile>
#include <QTextStream>
#include <QThread>

#include <algorithm>
#include <functional>

namespace {

constexpr int clients = 32;
constexpr int seconds = 5;

struct Figures
{
    double perSecond = 0;
    double p50Ms = 0;
    double p99Ms = 0;
};

// `clients` connections each sending the same request again as soon as the answer is in, for `seconds`.
Figures load(quint16 port, const std::function<QByteArray()>& request)
{
    QList<qint64> latenciesUs;
    QList<QTcpSocket*> sockets;
    QList<QElapsedTimer> sent(clients);
    QList<QByteArray> buffers(clients);
    QElapsedTimer total;
    bool running = true;
    for (int i = 0; i < clients; ++i) {
        auto* socket = new QTcpSocket;
        socket->connectToHost(QHostAddress::LocalHost, port);
        socket->waitForConnected(5000);
        sockets.append(socket);
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [&, i, socket] {
            buffers[i] += socket->readAll();
            const qsizetype head = buffers[i].indexOf("\r\n\r\n");
            if (head < 0)
                return;
            const qsizetype lengthAt = buffers[i].indexOf("Content-Length: ");
            const qsizetype length =
                buffers[i].mid(lengthAt + 16, buffers[i].indexOf('\r', lengthAt) - lengthAt - 16).toLongLong();
            if (buffers[i].size() < head + 4 + length)
                return;
            buffers[i].remove(0, head + 4 + length);
            latenciesUs.append(sent[i].nsecsElapsed() / 1000);
            if (running) {
                sent[i].start();
                socket->write(request());
            }
        });
    }
    total.start();
    for (int i = 0; i < clients; ++i) {
        sent[i].start();
        sockets[i]->write(request());
    }
    while (total.elapsed() < seconds * 1000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    running = false;
    const double elapsed = double(total.nsecsElapsed()) / 1e9;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 200);
    qDeleteAll(sockets);
    std::sort(latenciesUs.begin(), latenciesUs.end());
    if (latenciesUs.isEmpty())
        return {};
    return {double(latenciesUs.size()) / elapsed, double(latenciesUs[latenciesUs.size() / 2]) / 1000.0,
            double(latenciesUs[latenciesUs.size() * 99 / 100]) / 1000.0};
}

QByteArray post(const QByteArray& function, const QByteArray& body)
{
    return "POST /rest/v1/rpc/" + function +
           " HTTP/1.1\r\nHost: bench\r\napikey: bench-key\r\n"
           "Content-Type: application/json\r\nContent-Length: " +
           QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    PostgresCluster db;
    if (!db.isRunning()) {
        out << "no cluster: " << db.error() << '\n';
        return 1;
    }
    if (const SyncDatabase::Result migrated = SyncDatabase::migrate(db.conninfo()); !migrated.ok) {
        out << "migrations failed: " << migrated.message << '\n';
        return 1;
    }
    // The front on its own thread, as it runs in its own process in production.
    QThread frontThread;
    frontThread.start();
    QObject anchor;
    anchor.moveToThread(&frontThread);
    SyncFront* front = nullptr;
    QMetaObject::invokeMethod(
        &anchor,
        [&] {
            front = new SyncFront({db.conninfo(), QHostAddress::LocalHost, 0, QStringLiteral("bench-key"), 4});
            front->listen();
        },
        Qt::BlockingQueuedConnection);

    const QByteArray payload =
        R"({"name":"Bench","emoji":"x","context_description":"",)"
        R"("prompts":[{"id":"0B0B0B0B-1111-4222-8333-444455556666","title":"A","systemPrompt":"Do A."}]})";
    const QString code =
        db.sql(QStringLiteral("SELECT create_shared_project('bench-owner', '%1')").arg(QString::fromUtf8(payload)))
            .output;
    const QByteArray get = post("get_shared_project", "{\"code\":\"" + code.toUtf8() + "\"}");
    const Figures gets = load(front->port(), [&get] { return get; });
    out << "gets: " << qRound(gets.perSecond) << "/s, p50 " << gets.p50Ms << " ms, p99 " << gets.p99Ms << " ms\n";
    // Each create by another owner, so that no owner reaches the limit of 100.
    int owner = 0;
    const Figures creates = load(front->port(), [&] {
        return post("create_shared_project",
                    "{\"p_license_key\":\"owner-" + QByteArray::number(++owner) + "\",\"payload\":" + payload + "}");
    });
    out << "creates: " << qRound(creates.perSecond) << "/s, p50 " << creates.p50Ms << " ms, p99 " << creates.p99Ms
        << " ms\n";

    QTemporaryFile script;
    script.open();
    script.write("SELECT get_shared_project('" + code.toUtf8() + "');\n");
    script.flush();
    QProcess pgbench;
    pgbench.start(PostgresCluster::binary(QStringLiteral("pgbench")),
                  {QStringLiteral("-n"), QStringLiteral("-c"), QString::number(clients), QStringLiteral("-j"),
                   QStringLiteral("2"), QStringLiteral("-T"), QString::number(seconds), QStringLiteral("-M"),
                   QStringLiteral("prepared"), QStringLiteral("-f"), script.fileName(), db.conninfo()});
    pgbench.waitForFinished(60000);
    const QString report = QString::fromUtf8(pgbench.readAllStandardOutput());
    for (const QString& line : report.split(u'\n'))
        if (line.startsWith(u"tps") || line.startsWith(u"latency average"))
            out << "pgbench, the same get straight: " << line << '\n';

    QMetaObject::invokeMethod(
        front, [front] { delete front; }, Qt::BlockingQueuedConnection);
    frontThread.quit();
    frontThread.wait();
    return 0;
}
