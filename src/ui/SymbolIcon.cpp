// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/SymbolIcon.h"

#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

QIcon symbolIcon(const QString& name, const QColor& color, int size)
{
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
    QSvgRenderer renderer(svg);
    if (!renderer.isValid())
        return {};
    const qreal ratio = qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
    QPixmap pixmap(int(size * ratio), int(size * ratio));
    pixmap.fill(Qt::transparent);
    {
        QPainter painter(&pixmap);
        renderer.render(&painter);
    }
    pixmap.setDevicePixelRatio(ratio);
    return QIcon(pixmap);
}
