// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QUrl>

#include <optional>

// Where and as whom a chat-completions request goes. The controller fills it from the settings (api_base_url,
// openai_api_key, openai_model, memory_model, vision_support) at the moment of each request.
class Settings;

struct ChatServiceConfig
{
    // What the user says about the model's image input; Auto asks the server or knows OpenAI's models.
    enum class Vision
    {
        Auto,
        Yes,
        No
    };

    QString baseUrl = defaultBaseUrl();
    QString apiKey;
    QString model;
    QString memoryModelSetting; // empty: see memoryModel()
    Vision vision = Vision::Auto;

    static QString defaultBaseUrl() { return QStringLiteral("https://api.openai.com"); }
    // As the settings stand now.
    static ChatServiceConfig fromSettings(const Settings& settings);

    // The base URL followed by "/v1/chat/completions"; nothing when the base is not an absolute http(s) URL.
    std::optional<QUrl> endpointUrl() const { return url(u"/v1/chat/completions"); }
    // The base URL followed by `path` (which starts with a slash), under the same rules.
    std::optional<QUrl> url(QStringView path) const;

    // OpenAI's own service: it always wants a key and has its own model names.
    bool isOpenAIHost() const;
    // Local and self-hosted servers often take no key; a request to them goes without one.
    bool needsApiKey() const { return isOpenAIHost(); }
    // The model that extracts facts to remember: the setting, else a small one OpenAI has, else the chat model
    // (another server rarely has OpenAI's model names).
    QString memoryModel() const;
};
