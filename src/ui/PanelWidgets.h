// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/ThemeColors.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QPointer>
#include <QPropertyAnimation>
#include <QScrollArea>
#include <QString>
#include <QTimer>

class QLabel;
class QScrollBar;
class QToolButton;

// Small building blocks shared by the panel's views.
namespace PanelWidgets {

// A flat square button with one of our symbols.
QToolButton* iconButton(const QString& symbol, const QString& toolTip, const ThemeColors& colors,
                        QWidget* parent = nullptr, int size = 28);
void setIconButtonSymbol(QToolButton* button, const QString& symbol, const ThemeColors& colors);

// A label in the small type of captions ("input", "output").
QLabel* caption(const QString& text, const ThemeColors& colors, QWidget* parent = nullptr);

// A text label in a given colour and point size (0 keeps the default size).
QLabel* label(const QString& text, const QColor& color, qreal pointSize = 0, QWidget* parent = nullptr);

// CSS colour with alpha, for style sheets.
QString css(const QColor& color);

// A thin rounded scroll bar without arrows, in the theme's colours instead of the stock light one.
void useThinScrollBar(QScrollBar* bar, const ThemeColors& colors);

// The rounded, bordered push button of the panel, so no stock button stands out in either theme.
QString boxButtonStyle(const ThemeColors& colors);

// "now", "5 min ago", "3 hr ago", "2 days ago", "3 wk ago", or the date for older ones.
QString abbreviatedRelativeTime(const QDateTime& date, const QDateTime& now);

// "<width> × <height>"
QString sizeText(const QSize& size);

// Puts the controls under `root` that Tab reaches in the order of its layouts (reading order), whatever order they
// were made in: widgets made later, such as rebuilt prompt chips, would otherwise come last.
void orderTabsByLayout(QWidget* root);

} // namespace PanelWidgets

// Scrolls a scroll bar to its end with a short animation, and keeps following the end for a moment: content that
// was just added (a chat bubble, a prompt chip) is laid out over the next few frames and grows the range meanwhile.
class ScrollEndFollower : public QObject
{
    Q_OBJECT

public:
    ScrollEndFollower(QScrollBar* bar, int durationMs, QObject* parent);

    void start();

private:
    void follow(int maximum);

    QScrollBar* m_bar;
    int m_durationMs;
    QElapsedTimer m_since;
    QPointer<QPropertyAnimation> m_animation;
};

// A scroll area as tall as its content, up to a maximum height.
class ContentFittingScrollView : public QScrollArea
{
    Q_OBJECT

public:
    explicit ContentFittingScrollView(int maxHeight, QWidget* parent = nullptr);

    // Use instead of setWidget(), so that the view follows the content's height.
    void setContent(QWidget* content);

    int maxHeight() const { return m_maxHeight; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    int contentHeight() const;

    int m_maxHeight;
};

// A small spinning arc for "Thinking…" and other waits. It turns only while it is shown, so a hidden one never
// wakes the process.
class BusyIndicator : public QWidget
{
    Q_OBJECT

public:
    explicit BusyIndicator(QColor color, int size = 14, QWidget* parent = nullptr);

    bool isSpinning() const { return m_timer.isActive(); }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_color;
    QTimer m_timer;
    int m_angle = 0;
};
