// SPDX-License-Identifier: GPL-3.0-or-later
#include "ai/ModelCatalog.h"

#include "ai/ChatServiceConfig.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QSet>
#include <QTimer>

#include <algorithm>
#include <optional>

struct ModelCatalog::Fetch
{
    QPointer<QNetworkReply> reply;
    bool hasContext = false;
    QPointer<QObject> context;
    QObject* contextKey = nullptr; // compared only, never used: cancel() may name a context being destroyed
    QMetaObject::Connection contextWatch;
    std::function<void(const ModelListing&)> done;
    QByteArray body;
    bool tooLarge = false;
    bool timedOut = false;
};

namespace {

// An id goes into labels, tool tips and the settings file: no control or format characters (which could reorder
// or hide text), no line breaks, no unpaired surrogates, no surrounding blanks.
bool isUsableId(const QString& id)
{
    if (id.isEmpty() || id.size() > ModelCatalog::maxIdLength || id.trimmed().size() != id.size())
        return false;
    for (qsizetype i = 0; i < id.size(); ++i) {
        char32_t c = id.at(i).unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < id.size() && id.at(i + 1).isLowSurrogate()) {
            c = QChar::surrogateToUcs4(id.at(i), id.at(i + 1));
            ++i;
        }
        const QChar::Category category = QChar::category(c);
        if (!QChar::isPrint(c) || category == QChar::Separator_Line || category == QChar::Separator_Paragraph)
            return false;
    }
    return true;
}

QString notListed()
{
    return ModelCatalog::tr("This server does not list its models; type the model\u2019s name.");
}

ModelListing readList(const QByteArray& body)
{
    ModelListing listing;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    const QJsonValue data = document.object().value(QLatin1StringView("data"));
    if (error.error != QJsonParseError::NoError || !data.isArray()) {
        listing.message = notListed();
        return listing;
    }
    listing.listed = true;
    QSet<QString> seen;
    int unusable = 0;
    bool cut = false;
    for (const QJsonValue entry : data.toArray()) {
        const QString id = entry.toObject().value(QLatin1StringView("id")).toString();
        if (!isUsableId(id)) {
            ++unusable;
            continue;
        }
        if (seen.contains(id))
            continue;
        if (listing.ids.size() == ModelCatalog::maxModels) {
            cut = true;
            break;
        }
        seen.insert(id);
        listing.ids.append(id);
    }
    QStringList notes;
    if (listing.ids.isEmpty())
        notes.append(ModelCatalog::tr("This server lists no models; type the model\u2019s name."));
    if (cut)
        notes.append(ModelCatalog::tr("The server lists more than %n models; only the first %n are offered.", nullptr,
                                      int(ModelCatalog::maxModels)));
    if (unusable > 0)
        notes.append(
            ModelCatalog::tr("%n listed model(s) with an unusable name were left out.", nullptr, int(unusable)));
    listing.message = notes.join(u' ');
    return listing;
}

// Errors that Qt derives from an HTTP status; those answers are judged by their status instead.
bool isHttpStatusError(QNetworkReply::NetworkError error)
{
    return error == QNetworkReply::NoError ||
           (error >= QNetworkReply::ProtocolUnknownError && error <= QNetworkReply::ProtocolFailure) ||
           (error >= QNetworkReply::ContentAccessDenied && error <= QNetworkReply::UnknownContentError) ||
           (error >= QNetworkReply::InternalServerError && error <= QNetworkReply::UnknownServerError);
}

ModelListing failure(const QString& message)
{
    ModelListing listing;
    listing.message = message;
    return listing;
}

QNetworkRequest listRequest(const QUrl& url)
{
    QNetworkRequest request(url);
    request.setRawHeader("Accept", "application/json");
    // A key goes only where it was configured to go.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::SameOriginRedirectPolicy);
    return request;
}

} // namespace

QList<ModelCatalog::LocalPort> ModelCatalog::defaultLocalPorts()
{
    return {{QStringLiteral("Ollama"), 11434},
            {QStringLiteral("llama.cpp"), 8080},
            {QStringLiteral("LM Studio"), 1234},
            {QStringLiteral("vLLM"), 8000}};
}

