// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qt/QtClipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QPointer>
#include <QUrl>

namespace {

// Our text on the clipboard, telling when someone asks for it: the desktop asks us for the data at each paste.
class ReportingMimeData : public QMimeData
{
public:
    explicit ReportingMimeData(QtClipboard* clipboard) : m_clipboard(clipboard) {}

protected:
    QVariant retrieveData(const QString& type, QMetaType preferredType) const override
    {
        // Queued: this runs inside Qt's answer to the other application.
        QMetaObject::invokeMethod(
            m_clipboard.data(),
            [clipboard = m_clipboard] {
                if (clipboard)
                    Q_EMIT clipboard->textRead();
            },
            Qt::QueuedConnection);
        return QMimeData::retrieveData(type, preferredType);
    }

private:
    QPointer<QtClipboard> m_clipboard;
};

QClipboard::Mode qtMode(Clipboard::Mode mode)
{
    return mode == Clipboard::Mode::Selection ? QClipboard::Selection : QClipboard::Clipboard;
}

} // namespace

QtClipboard::QtClipboard(QClipboard* clipboard, QObject* parent) : Clipboard(parent), m_clipboard(clipboard)
{
    connect(m_clipboard, &QClipboard::changed, this, [this](QClipboard::Mode mode) {
        if (mode == QClipboard::Clipboard)
            Q_EMIT changed(Mode::Clipboard);
        else if (mode == QClipboard::Selection)
            Q_EMIT changed(Mode::Selection);
    });
}

QString QtClipboard::text(Mode mode) const
{
    if (mode == Mode::Selection && !supportsSelection())
        return QString();
    return textFromMimeData(m_clipboard->mimeData(qtMode(mode)));
}

std::optional<QImage> QtClipboard::image(ImageSources sources) const
{
    return imageFromMimeData(m_clipboard->mimeData(QClipboard::Clipboard), sources);
}

void QtClipboard::setText(const QString& text)
{
    auto* data = new ReportingMimeData(this);
    data->setText(text);
    m_clipboard->setMimeData(data, QClipboard::Clipboard);
}

std::unique_ptr<QMimeData> QtClipboard::save() const
{
    const QMimeData* now = m_clipboard->mimeData(QClipboard::Clipboard);
    if (!now)
        return nullptr;
    auto saved = std::make_unique<QMimeData>();
    if (now->hasText()) {
        const QString text = now->text();
        if (text.size() > maxTextLength)
            return nullptr; // put back in part would be worse than not at all
        saved->setText(text);
    }
    if (now->hasHtml()) {
        const QString html = now->html();
        if (html.size() > maxTextLength)
            return nullptr;
        saved->setHtml(html);
    }
    if (now->hasUrls())
        saved->setUrls(now->urls());
    if (const std::optional<QImage> picture = imageFromMimeData(now, ImageSources::Data))
        saved->setImageData(*picture);
    return saved->formats().isEmpty() ? nullptr : std::move(saved);
}

void QtClipboard::restore(std::unique_ptr<QMimeData> saved)
{
    if (saved)
        m_clipboard->setMimeData(saved.release(), QClipboard::Clipboard);
    else
        m_clipboard->clear(QClipboard::Clipboard);
}

bool QtClipboard::supportsSelection() const
{
    return m_clipboard->supportsSelection();
}

bool QtClipboard::readsNeedFocus() const
{
    return QGuiApplication::platformName().startsWith(u"wayland");
}
