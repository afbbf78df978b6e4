// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/AppTheme.h"

QString appThemeRawText(AppTheme theme)
{
    switch (theme) {
    case AppTheme::Light:
        return QStringLiteral("light");
    case AppTheme::Dark:
        return QStringLiteral("dark");
    case AppTheme::System:
        break;
    }
    return QStringLiteral("system");
}

AppTheme appThemeFromRawText(const QString& text)
{
    if (text == u"light")
        return AppTheme::Light;
    if (text == u"dark")
        return AppTheme::Dark;
    return AppTheme::System;
}
