// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QObject>
#include <QString>

// Desktop notifications: a short message that the desktop shows outside our windows, with buttons where the
// desktop offers them.
class Notifier : public QObject
{
    Q_OBJECT

public:
    struct Action
    {
        QString key;   // what actionInvoked reports
        QString label; // the button's text
    };

    using QObject::QObject;

    // Shows `title` and `body` as plain text (never markup), with `actions` as buttons where the desktop supports
    // them. Returns at once; a notification that cannot be shown is reported by notificationFailed.
    virtual void notify(const QString& title, const QString& body, const QList<Action>& actions = {}) = 0;

    virtual bool isAvailable() const = 0;
    // Why notifications cannot be shown, as a sentence for the user; empty when they can.
    virtual QString unavailableReason() const = 0;

Q_SIGNALS:
    // The user chose one of a notification's actions.
    void actionInvoked(const QString& key);
    // Nobody showed this notification; the caller may tell the user another way.
    void notificationFailed(const QString& title, const QString& body);
};
