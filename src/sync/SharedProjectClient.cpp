// SPDX-License-Identifier: GPL-3.0-or-later
#include "sync/SharedProjectClient.h"

#include "model/Settings.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QStringDecoder>

#include <optional>

namespace {

// The service answers bare JSON scalars (a string, true, false, null), which a document cannot hold at the top
// level. Wrapping the body in brackets turns it into a one-element array, and anything that is not exactly one
// JSON value fails to parse or gives a different count.
std::optional<QJsonValue> singleJsonValue(const QByteArray& body)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson('[' + body + ']', &error);
    if (error.error != QJsonParseError::NoError || document.array().size() != 1)
        return std::nullopt;
    return document.array().at(0);
}

QString utf8OrEmpty(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text = decoder.decode(bytes);
    return decoder.hasError() ? QString() : text;
}

// Errors that Qt derives from an HTTP status (4xx, 5xx, and 400 which Qt files under protocol errors); those
// answers are judged by their status instead.
bool isHttpStatusError(QNetworkReply::NetworkError error)
{
    return error == QNetworkReply::NoError ||
           (error >= QNetworkReply::ProtocolUnknownError && error <= QNetworkReply::ProtocolFailure) ||
           (error >= QNetworkReply::ContentAccessDenied && error <= QNetworkReply::UnknownContentError) ||
           (error >= QNetworkReply::InternalServerError && error <= QNetworkReply::UnknownServerError);
}

} // namespace

SharedProjectClient::SharedProjectClient(QNetworkAccessManager& network, Settings& settings, QObject* parent)
    : QObject(parent), m_network(network), m_settings(settings)
{}

SharedProjectClient::~SharedProjectClient()
{
    // Replies are our children; abort them quietly so no callback runs into a half-destroyed client.
    const auto replies = findChildren<QNetworkReply*>(Qt::FindDirectChildrenOnly);
    for (QNetworkReply* reply : replies) {
        disconnect(reply, nullptr, this, nullptr);
        reply->abort();
    }
}

bool SharedProjectClient::isConfigured() const
{
    return !m_settings.string(SettingsKeys::syncBaseUrl).trimmed().isEmpty();
}

void SharedProjectClient::call(const QString& function, const QJsonObject& body, QObject* context,
                               std::function<void(const Outcome&)> handle)
{
    const bool hasContext = context != nullptr;
    auto deliver = [hasContext, guard = QPointer<QObject>(context), handle = std::move(handle)](const Outcome& o) {
        if ((hasContext && !guard) || !handle)
            return;
        handle(o);
    };
    auto failLater = [this, &deliver](const SyncError& error) {
        QMetaObject::invokeMethod(
            this, [deliver, error] { deliver(error); }, Qt::QueuedConnection);
    };

    QString base = m_settings.string(SettingsKeys::syncBaseUrl).trimmed();
    if (base.isEmpty()) {
        failLater(SyncError::notConfigured());
        return;
    }
    while (base.endsWith(u'/'))
        base.chop(1);
    const QUrl url(base + QStringLiteral("/rpc/") + function, QUrl::StrictMode);
    const QString scheme = url.scheme();
    if (!url.isValid() || url.host().isEmpty() || (scheme != u"https" && scheme != u"http")) {
        failLater(SyncError::invalidURL());
        return;
    }

    QNetworkRequest request(url);
    request.setTransferTimeout(int(m_timeout.count()));
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
    request.setRawHeader("Accept", "application/json");
    // A self-hosted service may run without a key; an empty bearer token would be rejected there.
    const QByteArray clientKey = m_settings.string(SettingsKeys::syncClientKey).trimmed().toUtf8();
    if (!clientKey.isEmpty()) {
        request.setRawHeader("apikey", clientKey);
        request.setRawHeader("Authorization", "Bearer " + clientKey);
    }

    QNetworkReply* reply = m_network.post(request, QJsonDocument(body).toJson(QJsonDocument::Compact));
    reply->setParent(this);
    ++m_pending;
    connect(reply, &QNetworkReply::finished, this, [this, reply, deliver] {
        --m_pending;
        reply->deleteLater();
        const QNetworkReply::NetworkError error = reply->error();
        const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        if (status.isValid() && isHttpStatusError(error)) {
            const QByteArray bytes = reply->readAll();
            if (status.toInt() != 200)
                deliver(SyncError::httpError(status.toInt(), utf8OrEmpty(bytes)));
            // A 200 that carries an error broke in transit (bad chunking or compression): what arrived is not
            // the answer, and a cut "false" must not read as a successful push.
            else if (error != QNetworkReply::NoError)
                deliver(SyncError::network(error, reply->errorString()));
            else
                deliver(bytes);
            return;
        }
        // The transfer timeout aborts the reply, which Qt reports as a cancellation; we never cancel otherwise.
        if (error == QNetworkReply::OperationCanceledError || error == QNetworkReply::TimeoutError) {
            deliver(SyncError::network(QNetworkReply::TimeoutError,
                                       QCoreApplication::translate("SyncError", "The request timed out.")));
            return;
        }
        deliver(SyncError::network(error, reply->errorString()));
    });
}

