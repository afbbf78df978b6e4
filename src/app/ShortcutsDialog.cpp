// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ShortcutsDialog.h"

#include "ui/ThemeManager.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QGridLayout>
#include <QLabel>
#include <QScrollArea>
#include <QVBoxLayout>

QList<ShortcutsDialog::Section> ShortcutsDialog::sections()
{
    return {
        {tr("Anywhere"),
         {
             {tr("Ctrl+C, C"), tr("Open the panel on what you copied")},
             {tr("Ctrl+C, C, C"), tr("Take a screenshot of a region and open the panel on it")},
         }},
        {tr("Panel"),
         {
             {tr("1 … 9"), tr("Run the prompt with that number")},
             {tr("Return"), tr("Type a custom prompt")},
             {tr("Tab, Ctrl+Tab"), tr("Switch to the next project")},
             {tr("Shift+Tab"), tr("Move to the panel's buttons; then Tab and Shift+Tab move between them")},
             {tr("Space, Return"), tr("Press the button that has the focus")},
             {tr("↓"), tr("Expand to the chat")},
             {tr("Ctrl+C"), tr("Copy the answer and close the panel")},
             {tr("Ctrl+Return"), tr("Replace: paste the answer where the copied text came from")},
             {tr("Ctrl+N"), tr("Start a new chat")},
             {tr("Esc"), tr("Close the custom prompt, clear the search, or hide the panel")},
         }},
        {tr("Chat"),
         {
             {tr("Return"), tr("Send the message")},
             {tr("Shift+Return"), tr("Start a new line")},
             {tr("Ctrl+C"), tr("Copy the last answer (with nothing selected)")},
             {tr("Ctrl+V"), tr("Paste text, or attach a picture")},
             {tr("Delete"), tr("Delete the chat that has the focus in the list")},
         }},
        {tr("Everywhere in Vantro"),
         {
             {tr("Ctrl+O"), tr("Open the chat")},
             {tr("Ctrl+,"), tr("Open the preferences")},
             {tr("Ctrl+?"), tr("Show these shortcuts")},
             {tr("Menu, Shift+F10"), tr("Open the menu of the item that has the focus")},
             {tr("Ctrl+Q"), tr("Quit Vantro")},
         }},
    };
}

ShortcutsDialog::ShortcutsDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(tr("Keyboard Shortcuts"));
    setAttribute(Qt::WA_DeleteOnClose);
    // In Vantro's light or dark, like the panel it is opened from.
    setPalette(ThemeManager::shared().colors().palette());
    auto* column = new QVBoxLayout(this);
    auto* scroll = new QScrollArea;
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setAccessibleName(windowTitle());
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    grid->setHorizontalSpacing(24);
    grid->setColumnStretch(1, 1);
    int row = 0;
    for (const Section& section : sections()) {
        auto* heading = new QLabel(section.title);
        QFont bold = heading->font();
        bold.setBold(true);
        heading->setFont(bold);
        grid->addWidget(heading, row++, 0, 1, 2);
        for (const Shortcut& shortcut : section.shortcuts) {
            auto* keys = new QLabel(shortcut.keys);
            keys->setForegroundRole(QPalette::Link);
            auto* action = new QLabel(shortcut.action);
            action->setWordWrap(true);
            // Read together: the keys, then what they do.
            keys->setAccessibleName(shortcut.keys + QStringLiteral(": ") + shortcut.action);
            grid->addWidget(keys, row, 0, Qt::AlignTop);
            grid->addWidget(action, row++, 1);
        }
        grid->setRowMinimumHeight(row++, 8);
    }
    grid->setRowStretch(row, 1);
    scroll->setWidget(page);
    column->addWidget(scroll);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    // The style's icon is drawn for its own palette, dark on our dark.
    buttons->button(QDialogButtonBox::Close)->setIcon(QIcon());
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    column->addWidget(buttons);
    resize(620, 640);
}
