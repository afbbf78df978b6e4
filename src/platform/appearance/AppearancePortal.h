// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

#include <optional>

// The desktop's light/dark preference as the freedesktop settings portal publishes it
// (org.freedesktop.appearance color-scheme). The value is read once, without blocking, and then kept current
// from the portal's SettingChanged signal, so reading it later never waits on the bus.
class AppearancePortal : public QObject
{
    Q_OBJECT

public:
    enum class ColorScheme
    {
        NoPreference = 0,
        PreferDark = 1,
        PreferLight = 2
    };

    // Talks to the portal on the session bus.
    explicit AppearancePortal(QObject* parent = nullptr);
    // Talks to the portal on the bus at `busAddress` (tests run their own bus).
    AppearancePortal(const QString& busAddress, QObject* parent);
    ~AppearancePortal() override;

    // Absent until the portal has answered, and for good when there is no portal or it has no such setting.
    std::optional<ColorScheme> colorScheme() const { return m_scheme; }
    // True once the first read has finished, whichever way it went.
    bool hasAnswered() const { return m_answered; }

Q_SIGNALS:
    void colorSchemeChanged();
    void answered();

private:
    class Listener;
    void onSettingChanged(const QString& nameSpace, const QString& key, const QVariant& value);
    void start();
    void readWith(const QString& method);
    void setScheme(std::optional<ColorScheme> scheme);

    QString m_connectionName;
    bool m_ownsConnection = false;
    bool m_answered = false;
    bool m_changedBeforeAnswer = false;
    std::optional<ColorScheme> m_scheme;
};
