// SPDX-License-Identifier: GPL-3.0-or-later
#include "ai/ChatServiceConfig.h"

#include "model/Settings.h"

ChatServiceConfig ChatServiceConfig::fromSettings(const Settings& settings)
{
    ChatServiceConfig config;
    config.baseUrl = settings.string(SettingsKeys::apiBaseUrl);
    config.apiKey = settings.string(SettingsKeys::openaiApiKey);
    config.model = settings.string(SettingsKeys::openaiModel);
    config.memoryModelSetting = settings.string(SettingsKeys::memoryModel).trimmed();
    const QString vision = settings.string(SettingsKeys::visionSupport).trimmed().toLower();
    config.vision = vision == u"yes" ? Vision::Yes : vision == u"no" ? Vision::No : Vision::Auto;
    return config;
}

std::optional<QUrl> ChatServiceConfig::url(QStringView path) const
{
    QString base = baseUrl.trimmed();
    // "https://host/" and "https://host" name the same endpoint; do not send "//v1/...".
    while (base.endsWith(u'/'))
        base.chop(1);
    // Client libraries are configured with ".../v1", and people paste that; the paths here already carry it.
    if (base.endsWith(u"/v1", Qt::CaseInsensitive) && path.startsWith(u"/v1/"))
        base.chop(3);
    const QUrl url(base + path, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty())
        return std::nullopt;
    const QString scheme = url.scheme().toLower();
    if (scheme != u"http" && scheme != u"https")
        return std::nullopt;
    if (url.hasQuery() || url.hasFragment())
        return std::nullopt;
    return url;
}

bool ChatServiceConfig::isOpenAIHost() const
{
    const std::optional<QUrl> endpoint = endpointUrl();
    return endpoint && endpoint->host().compare(u"api.openai.com", Qt::CaseInsensitive) == 0;
}

QString ChatServiceConfig::memoryModel() const
{
    if (!memoryModelSetting.isEmpty())
        return memoryModelSetting;
    return isOpenAIHost() ? QStringLiteral("gpt-4o-mini") : model;
}
