// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/ScreenGrabber.h"

#include <QPointer>
#include <QRasterWindow>

class RegionOverlay;

// Our own interactive region screenshot: every screen is grabbed, then covered by a full-screen overlay showing
// that picture, where the user drags a rectangle. Releasing the button delivers the rectangle's pixels; Escape, the
// right button or a click without a drag cancels. It needs no external tool and always ends.
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

private:
    friend class RegionOverlay;
    void finish(std::optional<QImage> image);

    Completion m_completion;
    QList<RegionOverlay*> m_overlays;
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
    QRect selection() const;

    QPointer<RegionSelector> m_selector;
    QImage m_picture;
    QPoint m_origin, m_current;
    bool m_dragging = false;
    bool m_grabbed = false;
};
