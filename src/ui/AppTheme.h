// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// How the application looks: following the desktop, always light or always dark. The raw texts are the stored form.
enum class AppTheme
{
    System,
    Light,
    Dark
};

QString appThemeRawText(AppTheme theme);
// Anything but "system", "light" or "dark" (an absent value included) means System.
AppTheme appThemeFromRawText(const QString& text);
