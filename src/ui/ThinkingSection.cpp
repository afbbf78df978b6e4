// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ThinkingSection.h"

#include "ui/PanelWidgets.h"
#include "ui/SymbolIcon.h"

#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

ThinkingSection::ThinkingSection(ThemeColors colors, QWidget* parent) : QWidget(parent), m_colors(colors)
{
    setObjectName(QStringLiteral("thinkingSection"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(4);
    m_header = new QToolButton;
    m_header->setObjectName(QStringLiteral("thinkingToggle"));
    m_header->setText(tr("Thinking"));
    m_header->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_header->setAutoRaise(true);
    m_header->setCursor(Qt::PointingHandCursor);
    m_header->setFocusPolicy(Qt::StrongFocus);
    m_header->setStyleSheet(QStringLiteral("QToolButton { color: %1; border: none; padding: 0; }")
                                .arg(PanelWidgets::css(colors.secondaryText())));
    connect(m_header, &QToolButton::clicked, this, [this] { setExpanded(!m_expanded); });
    column->addWidget(m_header, 0, Qt::AlignLeft);
    m_body = PanelWidgets::label(QString(), colors.secondaryText());
    m_body->setObjectName(QStringLiteral("thinkingText"));
    m_body->setWordWrap(true);
    m_body->setTextFormat(Qt::PlainText);
    m_body->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_body->setContentsMargins(8, 0, 0, 0);
    m_body->setStyleSheet(QStringLiteral("QLabel { color: %1; border-left: 2px solid %2; padding-left: 8px; }")
                              .arg(PanelWidgets::css(colors.secondaryText()), PanelWidgets::css(colors.boxBorder())));
    column->addWidget(m_body);
    setExpanded(false);
    setVisible(false);
}

void ThinkingSection::setText(const QString& text)
{
    if (m_body->text() != text)
        m_body->setText(text);
    setVisible(!text.isEmpty());
}

void ThinkingSection::setActive(bool active)
{
    m_header->setText(active ? tr("Thinking…") : tr("Thinking"));
}

void ThinkingSection::setExpanded(bool expanded)
{
    m_expanded = expanded;
    m_body->setVisible(expanded);
    m_header->setIcon(symbolIcon(expanded ? QStringLiteral("chevron.down") : QStringLiteral("chevron.right"),
                                 m_colors.secondaryText(), 12));
    m_header->setAccessibleName(expanded ? tr("Hide the model's thinking") : tr("Show the model's thinking"));
}
