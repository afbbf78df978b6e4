// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/OnboardingView.h"

#include "ai/ModelCatalog.h"
#include "model/AppState.h"
#include "model/Project.h"
#include "model/Settings.h"
#include "platform/Autostart.h"
#include "platform/Backends.h"
#include "platform/Log.h"
#include "ui/KeyCap.h"
#include "ui/LocalServerPicker.h"
#include "ui/PanelWidgets.h"
#include "ui/SymbolIcon.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QScrollBar>
#include <QScrollArea>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

using PanelWidgets::css;

namespace {

// Fades a widget in that has just been shown; the effect goes once it is opaque, since it would also cost every
// later repaint.
void fadeIn(QWidget* widget, int milliseconds)
{
    if (!widget->isVisible())
        return;
    auto* effect = new QGraphicsOpacityEffect(widget);
    effect->setOpacity(0);
    widget->setGraphicsEffect(effect);
    auto* fade = new QPropertyAnimation(effect, "opacity", effect);
    fade->setDuration(milliseconds);
    fade->setEasingCurve(QEasingCurve::InOutQuad);
    fade->setStartValue(0.0);
    fade->setEndValue(1.0);
    QObject::connect(fade, &QPropertyAnimation::finished, widget, [widget] { widget->setGraphicsEffect(nullptr); });
    fade->start();
}

QLabel* title(const QString& text, const ThemeColors& colors)
{
    QLabel* label = PanelWidgets::label(text, colors.text());
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * 1.6);
    font.setWeight(QFont::Bold);
    label->setFont(font);
    label->setAlignment(Qt::AlignCenter);
    label->setTextFormat(Qt::PlainText);
    return label;
}

QLabel* line(const QString& text, const ThemeColors& colors)
{
    QLabel* label = PanelWidgets::label(text, colors.secondaryText());
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    return label;
}

QLabel* symbol(const QString& name, const QColor& color, int size)
{
    auto* label = new SymbolLabel;
    label->setSymbol(symbolIcon(name, color, size), size);
    return label;
}

QPushButton* primaryButton(const QString& text, const ThemeColors& colors)
{
    auto* button = new QPushButton(text);
    button->setMinimumSize(160, 44);
    button->setDefault(true);
    button->setAccessibleName(text);
    button->setStyleSheet(QStringLiteral("QPushButton { color: white; background: %1; border: none; border-radius: "
                                         "10px; padding: 4px 18px; font-weight: 600; }"
                                         "QPushButton:focus { border: 2px solid %2; }")
                              .arg(css(colors.accent()), css(colors.text())));
    return button;
}

QWidget* centred(std::initializer_list<QWidget*> widgets)
{
    auto* page = new QWidget;
    auto* box = new QVBoxLayout(page);
    box->setContentsMargins(40, 12, 40, 12);
    box->setSpacing(12);
    box->addStretch();
    for (QWidget* widget : widgets) {
        if (qobject_cast<QPushButton*>(widget))
            box->addWidget(widget, 0, Qt::AlignHCenter);
        else
            box->addWidget(widget);
    }
    box->addStretch();
    return page;
}

} // namespace

