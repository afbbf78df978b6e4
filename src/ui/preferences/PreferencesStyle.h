// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/ThemeColors.h"

#include <QFrame>
#include <QString>

class QAbstractButton;
class QBoxLayout;
class QLabel;
class QWidget;

// A rounded box in the theme's box colours (rows of lists, grouped fields). Painted rather than styled, so the
// inputs inside keep the theme palette.
class RoundedBox : public QFrame
{
public:
    explicit RoundedBox(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

// The look shared by the preferences tabs: widgets carry a "role" property (heading, caption, badge, …) that
// polish() turns into colours of the current theme; everything else takes the theme's palette.
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

// Styles `root` and every widget below it by its "role"; run again after adding widgets or changing a role.
void polish(QWidget* root, const ThemeColors& colors);

} // namespace PreferencesStyle
