// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/preferences/PromptLibrarySheet.h"

#include "ui/SymbolIcon.h"
#include "ui/preferences/PreferencesStyle.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QScrollArea>
#include <QToolButton>
#include <QVBoxLayout>

PromptLibrarySheet::PromptLibrarySheet(const ThemeColors& colors, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("promptLibrarySheet"));
    setWindowTitle(tr("Prompt Library"));
    setWindowModality(Qt::WindowModal);
    setAttribute(Qt::WA_DeleteOnClose);
    setPalette(colors.palette());
    resize(380, 420);

    auto* box = new QVBoxLayout(this);
    box->setContentsMargins(16, 12, 16, 12);
    auto* top = new QHBoxLayout;
    QLabel* title = PreferencesStyle::heading(tr("Prompt Library"), this);
    auto* close = new QToolButton(this);
    close->setObjectName(QStringLiteral("promptLibraryClose"));
    close->setAutoRaise(true);
    close->setIcon(symbolIcon(QStringLiteral("xmark.circle.fill"), colors.iconButtonGlyph(), 18));
    close->setIconSize(QSize(18, 18));
    close->setToolTip(tr("Close"));
    connect(close, &QToolButton::clicked, this, &QDialog::close);
    top->addWidget(title);
    top->addStretch();
    top->addWidget(close);
    box->addLayout(top);

    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    auto* list = new QWidget(scroll);
    list->setObjectName(QStringLiteral("pageContent"));
    auto* rows = new QVBoxLayout(list);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(4);
    for (const Prompt& prompt : defaultPrompts()) {
        auto* row = new RoundedBox(list);
        auto* line = new QHBoxLayout(row);
        line->setContentsMargins(10, 4, 4, 4);
        line->addWidget(new QLabel(prompt.title, row), 1);
        auto* add = new QToolButton(row);
        add->setObjectName(QStringLiteral("libraryAddButton"));
        add->setAutoRaise(true);
        add->setIcon(symbolIcon(QStringLiteral("plus.circle"), colors.accent(), 18));
        add->setIconSize(QSize(18, 18));
        add->setToolTip(tr("Add \u201c%1\u201d to this project").arg(prompt.title));
        add->setProperty("promptTitle", prompt.title);
        connect(add, &QToolButton::clicked, this, [this, prompt] { Q_EMIT addRequested(prompt); });
        line->addWidget(add);
        rows->addWidget(row);
    }
    rows->addStretch();
    scroll->setWidget(list);
    box->addWidget(scroll);
    PreferencesStyle::polish(this, colors);
}
