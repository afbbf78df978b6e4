// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/preferences/AITab.h"

#include "model/AppState.h"
#include "model/Settings.h"
#include "ui/SymbolIcon.h"
#include "ui/preferences/ModelInfo.h"
#include "ui/preferences/PreferencesStyle.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include <algorithm>

namespace {

QLabel* memoryLabel(const QString& objectName, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setObjectName(objectName);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setTextFormat(Qt::PlainText);
    return label;
}

void addLeft(QBoxLayout* box, QWidget* widget)
{
    auto* line = new QHBoxLayout;
    line->addWidget(widget);
    line->addStretch();
    box->addLayout(line);
}

} // namespace

AITab::AITab(AppState& appState, Settings& settings, MemoryStore memoryStore, QWidget* parent)
    : QWidget(parent), m_appState(appState), m_settings(settings), m_memory(std::move(memoryStore))
{
    setObjectName(QStringLiteral("aiTab"));
    QBoxLayout* box = PreferencesStyle::scrollingPage(this);
    QWidget* page = box->parentWidget();

    // 1. Model: the fixed table, or any id an OpenAI-compatible server knows.
    box->addWidget(PreferencesStyle::heading(tr("Model"), page));
    m_model = new QComboBox(page);
    m_model->setObjectName(QStringLiteral("modelPicker"));
    m_model->setEditable(true);
    m_model->setInsertPolicy(QComboBox::NoInsert);
    for (const ModelInfo& model : ModelInfo::all())
        m_model->addItem(model.label(), model.id);
    box->addWidget(m_model);
    m_modelNote = PreferencesStyle::caption({}, page);
    m_modelNote->setObjectName(QStringLiteral("modelNote"));
    box->addWidget(m_modelNote);
    m_prices = new QWidget(page);
    auto* prices = new QGridLayout(m_prices);
    prices->setContentsMargins(0, 0, 0, 0);
    prices->setHorizontalSpacing(6);
    m_inputIcon = new QLabel(m_prices);
    m_outputIcon = new QLabel(m_prices);
    m_inputPrice = PreferencesStyle::caption({}, m_prices);
    m_outputPrice = PreferencesStyle::caption({}, m_prices);
    prices->addWidget(m_inputIcon, 0, 0);
    prices->addWidget(m_inputPrice, 0, 1);
    prices->addWidget(m_outputIcon, 1, 0);
    prices->addWidget(m_outputPrice, 1, 1);
    prices->setColumnStretch(1, 1);
    box->addWidget(m_prices);

    box->addWidget(PreferencesStyle::heading(tr("Endpoint"), page));
    m_endpoint = new QLineEdit(page);
    m_endpoint->setObjectName(QStringLiteral("endpointEdit"));
    const std::string_view defaultUrl = SettingsKeys::apiBaseUrl.defaultText;
    m_endpoint->setPlaceholderText(QString::fromLatin1(defaultUrl.data(), qsizetype(defaultUrl.size())));
    box->addWidget(m_endpoint);
    box->addWidget(PreferencesStyle::caption(
        tr("Any OpenAI-compatible server works; \u201c/v1/chat/completions\u201d is appended. For a local server "
           "enter its address, e.g. http://localhost:11434 (Ollama) or http://localhost:8080 (llama.cpp), and "
           "type its model name above."),
        page));

    // 2. API key.
    box->addWidget(PreferencesStyle::heading(tr("OpenAI API Key"), page));
    m_apiKey = new QLineEdit(page);
    m_apiKey->setObjectName(QStringLiteral("apiKeyEdit"));
    m_apiKey->setEchoMode(QLineEdit::Password);
    m_apiKey->setPlaceholderText(QStringLiteral("sk-..."));
    m_apiKey->setInputMethodHints(Qt::ImhHiddenText | Qt::ImhNoPredictiveText | Qt::ImhSensitiveData);
    box->addWidget(m_apiKey);
    m_keyHint = PreferencesStyle::caption({}, page);
    m_keyHint->setObjectName(QStringLiteral("apiKeyHint"));
    m_keyHint->setTextFormat(Qt::RichText);
    m_keyHint->setOpenExternalLinks(true);
    box->addWidget(m_keyHint);

    // 3. Personality.
    box->addWidget(PreferencesStyle::heading(tr("Personality"), page));
    m_personality = new QPlainTextEdit(page);
    m_personality->setObjectName(QStringLiteral("personalityEdit"));
    m_personality->setFixedHeight(120);
    m_personality->setTabChangesFocus(true);
    box->addWidget(m_personality);
    auto* personalityLine = new QHBoxLayout;
    personalityLine->addWidget(
        PreferencesStyle::caption(tr("Defines how the AI responds \u2014 tone, style, and behavior."), page), 1);
    auto* reset = new QPushButton(tr("Reset to Default"), page);
    reset->setObjectName(QStringLiteral("resetPersonalityButton"));
    personalityLine->addWidget(reset);
    box->addLayout(personalityLine);

    // 4. Auto memory.
    box->addWidget(PreferencesStyle::heading(tr("Auto Memory"), page));
    m_autoMemory = new QCheckBox(tr("Automatically learn from conversations"), page);
    m_autoMemory->setObjectName(QStringLiteral("autoMemoryToggle"));
    box->addWidget(m_autoMemory);
    box->addWidget(PreferencesStyle::caption(tr("After each response, the AI extracts durable facts about you and "
                                                "the project. Uses a small background API call."),
                                             page));

    // 5. User memory.
    box->addWidget(PreferencesStyle::heading(tr("User Memory"), page));
    box->addWidget(PreferencesStyle::caption(tr("Facts the AI remembers about you across all projects."), page));
    m_userMemory = memoryLabel(QStringLiteral("userMemoryText"), page);
    box->addWidget(m_userMemory);
    m_clearUserMemory = new QPushButton(tr("Clear User Memory"), page);
    m_clearUserMemory->setObjectName(QStringLiteral("clearUserMemoryButton"));
    PreferencesStyle::markDestructive(m_clearUserMemory);
    addLeft(box, m_clearUserMemory);

    // 6. Project memory.
    box->addWidget(PreferencesStyle::heading(tr("Project Memory"), page));
    m_projectPickerRow = new QWidget(page);
    auto* pickerLine = new QHBoxLayout(m_projectPickerRow);
    pickerLine->setContentsMargins(0, 0, 0, 0);
    pickerLine->addWidget(new QLabel(tr("Project"), m_projectPickerRow));
    m_projectPicker = new QComboBox(m_projectPickerRow);
    m_projectPicker->setObjectName(QStringLiteral("memoryProjectPicker"));
    pickerLine->addWidget(m_projectPicker, 1);
    box->addWidget(m_projectPickerRow);
    box->addWidget(PreferencesStyle::caption(tr("Facts the AI remembers about this project."), page));
    m_projectMemory = memoryLabel(QStringLiteral("projectMemoryText"), page);
    box->addWidget(m_projectMemory);
    m_clearProjectMemory = new QPushButton(tr("Clear Project Memory"), page);
    m_clearProjectMemory->setObjectName(QStringLiteral("clearProjectMemoryButton"));
    PreferencesStyle::markDestructive(m_clearProjectMemory);
    addLeft(box, m_clearProjectMemory);
    box->addStretch();

    connect(m_model, &QComboBox::currentTextChanged, this, &AITab::modelTextChanged);
    connect(m_endpoint, &QLineEdit::textEdited, this, [this](const QString& text) {
        // Empty means the default service rather than no service at all.
        if (text.trimmed().isEmpty())
            m_settings.remove(SettingsKeys::apiBaseUrl);
        else
            m_settings.setString(SettingsKeys::apiBaseUrl, text.trimmed());
    });
    // Keys are pasted with stray blanks and line breaks more often than not; no key contains any.
    connect(m_apiKey, &QLineEdit::textEdited, this,
            [this](const QString& text) { m_settings.setString(SettingsKeys::openaiApiKey, text.trimmed()); });
    connect(m_personality, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_loading)
            m_memory.savePersonality(m_personality->toPlainText());
    });
    connect(reset, &QPushButton::clicked, this, [this] {
        m_memory.resetPersonality();
        m_loading = true;
        m_personality->setPlainText(MemoryStore::defaultPersonality());
        m_loading = false;
    });
    connect(m_autoMemory, &QCheckBox::toggled, this, [this](bool on) {
        if (!m_loading)
            m_settings.setBoolean(SettingsKeys::autoMemoryEnabled, on);
    });
    connect(m_clearUserMemory, &QPushButton::clicked, this, [this] {
        m_memory.clearUserMemory();
        loadUserMemory();
    });
    connect(m_projectPicker, &QComboBox::activated, this, [this](int index) {
        m_selectedProjectIndex = index;
        loadProjectMemory();
    });
    connect(m_clearProjectMemory, &QPushButton::clicked, this, [this] {
        const QList<Project>& projects = m_appState.projects();
        if (m_selectedProjectIndex < 0 || m_selectedProjectIndex >= projects.size())
            return;
        m_memory.clearProjectMemory(projects[m_selectedProjectIndex].id);
        loadProjectMemory();
    });
    connect(&m_appState, &AppState::projectsChanged, this, [this] {
        refreshProjectPicker();
        loadProjectMemory();
    });

    setColors(m_colors);
    load();
}

