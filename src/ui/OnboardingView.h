// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/Prompt.h"
#include "ui/CopyGestureExercise.h"
#include "ui/ThemeColors.h"

#include <QHash>
#include <QSet>
#include <QWidget>

#include <optional>

class AppState;
class KeyCap;
class LocalServerPicker;
class ModelCatalog;
class QCheckBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QStackedWidget;
class Settings;
class SymbolLabel;

// The first-run walkthrough: a welcome, whether key detection works in this session, a live exercise of the double
// copy and of the triple copy, and the choice of quick prompts to start with. The controller hosts it in its own
// panel and feeds it the panel's key events and the copy-tap detector's taps and triggers.
class OnboardingView : public QWidget
{
    Q_OBJECT

public:
    enum class Step
    {
        Welcome,
        KeyDetection,
        TextExercise,
        ScreenshotExercise,
        QuickPrompts
    };
    static constexpr int stepCount = 5;

    enum class Detection
    {
        Ready,           // X11, detection armed
        Refused,         // X11, arming failed; the reason says why
        Wayland,         // the desktop delivers shortcuts; the user binds the commands
        DesktopShortcuts // the desktop bound Vantro's shortcuts; the reason lists them
    };

    OnboardingView(AppState& state, Settings& settings, ThemeColors colors, QWidget* parent = nullptr);

    Step currentStep() const { return m_step; }
    void setCurrentStep(Step step);
    void setKeyDetection(Detection detection, const QString& reason = QString());

    const CopyGestureExercise& textExercise() const { return m_text; }
    const CopyGestureExercise& screenshotExercise() const { return m_screenshot; }
    // The prompts as they would be kept, in order, and which are chosen.
    const QList<Prompt>& editablePrompts() const { return m_prompts; }
    bool isChosen(const QUuid& id) const { return m_chosen.contains(id); }
    void setChosen(const QUuid& id, bool chosen);

public Q_SLOTS:
    // Every key press and modifier change of the walkthrough's panel.
    void keyEvent(QKeyEvent* event);
    // The copy-tap detector counted a tap (1, 2, 3), or fired its double- or triple-copy trigger.
    void copyTapped(int ordinal);
    void textTriggered();
    void screenshotTriggered();
    // "Get Started": keeps the chosen prompts, marks the walkthrough done, sets the login entry, then completed().
    void finish();
    // Return: the current step's main button (Continue, Try Again, Get Started).
    void activateDefaultButton();

Q_SIGNALS:
    void completed();
    // The close button (and Escape, through the panel): the walkthrough is left unfinished.
    void closeRequested();
    // "Try Again" on the key-detection step.
    void tryAgainRequested();
    void stepChanged(OnboardingView::Step step);

private:
    QWidget* buildWelcome();
    QWidget* buildKeyDetection();
    QWidget* buildExercise(CopyGestureExercise& exercise, const QString& title, const QString& line,
                           const QString& hint, const QString& doneLine);
    QWidget* buildQuickPrompts();
    void refreshExercises();
    void refreshNavigation();

    AppState& m_state;
    Settings& m_settings;
    ThemeColors m_colors;
    Step m_step = Step::Welcome;
    CopyGestureExercise m_text{2};
    CopyGestureExercise m_screenshot{3};
    QList<Prompt> m_prompts;
    QSet<QUuid> m_chosen;

    QStackedWidget* m_pages = nullptr;
    QList<QLabel*> m_dots;
    QPushButton* m_back = nullptr;
    QPushButton* m_skip = nullptr;
    // Key-detection step.
    SymbolLabel* m_detectionIcon = nullptr;
    QLabel* m_detectionTitle = nullptr;
    QLabel* m_detectionText = nullptr;
    QPushButton* m_detectionContinue = nullptr;
    QPushButton* m_tryAgain = nullptr;
    QWidget* m_commands = nullptr;
    // Exercise steps: per exercise its caps (Ctrl, then the Cs), the hint and the "Perfect!" block.
    struct ExerciseWidgets
    {
        CopyGestureExercise* exercise = nullptr;
        QList<KeyCap*> caps;
        QLabel* hint = nullptr;
        QWidget* done = nullptr;
        QPushButton* next = nullptr;
    };
    QList<ExerciseWidgets> m_exercises;
    QCheckBox* m_autostart = nullptr;
    // Offered on the last step while no API key is set.
    ModelCatalog* m_catalog = nullptr;
    QWidget* m_localServers = nullptr;
    // Prompt step: the list, or the editor of one prompt.
    QStackedWidget* m_promptPages = nullptr;
    QHash<QUuid, std::pair<QCheckBox*, QLabel*>> m_promptRows;
    std::optional<QUuid> m_editing;
    QLineEdit* m_editTitle = nullptr;
    QPlainTextEdit* m_editText = nullptr;

    void editPrompt(const QUuid& id);
    void closeEditor(bool save);
};
