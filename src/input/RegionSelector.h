// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QRasterWindow>

#include <functional>
#include <optional>

class RegionOverlay;

// Our own interactive region screenshot: every screen is grabbed, then covered by a full-screen overlay showing
// that picture, where the user drags a rectangle. Releasing the button delivers the rectangle's pixels; Escape, the
// right button or a click without a drag cancels. It needs no external tool and always ends.
class RegionSelector : public QObject
{
    Q_OBJECT

public:
    using Completion = std::function<void(std::optional<QImage>)>;

    // Starts at once; `completion` runs exactly once, later, on the GUI thread. The selector deletes itself after.
    static RegionSelector* start(Completion completion, QObject* parent = nullptr);
    ~RegionSelector() override;

    // A drag shorter than this in both directions is a click.
    static constexpr int minimumDrag = 3;

private:
    explicit RegionSelector(Completion completion, QObject* parent);
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
