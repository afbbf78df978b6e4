// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/ThemeColors.h"

#include <QList>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QWidget>

#include <optional>

class QScreen;
class QTimer;

class QKeyEvent;

// The arithmetic of the panel window, kept apart from any window so that it can be checked on plain rectangles.
// Screen coordinates as Qt has them: y grows downwards.
namespace PanelGeometry {

enum class ResizeHorizontal
{
    None,
    Left,
    Right
};
enum class ResizeVertical
{
    None,
    Top,
    Bottom
};

struct EdgeHit
{
    ResizeHorizontal horizontal = ResizeHorizontal::None;
    ResizeVertical vertical = ResizeVertical::None;

    bool isNone() const { return horizontal == ResizeHorizontal::None && vertical == ResizeVertical::None; }
    bool operator==(const EdgeHit&) const = default;
};

inline constexpr int edgeMargin = 6;

// Which edges a press at `point` grabs. Left wins over right and bottom over top on a very small frame.
EdgeHit hitTest(QPoint point, const QRect& frame);

// The frame after dragging `edges` by `delta` from `initial`: the opposite edge stays put and the size never goes
// below `minimum`.
QRect resizedFrame(const QRect& initial, EdgeHit edges, QPoint delta, QSize minimum);

struct ZoomStep
{
    QRect target;
    std::optional<QRect> frameBeforeFullscreen;
};
// Zooming fills `available` and remembers `current`; zooming back returns to exactly the remembered frame.
ZoomStep toggleZoom(const QRect& current, const std::optional<QRect>& frameBeforeFullscreen, const QRect& available);

// A frame of `size` centred in `available`, moved right by `xOffset`.
QRect centeredFrame(const QRect& available, QSize size, int xOffset);

// After the monitors changed: `frame` moved (and shrunk if need be) into the monitor that holds its centre, or,
// when none does, centred in `fallback`.
QRect keptOnScreens(const QRect& frame, const QList<QRect>& available, const QRect& fallback);

} // namespace PanelGeometry

// What the panel does with a key press before any view sees it.
enum class PanelKeyAction
{
    PassOn,
    Escape,
    CopyResultAndClose,
    Replace,
    NewChat,
    ShowShortcuts,
    Enter,
    Tab,
    Number,
    ArrowDown
};
// `editing`: a text input has the focus; `hasSelection`: the focused text has a selection.
PanelKeyAction panelKeyAction(int key, Qt::KeyboardModifiers modifiers, bool editing, bool hasSelection);

// The frameless window that holds the panel content or the first-run walkthrough. It turns keys into the
// callbacks below before the content sees them, resizes from every edge, zooms on a double click of its
// background, and comes to the front when shown without staying above other windows.
class FloatingPanel : public QWidget
{
    Q_OBJECT

public:
    static constexpr QSize defaultSize{980, 732};
    static constexpr QSize minimumPanelSize{624, 380};
    static constexpr int normalLevel = 0;
    static constexpr int floatingLevel = 3;

    // The panel takes ownership of `content`. `colors` decides the look, once, at construction.
    FloatingPanel(QWidget* content, ThemeColors colors, QWidget* parent = nullptr);
    ~FloatingPanel() override;

    QWidget* content() const { return m_content; }
    ThemeColors colors() const { return m_colors; }

    // Centres the panel at its default size on a screen, brings it to the front and focuses the content.
    // `screen` null: the screen that holds the pointer.
    void showCentered(int xOffset = 0, QScreen* screen = nullptr);
    // Between the screen's available area and the frame the panel had before.
    void toggleZoom();
    std::optional<QRect> frameBeforeFullscreen() const { return m_frameBeforeFullscreen; }

    int level() const { return m_level; }
    void setLevel(int level);
    // Around a system dialog that must come above the panel.
    void lowerForSystemDialog();
    void restoreLevelAfterSystemDialog();
    std::optional<int> savedLevelBeforeAccessibilityPrompt() const { return m_savedLevel; }

    // True when a compositor runs and the panel draws a rounded card on a transparent window.
    bool hasTranslucentCard() const { return m_translucent; }

Q_SIGNALS:
    // The panel is closing (not when it is merely hidden by Escape).
    void willClose();
    // The panel's keys, while it is the active window and the focus is not editing text where they mean something.
    void numberKeyPressed(int number);
    void copyResultAndCloseRequested();
    // Ctrl+Return; a receiver accepts `event` when it replaced, otherwise the key goes on to the focused widget.
    void replaceRequested(QKeyEvent* event);
    void enterPressed();
    // A receiver accepts `event` when Escape closed something inside the panel; otherwise the panel hides.
    void escapePressed(QKeyEvent* event);
    void tabPressed();
    void newChatRequested();
    // Ctrl+? (Ctrl+Shift+/ on most layouts): the Keyboard Shortcuts window.
    void shortcutsRequested();
    void arrowDownPressed();
    // Every key press and modifier change, first; a receiver accepts `event` to consume it.
    void onboardingKeyEvent(QKeyEvent* event);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    static QScreen* pointerScreen();
    void keepOnScreen();
    bool handleKey(QKeyEvent* event);
    bool handleMouse(QMouseEvent* event);
    bool isEditing() const;
    bool focusHasSelection() const;
    QScreen* zoomScreen() const;

    QPointer<QWidget> m_content;
    ThemeColors m_colors;
    bool m_translucent = false;
    int m_level = normalLevel;
    std::optional<int> m_savedLevel;
    std::optional<QRect> m_frameBeforeFullscreen;
    QTimer* m_keepOnScreen = nullptr;

    PanelGeometry::EdgeHit m_resizeEdges;
    QRect m_resizeInitialFrame;
    QPoint m_resizeInitialMouseLocation;
    std::optional<QPoint> m_moveOffset; // dragging the window by its background without help from the WM
};
