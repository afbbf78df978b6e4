// SPDX-License-Identifier: GPL-3.0-or-later
#include "ai/OpenAIError.h"

OpenAIError OpenAIError::httpError(int statusCode, const QString& message)
{
    OpenAIError error(Kind::HttpError);
    error.m_statusCode = statusCode;
    error.m_message = message;
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
    case Kind::HttpError:
        return u"HTTP " + QString::number(m_statusCode) + u": " + m_message;
    case Kind::NoAPIKey:
        return tr("No OpenAI API key configured. Open Preferences to set one.");
    case Kind::InvalidURL:
        return tr("Invalid API URL.");
    case Kind::ModelDoesNotSupportVision:
        return tr("The selected model does not support images. Please use gpt-4o or gpt-4-turbo.");
    case Kind::Transport:
    case Kind::Service:
        return m_message;
    }
    return m_message;
}
