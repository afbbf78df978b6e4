// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

class QNetworkAccessManager;
class QNetworkReply;
class QNetworkRequest;
struct ChatServiceConfig;

// What a server said about its models: the ids it lists, and a sentence for the user when there is something to
// say (why there are none, or that some were left out).
struct ModelListing
{
    bool listed = false; // the server answered with a list of models (which may be empty)
    QStringList ids;     // in the server's order, printable, without duplicates
    QString message;
};

// A model server found on this computer.
struct LocalServer
{
    QString name;    // "Ollama"
    QString baseUrl; // "http://127.0.0.1:11434"
    QStringList models;
};

// Asks OpenAI-compatible servers which models they have (GET /v1/models): the configured one, or the usual ports of
// this computer. Whatever a server answers is bounded before it is kept.
//
// Every call reports exactly once through `done`, from the event loop and never before the call returns. When
// `context` is destroyed first, or cancel(context) is called, `done` is not called and the requests are aborted.
class ModelCatalog : public QObject
{
    Q_OBJECT

public:
    static constexpr qsizetype maxBodyBytes = 1024 * 1024;
    static constexpr int maxModels = 1000;
    static constexpr int maxIdLength = 256;
    static constexpr std::chrono::milliseconds listTimeout{5000};
    static constexpr std::chrono::milliseconds probeTimeout{1500};

    struct LocalPort
    {
        QString name;
        quint16 port = 0;
    };
    // Ollama 11434, llama.cpp 8080, LM Studio 1234, vLLM 8000.
    static QList<LocalPort> defaultLocalPorts();

    // Without a network access manager the catalog makes its own (for widgets that were handed none).
    explicit ModelCatalog(QNetworkAccessManager* network = nullptr, QObject* parent = nullptr);
    ~ModelCatalog() override;

    // Where findLocalServers() looks; tests use free ports since the real ones may be taken.
    void setLocalPorts(QList<LocalPort> ports) { m_localPorts = std::move(ports); }
    const QList<LocalPort>& localPorts() const { return m_localPorts; }

    // The models of the server in `config`, with its key when it has one.
    void listModels(const ChatServiceConfig& config, QObject* context, std::function<void(const ModelListing&)> done);

    // Asks every local port at once (never through a proxy, never with a key) and reports the servers that listed
    // their models, in the order of the ports.
    void findLocalServers(QObject* context, std::function<void(const QList<LocalServer>&)> done);

    // Aborts what `context` asked for; its callbacks are not called.
    void cancel(QObject* context);

private:
    struct Fetch;

    void fetch(QNetworkAccessManager& network, const QNetworkRequest& request, std::chrono::milliseconds timeout,
               QObject* context, std::function<void(const ModelListing&)> done);
    void readSome(QNetworkReply* reply);
    void finish(QNetworkReply* reply);
    std::unique_ptr<Fetch> take(QNetworkReply* reply);
    Fetch* find(QNetworkReply* reply) const;
    QNetworkAccessManager& localNetwork();

    QNetworkAccessManager* m_network;
    QNetworkAccessManager* m_localNetwork = nullptr;
    QList<LocalPort> m_localPorts = defaultLocalPorts();
    std::vector<std::unique_ptr<Fetch>> m_fetches;
};
