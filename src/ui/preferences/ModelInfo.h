// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>

// One entry of the model picker.
struct ModelInfo
{
    QString id; // the model name sent to the service
    QString name;
    QString inputPrice;
    QString outputPrice;
    QString note;

    // "<name> — <inputPrice> in / <outputPrice> out"
    QString label() const;

    // The fixed table of the picker.
    static const QList<ModelInfo>& all();
    static const ModelInfo* find(const QString& id);
};
