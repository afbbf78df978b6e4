// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QObject>
#include <QTimer>
#include <QVariantList>
#include <QVariantMap>

#include <chrono>
#include <functional>

// One call to a desktop portal method that answers later through an org.freedesktop.portal.Request object. The
// answer is subscribed to at the path our handle_token names before the call goes out, so a quick answer is not
// lost, and again at the handle the portal returns where that differs (portals older than handle_token). The
// completion runs once, on the GUI thread, unless the request is closed first.
class PortalRequest : public QObject, protected QDBusContext
{
    Q_OBJECT

public:
    enum class Outcome
    {
        Answered,  // Response 0; the results are the portal's
        Cancelled, // Response 1: the user dismissed the portal's dialog
        Failed,    // Response 2, or any other code
        Refused,   // the method call itself failed; `error` has the bus's message
        TimedOut   // no answer within the timeout; the portal is asked to close the request
    };
    using Completion = std::function<void(Outcome outcome, const QVariantMap& results, const QString& error)>;

    static const QString portalService;
    static const QString portalPath;

    PortalRequest(const QDBusConnection& bus, std::chrono::milliseconds timeout, QObject* parent = nullptr);
    ~PortalRequest() override;

    // Calls `interface`.`method` with `arguments`, then `options` with a new handle_token added.
    void start(const QString& interface, const QString& method, const QVariantList& arguments, QVariantMap options,
               Completion completion);
    // Asks the portal to take its dialog down; the completion will not run.
    void close();

    bool isPending() const { return bool(m_completion); }
    // Where the answer is awaited: the path our token names, then the handle the portal returned.
    QString path() const { return m_path; }

private Q_SLOTS:
    void response(uint code, const QVariantMap& results);

private:
    void listen(const QString& path);
    void stopListening();
    void sendClose();
    void finish(Outcome outcome, const QVariantMap& results = {}, const QString& error = QString());

    QDBusConnection m_bus;
    std::chrono::milliseconds m_timeoutAfter;
    Completion m_completion;
    QString m_path;
    bool m_listening = false;
    QTimer m_timeout;
};
