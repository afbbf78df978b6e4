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
        if (!picture.isNull())
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

// The pixels between the press and the current point, the latter excluded: a drag of 100 pixels selects 100.
QRect RegionOverlay::selection() const
{
    return QRect(QPoint(qMin(m_origin.x(), m_current.x()), qMin(m_origin.y(), m_current.y())),
                 QSize(qAbs(m_current.x() - m_origin.x()), qAbs(m_current.y() - m_origin.y())));
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
    if (m_dragging) {
        const QRect area = selection();
        const qreal ratio = qreal(m_picture.width()) / qMax(1, width());
        const QRectF source(area.x() * ratio, area.y() * ratio, area.width() * ratio, area.height() * ratio);
        painter.drawImage(area, m_picture, source);
        painter.setPen(QPen(QColor(255, 255, 255), 1));
        painter.drawRect(area.adjusted(0, 0, -1, -1));
    }
}

void RegionOverlay::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && m_selector)
        m_selector->finish(std::nullopt);
}

void RegionOverlay::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton) {
        if (m_selector)
            m_selector->finish(std::nullopt);
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;
    m_dragging = true;
    m_origin = m_current = event->position().toPoint();
    update();
}

void RegionOverlay::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_dragging)
        return;
    m_current = event->position().toPoint();
    update();
}

void RegionOverlay::mouseReleaseEvent(QMouseEvent* event)
{
    if (!m_dragging || event->button() != Qt::LeftButton || !m_selector)
        return;
    m_dragging = false;
    m_current = event->position().toPoint();
    const QRect area = selection();
    // A straight line has no pixels to deliver either.
    if (area.isEmpty() || (area.width() < RegionSelector::minimumDrag && area.height() < RegionSelector::minimumDrag)) {
        m_selector->finish(std::nullopt);
        return;
    }
    // The picture has device pixels; the selection is in this window's logical coordinates.
    const qreal ratio = qreal(m_picture.width()) / qMax(1, width());
    const QRect source = QRectF(area.x() * ratio, area.y() * ratio, area.width() * ratio, area.height() * ratio)
                             .toAlignedRect()
                             .intersected(m_picture.rect());
    m_selector->finish(m_picture.copy(source));
}
