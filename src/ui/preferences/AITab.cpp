// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/preferences/AITab.h"

#include "ai/ChatServiceConfig.h"
#include "ai/ModelCatalog.h"
#include "model/AppState.h"
#include "model/Settings.h"
#include "ui/LocalServerPicker.h"
#include "ui/SymbolIcon.h"
#include "ui/preferences/ModelInfo.h"
#include "ui/preferences/PreferencesStyle.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringListModel>
#include <QToolButton>

#include <algorithm>
#include <utility>

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
    // The preferences are handed no network access manager; the catalog brings its own.
    m_catalog = new ModelCatalog(nullptr, this);
    QBoxLayout* box = PreferencesStyle::scrollingPage(this);
    QWidget* page = box->parentWidget();

    // 1. Model: what the server lists (with the fixed table on OpenAI's host), or any id typed.
    box->addWidget(PreferencesStyle::heading(tr("Model"), page));
    auto* modelLine = new QHBoxLayout;
    m_model = new QComboBox(page);
    m_model->setObjectName(QStringLiteral("modelPicker"));
    m_model->setAccessibleName(tr("Model"));
    m_model->setEditable(true);
    m_model->setInsertPolicy(QComboBox::NoInsert);
    m_model->setMaxVisibleItems(15);
    // A long id from a server must not widen the page.
    m_model->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_model->setMinimumContentsLength(20);
    modelLine->addWidget(m_model, 1);
    m_refreshModels = new QToolButton(page);
    m_refreshModels->setObjectName(QStringLiteral("refreshModelsButton"));
    m_refreshModels->setToolTip(tr("Refresh Models"));
    m_refreshModels->setAccessibleName(tr("Refresh Models"));
    m_refreshModels->setAutoRaise(true);
    m_refreshModels->setFocusPolicy(Qt::StrongFocus);
    m_refreshModels->setIconSize(QSize(16, 16));
    modelLine->addWidget(m_refreshModels);
    box->addLayout(modelLine);
    m_modelListNote = PreferencesStyle::caption({}, page);
    m_modelListNote->setObjectName(QStringLiteral("modelListNote"));
    m_modelListNote->setTextFormat(Qt::PlainText); // may quote the network layer
    m_modelListNote->hide();
    box->addWidget(m_modelListNote);
    m_modelNote = PreferencesStyle::caption({}, page);
    m_modelNote->setObjectName(QStringLiteral("modelNote"));
    box->addWidget(m_modelNote);
    m_prices = new QWidget(page);
    auto* prices = new QGridLayout(m_prices);
    prices->setContentsMargins(0, 0, 0, 0);
    prices->setHorizontalSpacing(6);
    m_inputIcon = new SymbolLabel(m_prices);
    m_outputIcon = new SymbolLabel(m_prices);
    m_inputPrice = PreferencesStyle::caption({}, m_prices);
    m_outputPrice = PreferencesStyle::caption({}, m_prices);
    prices->addWidget(m_inputIcon, 0, 0);
    prices->addWidget(m_inputPrice, 0, 1);
    prices->addWidget(m_outputIcon, 1, 0);
    prices->addWidget(m_outputPrice, 1, 1);
    prices->setColumnStretch(1, 1);
    box->addWidget(m_prices);

    box->addWidget(PreferencesStyle::heading(tr("Images"), page));
    m_vision = new QComboBox(page);
    m_vision->setObjectName(QStringLiteral("visionSupportPicker"));
    m_vision->setAccessibleName(tr("Images"));
    m_vision->addItem(tr("Ask the server"), QStringLiteral("auto"));
    m_vision->addItem(tr("The model takes images"), QStringLiteral("yes"));
    m_vision->addItem(tr("The model does not take images"), QStringLiteral("no"));
    addLeft(box, m_vision);
    box->addWidget(PreferencesStyle::caption(
        tr("Whether screenshots can go to the model. Say it here when the server cannot tell."), page));

    box->addWidget(PreferencesStyle::heading(tr("Endpoint"), page));
    m_endpoint = new QLineEdit(page);
    m_endpoint->setObjectName(QStringLiteral("endpointEdit"));
    m_endpoint->setAccessibleName(tr("Endpoint"));
    const std::string_view defaultUrl = SettingsKeys::apiBaseUrl.defaultText;
    m_endpoint->setPlaceholderText(QString::fromLatin1(defaultUrl.data(), qsizetype(defaultUrl.size())));
    box->addWidget(m_endpoint);
    box->addWidget(PreferencesStyle::caption(
        tr("Any OpenAI-compatible server works; \u201c/v1/chat/completions\u201d is appended. For a local server "
           "enter its address, e.g. http://localhost:11434 (Ollama) or http://localhost:8080 (llama.cpp), or let "
           "Vantro find it:"),
        page));
    m_localServers = new LocalServerPicker(m_settings, *m_catalog, m_colors, page);
    box->addWidget(m_localServers);

    // 2. API key.
    m_keyHeading = PreferencesStyle::heading(tr("OpenAI API Key"), page);
    box->addWidget(m_keyHeading);
    m_apiKey = new QLineEdit(page);
    m_apiKey->setObjectName(QStringLiteral("apiKeyEdit"));
    m_apiKey->setAccessibleName(tr("API key"));
    m_apiKey->setEchoMode(QLineEdit::Password);
    m_apiKey->setInputMethodHints(Qt::ImhHiddenText | Qt::ImhNoPredictiveText | Qt::ImhSensitiveData);
    box->addWidget(m_apiKey);
    m_keyHint = PreferencesStyle::caption({}, page);
    m_keyHint->setObjectName(QStringLiteral("apiKeyHint"));
    m_keyHint->setOpenExternalLinks(true);
    box->addWidget(m_keyHint);
    auto* storage = PreferencesStyle::caption(m_settings.secretsStorage(), page);
    storage->setObjectName(QStringLiteral("secretsStorageLabel"));
    storage->setVisible(!storage->text().isEmpty());
    connect(&m_settings, &Settings::secretsStorageChanged, storage, [this, storage] {
        storage->setText(m_settings.secretsStorage());
        storage->setVisible(!storage->text().isEmpty());
    });
    box->addWidget(storage);

    // 3. Personality.
    box->addWidget(PreferencesStyle::heading(tr("Personality"), page));
    m_personality = new QPlainTextEdit(page);
    m_personality->setObjectName(QStringLiteral("personalityEdit"));
    m_personality->setAccessibleName(tr("Personality"));
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
    box->addWidget(PreferencesStyle::heading(tr("Model for remembering facts"), page));
    m_memoryModel = new QLineEdit(page);
    m_memoryModel->setObjectName(QStringLiteral("memoryModelEdit"));
    m_memoryModel->setAccessibleName(tr("Model for remembering facts"));
    m_memoryModelCompleter = new QCompleter(new QStringListModel(m_memoryModel), m_memoryModel);
    m_memoryModelCompleter->setCaseSensitivity(Qt::CaseInsensitive);
    m_memoryModelCompleter->setFilterMode(Qt::MatchContains);
    m_memoryModel->setCompleter(m_memoryModelCompleter);
    box->addWidget(m_memoryModel);
    box->addWidget(
        PreferencesStyle::caption(tr("Leave empty for the model shown; a small, fast one is enough."), page));

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
    connect(m_refreshModels, &QToolButton::clicked, this, &AITab::refreshModels);
    // Typing an address or a key asks again once the typing pauses, not at every letter.
    m_refreshSoon.setSingleShot(true);
    m_refreshSoon.setInterval(600);
    connect(&m_refreshSoon, &QTimer::timeout, this, &AITab::refreshModels);
    connect(&m_settings, &Settings::changed, this, [this](const QString& key) {
        if ((key == settingName(SettingsKeys::apiBaseUrl) || key == settingName(SettingsKeys::openaiApiKey)) &&
            isVisible())
            m_refreshSoon.start();
    });
    connect(m_vision, &QComboBox::activated, this, [this](int index) {
        m_settings.setString(SettingsKeys::visionSupport, m_vision->itemData(index).toString());
    });
    connect(m_endpoint, &QLineEdit::textEdited, this, [this](const QString& text) {
        // Empty means the default service rather than no service at all.
        if (text.trimmed().isEmpty())
            m_settings.remove(SettingsKeys::apiBaseUrl);
        else
            m_settings.setString(SettingsKeys::apiBaseUrl, text.trimmed());
        fillModelList();
        showEndpointDependentText();
    });
    connect(m_localServers, &LocalServerPicker::serverChosen, this, [this] {
        load();
        refreshModels();
    });
    connect(m_memoryModel, &QLineEdit::textEdited, this, [this](const QString& text) {
        // Empty falls back to the model shown as the placeholder.
        if (text.trimmed().isEmpty())
            m_settings.remove(SettingsKeys::memoryModel);
        else
            m_settings.setString(SettingsKeys::memoryModel, text.trimmed());
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
    refreshModels();
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
    const int vision = m_vision->findData(m_settings.string(SettingsKeys::visionSupport).trimmed().toLower());
    m_vision->setCurrentIndex(std::max(vision, 0));
    const QString memoryModel = m_settings.string(SettingsKeys::memoryModel);
    if (m_memoryModel->text() != memoryModel)
        m_memoryModel->setText(memoryModel);

    m_selectedModel = m_settings.string(SettingsKeys::openaiModel);
    if (m_selectedModel.isEmpty())
        m_selectedModel = QStringLiteral("gpt-4o");
    fillModelList();
    showModelDetails();
    showEndpointDependentText();

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
    showEndpointDependentText();
}

void AITab::refreshModels()
{
    m_refreshSoon.stop();
    m_catalog->cancel(this);
    const ChatServiceConfig config = ChatServiceConfig::fromSettings(m_settings);
    if (config.isOpenAIHost() && config.apiKey.isEmpty()) {
        // OpenAI lists nothing without a key, and the key's caption already says where to get one.
        m_serverModels.clear();
        fillModelList();
        PreferencesStyle::setErrorText(m_modelListNote, {});
        return;
    }
    PreferencesStyle::setErrorText(m_modelListNote, tr("Asking the server for its models\u2026"));
    m_catalog->listModels(config, this, [this](const ModelListing& listing) {
        m_serverModels = listing.ids;
        fillModelList();
        PreferencesStyle::setErrorText(m_modelListNote, listing.message);
    });
}

void AITab::fillModelList()
{
    // Rebuilding the list must neither write the setting nor disturb someone typing in the field.
    const bool wasLoading = std::exchange(m_loading, true);
    const bool typing = m_model->lineEdit()->hasFocus();
    const int cursor = m_model->lineEdit()->cursorPosition();
    m_model->clear();
    if (ChatServiceConfig::fromSettings(m_settings).isOpenAIHost()) {
        for (const ModelInfo& model : ModelInfo::all())
            m_model->addItem(model.label(), model.id);
    }
    for (const QString& id : std::as_const(m_serverModels)) {
        if (m_model->findData(id) < 0)
            m_model->addItem(id, id);
    }
    const int known = m_model->findData(m_selectedModel);
    m_model->setCurrentIndex(known);
    if (known < 0)
        m_model->setEditText(m_selectedModel);
    if (typing)
        m_model->lineEdit()->setCursorPosition(cursor);
    static_cast<QStringListModel*>(m_memoryModelCompleter->model())->setStringList(m_serverModels);
    m_loading = wasLoading;
}

void AITab::showEndpointDependentText()
{
    ChatServiceConfig config = ChatServiceConfig::fromSettings(m_settings);
    const bool openAI = config.isOpenAIHost();
    m_keyHeading->setText(openAI ? tr("OpenAI API Key") : tr("API Key"));
    m_apiKey->setPlaceholderText(openAI ? QStringLiteral("sk-...") : tr("Optional"));
    if (openAI) {
        // The link colour is part of the text: a styled label does not take it from the theme palette.
        m_keyHint->setTextFormat(Qt::RichText);
        m_keyHint->setText(tr("Get a key at <a style=\"color: %1\" href=\"https://platform.openai.com/api-keys\">"
                              "platform.openai.com/api-keys</a>.")
                               .arg(m_colors.accent().name()));
    } else {
        m_keyHint->setTextFormat(Qt::PlainText);
        m_keyHint->setText(tr("Leave empty for a local server that needs no key."));
    }
    config.memoryModelSetting.clear();
    m_memoryModel->setPlaceholderText(config.memoryModel());
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
    showEndpointDependentText();
    m_localServers->setColors(colors);
    m_refreshModels->setIcon(symbolIcon(QStringLiteral("arrow.clockwise"), colors.secondaryText(), 16));
    m_inputIcon->setSymbol(symbolIcon(QStringLiteral("arrow.right.circle"), colors.secondaryText(), 14), 14);
    m_outputIcon->setSymbol(symbolIcon(QStringLiteral("arrow.left.circle"), colors.secondaryText(), 14), 14);
}
