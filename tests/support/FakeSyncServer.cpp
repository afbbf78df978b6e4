// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/FakeSyncServer.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace {

const QByteArray rpcPrefix = "/rest/v1/rpc/";

HttpResponse jsonValue(const QJsonValue& value, int status = 200)
{
    // Wrap and unwrap so a bare scalar comes out as its own JSON text.
    const QByteArray wrapped = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return HttpResponse::json(wrapped.mid(1, wrapped.size() - 2), status);
}

HttpResponse jsonError(const QString& message, int status)
{
    return HttpResponse::json(
        QJsonDocument(QJsonObject{{QStringLiteral("message"), message}}).toJson(QJsonDocument::Compact), status);
}

} // namespace

FakeSyncServer::FakeSyncServer(QObject* parent) : LoopbackHttpServer(parent)
{
    setHandler([this](const HttpRequest& request) { return handle(request); });
}

QString FakeSyncServer::addProject(const QJsonObject& payload, const QString& ownerKey, const QString& code)
{
    const QString shareCode =
        code.isEmpty() ? QStringLiteral("SHARE%1").arg(m_nextCode++, 3, 10, QLatin1Char('0')) : code;
    QJsonObject row = payload;
    row.insert(QStringLiteral("share_code"), shareCode);
    m_rows.insert(shareCode, row);
    m_owners.insert(shareCode, ownerKey);
    return shareCode;
}

std::optional<QJsonObject> FakeSyncServer::row(const QString& code) const
{
    const auto it = m_rows.constFind(code);
    return it == m_rows.cend() ? std::nullopt : std::optional<QJsonObject>(*it);
}

QList<QJsonObject> FakeSyncServer::calls(const QString& function) const
{
    QList<QJsonObject> bodies;
    for (const auto& [name, body] : m_calls) {
        if (name == function)
            bodies.append(body);
    }
    return bodies;
}

HttpResponse FakeSyncServer::handle(const HttpRequest& request)
{
    if (!request.target.startsWith(rpcPrefix))
        return jsonError(QStringLiteral("Not found"), 404);
    if (request.method != "POST")
        return jsonError(QStringLiteral("Method not allowed"), 405);
    if (!m_clientKey.isEmpty() && request.header("apikey") != m_clientKey)
        return jsonError(QStringLiteral("Invalid API key"), 401);

    const QString function = QString::fromUtf8(request.target.mid(rpcPrefix.size()));
    const QJsonObject body = QJsonDocument::fromJson(request.body).object();
    m_calls.append({function, body});
    Q_EMIT called(function, body);
    const auto scripted = m_overrides.constFind(function);
    if (scripted != m_overrides.cend())
        return *scripted;
    return answer(function, body);
}

HttpResponse FakeSyncServer::answer(const QString& function, const QJsonObject& body)
{
    const QString owner = body.value(QStringLiteral("p_license_key")).toString();
    const QString code = body.value(QStringLiteral("p_share_code")).toString();
    if (function == u"get_shared_project") {
        const auto found = row(body.value(QStringLiteral("code")).toString());
        return jsonValue(found ? QJsonArray{*found} : QJsonArray{});
    }
    if (function == u"create_shared_project")
        return jsonValue(addProject(body.value(QStringLiteral("payload")).toObject(), owner));
    if (function == u"upsert_shared_project") {
        if (!m_rows.contains(code))
            return jsonValue(false);
        if (m_owners.value(code) != owner)
            return jsonError(QStringLiteral("Not the owner of this shared project"), 403);
        addProject(body.value(QStringLiteral("payload")).toObject(), owner, code);
        return jsonValue(true);
    }
    if (function == u"delete_shared_project") {
        if (!m_rows.contains(code) || m_owners.value(code) != owner)
            return jsonValue(false);
        m_rows.remove(code);
        m_owners.remove(code);
        return jsonValue(true);
    }
    return jsonError(QStringLiteral("Could not find the function ") + function, 404);
}
