// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

class QCoreApplication;

namespace Translations {

// The first of `languages` (in the user's order of preference, as QLocale::uiLanguages gives them) that Vantro
// speaks; empty for English, the language of the sources, or when none is available.
QString pick(const QStringList& languages);

// Installs Vantro's catalogue for the user's language and Qt's own for its standard dialogs (from qtbase, when the
// system has it); a right-to-left language turns the layout. Returns the language installed, empty for English.
QString install(QCoreApplication& application);

} // namespace Translations
