// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QImage>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QVariantMap>

#include <chrono>
#include <functional>
#include <optional>

// The interactive screenshot of the xdg-desktop-portal (Wayland sessions): the desktop lets the user pick a region
// and answers with the file it saved, which we read and then delete.
class ScreenshotPortal : public QObject, protected QDBusContext
{
    Q_OBJECT

public:
    // `error` is for the user, and empty when the request simply ended without a picture (cancelled, refused).
    using Completion = std::function<void(std::optional<QImage> image, QString error)>;

    // The user is choosing a region; past this the portal is taken to be stuck.
    static constexpr std::chrono::milliseconds defaultTimeout = std::chrono::minutes(2);

    // Starts at once on the session bus; `completion` runs exactly once, later, on the GUI thread. The request
    // deletes itself after.
    static ScreenshotPortal* start(Completion completion, QObject* parent = nullptr);
    // The same on `bus`, giving up after `timeout` (tests run their own bus and wait less).
    static ScreenshotPortal* start(const QDBusConnection& bus, std::chrono::milliseconds timeout, Completion completion,
                                   QObject* parent = nullptr);
    ~ScreenshotPortal() override;

    // Abandons the request: the portal is asked to close its dialog and the completion runs now, with no picture
    // and no error.
    void cancel();

    // Where the answer is awaited: the path our token names, then the handle the portal returned.
    QString requestPath() const { return m_requestPath; }

private Q_SLOTS:
    // org.freedesktop.portal.Request.Response: 0 success, 1 cancelled, 2 other failure.
    void response(uint code, const QVariantMap& results);

private:
    ScreenshotPortal(const QDBusConnection& bus, Completion completion, QObject* parent);
    void request(std::chrono::milliseconds timeout);
    void listen(const QString& path);
    void stopListening();
    void closeRequest();
    void finish(std::optional<QImage> image, const QString& error = QString());

    QDBusConnection m_bus;
    Completion m_completion;
    QString m_requestPath;
    bool m_listening = false;
    QTimer m_timeout;
    qint64 m_startedSeconds = 0; // when the request went out, for telling the portal's new file from older ones
};
