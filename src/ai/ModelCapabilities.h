// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ai/ChatServiceConfig.h"

#include <QHash>
#include <QObject>
#include <QSet>

class QNetworkAccessManager;

// Which models take images. One per process, so that the panel's warning and every request give the same answer.
// OpenAI's host is known by model name; other servers are asked once per model where they tell (Ollama's
// /api/show, llama.cpp's /props, LM Studio's model list), and a name test for the common vision families answers
// until then. The vision_support setting overrides all of it.
class ModelCapabilities : public QObject
{
    Q_OBJECT

public:
    static constexpr qsizetype maxAnswerBytes = 256 * 1024;

    static ModelCapabilities& shared();

    bool supportsVision(const ChatServiceConfig& config) const;
    // Asks the configured server about its model, once per model; learned() when an answer changed what we know.
    void probe(const ChatServiceConfig& config);

    static bool isOpenAIVisionModel(const QString& model);
    static bool nameSuggestsVision(const QString& model);

    // What a server's own description says about the model taking images; nothing when it does not say.
    static std::optional<bool> visionFromOllamaShow(const QByteArray& body);
    static std::optional<bool> visionFromLlamaCppProps(const QByteArray& body);
    static std::optional<bool> visionFromLmStudioModel(const QByteArray& body);

Q_SIGNALS:
    void learned();

private:
    using QObject::QObject;
    static QString keyOf(const ChatServiceConfig& config);
    void ask(const QString& key, const QUrl& url, const QByteArray& postBody,
             std::optional<bool> (*read)(const QByteArray&));

    QHash<QString, bool> m_known; // "base URL|model" → takes images
    QSet<QString> m_asked;
    QNetworkAccessManager* m_network = nullptr; // made on the first question
};
