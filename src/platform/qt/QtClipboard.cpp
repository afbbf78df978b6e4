// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qt/QtClipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace {

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
    m_clipboard->setText(text, QClipboard::Clipboard);
}

bool QtClipboard::supportsSelection() const
{
    return m_clipboard->supportsSelection();
}

bool QtClipboard::readsNeedFocus() const
{
    return QGuiApplication::platformName().startsWith(u"wayland");
}
