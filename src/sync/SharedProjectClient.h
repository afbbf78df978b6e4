// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/Project.h"
#include "sync/SharedProjectPayload.h"
#include "sync/SyncResult.h"

#include <QJsonObject>
#include <QObject>
#include <QPointer>

#include <chrono>
#include <functional>
#include <variant>

class QNetworkAccessManager;
class Settings;

// Client of the shared-project sync service: JSON remote procedure calls (POST <sync_base_url>/rpc/<function>)
// on the process's one QNetworkAccessManager. The service URL and the publishable client key are read from the
// settings at every call, so a change in the preferences applies to the next call.
//
// Every call reports exactly once through `done`, always from the event loop and never before the call returns,
// also when it fails before any request (sharing not configured, invalid URL). When `context` is given and is
// destroyed before the answer arrives, `done` is not called. `done` may be empty (fire and forget).
class SharedProjectClient : public QObject
{
    Q_OBJECT

public:
    template <typename T> using Callback = std::function<void(const SyncResult<T>&)>;

    SharedProjectClient(QNetworkAccessManager& network, Settings& settings, QObject* parent = nullptr);
    ~SharedProjectClient() override;

    // False while no sync service URL is set; every call then fails with SyncError::notConfigured().
    bool isConfigured() const;

    // Inactivity limit of each request; 10 seconds unless a test shortens it.
    void setTimeout(std::chrono::milliseconds timeout) { m_timeout = timeout; }

    // The first project stored under `code`; NotFound when the service knows none.
    void getSharedProject(const QString& code, QObject* context, Callback<SharedProjectPayload> done);
    // Asks for a code nobody has: success means the address, the client key and the functions are all right.
    void checkConnection(QObject* context, Callback<std::monostate> done);

    // Uploads `project` as a new shared project owned by `ownerKey`; gives the new share code.
    void createSharedProject(const Project& project, const QString& ownerKey, QObject* context, Callback<QString> done);

    // Sends `project` to its shared copy. A project without a share code succeeds at once without a request.
    // ProjectDeleted when the service answers false.
    void upsertSharedProject(const Project& project, const QString& ownerKey, QObject* context,
                             Callback<std::monostate> done);

    // Deletes the shared copy; true when the service did. Any answer other than a JSON Boolean counts as false.
    void deleteSharedProject(const QString& code, const QString& ownerKey, QObject* context, Callback<bool> done);

    // Requests sent and not yet answered.
    int pendingRequests() const { return m_pending; }

private:
    using Outcome = SyncResult<QByteArray>; // the body of a 200 answer
    void call(const QString& function, const QJsonObject& body, QObject* context,
              std::function<void(const Outcome&)> handle);
    // `call`, with failures passed straight to `done` and a good body turned into the answer by `interpret`.
    template <typename T>
    void callFor(const QString& function, const QJsonObject& body, QObject* context, Callback<T> done,
                 std::function<SyncResult<T>(const QByteArray&)> interpret);

    QNetworkAccessManager& m_network;
    Settings& m_settings;
    std::chrono::milliseconds m_timeout{10000};
    int m_pending = 0;
};
