// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Translations.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace {

const QString catalogueFolder = QStringLiteral(":/i18n");

// "de-CH" and "de_CH" alike, then its language alone.
QStringList candidates(const QString& language)
{
    QString name = language;
    name.replace(u'-', u'_');
    QStringList result{name};
    const qsizetype separator = name.indexOf(u'_');
    if (separator > 0)
        result.append(name.left(separator));
    return result;
}

} // namespace

namespace Translations {

QString pick(const QStringList& languages)
{
    for (const QString& language : languages) {
        // Someone who prefers English gets it, even with a translated language further down the list.
        if (language == u"C" || language.startsWith(u"en"))
            return {};
        for (const QString& name : candidates(language)) {
            if (name == u"en")
                continue; // the English catalogue holds only plural forms
            if (QFile::exists(catalogueFolder + QStringLiteral("/vantro_") + name + QStringLiteral(".qm")))
                return name;
        }
    }
    return {};
}

QString install(QCoreApplication& application)
{
    const QString language = pick(QLocale::system().uiLanguages());
    // English needs its catalogue too, for the plural forms of texts with a count.
    auto* own = new QTranslator(&application);
    if (!own->load(QStringLiteral("vantro_") + (language.isEmpty() ? QStringLiteral("en") : language),
                   catalogueFolder) ||
        !QCoreApplication::installTranslator(own)) {
        delete own;
        return {};
    }
    if (language.isEmpty())
        return {};
    // Qt's buttons and standard dialogs; without the system's Qt translations they stay in English.
    auto* qt = new QTranslator(&application);
    if (qt->load(QStringLiteral("qtbase_") + language, QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(qt);
    else
        delete qt;
    return language;
}

} // namespace Translations