ModelCatalog::ModelCatalog(QNetworkAccessManager* network, QObject* parent)
    : QObject(parent), m_network(network ? network : new QNetworkAccessManager(this))
{}

ModelCatalog::~ModelCatalog()
{
    // Replies are our children and may belong to our own network access manager: end them before it goes.
    for (const std::unique_ptr<Fetch>& fetch : m_fetches) {
        QObject::disconnect(fetch->contextWatch);
        if (fetch->reply) {
            fetch->reply->disconnect(this);
            fetch->reply->abort();
            delete fetch->reply;
        }
    }
}

QNetworkAccessManager& ModelCatalog::localNetwork()
{
    // A proxy from the environment would answer for its own machine, and may not be told about this one's servers.
    if (!m_localNetwork) {
        m_localNetwork = new QNetworkAccessManager(this);
        m_localNetwork->setProxy(QNetworkProxy::NoProxy);
    }
    return *m_localNetwork;
}

void ModelCatalog::listModels(const ChatServiceConfig& config, QObject* context,
                              std::function<void(const ModelListing&)> done)
{
    const std::optional<QUrl> url = config.url(u"/v1/models");
    if (!url) {
        const bool hasContext = context != nullptr;
        QMetaObject::invokeMethod(
            this,
            [hasContext, guard = QPointer<QObject>(context), done = std::move(done)] {
                if (done && (!hasContext || guard))
                    done(failure(tr("The endpoint is not an http:// or https:// address.")));
            },
            Qt::QueuedConnection);
        return;
    }
    QNetworkRequest request = listRequest(*url);
    // Local servers often want no key, and an empty bearer token is refused by some of them.
    QByteArray key = config.apiKey.toUtf8();
    key.removeIf([](char c) { return c == '\r' || c == '\n' || c == '\0'; });
    if (!key.isEmpty())
        request.setRawHeader("Authorization", "Bearer " + key);
    fetch(*m_network, request, listTimeout, context, std::move(done));
}

void ModelCatalog::findLocalServers(QObject* context, std::function<void(const QList<LocalServer>&)> done)
{
    struct Search
    {
        QList<std::optional<LocalServer>> found;
        qsizetype remaining = 0;
        std::function<void(const QList<LocalServer>&)> done;

        void report()
        {
            QList<LocalServer> servers;
            for (const std::optional<LocalServer>& server : std::as_const(found)) {
                if (server)
                    servers.append(*server);
            }
            if (done)
                done(servers);
        }
    };
    auto search = std::make_shared<Search>();
    search->found.resize(m_localPorts.size());
    search->remaining = m_localPorts.size();
    search->done = std::move(done);
    if (m_localPorts.isEmpty()) {
        const bool hasContext = context != nullptr;
        QMetaObject::invokeMethod(
            this,
            [hasContext, guard = QPointer<QObject>(context), search] {
                if (!hasContext || guard)
                    search->report();
            },
            Qt::QueuedConnection);
        return;
    }
    for (qsizetype i = 0; i < m_localPorts.size(); ++i) {
        const LocalPort& port = m_localPorts.at(i);
        const QString base = QStringLiteral("http://127.0.0.1:") + QString::number(port.port);
        fetch(localNetwork(), listRequest(QUrl(base + QStringLiteral("/v1/models"))), probeTimeout, context,
              [search, i, name = port.name, base](const ModelListing& listing) {
                  if (listing.listed)
                      search->found[i] = LocalServer{name, base, listing.ids};
                  if (--search->remaining == 0)
                      search->report();
              });
    }
}

void ModelCatalog::cancel(QObject* context)
{
    std::vector<std::unique_ptr<Fetch>> cancelled;
    for (auto it = m_fetches.begin(); it != m_fetches.end();) {
        if ((*it)->contextKey == context) {
            cancelled.push_back(std::move(*it));
            it = m_fetches.erase(it);
        } else {
            ++it;
        }
    }
    for (const std::unique_ptr<Fetch>& fetch : cancelled) {
        QObject::disconnect(fetch->contextWatch);
        if (fetch->reply) {
            fetch->reply->disconnect(this);
            fetch->reply->abort();
            fetch->reply->deleteLater();
        }
    }
}

