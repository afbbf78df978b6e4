// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/AppTheme.h"

#include <QColor>
#include <QPalette>

// The colours of one resolved theme, handed to views by ThemeManager::colors(), which has already resolved System
// against the desktop; views ask again when ThemeManager::themeDidChange says the answer changed.
struct ThemeColors
{
    AppTheme theme = AppTheme::Light; // Light or Dark; System reads as Light

    bool isDark() const { return theme == AppTheme::Dark; }

    QColor text() const;
    QColor windowBackground() const;
    QColor secondaryText() const;
    QColor faintText() const;

    QColor iconButtonGlyph() const;
    QColor iconButtonFill() const;
    QColor boxFill() const;   // the 32-point-high rounded boxes
    QColor boxBorder() const; // their 1-point border
    QColor divider() const;
    QColor windowButtonIdle() const; // the three window buttons while not in their own colours

    // Surfaces for single views (sidebars, bubbles, selected rows).
    QColor sidebarBackground() const;
    QColor bubbleBackground() const;
    QColor selectedFill() const;

    QColor accent() const; // links and focus

    // Code blocks of answers.
    QColor codeBoxBackground() const;
    QColor codeBoxBorder() const;
    QColor codeHeaderBackground() const;
    QColor codeText() const;

    // A palette for the standard widgets inside our windows (inputs, scroll bars), matching the colours above.
    QPalette palette() const;

    bool operator==(const ThemeColors&) const = default;
};
