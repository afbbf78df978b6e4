// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

// "About Vantro": the name, the version of this build and what Vantro is for.
class AboutDialog : public QDialog
{
    Q_OBJECT

public:
    explicit AboutDialog(QWidget* parent = nullptr);

    static QString shortVersion(); // "0.1.0"; "1.0" when the build carries none
    static QString buildVersion(); // the build number; "1" when the build carries none
};