void AITab::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    load();
}

void AITab::load()
{
    m_loading = true;
    const QString personality = m_memory.loadPersonality();
    if (m_personality->toPlainText() != personality)
        m_personality->setPlainText(personality);
    m_autoMemory->setChecked(m_settings.boolean(SettingsKeys::autoMemoryEnabled));
    const QString apiKey = m_settings.string(SettingsKeys::openaiApiKey);
    if (m_apiKey->text() != apiKey)
        m_apiKey->setText(apiKey);
    const QString endpoint =
        m_settings.contains(SettingsKeys::apiBaseUrl) ? m_settings.string(SettingsKeys::apiBaseUrl) : QString();
    if (m_endpoint->text() != endpoint)
        m_endpoint->setText(endpoint);

    m_selectedModel = m_settings.string(SettingsKeys::openaiModel);
    if (m_selectedModel.isEmpty())
        m_selectedModel = QStringLiteral("gpt-4o");
    const int known = m_model->findData(m_selectedModel);
    if (known >= 0)
        m_model->setCurrentIndex(known);
    else
        m_model->setEditText(m_selectedModel);
    showModelDetails();

    m_selectedProjectIndex = m_appState.activeProjectIndex();
    refreshProjectPicker();
    m_loading = false;
    loadUserMemory();
    loadProjectMemory();
}

