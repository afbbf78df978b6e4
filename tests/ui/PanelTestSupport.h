// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/AppState.h"
#include "model/JsonDecoder.h"
#include "model/Settings.h"
#include "support/TestEnvironment.h"
#include "ui/ThemeColors.h"

#include <QAbstractButton>
#include <QBuffer>
#include <QCoreApplication>
#include <QImage>
#include <QWidget>

#include <memory>

// Shared pieces of the panel widget tests: a real AppState over temporary folders, and small record builders.
namespace PanelTest {

inline Prompt prompt(qint64 number, const QString& title)
{
    return Prompt{QUuid::createUuid(), number, title, title + QStringLiteral(" this.")};
}

inline Project project(const QString& name, QList<Prompt> prompts = {})
{
    return Project{QUuid::createUuid(), name,         QStringLiteral("🧪"), QString(),
                   std::move(prompts),  std::nullopt, std::nullopt,           std::nullopt};
}

inline ChatMessage message(MessageRole role, const QString& content, std::optional<QByteArray> imageData = std::nullopt)
{
    return ChatMessage{QUuid::createUuid(),
                       role,
                       content,
                       JsonFormat::truncatedToSeconds(QDateTime::currentDateTimeUtc()),
                       std::nullopt,
                       false,
                       std::move(imageData)};
}

inline ChatSession session(const QString& title, QList<ChatMessage> messages = {},
                           QDateTime updatedAt = QDateTime::currentDateTimeUtc())
{
    const QDateTime at = JsonFormat::truncatedToSeconds(updatedAt);
    return ChatSession{QUuid::createUuid(),
                       title,
                       QUuid::createUuid(),
                       QStringLiteral("General"),
                       QStringLiteral("📁"),
                       std::move(messages),
                       at,
                       at};
}

inline QImage image(int width, int height, Qt::GlobalColor color = Qt::darkCyan)
{
    QImage result(width, height, QImage::Format_ARGB32);
    result.fill(color);
    return result;
}

inline QByteArray png(const QImage& picture)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "PNG");
    return bytes;
}

// A widget added to a visible layout is shown from the event loop: let that happen before looking.
inline void settle()
{
    QCoreApplication::sendPostedEvents();
}

// The first shown button with this tool tip among the children of `root`.
template <typename Button = QAbstractButton> Button* buttonWithToolTip(QWidget* root, const QString& toolTip)
{
    settle();
    for (Button* button : root->findChildren<Button*>()) {
        if (button->toolTip() == toolTip && button->isVisibleTo(root))
            return button;
    }
    return nullptr;
}

// Settings and state over fresh temporary XDG folders; the state starts with the stored "General" project.
struct Fixture
{
    TestEnvironment env;
    Settings settings;
    AppState state{settings, ChatStore(), nullptr};
    ThemeColors colors{AppTheme::Light};

    void setProjects(const QList<Project>& projects, int active = 0)
    {
        state.setProjects(projects);
        state.saveProjects(projects);
        state.setActiveProjectIndex(active);
    }
};

} // namespace PanelTest