OnboardingView::OnboardingView(AppState& state, Settings& settings, ThemeColors colors, QWidget* parent)
    : QWidget(parent), m_state(state), m_settings(settings), m_colors(colors), m_prompts(defaultPrompts())
{
    setObjectName(QStringLiteral("onboardingView"));
    setPalette(colors.palette());
    setAutoFillBackground(true);
    // A user who just presses "Get Started" keeps the defaults.
    for (const Prompt& prompt : std::as_const(m_prompts))
        m_chosen.insert(prompt.id);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(14, 12, 14, 14);
    auto* top = new QHBoxLayout;
    QToolButton* close = PanelWidgets::iconButton(QStringLiteral("xmark"), tr("Close (Esc)"), colors);
    close->setObjectName(QStringLiteral("onboardingClose"));
    close->setAccessibleName(tr("Close"));
    close->setFocusPolicy(Qt::StrongFocus);
    connect(close, &QToolButton::clicked, this, &OnboardingView::closeRequested);
    top->addWidget(close);
    top->addStretch();
    column->addLayout(top);

    m_pages = new QStackedWidget;
    m_pages->addWidget(buildWelcome());
    m_pages->addWidget(buildKeyDetection());
    m_pages->addWidget(buildExercise(m_text, tr("Quick Prompt on Text"),
                                     tr("Copy text as usual with Ctrl+C, then tap C once more while you still hold "
                                        "Ctrl: the quick prompts open on what you copied."),
                                     tr("Hold Ctrl, then tap C twice quickly"), tr("You've got the hang of it.")));
    m_pages->addWidget(buildExercise(m_screenshot, tr("Prompt on Screenshot"),
                                     tr("Tap C three times while you hold Ctrl to pick a part of the screen and ask "
                                        "about it."),
                                     tr("Hold Ctrl, then tap C three times quickly"),
                                     tr("Now you know both shortcuts!")));
    m_pages->addWidget(buildQuickPrompts());
    column->addWidget(m_pages, 1);

    // Navigation: back, the step dots, skip.
    auto* nav = new QHBoxLayout;
    m_back = new QPushButton(symbolIcon(QStringLiteral("chevron.left"), colors.secondaryText(), 14), tr("Go Back"));
    m_back->setObjectName(QStringLiteral("onboardingBack"));
    m_back->setFlat(true);
    m_back->setToolTip(tr("Go Back"));
    connect(m_back, &QPushButton::clicked, this, [this] { setCurrentStep(Step(int(m_step) - 1)); });
    nav->addWidget(m_back);
    nav->addStretch();
    for (int i = 0; i < stepCount; ++i) {
        auto* dot = new QLabel;
        dot->setFixedSize(8, 8);
        m_dots.append(dot);
        nav->addWidget(dot);
    }
    nav->addStretch();
    m_skip = new QPushButton(tr("Skip"));
    m_skip->setObjectName(QStringLiteral("onboardingSkip"));
    m_skip->setFlat(true);
    connect(m_skip, &QPushButton::clicked, this, [this] { setCurrentStep(Step(int(m_step) + 1)); });
    nav->addWidget(m_skip);
    column->addLayout(nav);
    // The dots stay in place whether or not Go Back and Skip are offered.
    for (QWidget* button : {static_cast<QWidget*>(m_back), static_cast<QWidget*>(m_skip)}) {
        QSizePolicy policy = button->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        button->setSizePolicy(policy);
    }
    m_back->setMinimumWidth(std::max(m_back->sizeHint().width(), m_skip->sizeHint().width()));
    m_skip->setMinimumWidth(m_back->minimumWidth());

    setKeyDetection(Detection::Ready);
    refreshNavigation();
}

QWidget* OnboardingView::buildWelcome()
{
    auto* icon = new SymbolLabel;
    icon->setSymbol(QIcon(m_colors.isDark() ? QStringLiteral(":/icons/DockIconDark.svg")
                                            : QStringLiteral(":/icons/DockIconLight.svg")),
                    64);
    QPushButton* next = primaryButton(tr("Continue"), m_colors);
    next->setObjectName(QStringLiteral("welcomeContinue"));
    connect(next, &QPushButton::clicked, this, [this] { setCurrentStep(Step::KeyDetection); });
    return centred({icon, title(tr("Welcome to Vantro"), m_colors),
                    line(tr("AI prompts on whatever you copy, one shortcut away."), m_colors), next});
}

