// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

// Desktop notifications: a short message that the desktop shows outside our windows.
class Notifier : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // Shows `title` and `body` (plain text, never markup). Does nothing where notifications are unavailable.
    virtual void notify(const QString& title, const QString& body) = 0;

    virtual bool isAvailable() const = 0;
    // Why notifications cannot be shown, as a sentence for the user; empty when they can.
    virtual QString unavailableReason() const = 0;
};
