// SPDX-License-Identifier: GPL-3.0-or-later
#include "ai/ChatServiceConfig.h"

#include "model/Settings.h"

ChatServiceConfig ChatServiceConfig::fromSettings(const Settings& settings)
{
    ChatServiceConfig config;
    config.baseUrl = settings.string(SettingsKeys::apiBaseUrl);
    config.apiKey = settings.string(SettingsKeys::openaiApiKey);
    config.model = settings.string(SettingsKeys::openaiModel);
    return config;
}

std::optional<QUrl> ChatServiceConfig::endpointUrl() const
{
    QString base = baseUrl.trimmed();
    // "https://host/" and "https://host" name the same endpoint; do not send "//v1/...".
    while (base.endsWith(u'/'))
        base.chop(1);
    const QUrl url(base + u"/v1/chat/completions", QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty())
        return std::nullopt;
    const QString scheme = url.scheme().toLower();
    if (scheme != u"http" && scheme != u"https")
        return std::nullopt;
    if (url.hasQuery() || url.hasFragment())
        return std::nullopt;
    return url;
}
