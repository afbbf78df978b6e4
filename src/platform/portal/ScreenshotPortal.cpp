// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/portal/ScreenshotPortal.h"

#include "platform/Log.h"

#include <QDateTime>
#include <QFile>
#include <QImageReader>
#include <QUrl>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr auto component = u"ScreenshotCapture";

// A region screenshot of even a large screen is far below these; more is not a picture we want to hold. The pixel
// bound matches QImageReader's own allocation limit by default and still holds where that limit is lifted; an 8K
// screen in 32 bits fits.
constexpr qint64 maximumFileSize = 256 * 1024 * 1024;
constexpr qint64 maximumPixelBytes = 128 * 1024 * 1024;
constexpr qsizetype maximumUriLength = 4096;

std::optional<QImage> decode(QIODevice* device)
{
    QImageReader reader(device);
    // The header's size is checked before any pixels are allocated.
    const QSize size = reader.size();
    if (!size.isValid() || qint64(size.width()) * size.height() * 4 > maximumPixelBytes)
        return std::nullopt;
    QImage image;
    if (!reader.read(&image))
        return std::nullopt;
    return image;
}

// The portal names the file it saved. That name comes from another process, so only a local file URL naming a
// regular file is opened (no link, pipe or device), and only up to a size. The file is the portal's copy for us:
// it goes once opened, whether or not it decodes, but only when it is ours and was written during this request,
// so a wrong answer cannot make us delete some older file of the user's.
std::optional<QImage> takePicture(const QVariant& value, qint64 requestStartedSeconds)
{
    if (value.typeId() != QMetaType::QString || value.toString().size() > maximumUriLength)
        return std::nullopt;
    const QUrl uri(value.toString(), QUrl::StrictMode);
    if (!uri.isValid() || uri.scheme() != u"file" || !uri.host().isEmpty())
        return std::nullopt;
    const QString path = uri.toLocalFile();
    if (!path.startsWith(u'/'))
        return std::nullopt;
    const QByteArray name = QFile::encodeName(path);
    const int descriptor = ::open(name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0)
        return std::nullopt;
    struct stat info = {};
    if (::fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(descriptor);
        return std::nullopt;
    }
    std::optional<QImage> image;
    if (info.st_size <= maximumFileSize) {
        QFile file;
        if (file.open(descriptor, QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
            image = decode(&file);
    }
    ::close(descriptor);
    // Some slack for file systems that keep whole seconds or clocks a little apart.
    const bool writtenForUs = info.st_uid == ::getuid() && info.st_mtime >= requestStartedSeconds - 2;
    if (writtenForUs && ::unlink(name.constData()) != 0)
        logLine(component, QStringLiteral("Could not delete the screenshot portal's file"));
    return image;
}

} // namespace

ScreenshotPortal* ScreenshotPortal::start(Completion completion, QObject* parent)
{
    return start(QDBusConnection::sessionBus(), defaultTimeout, std::move(completion), parent);
}

ScreenshotPortal* ScreenshotPortal::start(const QDBusConnection& bus, std::chrono::milliseconds timeout,
                                          Completion completion, QObject* parent)
{
    auto* portal = new ScreenshotPortal(bus, timeout, parent);
    portal->grab(std::move(completion));
    return portal;
}

ScreenshotPortal::ScreenshotPortal(const QDBusConnection& bus, std::chrono::milliseconds timeout, QObject* parent)
    : ScreenGrabber(parent), m_request(bus, timeout)
{}

ScreenshotPortal::~ScreenshotPortal()
{
    if (!m_completion)
        return;
    // Torn down while the user still chooses (the owner went away): take the dialog down too, end with nothing.
    m_request.close();
    std::exchange(m_completion, nullptr)(std::nullopt, QString());
}

void ScreenshotPortal::cancel()
{
    if (!m_completion)
        return;
    m_request.close();
    finish(std::nullopt);
}

void ScreenshotPortal::grab(Completion completion)
{
    m_completion = std::move(completion);
    m_startedSeconds = QDateTime::currentSecsSinceEpoch();
    m_request.start(QStringLiteral("org.freedesktop.portal.Screenshot"), QStringLiteral("Screenshot"), {QString()},
                    {{QStringLiteral("interactive"), true}, {QStringLiteral("modal"), true}},
                    [this](PortalRequest::Outcome outcome, const QVariantMap& results, const QString& error) {
                        answered(outcome, results, error);
                    });
}

void ScreenshotPortal::answered(PortalRequest::Outcome outcome, const QVariantMap& results, const QString& error)
{
    switch (outcome) {
    case PortalRequest::Outcome::Answered:
        break;
    case PortalRequest::Outcome::TimedOut:
        logLine(component, QStringLiteral("The screenshot portal did not answer in time"));
        finish(std::nullopt, tr("The screenshot service did not answer."));
        return;
    case PortalRequest::Outcome::Refused:
        // No portal at all, or one that turns us away: nothing the user did, so they hear why nothing happened.
        logLine(component, QStringLiteral("The screenshot portal refused: ") + error);
        finish(std::nullopt, tr("Your desktop offers no screenshot service to Vantro. Set a screenshot command in "
                                "screenshot_command instead."));
        return;
    case PortalRequest::Outcome::Cancelled:
    case PortalRequest::Outcome::Failed:
        finish(std::nullopt);
        return;
    }
    std::optional<QImage> image = takePicture(results.value(QStringLiteral("uri")), m_startedSeconds);
    if (!image)
        logLine(component, QStringLiteral("The screenshot portal gave no readable picture"));
    finish(std::move(image));
}

void ScreenshotPortal::finish(std::optional<QImage> image, const QString& error)
{
    if (!m_completion)
        return;
    const Completion completion = std::exchange(m_completion, nullptr);
    deleteLater();
    completion(std::move(image), error);
}
