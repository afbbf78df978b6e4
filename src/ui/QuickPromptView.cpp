// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/QuickPromptView.h"

#include "ui/AnswerDocument.h"

#include "ai/ModelCapabilities.h"
#include "model/AppState.h"
#include "model/Settings.h"
#include "ui/MarkdownContentView.h"
#include "ui/PanelWidgets.h"
#include "ui/SymbolIcon.h"
#include "ui/ThinkingSection.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

using PanelWidgets::css;

namespace {

constexpr int captionsShownUntil = 9; // captions help during the first ten runs
constexpr qsizetype previewTextLimit = 20'000;

QString chipStyle(const ThemeColors& colors)
{
    return QStringLiteral("QPushButton#chip { background: %1; border: 1px solid %2; border-radius: 8px; "
                          "padding: 0px; text-align: left; }"
                          "QPushButton#chip:hover { background: %3; }"
                          "QPushButton#chip:focus { border-color: %4; background: %3; }")
        .arg(css(colors.boxFill()), css(colors.boxBorder()), css(colors.selectedFill()), css(colors.accent()));
}

QLabel* badge(const QString& text, const ThemeColors& colors)
{
    auto* label = new QLabel(text);
    label->setAlignment(Qt::AlignCenter);
    label->setMinimumWidth(20);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * 0.78);
    font.setWeight(QFont::DemiBold);
    label->setFont(font);
    label->setStyleSheet(QStringLiteral("color: %1; background: %2; border-radius: 5px; padding: 1px 5px;")
                             .arg(css(colors.secondaryText()), css(colors.iconButtonFill())));
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    // A small pill in the middle of the chip, not a stripe as tall as the chip.
    label->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    label->setFixedHeight(label->fontMetrics().height() + 4);
    return label;
}

} // namespace

