// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QObject>
#include <QString>

#include <memory>
#include <optional>

class QMimeData;

// The desktop's clipboard and the PRIMARY selection, and the one way text and pictures from other applications are
// read: copies, drops and pastes all go through the rules here.
class Clipboard : public QObject
{
    Q_OBJECT

public:
    enum class Mode
    {
        Clipboard,
        Selection // the PRIMARY selection: text selected without copying
    };

    enum class ImageSources
    {
        Data,           // picture data only
        DataOrLocalFile // also an image file the user dropped or pasted (the first file decides)
    };

    // The most text taken from another application, in UTF-16 units; anything past it is dropped.
    static constexpr qsizetype maxTextLength = qsizetype(1) << 20;

    using QObject::QObject;

    // Text as the user selected it (see textFromMimeData); empty when there is none.
    virtual QString text(Mode mode = Mode::Clipboard) const = 0;
    // A picture on the clipboard (see imageFromMimeData).
    virtual std::optional<QImage> image(ImageSources sources = ImageSources::Data) const = 0;
    // Puts `text` on the clipboard; textRead tells when another application takes it.
    virtual void setText(const QString& text) = 0;
    // What the clipboard holds now (its text, HTML, links and picture), to put back with restore(); null when it
    // holds none of these, or more text than maxTextLength.
    virtual std::unique_ptr<QMimeData> save() const = 0;
    // Puts back what save() returned; null empties the clipboard.
    virtual void restore(std::unique_ptr<QMimeData> saved) = 0;
    // Whether this session has a PRIMARY selection.
    virtual bool supportsSelection() const = 0;
    // Whether the desktop hands the clipboard only to a focused window (Wayland): read it once a window of ours
    // has the focus.
    virtual bool readsNeedFocus() const { return false; }

    // The text in `mime`: on X11 the UTF8_STRING target, else the data's own text. Line ends are LF, the length is
    // at most maxTextLength. Empty for null data or data without text.
    static QString textFromMimeData(const QMimeData* mime);
    // The picture in `mime`: PNG first (what Linux applications offer), TIFF next, then any other picture type.
    static std::optional<QImage> imageFromMimeData(const QMimeData* mime, ImageSources sources);

Q_SIGNALS:
    void changed(Clipboard::Mode mode);
    // The text of the last setText was read (by a paste, or by a clipboard manager keeping a copy).
    void textRead();
};
