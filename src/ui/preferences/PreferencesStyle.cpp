// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/preferences/PreferencesStyle.h"

#include <QAbstractButton>
#include <QLabel>
#include <QScrollArea>
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

QString styleSheet(const ThemeColors& colors)
{
    const QColor red = colors.isDark() ? QColor(255, 105, 97) : QColor(215, 0, 21);
    QString sheet;
    sheet += QStringLiteral("QLabel[role=\"heading\"] { font-weight: 600; color: %1; padding-top: 6px; }\n")
                 .arg(cssColor(colors.text()));
    sheet += QStringLiteral("QLabel[role=\"caption\"] { color: %1; font-size: 11px; }\n")
                 .arg(cssColor(colors.secondaryText()));
    sheet += QStringLiteral("QLabel[role=\"error\"] { color: %1; font-size: 11px; }\n").arg(cssColor(red));
    sheet += QStringLiteral("QLabel[role=\"badge\"] { color: %1; background: %2; border-radius: 4px;"
                            " padding: 1px 5px; font-size: 10px; }\n")
                 .arg(cssColor(colors.secondaryText()), cssColor(colors.iconButtonFill()));
    sheet += QStringLiteral("QLabel[role=\"number\"] { color: %1; font-weight: 600; min-width: 18px; }\n")
                 .arg(cssColor(colors.secondaryText()));
    sheet += QStringLiteral("QAbstractButton[role=\"destructive\"] { color: %1; }\n").arg(cssColor(red));
    sheet += QStringLiteral("QPushButton[role=\"borderless\"] { border: none; background: transparent; color: %1;"
                            " padding: 2px 6px; }\n")
                 .arg(cssColor(colors.accent()));
    sheet += QStringLiteral("QFrame[role=\"row\"] { background: %1; border: 1px solid %2; border-radius: 6px; }\n")
                 .arg(cssColor(colors.boxFill()), cssColor(colors.divider()));
    sheet += QStringLiteral("QFrame[role=\"row\"] QLabel { background: transparent; border: none; }\n");
    sheet += QStringLiteral("QFrame[role=\"box\"] { background: %1; border: 1px solid %2; border-radius: 6px; }\n")
                 .arg(cssColor(colors.boxFill()), cssColor(colors.divider()));
    sheet += QStringLiteral("QFrame[role=\"box\"] QLabel { background: transparent; border: none; }\n");
    sheet += QStringLiteral("#pageContent { background: %1; }\n").arg(cssColor(colors.windowBackground()));
    return sheet;
}

} // namespace PreferencesStyle