void ModelCatalog::fetch(QNetworkAccessManager& network, const QNetworkRequest& request,
                         std::chrono::milliseconds timeout, QObject* context,
                         std::function<void(const ModelListing&)> done)
{
    auto fetch = std::make_unique<Fetch>();
    fetch->hasContext = context != nullptr;
    fetch->context = context;
    fetch->contextKey = context;
    fetch->done = std::move(done);
    if (context)
        fetch->contextWatch = connect(context, &QObject::destroyed, this, [this, context] { cancel(context); });
    QNetworkReply* reply = network.get(request);
    reply->setParent(this);
    fetch->reply = reply;
    m_fetches.push_back(std::move(fetch));
    connect(reply, &QNetworkReply::readyRead, this, [this, reply] { readSome(reply); });
    connect(reply, &QNetworkReply::finished, this, [this, reply] { finish(reply); });
    // A whole deadline rather than an inactivity limit: a server that trickles its answer must not hold us.
    QTimer::singleShot(timeout, reply, [this, reply] {
        if (Fetch* fetch = find(reply)) {
            fetch->timedOut = true;
            reply->abort();
        }
    });
}

ModelCatalog::Fetch* ModelCatalog::find(QNetworkReply* reply) const
{
    const auto it = std::find_if(m_fetches.begin(), m_fetches.end(),
                                 [reply](const std::unique_ptr<Fetch>& fetch) { return fetch->reply == reply; });
    return it == m_fetches.end() ? nullptr : it->get();
}

std::unique_ptr<ModelCatalog::Fetch> ModelCatalog::take(QNetworkReply* reply)
{
    const auto it = std::find_if(m_fetches.begin(), m_fetches.end(),
                                 [reply](const std::unique_ptr<Fetch>& fetch) { return fetch->reply == reply; });
    if (it == m_fetches.end())
        return nullptr;
    std::unique_ptr<Fetch> fetch = std::move(*it);
    m_fetches.erase(it);
    return fetch;
}

void ModelCatalog::readSome(QNetworkReply* reply)
{
    Fetch* fetch = find(reply);
    if (!fetch || fetch->tooLarge)
        return;
    fetch->body += reply->read(maxBodyBytes + 1 - fetch->body.size());
    if (fetch->body.size() > maxBodyBytes) {
        fetch->tooLarge = true;
        reply->abort();
    }
}

void ModelCatalog::finish(QNetworkReply* reply)
{
    const std::unique_ptr<Fetch> fetch = take(reply);
    if (!fetch)
        return;
    if (!fetch->tooLarge && reply->isOpen()) {
        fetch->body += reply->read(maxBodyBytes + 1 - fetch->body.size());
        fetch->tooLarge = fetch->body.size() > maxBodyBytes;
    }
    QObject::disconnect(fetch->contextWatch);
    reply->disconnect(this);
    reply->deleteLater();
    if ((fetch->hasContext && !fetch->context) || !fetch->done)
        return;

    const QNetworkReply::NetworkError error = reply->error();
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    ModelListing listing;
    if (fetch->tooLarge) {
        listing = failure(tr("The server\u2019s list of models is larger than 1 MiB; type the model\u2019s name."));
    } else if (fetch->timedOut) {
        listing = failure(tr("The server did not list its models in time."));
    } else if (status.isValid() && isHttpStatusError(error)) {
        const int code = status.toInt();
        if (code == 200 && error == QNetworkReply::NoError)
            listing = readList(fetch->body);
        else if (code == 200)
            listing = failure(reply->errorString());
        else if (code == 401 || code == 403)
            listing = failure(tr("This server wants an API key to list its models."));
        else if (code == 404 || code == 405 || code == 501)
            listing = failure(notListed());
        else
            listing = failure(tr("The server answered the request for its models with HTTP status %1.").arg(code));
    } else {
        listing = failure(reply->errorString());
    }
    fetch->done(listing);
}
