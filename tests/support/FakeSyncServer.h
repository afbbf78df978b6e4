// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "support/LoopbackHttpServer.h"

#include <QHash>
#include <QJsonObject>
#include <QObject>
#include <QString>

#include <optional>

// The shared-project sync service on loopback: the four stored functions under /rest/v1/rpc/ over an in-memory
// table, answering as the real front does (see answer()), or whatever answer a test scripts for a function.
class FakeSyncServer : public LoopbackHttpServer
{
    Q_OBJECT

public:
    explicit FakeSyncServer(QObject* parent = nullptr);

    QString restBaseUrl() const { return baseUrl() + QStringLiteral("/rest/v1"); }

    void setClientKey(const QByteArray& key) { m_clientKey = key; }

    // The table. `payload` holds name, emoji, context_description and prompts; the row adds share_code.
    QString addProject(const QJsonObject& payload, const QString& ownerKey, const QString& code = {});
    std::optional<QJsonObject> row(const QString& code) const;

    // Answers every call of `function` with `response` instead of the table.
    void setOverride(const QString& function, const HttpResponse& response) { m_overrides.insert(function, response); }
    void clearOverride(const QString& function) { m_overrides.remove(function); }

    // The calls received so far, by function, with their JSON bodies in arrival order.
    QList<QJsonObject> calls(const QString& function) const;

Q_SIGNALS:
    // Emitted before the answer goes out, so a test can change things in between.
    void called(const QString& function, const QJsonObject& body);

private:
    HttpResponse handle(const HttpRequest& request);
    HttpResponse answer(const QString& function, const QJsonObject& body);

    QByteArray m_clientKey;
    QHash<QString, QJsonObject> m_rows;
    QHash<QString, QString> m_owners;
    QHash<QString, HttpResponse> m_overrides;
    QList<std::pair<QString, QJsonObject>> m_calls;
    int m_nextCode = 1;
};