template <typename T>
void SharedProjectClient::callFor(const QString& function, const QJsonObject& body, QObject* context, Callback<T> done,
                                  std::function<SyncResult<T>(const QByteArray&)> interpret)
{
    call(function, body, context, [done = std::move(done), interpret = std::move(interpret)](const Outcome& outcome) {
        if (!done)
            return;
        if (!outcome)
            done(outcome.error());
        else
            done(interpret(outcome.value()));
    });
}

void SharedProjectClient::getSharedProject(const QString& code, QObject* context, Callback<SharedProjectPayload> done)
{
    const QJsonObject body{{QLatin1StringView("code"), code}};
    callFor<SharedProjectPayload>(QStringLiteral("get_shared_project"), body, context, std::move(done),
                                  [](const QByteArray& bytes) -> SyncResult<SharedProjectPayload> {
                                      DecodeError error;
                                      const auto payloads = decodeJsonArray<SharedProjectPayload>(bytes, &error);
                                      if (!payloads)
                                          return SyncError::decodingError(error.description());
                                      if (payloads->isEmpty())
                                          return SyncError::notFound();
                                      return payloads->first();
                                  });
}

void SharedProjectClient::checkConnection(QObject* context, Callback<std::monostate> done)
{
    const QJsonObject body{{QLatin1StringView("code"), QStringLiteral("VANTRO-CONNECTION-CHECK")}};
    callFor<std::monostate>(QStringLiteral("get_shared_project"), body, context, std::move(done),
                            [](const QByteArray& bytes) -> SyncResult<std::monostate> {
                                DecodeError error;
                                if (!decodeJsonArray<SharedProjectPayload>(bytes, &error))
                                    return SyncError::decodingError(error.description());
                                return std::monostate();
                            });
}

void SharedProjectClient::createSharedProject(const Project& project, const QString& ownerKey, QObject* context,
                                              Callback<QString> done)
{
    const QJsonObject body{
        {QLatin1StringView("p_license_key"), ownerKey},
        {QLatin1StringView("payload"), SharedProjectPayload::uploadPayload(project)},
    };
    callFor<QString>(QStringLiteral("create_shared_project"), body, context, std::move(done),
                     [](const QByteArray& bytes) -> SyncResult<QString> {
                         // An empty code would mark the project as shared with nothing to sync against.
                         const auto value = singleJsonValue(bytes);
                         if (!value || !value->isString() || value->toString().isEmpty())
                             return SyncError::decodingError(
                                 QCoreApplication::translate("SyncError", "Expected a string share code"));
                         return value->toString();
                     });
}

void SharedProjectClient::upsertSharedProject(const Project& project, const QString& ownerKey, QObject* context,
                                              Callback<std::monostate> done)
{
    if (!project.shareCode || project.shareCode->isEmpty()) {
        const bool hasContext = context != nullptr;
        QMetaObject::invokeMethod(
            this,
            [hasContext, guard = QPointer<QObject>(context), done = std::move(done)] {
                if (done && (!hasContext || guard))
                    done(std::monostate{});
            },
            Qt::QueuedConnection);
        return;
    }
    const QJsonObject body{
        {QLatin1StringView("p_share_code"), *project.shareCode},
        {QLatin1StringView("p_license_key"), ownerKey},
        {QLatin1StringView("payload"), SharedProjectPayload::uploadPayload(project)},
    };
    callFor<std::monostate>(QStringLiteral("upsert_shared_project"), body, context, std::move(done),
                            [](const QByteArray& bytes) -> SyncResult<std::monostate> {
                                // Only an explicit false means the shared copy is gone; any other answer is done.
                                const auto value = singleJsonValue(bytes);
                                if (value && value->isBool() && !value->toBool())
                                    return SyncError::projectDeleted();
                                return std::monostate{};
                            });
}

void SharedProjectClient::deleteSharedProject(const QString& code, const QString& ownerKey, QObject* context,
                                              Callback<bool> done)
{
    const QJsonObject body{
        {QLatin1StringView("p_share_code"), code},
        {QLatin1StringView("p_license_key"), ownerKey},
    };
    callFor<bool>(QStringLiteral("delete_shared_project"), body, context, std::move(done),
                  [](const QByteArray& bytes) -> SyncResult<bool> {
                      const auto value = singleJsonValue(bytes);
                      return value && value->isBool() && value->toBool();
                  });
}
