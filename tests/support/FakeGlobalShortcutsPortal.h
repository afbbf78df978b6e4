// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "support/PrivateSessionBus.h"

#include <QDBusAbstractAdaptor>
#include <QDBusArgument>
#include <QDBusContext>
#include <QDBusObjectPath>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

struct FakeShortcut
{
    QString id;
    QVariantMap properties;
};
Q_DECLARE_METATYPE(FakeShortcut)

// The global shortcuts part of a desktop portal, with its host registry, on a private session bus. Sessions and
// bindings are answered as the test chooses; activations are sent when the test presses a shortcut.
class FakeGlobalShortcutsPortal : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.GlobalShortcuts")
    Q_PROPERTY(uint version READ version)

public:
    enum class Answer
    {
        Bind,   // the user accepted: the shortcuts come back with their triggers
        Refuse, // Response 2
        Silent  // no Response at all
    };

    FakeGlobalShortcutsPortal();

    bool isRunning() const { return m_exported; }
    QString busAddress() const { return m_exported ? m_bus.address() : QString(); }
    uint version() const { return 2; }

    void setAnswer(Answer answer) { m_answer = answer; }
    QString registeredApplication() const { return m_registered; }
    QString session() const { return m_session; }
    QStringList closedSessions() const { return m_closedSessions; }
    int configureCalls() const { return m_configureCalls; }

    void press(const QString& id, const QString& session = QString());
    void release(const QString& id);
    void changeTrigger(const QString& id, const QString& trigger);

    // Called by the registry's adaptor.
    void registerApplication(const QString& id) { m_registered = id; }

public Q_SLOTS:
    QDBusObjectPath CreateSession(const QVariantMap& options);
    QDBusObjectPath BindShortcuts(const QDBusObjectPath& session, const QList<FakeShortcut>& shortcuts,
                                  const QString& parentWindow, const QVariantMap& options);
    void ConfigureShortcuts(const QDBusObjectPath& session, const QString& parentWindow, const QVariantMap& options);

private:
    QString requestPath(const QVariantMap& options) const;
    void respond(const QString& path, uint code, const QVariantMap& results);
    void sendSignal(const QString& name, const QString& id, const QString& session);

    PrivateSessionBus m_bus{QStringLiteral("org.freedesktop.portal.Desktop")};
    bool m_exported = false;
    Answer m_answer = Answer::Bind;
    QString m_registered;
    QString m_session;
    QStringList m_closedSessions;
    int m_configureCalls = 0;
};
