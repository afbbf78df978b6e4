// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "support/PrivateSessionBus.h"

#include <QDBusContext>
#include <QDBusObjectPath>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

#include <functional>

// The screenshot part of a desktop portal on a private session bus. A Screenshot call gets a request object and its
// handle, and nothing more: the test answers (or not) with respond(), as the user would in the portal's dialog.
class FakeScreenshotPortal : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Screenshot")

public:
    FakeScreenshotPortal();

    bool isRunning() const { return m_exported; }
    QString busAddress() const { return m_exported ? m_bus.address() : QString(); }

    // Hand out this handle instead of the one the caller's token names, as portals before handle_token did.
    void setHandle(const QString& path) { m_fixedHandle = path; }
    // For the last Screenshot call: the path its handle_token names, and the handle returned. Empty before.
    QString tokenPath() const { return m_tokenPath; }
    QString handle() const { return m_handle; }
    // Request objects that were told to Close, in order.
    QStringList closed() const { return m_closed; }

    // org.freedesktop.portal.Request.Response on `path`.
    void respond(const QString& path, uint code, const QVariantMap& results = {});

public Q_SLOTS:
    QDBusObjectPath Screenshot(const QString& parentWindow, const QVariantMap& options);

private:
    PrivateSessionBus m_bus{QStringLiteral("org.freedesktop.portal.Desktop")};
    bool m_exported = false;
    QString m_fixedHandle;
    QString m_tokenPath;
    QString m_handle;
    QStringList m_closed;
};

// One request object: only Close, which the portal uses to take its dialog down.
class FakePortalRequest : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Request")

public:
    FakePortalRequest(std::function<void()> closed, QObject* parent) : QObject(parent), m_closed(std::move(closed)) {}

public Q_SLOTS:
    void Close() { m_closed(); }

private:
    std::function<void()> m_closed;
};
