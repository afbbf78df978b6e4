// SPDX-License-Identifier: GPL-3.0-or-later
#include "SyncDatabase.h"

#include <QDir>
#include <QFile>
#include <QPointer>

#include <libpq-fe.h>

#include <memory>

namespace {

constexpr const char* statements[] = {
    "SELECT public.get_shared_project($1::text)::text",
    "SELECT public.create_shared_project($1::text, $2::jsonb)",
    "SELECT public.upsert_shared_project($1::text, $2::text, $3::jsonb)",
    "SELECT public.delete_shared_project($1::text, $2::text)",
    "SELECT 1",
};
constexpr int parameterCounts[] = {1, 2, 3, 2, 0};

SyncDatabase::Result failure(const QString& sqlState, const QString& message)
{
    return {false, {}, sqlState, message};
}

SyncDatabase::Result fromResult(PGresult* result)
{
    const ExecStatusType status = PQresultStatus(result);
    if (status == PGRES_TUPLES_OK && PQntuples(result) == 1 && PQnfields(result) == 1)
        return {true, QByteArray(PQgetvalue(result, 0, 0), PQgetlength(result, 0, 0)), {}, {}};
    if (status == PGRES_COMMAND_OK)
        return {true, {}, {}, {}};
    const char* state = PQresultErrorField(result, PG_DIAG_SQLSTATE);
    const char* message = PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY);
    return failure(QString::fromUtf8(state ? state : "08000"),
                   QString::fromUtf8(message ? message : "the database did not answer"));
}

// One worker thread's connection, opened on first use and again after it broke.
struct Connection
{
    PGconn* conn = nullptr;
    ~Connection() { close(); }
    void close()
    {
        if (conn)
            PQfinish(conn);
        conn = nullptr;
    }
    bool open(const QByteArray& conninfo, QString* error)
    {
        close();
        conn = PQconnectdb(conninfo.constData());
        if (PQstatus(conn) != CONNECTION_OK) {
            *error = QString::fromUtf8(PQerrorMessage(conn)).trimmed();
            close();
            return false;
        }
        // A request never holds a worker for long, whatever the database does.
        PGresult* set = PQexec(conn, "SET statement_timeout = 5000");
        PQclear(set);
        for (int i = 0; i < int(std::size(statements)); ++i) {
            PGresult* prepared =
                PQprepare(conn, QByteArray::number(i).constData(), statements[i], parameterCounts[i], nullptr);
            const bool ok = PQresultStatus(prepared) == PGRES_COMMAND_OK;
            if (!ok)
                *error = QString::fromUtf8(PQresultErrorMessage(prepared)).trimmed();
            PQclear(prepared);
            if (!ok) {
                close();
                return false;
            }
        }
        return true;
    }
};

thread_local Connection connection;

SyncDatabase::Result execute(const QByteArray& conninfo, int index, const QList<QByteArray>& parameters)
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        QString error;
        if (!connection.conn && !connection.open(conninfo, &error))
            return failure(QStringLiteral("08000"), error);
        const char* values[3] = {};
        for (qsizetype i = 0; i < parameters.size() && i < 3; ++i)
            values[i] = parameters[i].constData();
        PGresult* result = PQexecPrepared(connection.conn, QByteArray::number(index).constData(),
                                          int(parameters.size()), values, nullptr, nullptr, 0);
        const bool broken = PQstatus(connection.conn) != CONNECTION_OK;
        SyncDatabase::Result outcome = fromResult(result);
        PQclear(result);
        if (!broken)
            return outcome;
        // The database restarted under us: once more on a new connection.
        connection.close();
    }
    return failure(QStringLiteral("08000"), QStringLiteral("the database connection broke"));
}

} // namespace

SyncDatabase::SyncDatabase(const QString& conninfo, int connections, QObject* parent)
    : QObject(parent), m_conninfo(conninfo)
{
    m_workers.setMaxThreadCount(std::max(1, connections));
    m_workers.setExpiryTimeout(-1); // the threads keep their connections
}

SyncDatabase::~SyncDatabase()
{
    m_workers.waitForDone();
}

void SyncDatabase::call(Function function, const QStringList& parameters, Callback done)
{
    const int index = int(function);
    QList<QByteArray> values;
    for (const QString& parameter : parameters)
        values.append(parameter.toUtf8());
    const QByteArray conninfo = m_conninfo.toUtf8();
    QPointer<SyncDatabase> self(this);
    m_workers.start([self, conninfo, index, values, done = std::move(done)] {
        Result result = values.size() == parameterCounts[index]
                            ? execute(conninfo, index, values)
                            : failure(QStringLiteral("22023"), QStringLiteral("wrong number of parameters"));
        if (!self)
            return;
        QMetaObject::invokeMethod(
            self, [result = std::move(result), done] { done(result); }, Qt::QueuedConnection);
    });
}

SyncDatabase::Result SyncDatabase::migrate(const QString& conninfo)
{
    std::unique_ptr<PGconn, void (*)(PGconn*)> conn(PQconnectdb(conninfo.toUtf8().constData()), PQfinish);
    if (PQstatus(conn.get()) != CONNECTION_OK)
        return failure(QStringLiteral("08000"), QString::fromUtf8(PQerrorMessage(conn.get())).trimmed());
    const auto run = [&conn](const QByteArray& sql) {
        PGresult* result = PQexec(conn.get(), sql.constData());
        Result outcome = fromResult(result);
        PQclear(result);
        return outcome;
    };
    // A session lock: a second front waits here until the first has applied everything, then finds nothing to do.
    Result step = run("SELECT pg_advisory_lock(7461207230)");
    if (!step.ok)
        return step;
    step = run("CREATE TABLE IF NOT EXISTS public.vantro_sync_migrations ("
               " version text PRIMARY KEY, applied_at timestamptz NOT NULL DEFAULT now())");
    const QStringList files =
        QDir(QStringLiteral(":/sql")).entryList({QStringLiteral("*.sql")}, QDir::Files, QDir::Name);
    for (const QString& name : files) {
        if (!step.ok)
            break;
        const QByteArray version = name.section(u'_', 0, 0).toUtf8();
        const char* versionValue[] = {version.constData()};
        PGresult* known = PQexecParams(conn.get(), "SELECT 1 FROM public.vantro_sync_migrations WHERE version = $1", 1,
                                       nullptr, versionValue, nullptr, nullptr, 0);
        const bool applied = PQntuples(known) == 1;
        PQclear(known);
        if (applied)
            continue;
        QFile file(QStringLiteral(":/sql/") + name);
        if (!file.open(QIODevice::ReadOnly))
            return failure(QStringLiteral("58030"), QStringLiteral("cannot read migration ") + name);
        step = run("BEGIN");
        if (step.ok)
            step = run(file.readAll());
        if (step.ok) {
            PGresult* recorded =
                PQexecParams(conn.get(), "INSERT INTO public.vantro_sync_migrations (version) VALUES ($1)", 1, nullptr,
                             versionValue, nullptr, nullptr, 0);
            step = fromResult(recorded);
            PQclear(recorded);
        }
        step = step.ok ? run("COMMIT") : (run("ROLLBACK"), step);
    }
    run("SELECT pg_advisory_unlock(7461207230)");
    return step;
}
