// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/RegionSelector.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

RegionSelector* RegionSelector::start(Completion completion, QObject* parent)
{
    auto* selector = new RegionSelector(parent);
    selector->grab(std::move(completion));
    return selector;
}

RegionSelector::RegionSelector(QObject* parent) : ScreenGrabber(parent) {}

void RegionSelector::grab(Completion completion)
{
    m_completion = std::move(completion);
    const QList<QScreen*> screens = QGuiApplication::screens();
    for (QScreen* screen : screens) {
        // The picture is taken before any overlay covers the screen.
        const QImage picture = screen->grabWindow(0).toImage();
        if (picture.isNull())
            continue;
        m_shots.append({screen->geometry(), picture});
        m_overlays << new RegionOverlay(this, screen, picture);
    }
    if (m_overlays.isEmpty()) {
        QTimer::singleShot(0, this, [this] { finish(std::nullopt); });
        return;
    }
    for (RegionOverlay* overlay : std::as_const(m_overlays))
        overlay->show();
}

RegionSelector::~RegionSelector()
{
    qDeleteAll(m_overlays);
    // Torn down before the user chose (the owner went away): the capture still ends, with nothing.
    if (m_completion)
        std::exchange(m_completion, nullptr)(std::nullopt, QString());
}

void RegionSelector::finish(std::optional<QImage> image)
{
    if (!m_completion)
        return;
    for (RegionOverlay* overlay : std::as_const(m_overlays))
        overlay->hide();
    const Completion completion = std::exchange(m_completion, nullptr);
    deleteLater();
    completion(std::move(image), QString());
}

RegionOverlay::RegionOverlay(RegionSelector* selector, QScreen* screen, QImage picture)
    : m_selector(selector), m_picture(std::move(picture))
{
    setScreen(screen);
    // Above everything and outside the window manager's control, like other region-capture tools; the keyboard
    // and pointer are grabbed once it is visible.
    setFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::X11BypassWindowManagerHint);
    setGeometry(screen->geometry());
    setCursor(Qt::CrossCursor);
}

void RegionOverlay::exposeEvent(QExposeEvent* event)
{
    QRasterWindow::exposeEvent(event);
    if (isExposed() && !m_grabbed) {
        m_grabbed = true;
        requestActivate();
        setKeyboardGrabEnabled(true);
        setMouseGrabEnabled(true);
    }
}

void RegionOverlay::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect whole(QPoint(0, 0), size());
    painter.drawImage(whole, m_picture);
    painter.fillRect(whole, QColor(0, 0, 0, 110));
    if (!m_selector)
        return;
    // The part of the selection on this monitor, which may be all of it, some of it or none.
    const QRect area = m_selector->selection().translated(-geometry().topLeft()).intersected(whole);
    if (area.isEmpty())
        return;
    const qreal ratio = qreal(m_picture.width()) / qMax(1, width());
    const QRectF source(area.x() * ratio, area.y() * ratio, area.width() * ratio, area.height() * ratio);
    painter.drawImage(area, m_picture, source);
    painter.setPen(QPen(QColor(255, 255, 255), 1));
    const QRect outline = m_selector->selection().translated(-geometry().topLeft());
    painter.drawRect(outline.adjusted(0, 0, -1, -1));
}

void RegionOverlay::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && m_selector)
        m_selector->finish(std::nullopt);
}

// The overlay that saw the press holds the pointer grab, so it also sees the drag over other monitors; positions
// go to the selector in desktop coordinates.
void RegionOverlay::mousePressEvent(QMouseEvent* event)
{
    if (!m_selector)
        return;
    if (event->button() == Qt::RightButton)
        m_selector->finish(std::nullopt);
    else if (event->button() == Qt::LeftButton)
        m_selector->press(mapToGlobal(event->position().toPoint()));
}

void RegionOverlay::mouseMoveEvent(QMouseEvent* event)
{
    if (m_selector)
        m_selector->drag(mapToGlobal(event->position().toPoint()));
}

void RegionOverlay::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_selector && event->button() == Qt::LeftButton)
        m_selector->release(mapToGlobal(event->position().toPoint()));
}

void RegionSelector::press(QPoint global)
{
    m_dragging = true;
    m_origin = global;
    drag(global);
}

// The pixels between the press and the current point, the latter excluded: a drag of 100 pixels selects 100.
void RegionSelector::drag(QPoint global)
{
    if (!m_dragging)
        return;
    m_selection = QRect(QPoint(qMin(m_origin.x(), global.x()), qMin(m_origin.y(), global.y())),
                        QSize(qAbs(global.x() - m_origin.x()), qAbs(global.y() - m_origin.y())));
    for (RegionOverlay* overlay : std::as_const(m_overlays))
        overlay->update();
}

void RegionSelector::release(QPoint global)
{
    if (!m_dragging)
        return;
    drag(global);
    m_dragging = false;
    const QRect area = m_selection;
    // A straight line has no pixels to deliver either.
    if (area.isEmpty() || (area.width() < minimumDrag && area.height() < minimumDrag)) {
        finish(std::nullopt);
        return;
    }
    finish(compose(m_shots, area));
}

QImage RegionSelector::compose(const QList<Shot>& shots, const QRect& area)
{
    qreal scale = 1;
    for (const Shot& shot : shots) {
        if (shot.geometry.intersects(area))
            scale = qMax(scale, qreal(shot.picture.width()) / qMax(1, shot.geometry.width()));
    }
    QImage image((QSizeF(area.size()) * scale).toSize(), QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    for (const Shot& shot : shots) {
        const QRect part = shot.geometry.intersected(area);
        if (part.isEmpty())
            continue;
        // Each monitor's part comes from its own pixels, scaled up where it is coarser than the finest.
        const qreal ratio = qreal(shot.picture.width()) / qMax(1, shot.geometry.width());
        const QRectF source(QPointF(part.topLeft() - shot.geometry.topLeft()) * ratio, QSizeF(part.size()) * ratio);
        const QRectF target(QPointF(part.topLeft() - area.topLeft()) * scale, QSizeF(part.size()) * scale);
        painter.drawImage(target, shot.picture, source);
    }
    return image;
}