QWidget* OnboardingView::buildKeyDetection()
{
    m_detectionIcon = new SymbolLabel;
    m_detectionTitle = title(QString(), m_colors);
    m_detectionText = line(QString(), m_colors);
    m_detectionContinue = primaryButton(tr("Continue"), m_colors);
    m_detectionContinue->setObjectName(QStringLiteral("detectionContinue"));
    connect(m_detectionContinue, &QPushButton::clicked, this, [this] { setCurrentStep(Step::TextExercise); });
    m_tryAgain = primaryButton(tr("Try Again"), m_colors);
    m_tryAgain->setObjectName(QStringLiteral("detectionTryAgain"));
    connect(m_tryAgain, &QPushButton::clicked, this, &OnboardingView::tryAgainRequested);

    // On Wayland the desktop delivers the shortcuts: the commands to bind, each with a copy button.
    m_commands = new QWidget;
    auto* commands = new QVBoxLayout(m_commands);
    commands->setContentsMargins(0, 0, 0, 0);
    for (const QString& command : {QStringLiteral("vantro --trigger"), QStringLiteral("vantro --screenshot")}) {
        auto* row = new QHBoxLayout;
        row->addStretch();
        QLabel* text = PanelWidgets::label(command, m_colors.text());
        text->setTextInteractionFlags(Qt::TextSelectableByMouse);
        text->setStyleSheet(QStringLiteral("font-family: monospace; color: %1; background: %2; border-radius: 6px; "
                                           "padding: 4px 8px;")
                                .arg(css(m_colors.text()), css(m_colors.boxFill())));
        row->addWidget(text);
        auto* copy = new QPushButton(tr("Copy"));
        copy->setAccessibleName(tr("Copy %1").arg(command));
        copy->setStyleSheet(PanelWidgets::boxButtonStyle(m_colors));
        connect(copy, &QPushButton::clicked, this, [command] {
            if (Clipboard* clipboard = Backends::clipboard())
                clipboard->setText(command);
        });
        row->addWidget(copy);
        row->addStretch();
        commands->addLayout(row);
    }
    return centred({m_detectionIcon, m_detectionTitle, m_detectionText, m_commands, m_detectionContinue, m_tryAgain});
}

QWidget* OnboardingView::buildExercise(CopyGestureExercise& exercise, const QString& heading, const QString& text,
                                       const QString& hint, const QString& doneLine)
{
    ExerciseWidgets widgets;
    widgets.exercise = &exercise;
    auto* capsRow = new QWidget;
    auto* caps = new QHBoxLayout(capsRow);
    caps->addStretch();
    for (int i = 0; i <= exercise.taps(); ++i) {
        auto* cap = new KeyCap(i == 0 ? tr("Ctrl") : QStringLiteral("C"), m_colors);
        caps->addWidget(cap);
        widgets.caps.append(cap);
    }
    caps->addStretch();
    widgets.hint = line(hint, m_colors);
    widgets.done = new QWidget;
    auto* done = new QVBoxLayout(widgets.done);
    done->addWidget(symbol(QStringLiteral("checkmark"), m_colors.accent(), 28));
    done->addWidget(title(tr("Perfect!"), m_colors));
    done->addWidget(line(doneLine, m_colors));
    widgets.next = primaryButton(tr("Continue"), m_colors);
    widgets.next->setMinimumHeight(44);
    connect(widgets.next, &QPushButton::clicked, this, [this] { setCurrentStep(Step(int(m_step) + 1)); });
    done->addWidget(widgets.next, 0, Qt::AlignHCenter);
    m_exercises.append(widgets);
    return centred({title(heading, m_colors), line(text, m_colors), capsRow, widgets.hint, widgets.done});
}

