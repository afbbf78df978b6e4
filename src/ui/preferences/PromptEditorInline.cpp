// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/preferences/PromptEditorInline.h"

#include "ui/SymbolIcon.h"
#include "ui/preferences/PreferencesStyle.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

PromptEditorInline::PromptEditorInline(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("promptEditor"));
    auto* box = new QVBoxLayout(this);
    box->setContentsMargins(20, 16, 20, 16);
    box->setSpacing(8);

    auto* top = new QHBoxLayout;
    m_back = new QPushButton(tr("Back"), this);
    m_back->setObjectName(QStringLiteral("promptEditorBack"));
    PreferencesStyle::markBorderless(m_back);
    m_heading = PreferencesStyle::heading({}, this);
    top->addWidget(m_back);
    top->addStretch();
    box->addLayout(top);
    box->addWidget(m_heading);

    m_title = new QLineEdit(this);
    m_title->setObjectName(QStringLiteral("promptTitleEdit"));
    m_title->setPlaceholderText(tr("Title"));
    box->addWidget(m_title);

    box->addWidget(PreferencesStyle::heading(tr("System Prompt"), this));
    m_systemPrompt = new QPlainTextEdit(this);
    m_systemPrompt->setObjectName(QStringLiteral("promptSystemPromptEdit"));
    m_systemPrompt->setTabChangesFocus(true);
    box->addWidget(m_systemPrompt, 1);

    auto* buttons = new QHBoxLayout;
    m_delete = new QPushButton(tr("Delete"), this);
    m_delete->setObjectName(QStringLiteral("promptDeleteButton"));
    PreferencesStyle::markDestructive(m_delete);
    m_cancel = new QPushButton(tr("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("promptCancelButton"));
    m_save = new QPushButton(tr("Save"), this);
    m_save->setObjectName(QStringLiteral("promptSaveButton"));
    m_save->setDefault(true);
    buttons->addWidget(m_delete);
    buttons->addStretch();
    buttons->addWidget(m_cancel);
    buttons->addWidget(m_save);
    box->addLayout(buttons);

    const auto cancel = [this] { Q_EMIT cancelRequested(); };
    connect(m_back, &QPushButton::clicked, this, cancel);
    connect(m_cancel, &QPushButton::clicked, this, cancel);
    connect(m_save, &QPushButton::clicked, this, &PromptEditorInline::save);
    connect(m_title, &QLineEdit::returnPressed, this, &PromptEditorInline::save);
    connect(m_title, &QLineEdit::textChanged, this, &PromptEditorInline::updateSaveEnabled);
    connect(m_delete, &QPushButton::clicked, this, [this] { Q_EMIT deleteRequested(); });
    for (const auto key :
         {QKeyCombination(Qt::ControlModifier, Qt::Key_Return), QKeyCombination(Qt::ControlModifier, Qt::Key_Enter)}) {
        auto* saveKey = new QShortcut(QKeySequence(key), this, [this] { save(); });
        saveKey->setContext(Qt::WidgetWithChildrenShortcut);
    }
}

void PromptEditorInline::edit(const Prompt& prompt, bool isNew)
{
    m_prompt = prompt;
    m_isNew = isNew;
    m_heading->setText(isNew ? tr("New Prompt") : tr("Edit Prompt"));
    m_title->setText(prompt.title);
    m_systemPrompt->setPlainText(prompt.systemPrompt);
    m_delete->setVisible(!isNew);
    updateSaveEnabled();
    m_title->setFocus();
}

Prompt PromptEditorInline::prompt() const
{
    Prompt edited = m_prompt;
    edited.title = m_title->text();
    edited.systemPrompt = m_systemPrompt->toPlainText();
    return edited;
}

void PromptEditorInline::setColors(const ThemeColors& colors)
{
    m_back->setIcon(symbolIcon(QStringLiteral("chevron.left"), colors.accent(), 14));
    m_delete->setIcon(
        symbolIcon(QStringLiteral("trash"), colors.isDark() ? QColor(255, 105, 97) : QColor(215, 0, 21), 14));
}

void PromptEditorInline::keyPressEvent(QKeyEvent* event)
{
    // The fields leave Escape unhandled, so it arrives here from whichever has the focus.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        Q_EMIT cancelRequested();
        return;
    }
    QWidget::keyPressEvent(event);
}

void PromptEditorInline::save()
{
    // A prompt without a title would be an unlabelled chip in the panel.
    if (m_title->text().trimmed().isEmpty())
        return;
    Q_EMIT saveRequested(prompt());
}

void PromptEditorInline::updateSaveEnabled()
{
    m_save->setEnabled(!m_title->text().trimmed().isEmpty());
}
