// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/ThemeColors.h"

#include <QVariantAnimation>
#include <QWidget>

// A keyboard key drawn as a rounded cap ("Ctrl", "C") that lights up in the accent colour when pressed, easing between
// the two looks so that a fast gesture still reads as a sequence.
class KeyCap : public QWidget
{
    Q_OBJECT

public:
    KeyCap(const QString& text, ThemeColors colors, QWidget* parent = nullptr);

    QString text() const { return m_text; }
    bool isLit() const { return m_lit; }
    void setLit(bool lit);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_text;
    ThemeColors m_colors;
    bool m_lit = false;
    double m_amount = 0; // 0 unlit … 1 lit, animated
    QVariantAnimation m_animation;
};