QWidget* OnboardingView::buildQuickPrompts()
{
    auto* list = new QWidget;
    auto* rows = new QVBoxLayout(list);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(4);
    for (const Prompt& prompt : std::as_const(m_prompts)) {
        auto* line = new QHBoxLayout;
        auto* row = new QCheckBox(prompt.title);
        row->setObjectName(QStringLiteral("promptChoice"));
        row->setChecked(true);
        row->setAccessibleDescription(prompt.systemPrompt);
        const QUuid id = prompt.id;
        connect(row, &QCheckBox::toggled, this, [this, id](bool on) { setChosen(id, on); });
        line->addWidget(row, 1);
        QToolButton* edit = PanelWidgets::iconButton(QStringLiteral("pencil"), tr("Edit"), m_colors, nullptr, 24);
        edit->setObjectName(QStringLiteral("editPrompt"));
        edit->setAccessibleName(tr("Edit %1").arg(prompt.title));
        edit->setFocusPolicy(Qt::StrongFocus);
        connect(edit, &QToolButton::clicked, this, [this, id] { editPrompt(id); });
        line->addWidget(edit);
        rows->addLayout(line);
        QLabel* text = PanelWidgets::caption(prompt.systemPrompt, m_colors);
        text->setTextFormat(Qt::PlainText);
        text->setWordWrap(true);
        // Two lines are enough to tell them apart; a longer text is cut at the bottom, not in the middle.
        text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        text->setContentsMargins(24, 0, 0, 4);
        text->setMaximumHeight(text->fontMetrics().lineSpacing() * 2 + 6);
        rows->addWidget(text);
        m_promptRows.insert(id, {row, text});
    }
    rows->addStretch();
    auto* scroll = new QScrollArea;
    scroll->setFocusPolicy(Qt::NoFocus);
    scroll->setWidget(list);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    PanelWidgets::useThinScrollBar(scroll->verticalScrollBar(), m_colors);

    // Without a key nothing would answer; a model server on this computer needs none.
    m_catalog = new ModelCatalog(nullptr, this);
    m_localServers = new QWidget;
    m_localServers->setObjectName(QStringLiteral("onboardingLocalServers"));
    auto* local = new QVBoxLayout(m_localServers);
    local->setContentsMargins(0, 4, 0, 4);
    QLabel* noKey = line(tr("No API key yet? Vantro also works with a model server on this computer."), m_colors);
    noKey->setAlignment(Qt::AlignLeft);
    local->addWidget(noKey);
    auto* picker = new LocalServerPicker(m_settings, *m_catalog, m_colors);
    picker->findButton()->setStyleSheet(PanelWidgets::boxButtonStyle(m_colors));
    local->addWidget(picker);

    m_autostart = new QCheckBox(tr("Start Vantro when I log in"));
    m_autostart->setObjectName(QStringLiteral("onboardingAutostart"));
    m_autostart->setChecked(true);
    QPushButton* start = primaryButton(tr("Get Started"), m_colors);
    start->setObjectName(QStringLiteral("getStarted"));
    connect(start, &QPushButton::clicked, this, &OnboardingView::finish);

    auto* choosing = new QWidget;
    auto* box = new QVBoxLayout(choosing);
    box->setContentsMargins(0, 0, 0, 0);
    box->addWidget(title(tr("Quick Prompts"), m_colors));
    box->addWidget(line(tr("Select the prompts you want available.\nClick the pencil to edit."), m_colors));
    box->addWidget(scroll, 1);
    QLabel* replaceTip =
        line(tr("Once an answer is ready, Ctrl+Return pastes it in place of the text you copied."), m_colors);
    replaceTip->setObjectName(QStringLiteral("onboardingReplaceTip"));
    box->addWidget(replaceTip);
    box->addWidget(m_localServers);
    box->addWidget(m_autostart);
    box->addWidget(start, 0, Qt::AlignHCenter);

    // The editor of one prompt, in place of the list.
    auto* editor = new QWidget;
    auto* form = new QVBoxLayout(editor);
    form->setContentsMargins(0, 0, 0, 0);
    form->addWidget(title(tr("Edit Prompt"), m_colors));
    form->addWidget(PanelWidgets::label(tr("Title"), m_colors.text()));
    m_editTitle = new QLineEdit;
    m_editTitle->setObjectName(QStringLiteral("editTitle"));
    m_editTitle->setPlaceholderText(tr("Prompt title"));
    m_editTitle->setAccessibleName(tr("Title"));
    form->addWidget(m_editTitle);
    form->addWidget(PanelWidgets::label(tr("System Prompt"), m_colors.text()));
    m_editText = new QPlainTextEdit;
    m_editText->setObjectName(QStringLiteral("editSystemPrompt"));
    m_editText->setFixedHeight(120);
    m_editText->setAccessibleName(tr("System Prompt"));
    m_editText->setTabChangesFocus(true);
    form->addWidget(m_editText);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto* cancel = new QPushButton(tr("Cancel"));
    cancel->setObjectName(QStringLiteral("editCancel"));
    cancel->setStyleSheet(PanelWidgets::boxButtonStyle(m_colors));
    cancel->setMinimumSize(100, 36);
    connect(cancel, &QPushButton::clicked, this, [this] { closeEditor(false); });
    buttons->addWidget(cancel);
    QPushButton* save = primaryButton(tr("Save"), m_colors);
    save->setObjectName(QStringLiteral("editSave"));
    save->setMinimumSize(100, 36);
    connect(save, &QPushButton::clicked, this, [this] { closeEditor(true); });
    buttons->addWidget(save);
    form->addLayout(buttons);
    form->addStretch();

    m_promptPages = new QStackedWidget;
    m_promptPages->addWidget(choosing);
    m_promptPages->addWidget(editor);
    auto* page = new QWidget;
    auto* outer = new QVBoxLayout(page);
    outer->setContentsMargins(40, 0, 40, 4);
    outer->addWidget(m_promptPages);
    return page;
}

