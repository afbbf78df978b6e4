// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Translations.h"

#include "platform/Log.h"

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
            if (QFile::exists(catalogueFolder + QStringLiteral("/vantro_") + name + QStringLiteral(".qm")))
                return name;
        }
    }
    return {};
}

QString install(QCoreApplication& application)
{
    const QString language = pick(QLocale::system().uiLanguages());
    if (language.isEmpty())
        return {};
    auto* own = new QTranslator(&application);
    if (!own->load(QStringLiteral("vantro_") + language, catalogueFolder) ||
        !QCoreApplication::installTranslator(own)) {
        delete own;
        return {};
    }
    // Qt's buttons and standard dialogs; without the system's Qt translations they stay in English.
    auto* qt = new QTranslator(&application);
    if (qt->load(QStringLiteral("qtbase_") + language, QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(qt);
    else
        delete qt;
    logLine(u"i18n", QStringLiteral("Speaking ") + language);
    return language;
}

} // namespace Translations
