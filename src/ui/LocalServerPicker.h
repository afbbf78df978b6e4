// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ai/ModelCatalog.h"
#include "ui/ThemeColors.h"

#include <QWidget>

class BusyIndicator;
class QLabel;
class QPushButton;
class QVBoxLayout;
class Settings;

// "Find Local Servers": asks the usual ports of this computer for model servers and shows one row per server that
// answered. Choosing a row points the settings at it (api_base_url, and openai_model unless the server already has
// the current model). Used by the AI preferences and the walkthrough.
class LocalServerPicker : public QWidget
{
    Q_OBJECT

public:
    // `catalog` must outlive the picker.
    LocalServerPicker(Settings& settings, ModelCatalog& catalog, const ThemeColors& colors, QWidget* parent = nullptr);

    void setColors(const ThemeColors& colors);
    QPushButton* findButton() const { return m_find; }

    // What the button does: looks again, dropping the rows of an earlier search.
    void findServers();
    const QList<LocalServer>& servers() const { return m_servers; }

    // "Ollama — llama3.2, qwen2.5-vl (+3 more)"
    static QString summary(const LocalServer& server);

Q_SIGNALS:
    // The settings now point at `server`.
    void serverChosen(const LocalServer& server);

private:
    void showServers(const QList<LocalServer>& servers);
    void choose(const LocalServer& server);
    void setStatus(const QString& text);

    Settings& m_settings;
    ModelCatalog& m_catalog;
    ThemeColors m_colors;
    QList<LocalServer> m_servers;

    QPushButton* m_find = nullptr;
    BusyIndicator* m_busy = nullptr;
    QLabel* m_status = nullptr;
    QVBoxLayout* m_rows = nullptr;
};
