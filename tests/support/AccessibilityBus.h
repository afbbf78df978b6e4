// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "support/PrivateSessionBus.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QProcess>
#include <QProcessEnvironment>

// What a screen reader sees: at-spi2-core's bus launcher on a private session bus, and a connection to the
// accessibility bus it opens. Applications started with environment() show themselves in its registry.
class AccessibilityBus : public QObject
{
    Q_OBJECT

public:
    // One `object:state-changed:...` signal an application sent.
    struct StateChange
    {
        QString sender;
        QString path;
        QString state;
        int value = 0;
    };

    AccessibilityBus();
    ~AccessibilityBus() override;

    bool isRunning() const { return m_a11y.isConnected(); }
    QProcessEnvironment environment() const;

    // The names of everything the registry shows, walked from its root: the applications and all below them.
    QStringList names() const;
    QString name(const QString& sender, const QString& path) const;
    QString roleName(const QString& sender, const QString& path) const;

    // Asks every application for its state changes (as a reader registers for them) and records them from now on.
    bool recordStateChanges();
    QList<StateChange> stateChanges;

private Q_SLOTS:
    void record(const QDBusMessage& message);

private:
    PrivateSessionBus m_session;
    QProcess m_launcher;
    QString m_connectionName;
    QDBusConnection m_a11y{QString()};
};