QuickPromptView::QuickPromptView(AppState& state, Settings& settings, ThemeColors colors, QWidget* parent)
    : QWidget(parent), m_state(state), m_settings(settings), m_colors(colors)
{
    setObjectName(QStringLiteral("quickPromptView"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(10);

    // Input.
    m_inputCaption = PanelWidgets::caption(tr("input"), m_colors);
    column->addWidget(m_inputCaption);
    auto* inputBox = new QWidget;
    auto* inputColumn = new QVBoxLayout(inputBox);
    inputColumn->setContentsMargins(0, 0, 0, 0);
    m_hintLabel = PanelWidgets::label(
        tr("Select text anywhere, hold Ctrl and tap C twice to start prompting. When an answer is ready, "
           "Ctrl+Return puts it in place of your text."),
        m_colors.secondaryText());
    m_hintLabel->setWordWrap(true);
    m_textLabel = PanelWidgets::label(QString(), m_colors.text());
    m_textLabel->setObjectName(QStringLiteral("clipboardTextLabel"));
    m_textLabel->setWordWrap(true);
    m_textLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_textLabel->setAlignment(Qt::AlignTop | Qt::AlignLeft);

    m_imageBox = new QWidget;
    m_imageBox->setObjectName(QStringLiteral("clipboardImageBox"));
    auto* imageColumn = new QVBoxLayout(m_imageBox);
    imageColumn->setContentsMargins(0, 0, 0, 0);
    auto* imageRow = new QHBoxLayout;
    m_imageThumb = new QLabel;
    m_imageThumb->setFixedHeight(96);
    imageRow->addWidget(m_imageThumb);
    auto* imageInfo = new QVBoxLayout;
    imageInfo->addWidget(PanelWidgets::label(tr("Image"), m_colors.text()));
    m_imageSize = PanelWidgets::label(QString(), m_colors.secondaryText());
    imageInfo->addWidget(m_imageSize);
    auto* clearImage = new QPushButton(tr("Clear"));
    clearImage->setObjectName(QStringLiteral("clearImageButton"));
    clearImage->setFocusPolicy(Qt::TabFocus);
    clearImage->setCursor(Qt::PointingHandCursor);
    clearImage->setStyleSheet(PanelWidgets::boxButtonStyle(m_colors));
    connect(clearImage, &QPushButton::clicked, this, [this] { m_state.setClipboardImage(std::nullopt); });
    imageInfo->addWidget(clearImage, 0, Qt::AlignLeft);
    imageInfo->addStretch();
    imageRow->addLayout(imageInfo);
    imageRow->addStretch();
    imageColumn->addLayout(imageRow);
    m_visionWarning = new QWidget;
    m_visionWarning->setObjectName(QStringLiteral("visionWarning"));
    auto* warningRow = new QHBoxLayout(m_visionWarning);
    warningRow->setContentsMargins(0, 0, 0, 0);
    auto* warningIcon = new SymbolLabel;
    warningIcon->setSymbol(symbolIcon(QStringLiteral("exclamationmark.triangle.fill"), QColor(255, 149, 0), 14), 14);
    warningRow->addWidget(warningIcon);
    m_visionWarningText = PanelWidgets::label(QString(), QColor(255, 149, 0));
    warningRow->addWidget(m_visionWarningText, 1);
    imageColumn->addWidget(m_visionWarning);

    inputColumn->addWidget(m_hintLabel);
    inputColumn->addWidget(m_textLabel);
    inputColumn->addWidget(m_imageBox);
    m_inputScroll = new ContentFittingScrollView(250);
    m_inputScroll->setAccessibleName(tr("Copied text"));
    PanelWidgets::useThinScrollBar(m_inputScroll->verticalScrollBar(), m_colors);
    m_inputScroll->setContent(inputBox);
    column->addWidget(m_inputScroll);

    // Project switcher and prompt strip.
    m_projectSwitcher = new QPushButton;
    m_projectSwitcher->setObjectName(QStringLiteral("projectSwitcher"));
    m_projectSwitcher->setToolTip(tr("Switch project (Tab)"));
    m_projectSwitcher->setFocusPolicy(Qt::TabFocus);
    m_projectSwitcher->setCursor(Qt::PointingHandCursor);
    m_projectSwitcher->setStyleSheet(
        QStringLiteral("QPushButton { color: %1; background: %2; border: 1px solid %3; "
                       "border-radius: 8px; padding: 4px 10px; }"
                       "QPushButton:focus { border-color: %4; }")
            .arg(css(m_colors.text()), css(m_colors.boxFill()), css(m_colors.boxBorder()), css(m_colors.accent())));
    connect(m_projectSwitcher, &QPushButton::clicked, this, [this] { m_state.selectNextProject(); });
    column->addWidget(m_projectSwitcher, 0, Qt::AlignLeft);

    m_promptStrip = new QScrollArea;
    m_promptStrip->setObjectName(QStringLiteral("promptStrip"));
    m_promptStrip->setFocusPolicy(Qt::NoFocus);
    m_promptStrip->setFrameShape(QFrame::NoFrame);
    m_promptStrip->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_promptStrip->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_promptStrip->setWidgetResizable(true);
    m_promptStrip->setFixedHeight(40);
    m_promptStrip->setStyleSheet(QStringLiteral("QScrollArea { background: transparent; }"));
    m_promptStrip->viewport()->setAutoFillBackground(false);
    auto* strip = new QWidget;
    strip->setObjectName(QStringLiteral("chipRow"));
    strip->setAutoFillBackground(false);
    strip->setStyleSheet(QStringLiteral("QWidget#chipRow { background: transparent; }") + chipStyle(m_colors));
    m_chipLayout = new QHBoxLayout(strip);
    m_chipLayout->setContentsMargins(0, 2, 0, 2);
    m_chipLayout->setSpacing(8);
    m_promptStrip->setWidget(strip);
    m_stripFollower = new ScrollEndFollower(m_promptStrip->horizontalScrollBar(), 250, this);
    column->addWidget(m_promptStrip);

    // The custom prompt chip: idle, or an input with a send button.
    m_customChip = new QWidget;
    m_customChip->setObjectName(QStringLiteral("customPromptTag"));
    m_customChip->setToolTip(tr("Press Enter — Custom prompt"));
    auto* customRow = new QHBoxLayout(m_customChip);
    customRow->setContentsMargins(0, 0, 0, 0);
    auto* idle = new QPushButton;
    idle->setObjectName(QStringLiteral("chip"));
    idle->setFocusPolicy(Qt::TabFocus);
    idle->setAccessibleName(tr("Custom prompt"));
    idle->setCursor(Qt::PointingHandCursor);
    idle->setFixedHeight(32);
    auto* idleRow = new QHBoxLayout(idle);
    idleRow->setContentsMargins(8, 0, 10, 0);
    idleRow->addWidget(badge(tr("ENTER"), m_colors));
    auto* idleTitle = PanelWidgets::label(tr("Custom prompt"), m_colors.text());
    idleTitle->setAttribute(Qt::WA_TransparentForMouseEvents);
    idleRow->addWidget(idleTitle);
    idle->setMinimumWidth(idleRow->sizeHint().width());
    connect(idle, &QPushButton::clicked, this, [this] { m_state.setShowCustomPromptInput(true); });
    m_customIdle = idle;
    customRow->addWidget(idle);
    m_customActive = new QWidget;
    auto* activeRow = new QHBoxLayout(m_customActive);
    activeRow->setContentsMargins(0, 0, 0, 0);
    m_customEdit = new QLineEdit;
    m_customEdit->setObjectName(QStringLiteral("customPromptEdit"));
    m_customEdit->setAccessibleName(tr("Custom prompt"));
    m_customEdit->setPlaceholderText(tr("Custom prompt"));
    m_customEdit->setMinimumWidth(260);
    m_customEdit->setFixedHeight(32);
    m_customEdit->setStyleSheet(QStringLiteral("QLineEdit { color: %1; background: %2; border: 1px solid %3; "
                                               "border-radius: 8px; padding: 0 8px; }")
                                    .arg(css(m_colors.text()), css(m_colors.boxFill()), css(m_colors.accent())));
    connect(m_customEdit, &QLineEdit::textEdited, this,
            [this](const QString& text) { m_state.setCustomPromptText(text); });
    connect(m_customEdit, &QLineEdit::returnPressed, this, &QuickPromptView::submitCustomPrompt);
    activeRow->addWidget(m_customEdit);
    auto* send = PanelWidgets::iconButton(QStringLiteral("paperplane.fill"), tr("Send custom prompt (Enter)"), m_colors,
                                          nullptr, 30);
    send->setObjectName(QStringLiteral("sendCustomPromptButton"));
    connect(send, &QToolButton::clicked, this, &QuickPromptView::submitCustomPrompt);
    activeRow->addWidget(send);
    customRow->addWidget(m_customActive);

    // Output.
    m_outputCaption = PanelWidgets::caption(tr("output"), m_colors);
    column->addWidget(m_outputCaption);
    m_outputStack = new QStackedWidget;
    m_outputStack->setObjectName(QStringLiteral("outputStack"));
    auto* thinking = new QWidget;
    auto* thinkingRow = new QHBoxLayout(thinking);
    thinkingRow->setContentsMargins(0, 0, 0, 0);
    thinkingRow->setSpacing(8);
    thinkingRow->addWidget(new BusyIndicator(m_colors.secondaryText()), 0, Qt::AlignTop);
    auto* thinkingText = PanelWidgets::label(tr("Thinking…"), m_colors.secondaryText());
    thinkingText->setObjectName(QStringLiteral("thinkingLabel"));
    thinkingText->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    thinkingRow->addWidget(thinkingText, 0, Qt::AlignTop);
    thinkingRow->addStretch();
    auto* thinkingPage = new QWidget;
    auto* thinkingColumn = new QVBoxLayout(thinkingPage);
    thinkingColumn->setContentsMargins(0, 0, 0, 0);
    thinkingColumn->addWidget(thinking);
    thinkingColumn->addStretch();
    m_outputStack->addWidget(thinkingPage);
    m_resultScroll = new QScrollArea;
    m_resultScroll->setAccessibleName(tr("Answer"));
    PanelWidgets::useThinScrollBar(m_resultScroll->verticalScrollBar(), m_colors);
    m_resultScroll->setFrameShape(QFrame::NoFrame);
    m_resultScroll->setWidgetResizable(true);
    m_resultScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_resultScroll->viewport()->setAutoFillBackground(false);
    auto* resultPage = new QWidget;
    auto* resultColumn = new QVBoxLayout(resultPage);
    resultColumn->setContentsMargins(0, 0, 0, 0);
    resultColumn->setSpacing(6);
    m_reasoning = new ThinkingSection(m_colors);
    resultColumn->addWidget(m_reasoning);
    m_resultView = new MarkdownContentView(QString(), m_colors);
    m_resultView->setObjectName(QStringLiteral("resultView"));
    resultColumn->addWidget(m_resultView);
    m_cutOff = PanelWidgets::label(tr("The answer was cut off at the model's length limit."), m_colors.secondaryText());
    m_cutOff->setObjectName(QStringLiteral("cutOffLabel"));
    m_cutOff->setWordWrap(true);
    resultColumn->addWidget(m_cutOff);
    resultColumn->addStretch();
    m_resultScroll->setWidget(resultPage);
    m_outputStack->addWidget(m_resultScroll);
    auto* placeholder = PanelWidgets::label(tr("Select a prompt above to get started"), m_colors.faintText());
    placeholder->setObjectName(QStringLiteral("outputPlaceholder"));
    placeholder->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_outputStack->addWidget(placeholder);
    column->addWidget(m_outputStack, 1);

    m_savePromptButton = new QPushButton(tr("save prompt?"));
    m_savePromptButton->setObjectName(QStringLiteral("savePromptButton"));
    m_savePromptButton->setToolTip(tr("Save this custom prompt as a quick action"));
    m_savePromptButton->setFocusPolicy(Qt::TabFocus);
    m_savePromptButton->setFlat(true);
    m_savePromptButton->setCursor(Qt::PointingHandCursor);
    m_savePromptButton->setStyleSheet(
        QStringLiteral("QPushButton { color: %1; border: 1px solid transparent; border-radius: 4px; padding: 2px; }"
                       "QPushButton:focus { border-color: %1; }")
            .arg(css(m_colors.accent())));
    connect(m_savePromptButton, &QPushButton::clicked, this, [this] { m_state.saveCustomPromptAsQuickAction(); });
    column->addWidget(m_savePromptButton, 0, Qt::AlignLeft);

    // Footer.
    auto* footer = new QHBoxLayout;
    auto* copy =
        new QPushButton(symbolIcon(QStringLiteral("doc.on.doc"), m_colors.secondaryText(), 14), tr("(Ctrl+C)"));
    copy->setObjectName(QStringLiteral("copyResultButton"));
    copy->setToolTip(tr("Copy result to clipboard"));
    m_replaceButton = new QPushButton(symbolIcon(QStringLiteral("arrow.uturn.left"), m_colors.secondaryText(), 14),
                                      tr("Replace (Ctrl+Return)"));
    m_replaceButton->setObjectName(QStringLiteral("replaceButton"));
    m_replaceButton->setToolTip(tr("Paste the answer in place of the copied text"));
    auto* expand = new QPushButton(tr("Expand (↓)"));
    m_expandButton = expand;
    expand->setObjectName(QStringLiteral("expandButton"));
    expand->setToolTip(tr("Expand to chat view"));
    for (QPushButton* button : {copy, m_replaceButton, expand}) {
        button->setFlat(true);
        button->setFocusPolicy(Qt::TabFocus);
        button->setCursor(Qt::PointingHandCursor);
        button->setStyleSheet(QStringLiteral("QPushButton { color: %1; border: 1px solid transparent; "
                                             "border-radius: 4px; padding: 2px 4px; }"
                                             "QPushButton:hover { color: %2; }"
                                             "QPushButton:focus { color: %2; border-color: %3; }")
                                  .arg(css(m_colors.secondaryText()), css(m_colors.text()), css(m_colors.accent())));
    }
    connect(copy, &QPushButton::clicked, this, [this] {
        if (QClipboard* clipboard = QGuiApplication::clipboard())
            clipboard->setText(m_state.resultText());
    });
    connect(m_replaceButton, &QPushButton::clicked, this, [this] { Q_EMIT replaceRequested(); });
    connect(expand, &QPushButton::clicked, this, [this] { Q_EMIT expandRequested(); });
    footer->addWidget(copy);
    footer->addWidget(m_replaceButton);
    footer->addStretch();
    footer->addWidget(expand);
    column->addLayout(footer);

    connect(&m_state, &AppState::clipboardTextChanged, this, &QuickPromptView::refreshInput);
    connect(&m_state, &AppState::clipboardImageChanged, this, &QuickPromptView::refreshInput);
    connect(&ModelCapabilities::shared(), &ModelCapabilities::learned, this, &QuickPromptView::refreshInput);
    connect(&m_state, &AppState::showWelcomeHintChanged, this, [this] {
        refreshInput();
        refreshCaptions();
    });
    connect(&m_settings, &Settings::changed, this, [this](const QString& key) {
        if (key == settingName(SettingsKeys::totalPromptsUsed))
            refreshCaptions();
        else if (key == settingName(SettingsKeys::openaiModel))
            refreshInput();
    });
    connect(&m_state, &AppState::projectsChanged, this, &QuickPromptView::refreshProjects);
    connect(&m_state, &AppState::activeProjectIndexChanged, this, &QuickPromptView::refreshProjects);
    connect(&m_state, &AppState::showCustomPromptInputChanged, this, &QuickPromptView::refreshCustomPrompt);
    connect(&m_state, &AppState::customPromptTextChanged, this, &QuickPromptView::refreshCustomPrompt);
    connect(&m_state, &AppState::resultTextChanged, this, &QuickPromptView::refreshOutput);
    connect(&m_state, &AppState::resultReasoningChanged, this, &QuickPromptView::refreshOutput);
    connect(&m_state, &AppState::resultCutOffChanged, this, &QuickPromptView::refreshOutput);
    connect(&m_state, &AppState::isLoadingChanged, this, &QuickPromptView::refreshOutput);
    connect(&m_state, &AppState::lastCustomPromptTextChanged, this, &QuickPromptView::refreshOutput);
    // In the expanded window the view is already the Prompts tab: there is nothing left to expand.
    connect(&m_state, &AppState::isPanelExpandedChanged, this, &QuickPromptView::refreshFooter);
    connect(&m_state, &AppState::resultCompleteChanged, this, &QuickPromptView::refreshFooter);
    refreshFooter();

    refreshInput();
    refreshCaptions();
    refreshProjects();
    refreshCustomPrompt();
    refreshOutput();
}

QuickPromptView::~QuickPromptView() = default;

void QuickPromptView::refreshInput()
{
    const bool hint = m_state.showWelcomeHint();
    const bool image = !hint && m_state.clipboardImage().has_value();
    m_hintLabel->setVisible(hint);
    m_imageBox->setVisible(image);
    m_textLabel->setVisible(!hint && !image);
    if (image) {
        const QImage& picture = *m_state.clipboardImage();
        m_imageThumb->setPixmap(
            QPixmap::fromImage(picture.scaled(QSize(160, 96), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
        const qreal ratio = picture.devicePixelRatio() > 0 ? picture.devicePixelRatio() : 1.0;
        m_imageSize->setText(PanelWidgets::sizeText((QSizeF(picture.size()) / ratio).toSize()));
        const ChatServiceConfig config = ChatServiceConfig::fromSettings(m_settings);
        ModelCapabilities::shared().probe(config);
        m_visionWarning->setVisible(!ModelCapabilities::shared().supportsVision(config));
        m_visionWarningText->setText(config.isOpenAIHost()
                                         ? tr("%1 doesn't support images. Switch to GPT-4o.").arg(config.model)
                                         : tr("%1 doesn't take images, as far as Vantro can tell.").arg(config.model));
    } else if (!hint) {
        const QString& text = m_state.clipboardText();
        // The preview is a few lines high: laying out a whole copied book would freeze the panel for seconds.
        // The prompt still gets all of the text.
        if (text.isEmpty())
            m_textLabel->setText(tr("No text on clipboard"));
        else if (text.size() > previewTextLimit)
            m_textLabel->setText(text.left(previewTextLimit) + u'…');
        else
            m_textLabel->setText(text);
        m_textLabel->setStyleSheet(QStringLiteral("color: %1; background: transparent;")
                                       .arg(css(text.isEmpty() ? m_colors.faintText() : m_colors.text())));
    }
    m_inputScroll->widget()->adjustSize();
    m_inputScroll->updateGeometry();
}

void QuickPromptView::refreshCaptions()
{
    const bool early = m_settings.integer(SettingsKeys::totalPromptsUsed) <= captionsShownUntil;
    m_inputCaption->setVisible(early && !m_state.showWelcomeHint());
    m_outputCaption->setVisible(early);
}

QWidget* QuickPromptView::makeChip(const QString& number, const QString& title, const QString& toolTip)
{
    auto* chip = new QPushButton;
    chip->setObjectName(QStringLiteral("chip"));
    chip->setToolTip(plainToolTip(toolTip));
    chip->setAccessibleName(title);
    chip->setAccessibleDescription(toolTip);
    chip->setFocusPolicy(Qt::TabFocus);
    chip->setCursor(Qt::PointingHandCursor);
    chip->setFixedHeight(32);
    auto* row = new QHBoxLayout(chip);
    row->setContentsMargins(8, 0, 10, 0);
    row->setSpacing(6);
    row->addWidget(badge(number, m_colors));
    auto* label = PanelWidgets::label(title, m_colors.text());
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    row->addWidget(label);
    chip->setMinimumWidth(row->sizeHint().width());
    return chip;
}

void QuickPromptView::refreshProjects()
{
    const Project project = m_state.activeProject();
    m_projectSwitcher->setVisible(m_state.projects().size() >= 2);
    m_projectSwitcher->setText(project.emoji + u' ' + project.name);

    // Rebuild the chips; the custom chip stays and moves to the end.
    m_chipLayout->removeWidget(m_customChip);
    while (QLayoutItem* item = m_chipLayout->takeAt(0)) {
        // Later, not now: the click that led here may still be running in one of these chips.
        if (QWidget* widget = item->widget()) {
            widget->hide();
            widget->deleteLater();
        }
        delete item;
    }
    for (const Prompt& prompt : project.prompts) {
        const QString number = QString::number(prompt.number);
        QWidget* chip = makeChip(number, prompt.title, tr("Press %1 — %2").arg(number, prompt.title));
        chip->setProperty("promptId", prompt.id);
        connect(static_cast<QPushButton*>(chip), &QPushButton::clicked, this,
                [this, prompt] { Q_EMIT promptSelected(prompt); });
        m_chipLayout->addWidget(chip);
    }
    m_chipLayout->addWidget(m_customChip);
    m_chipLayout->addStretch();

    // A prompt was added to the same project: bring the end of the strip, where it appears, into view.
    const bool grew = project.id == m_shownProjectId && project.prompts.size() > m_shownPromptCount;
    m_shownProjectId = project.id;
    m_shownPromptCount = project.prompts.size();
    if (grew) {
        m_stripFollower->start();
    }
    PanelWidgets::orderTabsByLayout(this);
}

void QuickPromptView::refreshCustomPrompt()
{
    const bool active = m_state.showCustomPromptInput();
    m_customIdle->setVisible(!active);
    m_customActive->setVisible(active);
    if (m_customEdit->text() != m_state.customPromptText())
        m_customEdit->setText(m_state.customPromptText());
    if (active && !m_customEdit->hasFocus()) {
        m_customEdit->setFocus(Qt::OtherFocusReason);
        QTimer::singleShot(0, this, [this] { m_promptStrip->ensureWidgetVisible(m_customChip); });
    }
    if (!active && m_customEdit->hasFocus())
        setFocus(Qt::OtherFocusReason);
}

void QuickPromptView::submitCustomPrompt()
{
    const QString text = m_state.customPromptText().trimmed();
    if (text.isEmpty())
        return;
    Q_EMIT customPromptSubmitted(text);
    m_state.setShowCustomPromptInput(false);
    m_state.setCustomPromptText(QString());
    m_customEdit->clearFocus();
}

void QuickPromptView::refreshFooter()
{
    const bool compact = !m_state.isPanelExpanded();
    m_expandButton->setVisible(compact);
    // Replace pastes where the copied text came from: only a finished answer, only from the compact panel.
    m_replaceButton->setVisible(compact && m_state.isResultComplete());
}

void QuickPromptView::refreshOutput()
{
    const QString& result = m_state.resultText();
    const QString& reasoning = m_state.resultReasoning();
    if (!result.isEmpty() || !reasoning.isEmpty())
        m_outputStack->setCurrentIndex(1);
    else if (m_state.isLoading())
        m_outputStack->setCurrentIndex(0);
    else
        m_outputStack->setCurrentIndex(2);
    m_reasoning->setText(reasoning);
    m_reasoning->setActive(m_state.isLoading() && result.isEmpty());
    m_cutOff->setVisible(m_state.isResultCutOff());
    m_resultView->setStreaming(m_state.isLoading());
    if (m_resultView->content() != result)
        m_resultView->setContent(result);
    const auto& last = m_state.lastCustomPromptText();
    m_savePromptButton->setVisible(last.has_value() && !last->isEmpty());
}