void OnboardingView::editPrompt(const QUuid& id)
{
    for (const Prompt& prompt : std::as_const(m_prompts)) {
        if (prompt.id != id)
            continue;
        m_editing = id;
        m_editTitle->setText(prompt.title);
        m_editText->setPlainText(prompt.systemPrompt);
        m_promptPages->setCurrentIndex(1);
        m_editTitle->setFocus(Qt::OtherFocusReason);
        return;
    }
}

void OnboardingView::closeEditor(bool save)
{
    if (save && m_editing) {
        for (Prompt& prompt : m_prompts) {
            if (prompt.id != *m_editing)
                continue;
            prompt.title = m_editTitle->text().trimmed().isEmpty() ? prompt.title : m_editTitle->text().trimmed();
            prompt.systemPrompt = m_editText->toPlainText();
            const auto [row, text] = m_promptRows.value(prompt.id);
            row->setText(prompt.title);
            row->setAccessibleDescription(prompt.systemPrompt);
            text->setText(prompt.systemPrompt);
        }
    }
    m_editing.reset();
    m_promptPages->setCurrentIndex(0);
}

void OnboardingView::setCurrentStep(Step step)
{
    const int index = std::clamp(int(step), 0, stepCount - 1);
    const bool changed = index != m_pages->currentIndex();
    m_step = Step(index);
    m_pages->setCurrentIndex(index);
    if (changed)
        fadeIn(m_pages->currentWidget(), 250);
    // An exercise shown (again) starts from nothing lit.
    if (m_step == Step::TextExercise)
        m_text.reset();
    if (m_step == Step::ScreenshotExercise)
        m_screenshot.reset();
    refreshExercises();
    refreshNavigation();
    // Once shown it stays for this visit, also after a server was picked or a key came from elsewhere.
    if (m_step == Step::QuickPrompts && changed)
        m_localServers->setVisible(m_settings.string(SettingsKeys::openaiApiKey).isEmpty());
    if (QWidget* next = m_pages->currentWidget()->findChild<QPushButton*>(); next && next->isVisibleTo(this))
        next->setFocus(Qt::OtherFocusReason);
    Q_EMIT stepChanged(m_step);
}

void OnboardingView::activateDefaultButton()
{
    for (QPushButton* button : m_pages->currentWidget()->findChildren<QPushButton*>()) {
        if (button->isDefault() && button->isVisibleTo(this)) {
            button->click();
            return;
        }
    }
}

