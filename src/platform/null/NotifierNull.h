// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Notifier.h"

// Sessions without a notification service: every notification is reported as failed, so the caller can tell the
// user another way.
class NotifierNull : public Notifier
{
    Q_OBJECT

public:
    explicit NotifierNull(QString reason, QObject* parent = nullptr) : Notifier(parent), m_reason(std::move(reason)) {}

    void notify(const QString& title, const QString& body, const QList<Action>& = {}) override
    {
        Q_EMIT notificationFailed(title, body);
    }
    bool isAvailable() const override { return false; }
    QString unavailableReason() const override { return m_reason; }

private:
    QString m_reason;
};
