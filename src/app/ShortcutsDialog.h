// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QList>
#include <QString>

// "Keyboard Shortcuts" (Ctrl+?): every key Vantro answers to, anywhere on the desktop, in the panel and in the chat.
class ShortcutsDialog : public QDialog
{
    Q_OBJECT

public:
    struct Shortcut
    {
        QString keys;
        QString action;
    };
    struct Section
    {
        QString title;
        QList<Shortcut> shortcuts;
    };

    explicit ShortcutsDialog(QWidget* parent = nullptr);

    // The list shown, in the user's language.
    static QList<Section> sections();
};
