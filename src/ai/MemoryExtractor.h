// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ai/ChatServiceConfig.h"
#include "model/MemoryStore.h"

#include <QJsonObject>
#include <QObject>
#include <QSet>
#include <QUrl>
#include <QStringList>
#include <QUuid>

#include <chrono>
#include <optional>

class QNetworkAccessManager;
class QNetworkReply;

// Learns durable facts from a finished chat exchange in one small non-streaming request and merges them into the
// user's and the project's memory files. Fire and forget: every outcome is one log line, nothing reaches the user.
class MemoryExtractor : public QObject
{
    Q_OBJECT

public:
    struct Facts
    {
        QStringList user;
        QStringList project;

        bool operator==(const Facts&) const = default;
    };

    static QString memoryExtractionPrompt();

    // Bounds on what a broken server can make us hold.
    static constexpr qsizetype maxReplyBytes = 8 * 1024 * 1024;
    static constexpr qsizetype maxErrorBodyBytes = 64 * 1024;

    MemoryExtractor(QNetworkAccessManager* network, MemoryStore store, QObject* parent = nullptr);

    // Starts one extraction with the chat's configuration; it asks `config.memoryModel()`. Extractions may
    // overlap; their merges run one at a time on this thread, each re-reading the file.
    void extractMemory(const ChatServiceConfig& config, const QString& userMessage, const QString& answer,
                       const QUuid& projectId);

    void setTimeout(std::chrono::milliseconds timeout) { m_timeout = timeout; }

    // The model's reply: optionally fenced, optionally wrapped in prose, a JSON object with string arrays
    // "user_memory" and "project_memory". Nothing when both lists are empty or the reply holds no such object.
    static std::optional<Facts> parseMemoryReply(const QString& reply);

Q_SIGNALS:
    // One extraction is over, whatever its outcome (after its log line and merges).
    void extractionEnded();

private:
    struct Request
    {
        QUrl endpoint;
        QString apiKey;
        QJsonObject body;
        QUuid projectId;
    };
    void send(const Request& request);
    // False when the request is to be sent again without its sampling parameter.
    bool handleReply(QNetworkReply* reply, const Request& request, const QByteArray& body);
    // A failure is worth one log line per cause, not one per chat turn.
    void logFailure(const QString& cause, const QString& message);

    QNetworkAccessManager* m_network;
    MemoryStore m_store;
    std::chrono::milliseconds m_timeout{60'000};
    QSet<QString> m_failureCauses;
};
