// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/Prompt.h"
#include "ui/ThemeColors.h"

#include <QDialog>

// The built-in prompt library as a sheet over the Prompts tab: one row per prompt with an add button.
class PromptLibrarySheet : public QDialog
{
    Q_OBJECT

public:
    PromptLibrarySheet(const ThemeColors& colors, QWidget* parent = nullptr);

Q_SIGNALS:
    // The user asked for a copy of this library prompt in the project.
    void addRequested(const Prompt& prompt);
};
