// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/MemoryStore.h"
#include "ui/ThemeColors.h"

#include <QWidget>

class AppState;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class Settings;

// Model, endpoint and API key, personality, automatic memory and the remembered facts. Values are read when the tab
// is shown and every change is written at once.
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

protected:
    void showEvent(QShowEvent* event) override;

private:
    void modelTextChanged(const QString& text);
    void showModelDetails();
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

    QComboBox* m_model = nullptr;
    QLabel* m_modelNote = nullptr;
    QLabel* m_inputPrice = nullptr;
    QLabel* m_outputPrice = nullptr;
    QLabel* m_inputIcon = nullptr;
    QLabel* m_outputIcon = nullptr;
    QWidget* m_prices = nullptr;
    QLineEdit* m_endpoint = nullptr;
    QLineEdit* m_apiKey = nullptr;
    QLabel* m_keyHint = nullptr;
    QPlainTextEdit* m_personality = nullptr;
    QCheckBox* m_autoMemory = nullptr;
    QLabel* m_userMemory = nullptr;
    QPushButton* m_clearUserMemory = nullptr;
    QWidget* m_projectPickerRow = nullptr;
    QComboBox* m_projectPicker = nullptr;
    QLabel* m_projectMemory = nullptr;
    QPushButton* m_clearProjectMemory = nullptr;
};
