// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ThemeColors.h"

namespace {

QColor grey(double level, double alpha = 1.0)
{
    return QColor::fromRgbF(float(level), float(level), float(level), float(alpha));
}

QColor rgb(double r, double g, double b)
{
    return QColor::fromRgbF(float(r), float(g), float(b));
}

} // namespace

QColor ThemeColors::text() const
{
    return isDark() ? grey(0.985) : grey(0.0);
}

QColor ThemeColors::windowBackground() const
{
    return isDark() ? rgb(0.243, 0.247, 0.251) : grey(1.0);
}

QColor ThemeColors::secondaryText() const
{
    QColor color = text();
    color.setAlphaF(isDark() ? 0.4f : 0.7f);
    return color;
}

QColor ThemeColors::faintText() const
{
    QColor color = text();
    color.setAlphaF(isDark() ? 0.25f : 0.4f);
    return color;
}

QColor ThemeColors::iconButtonGlyph() const
{
    return isDark() ? grey(0.65) : grey(0.4);
}

QColor ThemeColors::iconButtonFill() const
{
    return isDark() ? grey(0.3) : grey(0.92);
}

QColor ThemeColors::boxFill() const
{
    return isDark() ? grey(0.363) : grey(0.98);
}

QColor ThemeColors::boxBorder() const
{
    return isDark() ? grey(0.35) : grey(0.733);
}

QColor ThemeColors::divider() const
{
    return isDark() ? grey(0.329) : grey(0.9);
}

QColor ThemeColors::windowButtonIdle() const
{
    return isDark() ? grey(0.35) : grey(0.75);
}

QColor ThemeColors::sidebarBackground() const
{
    return isDark() ? rgb(0.18, 0.18, 0.19) : grey(0.97);
}

QColor ThemeColors::bubbleBackground() const
{
    return isDark() ? rgb(0.22, 0.22, 0.23) : grey(0.97);
}

QColor ThemeColors::selectedFill() const
{
    return isDark() ? rgb(0.424, 0.427, 0.431) : grey(0.907);
}

QColor ThemeColors::accent() const
{
    // The desktop's usual blue, a little lighter on dark backgrounds so links stay readable.
    return isDark() ? rgb(0.251, 0.612, 1.0) : rgb(0.0, 0.478, 1.0);
}

QColor ThemeColors::codeBoxBackground() const
{
    return isDark() ? rgb(0.12, 0.12, 0.14) : rgb(0.96, 0.96, 0.97);
}

QColor ThemeColors::codeBoxBorder() const
{
    return isDark() ? grey(1.0, 0.1) : grey(0.0, 0.08);
}

QColor ThemeColors::codeHeaderBackground() const
{
    return isDark() ? grey(0.0, 0.3) : rgb(0.92, 0.92, 0.93);
}

QColor ThemeColors::codeText() const
{
    return isDark() ? grey(1.0, 0.9) : rgb(0.15, 0.15, 0.18);
}

QPalette ThemeColors::palette() const
{
    const QColor base = windowBackground();
    const QColor fore = text();
    QPalette palette(fore, base);
    palette.setColor(QPalette::Window, base);
    palette.setColor(QPalette::Base, base);
    palette.setColor(QPalette::AlternateBase, boxFill());
    palette.setColor(QPalette::Button, boxFill());
    palette.setColor(QPalette::WindowText, fore);
    palette.setColor(QPalette::Text, fore);
    palette.setColor(QPalette::ButtonText, fore);
    palette.setColor(QPalette::PlaceholderText, faintText());
    palette.setColor(QPalette::ToolTipBase, boxFill());
    palette.setColor(QPalette::ToolTipText, fore);
    palette.setColor(QPalette::Link, accent());
    palette.setColor(QPalette::LinkVisited, accent());
    palette.setColor(QPalette::Highlight, accent());
    palette.setColor(QPalette::HighlightedText, grey(1.0));
    palette.setColor(QPalette::Mid, boxBorder());
    palette.setColor(QPalette::Dark, boxBorder());
    palette.setColor(QPalette::Light, boxFill());
    palette.setColor(QPalette::Midlight, boxFill());
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, faintText());
    return palette;
}
