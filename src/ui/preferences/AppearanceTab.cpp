// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/preferences/AppearanceTab.h"

#include "ui/SymbolIcon.h"
#include "ui/ThemeManager.h"
#include "ui/preferences/PreferencesStyle.h"

#include <QButtonGroup>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QRadioButton>
#include <QVBoxLayout>

ThemePreview::ThemePreview(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("themePreview"));
    setMinimumHeight(120);
}

void ThemePreview::setColors(const ThemeColors& colors)
{
    m_colors = colors;
    update();
}

void ThemePreview::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF frame = QRectF(rect()).adjusted(1, 1, -1, -1);
    QPainterPath outline;
    outline.addRoundedRect(frame, 10, 10);
    painter.fillPath(outline, m_colors.windowBackground());
    painter.setPen(QPen(m_colors.boxBorder(), 1));
    painter.drawPath(outline);

    // The three window buttons, a line of copied text, a divider and two prompt chips.
    qreal x = frame.left() + 12;
    for (int i = 0; i < 3; ++i) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(m_colors.windowButtonIdle());
        painter.drawEllipse(QRectF(x, frame.top() + 10, 10, 10));
        x += 16;
    }
    QFont font = painter.font();
    font.setPointSizeF(font.pointSizeF() * 0.9);
    painter.setFont(font);
    painter.setPen(m_colors.text());
    painter.drawText(QRectF(frame.left() + 12, frame.top() + 28, frame.width() - 24, 18), Qt::AlignLeft,
                     tr("The quick brown fox jumps over the lazy dog."));
    painter.setPen(m_colors.secondaryText());
    painter.drawText(QRectF(frame.left() + 12, frame.top() + 46, frame.width() - 24, 18), Qt::AlignLeft,
                     tr("Copied text"));
    painter.fillRect(QRectF(frame.left() + 12, frame.top() + 68, frame.width() - 24, 1), m_colors.divider());

    qreal chipX = frame.left() + 12;
    int number = 1;
    for (const QString& title : {tr("Translate"), tr("Proofread"), tr("Summarize")}) {
        const qreal width = painter.fontMetrics().horizontalAdvance(title) + 36;
        const QRectF chip(chipX, frame.top() + 78, width, 26);
        QPainterPath chipPath;
        chipPath.addRoundedRect(chip, 7, 7);
        painter.fillPath(chipPath, m_colors.boxFill());
        painter.setPen(QPen(m_colors.boxBorder(), 1));
        painter.drawPath(chipPath);
        const QRectF badge(chip.left() + 6, chip.top() + 5, 16, 16);
        painter.setPen(Qt::NoPen);
        painter.setBrush(m_colors.iconButtonFill());
        painter.drawRoundedRect(badge, 4, 4);
        painter.setPen(m_colors.iconButtonGlyph());
        painter.drawText(badge, Qt::AlignCenter, QString::number(number++));
        painter.setPen(m_colors.text());
        painter.drawText(chip.adjusted(28, 0, -6, 0), Qt::AlignVCenter | Qt::AlignLeft, title);
        chipX += width + 8;
    }
}

AppearanceTab::AppearanceTab(ThemeManager& themeManager, QWidget* parent) : QWidget(parent), m_themes(themeManager)
{
    setObjectName(QStringLiteral("appearanceTab"));
    QBoxLayout* box = PreferencesStyle::scrollingPage(this);
    QWidget* page = box->parentWidget();

    box->addWidget(PreferencesStyle::heading(tr("Appearance"), page));
    m_group = new QButtonGroup(this);
    m_system = new QRadioButton(tr("System"), page);
    m_system->setObjectName(QStringLiteral("themeSystem"));
    m_light = new QRadioButton(tr("Light"), page);
    m_light->setObjectName(QStringLiteral("themeLight"));
    m_dark = new QRadioButton(tr("Dark"), page);
    m_dark->setObjectName(QStringLiteral("themeDark"));
    m_group->addButton(m_system, int(AppTheme::System));
    m_group->addButton(m_light, int(AppTheme::Light));
    m_group->addButton(m_dark, int(AppTheme::Dark));
    box->addWidget(m_system);
    QLabel* systemCaption = PreferencesStyle::caption(tr("Automatically switches with system appearance"), page);
    systemCaption->setContentsMargins(24, 0, 0, 4);
    box->addWidget(systemCaption);
    box->addWidget(m_light);
    box->addWidget(m_dark);
    box->addWidget(PreferencesStyle::caption(tr("Changes the appearance of the Vantro panel and application icon. "
                                                "System follows your desktop's appearance settings."),
                                             page));

    box->addWidget(PreferencesStyle::heading(tr("Theme"), page));
    box->addWidget(PreferencesStyle::caption(tr("Preview"), page));
    m_preview = new ThemePreview(page);
    box->addWidget(m_preview);
    box->addStretch();

    connect(m_group, &QButtonGroup::idClicked, this, [this](int id) { m_themes.setTheme(AppTheme(id)); });
    load();
}

void AppearanceTab::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    load();
}

AppTheme AppearanceTab::selectedTheme() const
{
    return AppTheme(m_group->checkedId());
}

void AppearanceTab::load()
{
    if (QAbstractButton* button = m_group->button(int(m_themes.currentTheme())))
        button->setChecked(true);
}

void AppearanceTab::setColors(const ThemeColors& colors)
{
    const int size = 16;
    m_system->setIcon(symbolIcon(QStringLiteral("arrow.left.arrow.right"), colors.text(), size));
    m_light->setIcon(symbolIcon(QStringLiteral("sun.max.fill"), colors.text(), size));
    m_dark->setIcon(symbolIcon(QStringLiteral("moon.fill"), colors.text(), size));
    m_preview->setColors(colors);
    load();
}
