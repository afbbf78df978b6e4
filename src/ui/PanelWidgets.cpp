// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/PanelWidgets.h"

#include "ui/SymbolIcon.h"

#include <QAbstractScrollArea>
#include <QCoreApplication>
#include <QEvent>
#include <QLayout>
#include <QScrollArea>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>
#include <QToolButton>

namespace PanelWidgets {

QToolButton* iconButton(const QString& symbol, const QString& toolTip, const ThemeColors& colors, QWidget* parent,
                        int size)
{
    auto* button = new QToolButton(parent);
    button->setAutoRaise(true);
    button->setFixedSize(size, size);
    button->setToolTip(toolTip);
    button->setAccessibleName(toolTip);
    button->setCursor(Qt::PointingHandCursor);
    // Reached with Tab, never taken by a click: a click must not move the focus away from what the user types in.
    button->setFocusPolicy(Qt::TabFocus);
    button->setIconSize(QSize(size / 2, size / 2));
    button->setStyleSheet(QStringLiteral("QToolButton { border: 2px solid transparent; border-radius: %1px; "
                                         "background: %2; }"
                                         "QToolButton:hover { background: %3; }"
                                         "QToolButton:focus { border-color: %4; }")
                              .arg(size / 2)
                              .arg(css(colors.iconButtonFill()), css(colors.selectedFill()), css(colors.accent())));
    setIconButtonSymbol(button, symbol, colors);
    return button;
}

void setIconButtonSymbol(QToolButton* button, const QString& symbol, const ThemeColors& colors)
{
    button->setIcon(symbolIcon(symbol, colors.iconButtonGlyph(), button->iconSize().width()));
    button->setProperty("symbol", symbol);
}

namespace {

void collectByLayout(QLayout* layout, QList<QWidget*>& controls);

void collectWidget(QWidget* widget, QList<QWidget*>& controls)
{
    if (!widget)
        return;
    if (widget->focusPolicy() & Qt::TabFocus)
        controls.append(widget);
    if (auto* scroll = qobject_cast<QScrollArea*>(widget))
        collectWidget(scroll->widget(), controls);
    else
        collectByLayout(widget->layout(), controls);
}

void collectByLayout(QLayout* layout, QList<QWidget*>& controls)
{
    if (!layout)
        return;
    for (int i = 0; i < layout->count(); ++i) {
        QLayoutItem* item = layout->itemAt(i);
        if (item->widget())
            collectWidget(item->widget(), controls);
        else
            collectByLayout(item->layout(), controls);
    }
}

} // namespace

void orderTabsByLayout(QWidget* root)
{
    QList<QWidget*> controls;
    collectByLayout(root->layout(), controls);
    for (qsizetype i = 1; i < controls.size(); ++i)
        QWidget::setTabOrder(controls.at(i - 1), controls.at(i));
}

QLabel* caption(const QString& text, const ThemeColors& colors, QWidget* parent)
{
    QLabel* result = label(text, colors.faintText(), 0, parent);
    QFont font = result->font();
    font.setPointSizeF(font.pointSizeF() * 0.8);
    font.setWeight(QFont::Medium);
    result->setFont(font);
    return result;
}

QLabel* label(const QString& text, const QColor& color, qreal pointSize, QWidget* parent)
{
    auto* result = new QLabel(text, parent);
    result->setTextFormat(Qt::PlainText);
    result->setStyleSheet(QStringLiteral("color: %1; background: transparent;").arg(css(color)));
    if (pointSize > 0) {
        QFont font = result->font();
        font.setPointSizeF(pointSize);
        result->setFont(font);
    }
    return result;
}

QString css(const QColor& color)
{
    return QStringLiteral("rgba(%1,%2,%3,%4)")
        .arg(color.red())
        .arg(color.green())
        .arg(color.blue())
        .arg(QString::number(color.alphaF(), 'f', 3));
}

void useThinScrollBar(QScrollBar* bar, const ThemeColors& colors)
{
    bar->setStyleSheet(QStringLiteral("QScrollBar:vertical { background: transparent; width: 8px; margin: 0; }"
                                      "QScrollBar::handle:vertical { background: %1; border-radius: 4px; "
                                      "min-height: 24px; }"
                                      "QScrollBar::handle:vertical:hover { background: %2; }"
                                      "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }"
                                      "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical "
                                      "{ background: transparent; }")
                           .arg(css(colors.boxBorder()), css(colors.faintText())));
}

QString boxButtonStyle(const ThemeColors& colors)
{
    return QStringLiteral("QPushButton { color: %1; background: %2; border: 1px solid %3; border-radius: 8px; "
                          "padding: 3px 10px; }"
                          "QPushButton:hover { background: %4; }"
                          "QPushButton:pressed { background: %4; border-color: %5; }"
                          "QPushButton:focus { border-color: %5; }")
        .arg(css(colors.text()), css(colors.boxFill()), css(colors.boxBorder()), css(colors.selectedFill()),
             css(colors.accent()));
}

QString abbreviatedRelativeTime(const QDateTime& date, const QDateTime& now)
{
    const auto text = [](const char* source, qint64 n = -1) {
        return QCoreApplication::translate("RelativeTime", source, nullptr, int(n));
    };
    const qint64 seconds = date.secsTo(now);
    if (seconds < 60)
        return text(QT_TRANSLATE_NOOP("RelativeTime", "now"));
    if (seconds < 3600)
        return text(QT_TRANSLATE_N_NOOP("RelativeTime", "%n min ago"), seconds / 60);
    if (seconds < 86400)
        return text(QT_TRANSLATE_N_NOOP("RelativeTime", "%n hr ago"), seconds / 3600);
    const qint64 days = seconds / 86400;
    if (days == 1)
        return text(QT_TRANSLATE_NOOP("RelativeTime", "yesterday"));
    if (days < 7)
        return text(QT_TRANSLATE_N_NOOP("RelativeTime", "%n days ago"), days);
    if (days < 35)
        return text(QT_TRANSLATE_N_NOOP("RelativeTime", "%n wk ago"), days / 7);
    return QLocale().toString(date.toLocalTime().date(), QLocale::ShortFormat);
}

QString sizeText(const QSize& size)
{
    return QStringLiteral("%1 × %2").arg(size.width()).arg(size.height());
}

} // namespace PanelWidgets

