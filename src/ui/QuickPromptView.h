// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/Prompt.h"
#include "ui/ThemeColors.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QWidget>

class AppState;
class ContentFittingScrollView;
class MarkdownContentView;
class ThinkingSection;
class QHBoxLayout;
class QLabel;
class ScrollEndFollower;
class QLineEdit;
class QPropertyAnimation;
class QPushButton;
class QScrollArea;
class QStackedWidget;
class QToolButton;
class QVBoxLayout;
class Settings;

// The compact card's content: the copied input, the project switcher, the numbered prompt chips with the custom
// prompt, and the streamed result with its footer. Also the main area of the expanded window's Prompts tab.
class QuickPromptView : public QWidget
{
    Q_OBJECT

public:
    QuickPromptView(AppState& state, Settings& settings, ThemeColors colors, QWidget* parent = nullptr);
    ~QuickPromptView() override;

    QLineEdit* customPromptEdit() const { return m_customEdit; }
    MarkdownContentView* resultView() const { return m_resultView; }

Q_SIGNALS:
    void promptSelected(const Prompt& prompt);
    void customPromptSubmitted(const QString& text);
    void expandRequested();
    void replaceRequested();

private:
    void refreshInput();
    void refreshCaptions();
    void refreshProjects();
    void refreshCustomPrompt();
    void refreshOutput();
    void refreshFooter();
    void submitCustomPrompt();
    QWidget* makeChip(const QString& badge, const QString& title, const QString& toolTip);

    AppState& m_state;
    Settings& m_settings;
    ThemeColors m_colors;

    QLabel* m_inputCaption = nullptr;
    ContentFittingScrollView* m_inputScroll = nullptr;
    QStackedWidget* m_inputStack = nullptr;
    QLabel* m_hintLabel = nullptr;
    QLabel* m_textLabel = nullptr;
    QWidget* m_imageBox = nullptr;
    QLabel* m_imageThumb = nullptr;
    QLabel* m_imageSize = nullptr;
    QWidget* m_visionWarning = nullptr;
    QLabel* m_visionWarningText = nullptr;

    QPushButton* m_projectSwitcher = nullptr;
    QScrollArea* m_promptStrip = nullptr;
    QHBoxLayout* m_chipLayout = nullptr;
    QWidget* m_customChip = nullptr;
    QWidget* m_customIdle = nullptr;
    QWidget* m_customActive = nullptr;
    QLineEdit* m_customEdit = nullptr;
    QUuid m_shownProjectId;
    qsizetype m_shownPromptCount = 0;
    ScrollEndFollower* m_stripFollower = nullptr;

    QLabel* m_outputCaption = nullptr;
    QStackedWidget* m_outputStack = nullptr;
    QPushButton* m_replaceButton = nullptr;
    QScrollArea* m_resultScroll = nullptr;
    MarkdownContentView* m_resultView = nullptr;
    ThinkingSection* m_reasoning = nullptr;
    QLabel* m_cutOff = nullptr;
    QPushButton* m_savePromptButton = nullptr;
    QPushButton* m_expandButton = nullptr;
};