void OnboardingView::setKeyDetection(Detection detection, const QString& reason)
{
    switch (detection) {
    case Detection::Ready:
        m_detectionTitle->setText(tr("Key Detection Ready"));
        m_detectionText->setText(tr("Vantro can now detect your keyboard shortcuts."));
        break;
    case Detection::Refused:
        m_detectionTitle->setText(tr("Key Detection Unavailable"));
        m_detectionText->setText(reason + u'\n' +
                                 tr("Close the program that uses Ctrl+C as its own shortcut, then choose Try Again. "
                                    "Until then you can open Vantro with the custom hotkey in its preferences."));
        break;
    case Detection::DesktopShortcuts:
        m_detectionTitle->setText(tr("Your Shortcuts Are Ready"));
        m_detectionText->setText(tr("Your desktop delivers these shortcuts to Vantro. You can change the keys in "
                                    "Vantro's preferences.") +
                                 u'\n' + reason);
        break;
    case Detection::Wayland:
        m_detectionTitle->setText(tr("Set Up a Shortcut"));
        m_detectionText->setText(tr("Your desktop does not let programs watch Ctrl+C. Bind these commands to "
                                    "shortcuts in your desktop's keyboard settings:"));
        break;
    }
    const QString icon = detection == Detection::Ready || detection == Detection::DesktopShortcuts
                             ? QStringLiteral("checkmark")
                         : detection == Detection::Refused ? QStringLiteral("exclamationmark.triangle.fill")
                                                           : QStringLiteral("keyboard");
    m_detectionIcon->setSymbol(
        symbolIcon(icon, detection == Detection::Refused ? QColor(0xE0, 0x8A, 0x00) : m_colors.accent(), 36), 36);
    m_detectionContinue->setVisible(detection != Detection::Refused);
    m_tryAgain->setVisible(detection == Detection::Refused);
    m_commands->setVisible(detection == Detection::Wayland);
}

void OnboardingView::setChosen(const QUuid& id, bool chosen)
{
    if (chosen)
        m_chosen.insert(id);
    else
        m_chosen.remove(id);
}

void OnboardingView::keyEvent(QKeyEvent* event)
{
    const bool ctrl = event->key() == Qt::Key_Control;
    if (!ctrl)
        return;
    const bool held = event->type() == QEvent::KeyPress;
    if (m_step == Step::TextExercise)
        m_text.ctrlChanged(held);
    else if (m_step == Step::ScreenshotExercise)
        m_screenshot.ctrlChanged(held);
    refreshExercises();
}

void OnboardingView::copyTapped(int ordinal)
{
    if (m_step == Step::TextExercise)
        m_text.copyTapped(ordinal);
    else if (m_step == Step::ScreenshotExercise)
        m_screenshot.copyTapped(ordinal);
    refreshExercises();
}

void OnboardingView::textTriggered()
{
    if (m_step == Step::TextExercise)
        m_text.triggered();
    refreshExercises();
}

void OnboardingView::screenshotTriggered()
{
    if (m_step == Step::ScreenshotExercise)
        m_screenshot.triggered();
    refreshExercises();
}

void OnboardingView::finish()
{
    QList<Prompt> chosen;
    for (const Prompt& prompt : std::as_const(m_prompts)) {
        if (m_chosen.contains(prompt.id))
            chosen.append(prompt);
    }
    if (const auto projects = projectsAfterFirstRun(m_state.projects(), defaultPrompts(), chosen))
        m_state.replaceProjects(*projects);
    m_settings.setBoolean(SettingsKeys::hasCompletedOnboarding, true);
    QString error;
    if (!Autostart::setEnabled(m_autostart->isChecked(), QCoreApplication::applicationFilePath(), &error))
        logLine(u"OnboardingView", error); // the Preferences switch shows the real state and can try again
    Q_EMIT completed();
}

void OnboardingView::refreshExercises()
{
    for (const ExerciseWidgets& widgets : std::as_const(m_exercises)) {
        const CopyGestureExercise& exercise = *widgets.exercise;
        for (int i = 0; i < widgets.caps.size(); ++i)
            widgets.caps.at(i)->setLit(i == 0 ? exercise.ctrlHeld() : exercise.tapLit(i));
        const bool appears = exercise.isDetected() && widgets.done->isHidden();
        widgets.hint->setVisible(!exercise.isDetected());
        widgets.done->setVisible(exercise.isDetected());
        if (appears)
            fadeIn(widgets.done, 250);
    }
}

void OnboardingView::refreshNavigation()
{
    for (int i = 0; i < m_dots.size(); ++i)
        m_dots.at(i)->setStyleSheet(QStringLiteral("background: %1; border-radius: 4px;")
                                        .arg(css(i == int(m_step) ? m_colors.accent() : m_colors.boxBorder())));
    // Always reachable, also from the keyboard, rather than only while the pointer is over the dots.
    m_back->setVisible(m_step != Step::Welcome);
    m_skip->setVisible(m_step != Step::QuickPrompts);
}
