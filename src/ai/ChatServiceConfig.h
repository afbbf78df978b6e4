// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QUrl>

#include <optional>

// Where and as whom a chat-completions request goes. The controller fills it from the settings (api_base_url,
// openai_api_key, openai_model) at the moment of each request.
class Settings;

struct ChatServiceConfig
{
    QString baseUrl = defaultBaseUrl();
    QString apiKey;
    QString model;

    static QString defaultBaseUrl() { return QStringLiteral("https://api.openai.com"); }
    // As the settings stand now.
    static ChatServiceConfig fromSettings(const Settings& settings);

    // The base URL followed by "/v1/chat/completions"; nothing when the base is not an absolute http(s) URL.
    std::optional<QUrl> endpointUrl() const;
};
