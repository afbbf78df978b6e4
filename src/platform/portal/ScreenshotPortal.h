// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <functional>
#include <optional>

// The interactive screenshot of the xdg-desktop-portal (Wayland sessions): the desktop lets the user pick a region
// and answers with the file it saved.
class ScreenshotPortal : public QObject
{
    Q_OBJECT

public:
    using Completion = std::function<void(std::optional<QImage>)>;

    // Starts at once; `completion` runs exactly once, later, on the GUI thread. The request deletes itself after.
    static ScreenshotPortal* start(Completion completion, QObject* parent = nullptr);
    ~ScreenshotPortal() override;

private Q_SLOTS:
    // org.freedesktop.portal.Request.Response: 0 success, 1 cancelled, 2 other failure.
    void response(uint code, const QVariantMap& results);

private:
    ScreenshotPortal(Completion completion, QObject* parent);
    void request();
    void finish(std::optional<QImage> image);

    Completion m_completion;
    QString m_requestPath;
};
