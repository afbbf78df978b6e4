// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/SymbolIcon.h"

#include <QFile>
#include <QIconEngine>
#include <QPainter>
#include <QPixmap>
#include <QStyle>
#include <QSvgRenderer>

namespace {

// Draws the SVG afresh for every size and pixel ratio asked, so a symbol is sharp on each monitor at its own scale.
class SymbolIconEngine : public QIconEngine
{
public:
    explicit SymbolIconEngine(const QByteArray& svg) : m_svg(svg), m_renderer(svg) {}

    bool isValid() const { return m_renderer.isValid(); }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override
    {
        painter->save();
        if (mode == QIcon::Disabled)
            painter->setOpacity(painter->opacity() * 0.4);
        m_renderer.render(painter, rect);
        painter->restore();
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return scaledPixmap(size, mode, state, 1.0);
    }

    // `size` is in device pixels already: QIcon asks for the logical size times `scale`.
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override
    {
        // A button with no room for its icon still asks for one.
        if (size.isEmpty())
            return {};
        QPixmap pixmap(size);
        pixmap.fill(Qt::transparent);
        {
            QPainter painter(&pixmap);
            paint(&painter, QRect(QPoint(), pixmap.size()), mode, state);
        }
        pixmap.setDevicePixelRatio(scale);
        return pixmap;
    }

    QIconEngine* clone() const override { return new SymbolIconEngine(m_svg); }

private:
    QByteArray m_svg;
    QSvgRenderer m_renderer;
};

} // namespace

QIcon symbolIcon(const QString& name, const QColor& color, int size)
{
    Q_UNUSED(size) // drawn at whatever size and scale the icon is shown
    QFile file(QStringLiteral(":/symbols/") + name + QStringLiteral(".svg"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QByteArray svg = file.readAll();
    svg.replace("currentColor", color.name(QColor::HexRgb).toLatin1());
    if (color.alpha() < 255) {
        // SVG colours carry no alpha: fade the whole drawing instead.
        const QByteArray opacity = QByteArray("<svg opacity=\"") + QByteArray::number(color.alphaF(), 'f', 3) + "\" ";
        svg.replace("<svg ", opacity);
    }
    auto engine = std::make_unique<SymbolIconEngine>(svg);
    if (!engine->isValid())
        return {};
    return QIcon(engine.release());
}

void SymbolLabel::setSymbol(const QIcon& icon, int size)
{
    m_icon = icon;
    m_size = size;
    updateGeometry();
    update();
}

void SymbolLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    m_icon.paint(&painter, QStyle::alignedRect(layoutDirection(), Qt::AlignCenter, QSize(m_size, m_size), rect()));
}
