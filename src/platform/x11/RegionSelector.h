// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/ScreenGrabber.h"

#include <QPointer>
#include <QRasterWindow>

class RegionOverlay;

// Our own interactive region screenshot: every monitor is grabbed, then covered by an overlay of its own showing
// that picture at the monitor's scale, where the user drags a rectangle, across monitors if they like. Releasing
// the button delivers the rectangle's pixels; Escape, the right button or a click without a drag cancels. It needs
// no external tool and always ends.
class RegionSelector : public ScreenGrabber
{
    Q_OBJECT

public:
    explicit RegionSelector(QObject* parent = nullptr);
    ~RegionSelector() override;

    // A new selector, already grabbing.
    static RegionSelector* start(Completion completion, QObject* parent = nullptr);

    void grab(Completion completion) override;
    void cancel() override { finish(std::nullopt); }

    // A drag shorter than this in both directions is a click.
    static constexpr int minimumDrag = 3;

    // One monitor's picture and where the monitor lies on the desktop, in logical pixels.
    struct Shot
    {
        QRect geometry;
        QImage picture;
    };
    // The pixels of `area` (desktop coordinates) from every shot it covers, at the finest scale among them; parts
    // no monitor covers stay black.
    static QImage compose(const QList<Shot>& shots, const QRect& area);

private:
    friend class RegionOverlay;
    void press(QPoint global);
    void drag(QPoint global);
    void release(QPoint global);
    // The dragged rectangle in desktop coordinates; empty while nothing is dragged.
    QRect selection() const { return m_dragging ? m_selection : QRect(); }
    void finish(std::optional<QImage> image);

    Completion m_completion;
    QList<RegionOverlay*> m_overlays;
    QList<Shot> m_shots;
    QPoint m_origin;
    QRect m_selection;
    bool m_dragging = false;
};

class RegionOverlay : public QRasterWindow
{
    Q_OBJECT

public:
    RegionOverlay(RegionSelector* selector, QScreen* screen, QImage picture);

protected:
    void paintEvent(QPaintEvent* event) override;
    void exposeEvent(QExposeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QPointer<RegionSelector> m_selector;
    QImage m_picture;
    bool m_grabbed = false;
};
