// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/Prompt.h"
#include "ui/ThemeColors.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// Edits one prompt in place of the prompt list: title and instructions, Save (Return in the title, Ctrl+Return
// anywhere), Cancel (Escape, or Back) and, for an existing prompt, Delete.
class PromptEditorInline : public QWidget
{
    Q_OBJECT

public:
    explicit PromptEditorInline(QWidget* parent = nullptr);

    void edit(const Prompt& prompt, bool isNew);
    bool isNew() const { return m_isNew; }
    // The prompt with the fields as typed.
    Prompt prompt() const;

    void setColors(const ThemeColors& colors);

protected:
    void keyPressEvent(QKeyEvent* event) override;

Q_SIGNALS:
    void saveRequested(const Prompt& prompt);
    void cancelRequested();
    void deleteRequested(); // offered only for an existing prompt

private:
    void save();
    void updateSaveEnabled();

    Prompt m_prompt;
    bool m_isNew = false;
    QPushButton* m_back;
    QLabel* m_heading;
    QLineEdit* m_title;
    QPlainTextEdit* m_systemPrompt;
    QPushButton* m_cancel;
    QPushButton* m_save;
    QPushButton* m_delete;
};
