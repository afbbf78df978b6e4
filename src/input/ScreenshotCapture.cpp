// SPDX-License-Identifier: GPL-3.0-or-later
#include "input/ScreenshotCapture.h"

#include "input/RegionSelector.h"
#include "input/ScreenshotCommand.h"
#include "model/Settings.h"
#include "platform/portal/ScreenshotPortal.h"

#include <QGuiApplication>
#include <QTimer>

ScreenshotCapture::ScreenshotCapture(const Settings* settings, QObject* parent) : QObject(parent), m_settings(settings)
{}

// Captures still running are children: they end now, each completing with no image.
ScreenshotCapture::~ScreenshotCapture() = default;

ScreenshotCapture::Backend ScreenshotCapture::backend(QString* command) const
{
    QString configured = qEnvironmentVariable("VANTRO_SCREENSHOT_COMMAND").trimmed();
    if (configured.isEmpty() && m_settings)
        configured = m_settings->string(SettingsKeys::screenshotCommand).trimmed();
    if (!configured.isEmpty()) {
        if (command)
            *command = configured;
        return Backend::Command;
    }
    const QString platform = qGuiApp ? QGuiApplication::platformName() : QString();
    if (platform.startsWith(u"wayland") ||
        (platform != u"xcb" && qEnvironmentVariable("XDG_SESSION_TYPE") == u"wayland"))
        return Backend::Portal;
    if (platform == u"xcb")
        return Backend::RegionSelector;
    return Backend::None;
}

void ScreenshotCapture::captureScreenshot(Completion completion)
{
    // Only the portal has failures of its own to tell the user about.
    const auto withoutError = [completion](std::optional<QImage> image) { completion(std::move(image), QString()); };
    QString command;
    switch (backend(&command)) {
    case Backend::Command:
        ScreenshotCommand::start(command, withoutError, this);
        return;
    case Backend::Portal:
        ScreenshotPortal::start(std::move(completion), this);
        return;
    case Backend::RegionSelector:
        RegionSelector::start(withoutError, this);
        return;
    case Backend::None:
        QTimer::singleShot(0, this, [withoutError] { withoutError(std::nullopt); });
        return;
    }
}

void ScreenshotCapture::cancel()
{
    // The portal is told to take its dialog down; the others end with their objects.
    for (ScreenshotPortal* portal : findChildren<ScreenshotPortal*>(Qt::FindDirectChildrenOnly))
        portal->cancel();
    qDeleteAll(findChildren<ScreenshotCommand*>(Qt::FindDirectChildrenOnly));
    qDeleteAll(findChildren<RegionSelector*>(Qt::FindDirectChildrenOnly));
}
