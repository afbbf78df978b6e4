// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/preferences/PreferencesStyle.h"

#include "ui/PanelWidgets.h"

#include <QApplication>
#include <QAbstractButton>
#include <QLabel>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

namespace {

QString cssColor(const QColor& color)
{
    return QStringLiteral("rgba(%1, %2, %3, %4)")
        .arg(color.red())
        .arg(color.green())
        .arg(color.blue())
        .arg(QString::number(color.alphaF(), 'f', 3));
}

QLabel* roleLabel(const QString& text, const char* role, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setProperty("role", QString::fromLatin1(role));
    return label;
}

} // namespace

RoundedBox::RoundedBox(QWidget* parent) : QFrame(parent) {}

void RoundedBox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(palette().color(QPalette::Mid), 1));
    painter.setBrush(palette().color(QPalette::Window));
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
}

namespace PreferencesStyle {

QLabel* heading(const QString& text, QWidget* parent)
{
    return roleLabel(text, "heading", parent);
}

QLabel* caption(const QString& text, QWidget* parent)
{
    QLabel* label = roleLabel(text, "caption", parent);
    label->setWordWrap(true);
    return label;
}

QLabel* badge(const QString& text, QWidget* parent)
{
    return roleLabel(text, "badge", parent);
}

QLabel* errorText(QWidget* parent)
{
    QLabel* label = roleLabel({}, "error", parent);
    label->setTextFormat(Qt::PlainText); // errors may quote what a server said
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->hide();
    return label;
}

void setErrorText(QLabel* label, const QString& text)
{
    label->setText(text);
    label->setVisible(!text.isEmpty());
}

void markDestructive(QAbstractButton* button)
{
    button->setProperty("role", QStringLiteral("destructive"));
}

void markBorderless(QAbstractButton* button)
{
    button->setProperty("role", QStringLiteral("borderless"));
    button->setCursor(Qt::PointingHandCursor);
}

QBoxLayout* scrollingPage(QWidget* tab)
{
    auto* outer = new QVBoxLayout(tab);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* scroll = new QScrollArea(tab);
    // The controls inside take the focus, and the page scrolls to them.
    scroll->setFocusPolicy(Qt::NoFocus);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* content = new QWidget(scroll);
    content->setObjectName(QStringLiteral("pageContent"));
    auto* box = new QVBoxLayout(content);
    box->setContentsMargins(20, 16, 20, 16);
    box->setSpacing(8);
    scroll->setWidget(content);
    outer->addWidget(scroll);
    return box;
}

QString styleSheetFor(const QString& role, const ThemeColors& colors)
{
    const QColor red = colors.isDark() ? QColor(255, 105, 97) : QColor(215, 0, 21);
    if (role == u"heading")
        return QStringLiteral("font-weight: 600; padding-top: 6px; color: %1;").arg(cssColor(colors.text()));
    if (role == u"caption")
        return QStringLiteral("color: %1;").arg(cssColor(colors.secondaryText()));
    if (role == u"error")
        return QStringLiteral("color: %1;").arg(cssColor(red));
    if (role == u"badge")
        return QStringLiteral("color: %1; background: %2; border-radius: 4px; padding: 1px 5px;")
            .arg(cssColor(colors.secondaryText()), cssColor(colors.iconButtonFill()));
    if (role == u"number")
        return QStringLiteral("color: %1; font-weight: 600; min-width: 18px;").arg(cssColor(colors.secondaryText()));
    if (role == u"destructive")
        return QStringLiteral("color: %1;").arg(cssColor(red));
    if (role == u"borderless")
        return QStringLiteral("border: none; background: transparent; padding: 2px 6px; color: %1;")
            .arg(cssColor(colors.accent()));
    return {};
}

void polish(QWidget* root, const ThemeColors& colors)
{
    // Each styled widget gets its own small sheet: a sheet on a common ancestor would take the theme palette
    // away from every input below it.
    QList<QWidget*> widgets = root->findChildren<QWidget*>();
    widgets.prepend(root);
    for (QWidget* widget : std::as_const(widgets)) {
        // The stock scroll bar draws its handle in the button colour, which is nearly the page colour here.
        if (auto* bar = qobject_cast<QScrollBar*>(widget)) {
            PanelWidgets::useThinScrollBar(bar, colors);
            continue;
        }
        const QString role = widget->property("role").toString();
        if (!role.isEmpty() || !widget->styleSheet().isEmpty())
            widget->setStyleSheet(styleSheetFor(role, colors));
        // Small print relative to the desktop's font, so that it follows the size the user chose.
        if (const qreal scale = role == u"badge"                         ? 0.77
                                : role == u"caption" || role == u"error" ? 0.85
                                                                         : 0;
            scale > 0) {
            QFont font = QApplication::font();
            font.setPointSizeF(font.pointSizeF() * scale);
            widget->setFont(font);
        }
        if (auto* box = dynamic_cast<RoundedBox*>(widget)) {
            QPalette palette = box->palette();
            palette.setColor(QPalette::Window, colors.boxFill());
            palette.setColor(QPalette::Mid, colors.divider());
            box->setPalette(palette);
            box->update();
        }
        if (widget->objectName() == u"pageContent") {
            widget->setAutoFillBackground(true);
            widget->setBackgroundRole(QPalette::Window);
        }
    }
}

} // namespace PreferencesStyle
