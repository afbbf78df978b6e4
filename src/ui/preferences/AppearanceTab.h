// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/ThemeColors.h"

#include <QWidget>

class QButtonGroup;
class QRadioButton;
class ThemeManager;

// A small drawing of the panel in the colours of one theme.
class ThemePreview : public QWidget
{
    Q_OBJECT

public:
    explicit ThemePreview(QWidget* parent = nullptr);
    void setColors(const ThemeColors& colors);
    QSize sizeHint() const override { return {300, 120}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ThemeColors m_colors;
};

// System, Light or Dark, with a preview. Every change goes through the theme manager, which stores and applies it.
class AppearanceTab : public QWidget
{
    Q_OBJECT

public:
    AppearanceTab(ThemeManager& themeManager, QWidget* parent = nullptr);

    AppTheme selectedTheme() const;
    void load();
    void setColors(const ThemeColors& colors);

protected:
    void showEvent(QShowEvent* event) override;

private:
    ThemeManager& m_themes;
    QButtonGroup* m_group = nullptr;
    QRadioButton* m_system = nullptr;
    QRadioButton* m_light = nullptr;
    QRadioButton* m_dark = nullptr;
    ThemePreview* m_preview = nullptr;
};
