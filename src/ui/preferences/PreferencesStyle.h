// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/ThemeColors.h"

#include <QString>

class QAbstractButton;
class QBoxLayout;
class QLabel;
class QWidget;

// The look shared by the preferences tabs: widgets carry a "role" property and one style sheet, rebuilt for each
// theme, colours them.
namespace PreferencesStyle {

QLabel* heading(const QString& text, QWidget* parent = nullptr);
QLabel* caption(const QString& text, QWidget* parent = nullptr); // wraps
QLabel* badge(const QString& text, QWidget* parent = nullptr);
QLabel* errorText(QWidget* parent = nullptr); // hidden while empty
void setErrorText(QLabel* label, const QString& text);
void markDestructive(QAbstractButton* button);
void markBorderless(QAbstractButton* button);

// A vertical box for one tab's sections inside a scroll area; returns the box to fill.
QBoxLayout* scrollingPage(QWidget* tab);

QString styleSheet(const ThemeColors& colors);

} // namespace PreferencesStyle