void AITab::modelTextChanged(const QString& text)
{
    if (m_loading)
        return;
    // A label picked from the list stands for its model id; anything typed is taken as the id itself.
    const int known = m_model->findText(text);
    const QString id = known >= 0 ? m_model->itemData(known).toString() : text.trimmed();
    if (id.isEmpty())
        return;
    m_selectedModel = id;
    m_settings.setString(SettingsKeys::openaiModel, id);
    showModelDetails();
}

void AITab::showModelDetails()
{
    const ModelInfo* model = ModelInfo::find(m_selectedModel);
    m_prices->setVisible(model != nullptr);
    if (model) {
        m_modelNote->setText(model->note);
        m_inputPrice->setText(tr("Input: %1").arg(model->inputPrice));
        m_outputPrice->setText(tr("Output: %1").arg(model->outputPrice));
    } else {
        m_modelNote->setText(tr("Sent to the endpoint as typed. Prices depend on your provider."));
    }
}

void AITab::loadUserMemory()
{
    const QString text = m_memory.loadUserMemory();
    m_userMemory->setText(text.isEmpty() ? tr("No memories yet. The AI will learn as you chat.") : text);
    m_userMemory->setProperty("role", text.isEmpty() ? QStringLiteral("caption") : QString());
    PreferencesStyle::polish(m_userMemory, m_colors);
    m_clearUserMemory->setVisible(!text.isEmpty());
}

void AITab::refreshProjectPicker()
{
    const QList<Project>& projects = m_appState.projects();
    m_selectedProjectIndex = projects.isEmpty() ? -1 : std::clamp(m_selectedProjectIndex, 0, int(projects.size()) - 1);
    m_projectPicker->clear();
    for (const Project& project : projects)
        m_projectPicker->addItem(project.emoji + QStringLiteral("  ") + project.name);
    m_projectPicker->setCurrentIndex(m_selectedProjectIndex);
    m_projectPickerRow->setVisible(projects.size() >= 2);
}

void AITab::loadProjectMemory()
{
    const QList<Project>& projects = m_appState.projects();
    QString text;
    if (m_selectedProjectIndex >= 0 && m_selectedProjectIndex < projects.size())
        text = m_memory.loadProjectMemory(projects[m_selectedProjectIndex].id);
    m_projectMemory->setText(text.isEmpty() ? tr("No project memories yet.") : text);
    m_projectMemory->setProperty("role", text.isEmpty() ? QStringLiteral("caption") : QString());
    PreferencesStyle::polish(m_projectMemory, m_colors);
    m_clearProjectMemory->setVisible(!text.isEmpty());
}

void AITab::setColors(const ThemeColors& colors)
{
    m_colors = colors;
    // The link colour is part of the text: a styled label does not take it from the theme palette.
    m_keyHint->setText(tr("Get a key at <a style=\"color: %1\" href=\"https://platform.openai.com/api-keys\">"
                          "platform.openai.com/api-keys</a>. Local servers usually need none.")
                           .arg(colors.accent().name()));
    m_inputIcon->setPixmap(symbolIcon(QStringLiteral("arrow.right.circle"), colors.secondaryText(), 14).pixmap(14));
    m_outputIcon->setPixmap(symbolIcon(QStringLiteral("arrow.left.circle"), colors.secondaryText(), 14).pixmap(14));
}