ScrollEndFollower::ScrollEndFollower(QScrollBar* bar, int durationMs, QObject* parent)
    : QObject(parent), m_bar(bar), m_durationMs(durationMs)
{
    connect(bar, &QScrollBar::rangeChanged, this, [this](int, int maximum) { follow(maximum); });
}

void ScrollEndFollower::start()
{
    m_since.start();
    QTimer::singleShot(0, this, [this] {
        if (m_animation)
            m_animation->stop();
        m_animation = new QPropertyAnimation(m_bar, "value", this);
        m_animation->setDuration(m_durationMs);
        m_animation->setEasingCurve(QEasingCurve::OutCubic);
        m_animation->setEndValue(m_bar->maximum());
        m_animation->start(QAbstractAnimation::DeleteWhenStopped);
    });
}

void ScrollEndFollower::follow(int maximum)
{
    constexpr int followMs = 600; // long enough for the new content's layout passes
    if (!m_since.isValid() || m_since.elapsed() > followMs)
        return;
    if (m_animation && m_animation->state() == QAbstractAnimation::Running)
        m_animation->setEndValue(maximum);
    else
        m_bar->setValue(maximum);
}

ContentFittingScrollView::ContentFittingScrollView(int maxHeight, QWidget* parent)
    : QScrollArea(parent), m_maxHeight(maxHeight)
{
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    viewport()->setAutoFillBackground(false);
    viewport()->installEventFilter(this);
}

void ContentFittingScrollView::setContent(QWidget* content)
{
    setWidget(content);
    content->installEventFilter(this);
    setFixedHeight(std::min(contentHeight(), m_maxHeight));
}

int ContentFittingScrollView::contentHeight() const
{
    const QWidget* content = widget();
    if (!content)
        return 0;
    const int width = viewport()->width() > 0 ? viewport()->width() : content->sizeHint().width();
    return content->hasHeightForWidth() ? content->heightForWidth(width) : content->sizeHint().height();
}

QSize ContentFittingScrollView::sizeHint() const
{
    return QSize(QScrollArea::sizeHint().width(), std::min(contentHeight(), m_maxHeight));
}

QSize ContentFittingScrollView::minimumSizeHint() const
{
    return QSize(0, std::min(contentHeight(), m_maxHeight));
}

bool ContentFittingScrollView::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::LayoutRequest || event->type() == QEvent::Resize)
        setFixedHeight(std::min(contentHeight(), m_maxHeight));
    return QScrollArea::eventFilter(watched, event);
}

void ContentFittingScrollView::resizeEvent(QResizeEvent* event)
{
    QScrollArea::resizeEvent(event);
    const int wanted = std::min(contentHeight(), m_maxHeight);
    if (height() != wanted)
        setFixedHeight(wanted);
}

BusyIndicator::BusyIndicator(QColor color, int size, QWidget* parent) : QWidget(parent), m_color(color)
{
    setObjectName(QStringLiteral("busyIndicator"));
    setFixedSize(size, size);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    m_timer.setInterval(80);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        m_angle = (m_angle + 30) % 360;
        update();
    });
}

void BusyIndicator::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    m_timer.start();
}

void BusyIndicator::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    m_timer.stop();
}

void BusyIndicator::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal pen = std::max(1.5, width() / 8.0);
    const QRectF box = QRectF(rect()).adjusted(pen, pen, -pen, -pen);
    QColor track = m_color;
    track.setAlphaF(track.alphaF() * 0.25);
    painter.setPen(QPen(track, pen));
    painter.drawEllipse(box);
    painter.setPen(QPen(m_color, pen, Qt::SolidLine, Qt::RoundCap));
    // Qt counts angles counter-clockwise in sixteenths of a degree; the arc turns clockwise.
    painter.drawArc(box, -m_angle * 16, 100 * 16);
}
