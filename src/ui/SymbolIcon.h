// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QIcon>
#include <QLabel>
#include <QString>

// The small line symbols of the interface ("doc.on.doc", "checkmark", …), drawn from our SVG resources in the
// colour a view asks for, since the desktop's icon theme may lack them or clash with our colours.
QIcon symbolIcon(const QString& name, const QColor& color, int size);

// A symbol in a layout, drawn when painted, so it is sharp on whichever monitor it is shown (a label's pixmap is
// drawn once, for one pixel ratio).
class SymbolLabel : public QLabel
{
    Q_OBJECT

public:
    explicit SymbolLabel(QWidget* parent = nullptr) : QLabel(parent) {}

    void setSymbol(const QIcon& icon, int size);
    QSize sizeHint() const override { return {m_size, m_size}; }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QIcon m_icon;
    int m_size = 0;
};
