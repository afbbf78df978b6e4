// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/MemoryStore.h"
#include "ui/ThemeColors.h"

#include <QStringList>
#include <QTimer>
#include <QWidget>

class AppState;
class LocalServerPicker;
class ModelCatalog;
class QCheckBox;
class QComboBox;
class QCompleter;
class QLabel;
class SymbolLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QToolButton;
class Settings;

// Model (with the server's own list), image input, endpoint and API key, personality, automatic memory and its
// model, and the remembered facts. Values are read when the tab is shown and every change is written at once.
class AITab : public QWidget
{
    Q_OBJECT

public:
    AITab(AppState& appState, Settings& settings, MemoryStore memoryStore, QWidget* parent = nullptr);

    // Reads every value again (done on each showing).
    void load();
    QString selectedModel() const { return m_selectedModel; }
    int selectedProjectIndex() const { return m_selectedProjectIndex; }

    void setColors(const ThemeColors& colors);

    // Asks the server for its models now (done on each showing, and shortly after the endpoint or the key changed).
    void refreshModels();
    // The models the server listed last; empty when it listed none or could not be asked.
    const QStringList& serverModels() const { return m_serverModels; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void modelTextChanged(const QString& text);
    void fillModelList();
    void showModelDetails();
    void showEndpointDependentText();
    void loadUserMemory();
    void loadProjectMemory();
    void refreshProjectPicker();

    AppState& m_appState;
    Settings& m_settings;
    MemoryStore m_memory;
    ThemeColors m_colors;

    QString m_selectedModel;
    int m_selectedProjectIndex = 0;
    bool m_loading = false;
    ModelCatalog* m_catalog = nullptr;
    QStringList m_serverModels;
    QTimer m_refreshSoon;

    QComboBox* m_model = nullptr;
    QToolButton* m_refreshModels = nullptr;
    QLabel* m_modelListNote = nullptr;
    QLabel* m_modelNote = nullptr;
    QLabel* m_inputPrice = nullptr;
    QLabel* m_outputPrice = nullptr;
    SymbolLabel* m_inputIcon = nullptr;
    SymbolLabel* m_outputIcon = nullptr;
    QWidget* m_prices = nullptr;
    QComboBox* m_vision = nullptr;
    QLineEdit* m_endpoint = nullptr;
    LocalServerPicker* m_localServers = nullptr;
    QLabel* m_keyHeading = nullptr;
    QLineEdit* m_apiKey = nullptr;
    QLabel* m_keyHint = nullptr;
    QPlainTextEdit* m_personality = nullptr;
    QCheckBox* m_autoMemory = nullptr;
    QLineEdit* m_memoryModel = nullptr;
    QCompleter* m_memoryModelCompleter = nullptr;
    QLabel* m_userMemory = nullptr;
    QPushButton* m_clearUserMemory = nullptr;
    QWidget* m_projectPickerRow = nullptr;
    QComboBox* m_projectPicker = nullptr;
    QLabel* m_projectMemory = nullptr;
    QPushButton* m_clearProjectMemory = nullptr;
};
