// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Notifier.h"

// Sessions without a notification service: nothing is shown, and the reason says why.
class NotifierNull : public Notifier
{
    Q_OBJECT

public:
    explicit NotifierNull(QString reason, QObject* parent = nullptr) : Notifier(parent), m_reason(std::move(reason)) {}

    void notify(const QString&, const QString&) override {}
    bool isAvailable() const override { return false; }
    QString unavailableReason() const override { return m_reason; }

private:
    QString m_reason;
};
