// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Clipboard.h"

class QClipboard;

// The clipboard through Qt's own, which speaks X11 selections and the Wayland data device alike.
class QtClipboard : public Clipboard
{
    Q_OBJECT

public:
    explicit QtClipboard(QClipboard* clipboard, QObject* parent = nullptr);

    QString text(Mode mode = Mode::Clipboard) const override;
    std::optional<QImage> image(ImageSources sources = ImageSources::Data) const override;
    void setText(const QString& text) override;
    std::unique_ptr<QMimeData> save() const override;
    void restore(std::unique_ptr<QMimeData> saved) override;
    bool supportsSelection() const override;
    bool readsNeedFocus() const override;

private:
    QClipboard* m_clipboard;
};
