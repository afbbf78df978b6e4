// SPDX-License-Identifier: GPL-3.0-or-later
#include "ai/OpenAIError.h"

#include <QJsonDocument>
#include <QJsonObject>

OpenAIError OpenAIError::httpError(int statusCode, const QString& message)
{
    OpenAIError error(Kind::HttpError);
    error.m_statusCode = statusCode;
    error.m_message = message;
    return error;
}

OpenAIError OpenAIError::modelDoesNotSupportVision(bool openAIHost)
{
    OpenAIError error(Kind::ModelDoesNotSupportVision);
    if (!openAIHost)
        error.m_message = tr("The selected model does not take images. Choose a vision model, or set Images to "
                             "\u201cThe model takes images\u201d in Preferences (Ctrl+,), under AI.");
    return error;
}

OpenAIError OpenAIError::transport(const QString& description)
{
    OpenAIError error(Kind::Transport);
    error.m_message = description;
    return error;
}

OpenAIError OpenAIError::service(const QString& message)
{
    OpenAIError error(Kind::Service);
    error.m_message = message;
    return error;
}

QString OpenAIError::description() const
{
    switch (m_kind) {
    case Kind::HttpError: {
        // Ollama answers {"error": "model 'x' not found"}: that sentence is the whole story.
        const QJsonValue error = QJsonDocument::fromJson(m_message.toUtf8()).object().value(QLatin1StringView("error"));
        if (error.isString() && !error.toString().trimmed().isEmpty())
            return error.toString().trimmed();
        return u"HTTP " + QString::number(m_statusCode) + u": " + m_message;
    }
    case Kind::NoAPIKey:
        return tr("No OpenAI API key configured. Open Preferences to set one.");
    case Kind::KeyRequired:
        return tr("This server wants an API key. Set one in Preferences (Ctrl+,), under AI.");
    case Kind::InvalidURL:
        return tr("Invalid API URL.");
    case Kind::ModelDoesNotSupportVision:
        if (!m_message.isEmpty())
            return m_message;
        return tr("The selected model does not support images. Please use gpt-4o or gpt-4-turbo.");
    case Kind::Transport:
    case Kind::Service:
        return m_message;
    }
    return m_message;
}
