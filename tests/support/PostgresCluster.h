// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A throwaway PostgreSQL cluster: initdb in a temporary folder, a free port, its socket in that folder, no TCP.
// As root it runs as the "postgres" system user, since PostgreSQL refuses to run as root.
class PostgresCluster
{
public:
    PostgresCluster();
    ~PostgresCluster();

    bool isRunning() const { return m_running; }
    QString error() const { return m_error; }
    // libpq connection string for the superuser "vantro" and the database "postgres".
    QString conninfo() const;

    struct Result
    {
        bool ok = false;
        QString output;   // rows as psql -At prints them, without the last line break
        QString sqlState; // of the error, when not ok
    };
    // Runs SQL through psql as the superuser (or, with `role`, after SET ROLE).
    Result sql(const QString& statements, const QString& role = QString()) const;
    // pg_dump of the database as SQL text.
    QString dump() const;

    bool stop();
    bool start();

    static QString binary(const QString& name);

private:
    QStringList asOwner(const QString& program, const QStringList& arguments) const;
    bool run(const QString& program, const QStringList& arguments, QString* output = nullptr) const;

    QTemporaryDir m_folder;
    int m_port = 0;
    bool m_running = false;
    QString m_error;
};
