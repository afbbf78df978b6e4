// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/ThemeColors.h"

#include <QWidget>

class QLabel;
class QToolButton;

// What a reasoning model thought before its answer, above the answer: collapsed to one "Thinking" line until the
// user opens it. It is never part of the answer: not copied with it, not stored, not sent back.
class ThinkingSection : public QWidget
{
    Q_OBJECT

public:
    explicit ThinkingSection(ThemeColors colors, QWidget* parent = nullptr);

    // Hidden while there is no thinking to show.
    void setText(const QString& text);
    // While the model is still thinking (no answer yet) the line says so.
    void setActive(bool active);
    bool isExpanded() const { return m_expanded; }
    void setExpanded(bool expanded);

private:
    ThemeColors m_colors;
    QToolButton* m_header = nullptr;
    QLabel* m_body = nullptr;
    bool m_expanded = false;
};
