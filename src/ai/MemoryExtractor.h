// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ai/ChatServiceConfig.h"
#include "model/MemoryStore.h"

#include <QObject>
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

    // Extraction always uses this small model, whatever model answers the chat.
    static QString model() { return QStringLiteral("gpt-4o-mini"); }
    static QString memoryExtractionPrompt();

    // Bounds on what a broken server can make us hold.
    static constexpr qsizetype maxReplyBytes = 8 * 1024 * 1024;
    static constexpr qsizetype maxErrorBodyBytes = 64 * 1024;

    MemoryExtractor(QNetworkAccessManager* network, MemoryStore store, QObject* parent = nullptr);

    // Starts one extraction; `config.model` is the model to ask (normally model()). Extractions may overlap; their
    // merges run one at a time on this thread, each re-reading the file.
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
    void handleReply(QNetworkReply* reply, const QUuid& projectId, const QByteArray& body);

    QNetworkAccessManager* m_network;
    MemoryStore m_store;
    std::chrono::milliseconds m_timeout{60'000};
};
