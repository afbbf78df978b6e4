// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QThreadPool>

#include <functional>

// The front's way into PostgreSQL: a few worker threads, each with its own connection and the four functions
// prepared on it. A broken connection is opened again on the next call, so the front recovers by itself when the
// database comes back. Callbacks run on the thread the object lives on.
class SyncDatabase : public QObject
{
    Q_OBJECT

public:
    struct Result
    {
        bool ok = false;
        QByteArray value; // the function's one value as text
        QString sqlState; // on failure; "08000" when the database could not be reached
        QString message;  // on failure, the database's sentence
    };
    using Callback = std::function<void(const Result&)>;

    enum class Function
    {
        Get,
        Create,
        Upsert,
        Delete,
        Health,
    };

    SyncDatabase(const QString& conninfo, int connections, QObject* parent = nullptr);
    ~SyncDatabase() override;

    // `parameters` in the order of the function's arguments.
    void call(Function function, const QStringList& parameters, Callback done);

    // Applies the migrations not applied yet, each once, in order, under a lock so that two fronts starting at once
    // do not both apply one. Blocks; for the start.
    static Result migrate(const QString& conninfo);

private:
    QString m_conninfo;
    QThreadPool m_workers;
};
