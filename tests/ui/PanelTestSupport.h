// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/AppState.h"
#include "model/JsonDecoder.h"
#include "model/Settings.h"
#include "support/TestEnvironment.h"
#include "ui/ThemeColors.h"
#include <QAbstractButton>
#include <QTest>

namespace PanelTest {

inline Prompt prompt(qint64 number, const QString& title)
{
    return Prompt{QUuid::createUuid(), number, title, title + QStringLiteral(" this.")};
}

inline Project project(const QString& name, QList<Prompt> prompts = {})
{
    return Project{QUuid::createUuid(), name, QStringLiteral("🧪"), {}, std::move(prompts), {}, {}, {}};
}

inline ChatMessage message(MessageRole role, const QString& content, std::optional<QByteArray> imageData = {})
{
    const QDateTime now = JsonFormat::truncatedToSeconds(QDateTime::currentDateTimeUtc());
    return ChatMessage{QUuid::createUuid(), role, content, now, std::nullopt, false, std::move(imageData)};
}

inline ChatSession session(const QString& title, QList<ChatMessage> messages = {})
{
    const QDateTime at = JsonFormat::truncatedToSeconds(QDateTime::currentDateTimeUtc());
    const QString general = QStringLiteral("General"), folder = QStringLiteral("📁");
    return ChatSession{QUuid::createUuid(), title, QUuid::createUuid(), general, folder, std::move(messages), at, at};
}

inline QImage image(int width, int height, Qt::GlobalColor color = Qt::darkCyan)
{
    return filledImage(width, height, color);
}

// A widget added to a visible layout is shown from the event loop: let that happen before looking.
inline void settle()
{
    QCoreApplication::sendPostedEvents();
}

inline bool show(QWidget& view, QSize size)
{
    view.resize(size);
    view.show();
    return QTest::qWaitForWindowExposed(&view);
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
