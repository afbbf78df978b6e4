// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/KeyCap.h"

#include <QPainter>

namespace {

QColor mix(const QColor& from, const QColor& to, double amount)
{
    const auto channel = [amount](float a, float b) { return a + (b - a) * float(amount); };
    return QColor::fromRgbF(channel(from.redF(), to.redF()), channel(from.greenF(), to.greenF()),
                            channel(from.blueF(), to.blueF()), channel(from.alphaF(), to.alphaF()));
}

} // namespace

KeyCap::KeyCap(const QString& text, ThemeColors colors, QWidget* parent)
    : QWidget(parent), m_text(text), m_colors(colors)
{
    QFont bigger = font();
    bigger.setPointSizeF(bigger.pointSizeF() * 1.3);
    bigger.setWeight(QFont::DemiBold);
    setFont(bigger);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName(text);
    m_animation.setDuration(150);
    m_animation.setEasingCurve(QEasingCurve::InOutQuad);
    connect(&m_animation, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        m_amount = value.toDouble();
        update();
    });
}

void KeyCap::setLit(bool lit)
{
    if (lit == m_lit)
        return;
    m_lit = lit;
    setAccessibleName(lit ? tr("%1, pressed").arg(m_text) : m_text);
    m_animation.stop();
    if (!isVisible()) {
        m_amount = lit ? 1 : 0;
        update();
        return;
    }
    m_animation.setStartValue(m_amount);
    m_animation.setEndValue(lit ? 1.0 : 0.0);
    m_animation.start();
}

QSize KeyCap::sizeHint() const
{
    // Square for a letter, wider for a word, and never smaller than a fingertip-sized key.
    const QFontMetrics metrics(font());
    const int side = std::max(52, metrics.height() * 2);
    return {std::max(side, metrics.horizontalAdvance(m_text) + metrics.height() * 2), side};
}

void KeyCap::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF cap = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(QPen(mix(m_colors.boxBorder(), m_colors.accent(), m_amount), 1));
    painter.setBrush(mix(m_colors.boxFill(), m_colors.accent(), m_amount));
    painter.drawRoundedRect(cap, 10, 10);
    painter.setPen(mix(m_colors.text(), QColor(Qt::white), m_amount));
    painter.drawText(rect(), Qt::AlignCenter, m_text);
}
