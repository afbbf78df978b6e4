// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/ScreenGrabber.h"
#include "platform/portal/PortalRequest.h"

#include <QDBusConnection>

#include <chrono>

// The interactive screenshot of the xdg-desktop-portal (Wayland sessions): the desktop lets the user pick a region
// and answers with the file it saved, which we read and then delete.
class ScreenshotPortal : public ScreenGrabber
{
    Q_OBJECT

public:
    // The user is choosing a region; past this the portal is taken to be stuck.
    static constexpr std::chrono::milliseconds defaultTimeout = std::chrono::minutes(2);

    // Starts at once on the session bus; `completion` runs exactly once, later, on the GUI thread. The request
    // deletes itself after.
    static ScreenshotPortal* start(Completion completion, QObject* parent = nullptr);
    // The same on `bus`, giving up after `timeout` (tests run their own bus and wait less).
    static ScreenshotPortal* start(const QDBusConnection& bus, std::chrono::milliseconds timeout, Completion completion,
                                   QObject* parent = nullptr);
    // A request on `bus` that gives up after `timeout`.
    explicit ScreenshotPortal(const QDBusConnection& bus = QDBusConnection::sessionBus(),
                              std::chrono::milliseconds timeout = defaultTimeout, QObject* parent = nullptr);
    ~ScreenshotPortal() override;

    void grab(Completion completion) override;
    // Also asks the portal to close its dialog.
    void cancel() override;

    // Where the answer is awaited: the path our token names, then the handle the portal returned.
    QString requestPath() const { return m_request.path(); }

private:
    void answered(PortalRequest::Outcome outcome, const QVariantMap& results, const QString& error);
    void finish(std::optional<QImage> image, const QString& error = QString());

    PortalRequest m_request;
    Completion m_completion;
    qint64 m_startedSeconds = 0; // when the request went out, for telling the portal's new file from older ones
};
