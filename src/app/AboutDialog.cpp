// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AboutDialog.h"

#include "ui/ThemeManager.h"

#include <QGuiApplication>
#include <QLabel>
#include <QVBoxLayout>

#ifndef VANTRO_BUILD_NUMBER
#define VANTRO_BUILD_NUMBER ""
#endif
#ifndef VANTRO_HOMEPAGE
#define VANTRO_HOMEPAGE ""
#endif

QString AboutDialog::shortVersion()
{
    const QString version = QStringLiteral(VANTRO_VERSION);
    return version.isEmpty() ? QStringLiteral("1.0") : version;
}

QString AboutDialog::buildVersion()
{
    const QString build = QStringLiteral(VANTRO_BUILD_NUMBER);
    return build.isEmpty() ? QStringLiteral("1") : build;
}

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(tr("About Vantro"));
    setAttribute(Qt::WA_DeleteOnClose);
    setPalette(ThemeManager::shared().colors().palette());
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(32, 24, 32, 24);
    column->setSpacing(8);

    auto* icon = new QLabel;
    icon->setPixmap(QGuiApplication::windowIcon().pixmap(96, 96));
    column->addWidget(icon, 0, Qt::AlignHCenter);

    auto* name = new QLabel(QStringLiteral("Vantro"));
    QFont nameFont = name->font();
    nameFont.setPointSizeF(nameFont.pointSizeF() * 1.4);
    nameFont.setWeight(QFont::Bold);
    name->setFont(nameFont);
    column->addWidget(name, 0, Qt::AlignHCenter);

    auto* version = new QLabel(tr("Version %1 (%2)").arg(shortVersion(), buildVersion()));
    version->setObjectName(QStringLiteral("aboutVersion"));
    version->setTextInteractionFlags(Qt::TextSelectableByMouse);
    column->addWidget(version, 0, Qt::AlignHCenter);

    QString text = tr("AI-powered clipboard actions at your fingertips.");
    const QString homepage = QStringLiteral(VANTRO_HOMEPAGE);
    if (!homepage.isEmpty())
        text += QStringLiteral("\n\n") + homepage;
    auto* description = new QLabel(text);
    description->setObjectName(QStringLiteral("aboutText"));
    description->setAlignment(Qt::AlignHCenter);
    description->setWordWrap(true);
    QFont small = description->font();
    small.setPointSizeF(small.pointSizeF() * 0.9);
    description->setFont(small);
    description->setForegroundRole(QPalette::PlaceholderText);
    column->addWidget(description);
}
