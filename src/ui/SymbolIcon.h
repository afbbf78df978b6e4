// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QIcon>
#include <QString>

// The small line symbols of the interface ("doc.on.doc", "checkmark", …), drawn from our SVG resources in the
// colour a view asks for, since the desktop's icon theme may lack them or clash with our colours.
QIcon symbolIcon(const QString& name, const QColor& color, int size);
