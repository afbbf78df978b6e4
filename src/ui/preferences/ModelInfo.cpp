// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/preferences/ModelInfo.h"

#include <QCoreApplication>

QString ModelInfo::label() const
{
    return name + QStringLiteral(" \u2014 ") + inputPrice + QStringLiteral(" in / ") + outputPrice +
           QStringLiteral(" out");
}

const QList<ModelInfo>& ModelInfo::all()
{
    static const QList<ModelInfo> models{
        {QStringLiteral("o4-mini"), QStringLiteral("o4-mini"), QStringLiteral("$0.15"), QStringLiteral("$0.60"),
         QCoreApplication::translate("AITab", "Fast and affordable. Great for most tasks.")},
        {QStringLiteral("gpt-4o"), QStringLiteral("GPT-4o"), QStringLiteral("$2.50"), QStringLiteral("$10.00"),
         QCoreApplication::translate("AITab", "High quality. Better for complex tasks. Supports images.")},
        {QStringLiteral("gpt-4-turbo"), QStringLiteral("GPT-4 Turbo"), QStringLiteral("$10.00"),
         QStringLiteral("$30.00"),
         QCoreApplication::translate("AITab", "Premium. Best quality for demanding tasks. Supports images.")},
    };
    return models;
}

const ModelInfo* ModelInfo::find(const QString& id)
{
    for (const ModelInfo& model : all()) {
        if (model.id == id)
            return &model;
    }
    return nullptr;
}
