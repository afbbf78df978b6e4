// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/FloatingPanel.h"

#include "platform/Workspaces.h"
#include "platform/appearance/Compositor.h"

#include <QAbstractButton>
#include <QCursor>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMetaMethod>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTextEdit>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>

namespace PanelGeometry {

EdgeHit hitTest(QPoint point, const QRect& frame)
{
    EdgeHit hit;
    if (point.x() - frame.left() < edgeMargin)
        hit.horizontal = ResizeHorizontal::Left;
    else if (frame.right() - point.x() < edgeMargin)
        hit.horizontal = ResizeHorizontal::Right;
    if (frame.bottom() - point.y() < edgeMargin)
        hit.vertical = ResizeVertical::Bottom;
    else if (point.y() - frame.top() < edgeMargin)
        hit.vertical = ResizeVertical::Top;
    return hit;
}

QRect resizedFrame(const QRect& initial, EdgeHit edges, QPoint delta, QSize minimum)
{
    int x = initial.x(), y = initial.y(), width = initial.width(), height = initial.height();
    switch (edges.horizontal) {
    case ResizeHorizontal::Left:
        width = std::max(minimum.width(), initial.width() - delta.x());
        x = initial.x() + initial.width() - width;
        break;
    case ResizeHorizontal::Right:
        width = std::max(minimum.width(), initial.width() + delta.x());
        break;
    case ResizeHorizontal::None:
        break;
    }
    switch (edges.vertical) {
    case ResizeVertical::Top:
        height = std::max(minimum.height(), initial.height() - delta.y());
        y = initial.y() + initial.height() - height;
        break;
    case ResizeVertical::Bottom:
        height = std::max(minimum.height(), initial.height() + delta.y());
        break;
    case ResizeVertical::None:
        break;
    }
    return {x, y, width, height};
}

ZoomStep toggleZoom(const QRect& current, const std::optional<QRect>& frameBeforeFullscreen, const QRect& available)
{
    if (frameBeforeFullscreen)
        return {*frameBeforeFullscreen, std::nullopt};
    return {available, current};
}

QRect centeredFrame(const QRect& available, QSize size, int xOffset)
{
    const QPoint middle(available.x() + available.width() / 2, available.y() + available.height() / 2);
    return {middle.x() - size.width() / 2 + xOffset, middle.y() - size.height() / 2, size.width(), size.height()};
}

QRect keptOnScreens(const QRect& frame, const QList<QRect>& available, const QRect& fallback)
{
    for (const QRect& area : available) {
        if (!area.contains(frame.center()))
            continue;
        const QSize size = frame.size().boundedTo(area.size());
        const int x = std::clamp(frame.x(), area.left(), area.right() + 1 - size.width());
        const int y = std::clamp(frame.y(), area.top(), area.bottom() + 1 - size.height());
        return {QPoint(x, y), size};
    }
    return centeredFrame(fallback, frame.size().boundedTo(fallback.size()), 0);
}

} // namespace PanelGeometry

PanelKeyAction panelKeyAction(int key, Qt::KeyboardModifiers modifiers, bool editing, bool hasSelection)
{
    // Ctrl plays the part of the command key, Super that of the control key.
    const bool ctrl = modifiers & Qt::ControlModifier;
    const bool shift = modifiers & Qt::ShiftModifier;
    const bool alt = modifiers & Qt::AltModifier;
    const bool super = modifiers & Qt::MetaModifier;

    if (key == Qt::Key_Escape)
        return PanelKeyAction::Escape;
    if (key == Qt::Key_C && ctrl && !shift && !alt)
        return hasSelection ? PanelKeyAction::PassOn : PanelKeyAction::CopyResultAndClose;
    if (key == Qt::Key_N && ctrl && !shift && !alt)
        return PanelKeyAction::NewChat;
    if ((key == Qt::Key_Question || key == Qt::Key_Slash) && ctrl && !alt)
        return PanelKeyAction::ShowShortcuts;
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && ctrl && !shift && !alt)
        return PanelKeyAction::Replace;
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && !editing)
        return PanelKeyAction::Enter;
    if (key == Qt::Key_Tab && !shift && !alt && !super)
        return PanelKeyAction::Tab;
    if (editing)
        return PanelKeyAction::PassOn;
    // Digits by the character they produce: the top row and the keypad alike; 0 is not a prompt number.
    if (key >= Qt::Key_1 && key <= Qt::Key_9 && !ctrl && !alt && !super)
        return PanelKeyAction::Number;
    if (key == Qt::Key_Down)
        return PanelKeyAction::ArrowDown;
    return PanelKeyAction::PassOn;
}

namespace {

bool isModifierKey(int key)
{
    switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Meta:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
    case Qt::Key_CapsLock:
        return true;
    default:
        return false;
    }
}

constexpr qreal cardRadius = 12;

} // namespace

FloatingPanel::FloatingPanel(QWidget* content, ThemeColors colors, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), m_content(content), m_colors(colors)
{
    setObjectName(QStringLiteral("floatingPanel"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    // Rounded corners need a compositor; without one a transparent window shows black or stale pixels, so the
    // card is then drawn opaque and square.
    m_translucent = compositorIsRunning();
    setAttribute(Qt::WA_TranslucentBackground, m_translucent);
    setAutoFillBackground(false);
    setPalette(colors.palette());
    setMinimumSize(minimumPanelSize);
    resize(defaultSize);
    setMouseTracking(true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->setSpacing(0);
    if (m_content)
        layout->addWidget(m_content);

    // An application-wide filter sees every key before the focused widget does.
    qApp->installEventFilter(this);

    // A monitor unplugged or rearranged while the panel is shown must not leave it where nobody can reach it.
    m_keepOnScreen = new QTimer(this);
    m_keepOnScreen->setSingleShot(true);
    m_keepOnScreen->setInterval(0);
    connect(m_keepOnScreen, &QTimer::timeout, this, &FloatingPanel::keepOnScreen);
    const auto watch = [this](QScreen* screen) {
        connect(screen, &QScreen::availableGeometryChanged, m_keepOnScreen, qOverload<>(&QTimer::start));
    };
    for (QScreen* screen : QGuiApplication::screens())
        watch(screen);
    connect(qApp, &QGuiApplication::screenAdded, this, [this, watch](QScreen* screen) {
        watch(screen);
        m_keepOnScreen->start();
    });
    connect(qApp, &QGuiApplication::screenRemoved, m_keepOnScreen, qOverload<>(&QTimer::start));
}

QScreen* FloatingPanel::pointerScreen()
{
    QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    return screen ? screen : QGuiApplication::primaryScreen();
}

void FloatingPanel::keepOnScreen()
{
    QScreen* fallback = pointerScreen();
    if (!isVisible() || !fallback)
        return;
    QList<QRect> available;
    for (const QScreen* screen : QGuiApplication::screens())
        available.append(screen->availableGeometry());
    const QRect target = PanelGeometry::keptOnScreens(geometry(), available, fallback->availableGeometry());
    if (target != geometry())
        setGeometry(target);
}

FloatingPanel::~FloatingPanel()
{
    if (qApp)
        qApp->removeEventFilter(this);
}

void FloatingPanel::showCentered(int xOffset, QScreen* screen)
{
    if (!screen)
        screen = pointerScreen();
    if (!screen)
        return;
    if (isMinimized())
        setWindowState(windowState() & ~Qt::WindowMinimized);
    setGeometry(PanelGeometry::centeredFrame(screen->availableGeometry(), defaultSize, xOffset));
    // Opened on whatever workspace the user is on, and staying with them when they switch.
    winId();
    Workspaces::showOnAll(windowHandle());
    // Brought to the front and focused, but not kept above other windows afterwards.
    show();
    raise();
    activateWindow();
    if (QWindow* window = windowHandle())
        window->requestActivate();
    if (m_content)
        m_content->setFocus(Qt::ActiveWindowFocusReason);
}

QScreen* FloatingPanel::zoomScreen() const
{
    QScreen* own = screen();
    return own ? own : QGuiApplication::primaryScreen();
}

void FloatingPanel::toggleZoom()
{
    QScreen* screen = zoomScreen();
    if (!screen)
        return;
    const auto step = PanelGeometry::toggleZoom(geometry(), m_frameBeforeFullscreen, screen->availableGeometry());
    m_frameBeforeFullscreen = step.frameBeforeFullscreen;
    setGeometry(step.target);
}

void FloatingPanel::setLevel(int level)
{
    if (level == m_level)
        return;
    m_level = level;
    const bool floating = level > normalLevel;
    if (bool(windowFlags() & Qt::WindowStaysOnTopHint) == floating)
        return;
    const bool wasVisible = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, floating);
    if (wasVisible) {
        // Changing window flags hides a top-level window, and the window manager forgets its workspaces then.
        Workspaces::showOnAll(windowHandle());
        show();
    }
}

void FloatingPanel::lowerForSystemDialog()
{
    if (m_savedLevel)
        return;
    m_savedLevel = m_level;
    setLevel(normalLevel);
}

void FloatingPanel::restoreLevelAfterSystemDialog()
{
    if (!m_savedLevel)
        return;
    setLevel(*std::exchange(m_savedLevel, std::nullopt));
    show();
    raise();
    activateWindow();
}

void FloatingPanel::closeEvent(QCloseEvent* event)
{
    if (m_savedLevel)
        setLevel(*std::exchange(m_savedLevel, std::nullopt));
    Q_EMIT willClose();
    QWidget::closeEvent(event);
}

void FloatingPanel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (m_translucent) {
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath card;
        card.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), cardRadius, cardRadius);
        painter.fillPath(card, m_colors.windowBackground());
        painter.setPen(QPen(m_colors.divider(), 1));
        painter.drawPath(card);
        return;
    }
    painter.fillRect(rect(), m_colors.windowBackground());
    painter.setPen(QPen(m_colors.boxBorder(), 1));
    painter.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
}

bool FloatingPanel::isEditing() const
{
    QWidget* focus = QApplication::focusWidget();
    if (!focus || (focus != this && !isAncestorOf(focus)))
        return false;
    if (auto* line = qobject_cast<QLineEdit*>(focus))
        return !line->isReadOnly();
    if (auto* text = qobject_cast<QTextEdit*>(focus))
        return !text->isReadOnly();
    if (auto* plain = qobject_cast<QPlainTextEdit*>(focus))
        return !plain->isReadOnly();
    return false;
}

bool FloatingPanel::focusHasSelection() const
{
    QWidget* focus = QApplication::focusWidget();
    if (!focus || (focus != this && !isAncestorOf(focus)))
        return false;
    if (auto* line = qobject_cast<QLineEdit*>(focus))
        return line->hasSelectedText();
    if (auto* text = qobject_cast<QTextEdit*>(focus))
        return text->textCursor().hasSelection();
    if (auto* plain = qobject_cast<QPlainTextEdit*>(focus))
        return plain->textCursor().hasSelection();
    if (auto* label = qobject_cast<QLabel*>(focus))
        return label->hasSelectedText();
    return false;
}

bool FloatingPanel::eventFilter(QObject* watched, QEvent* event)
{
    QWindow* window = windowHandle();
    if (!window)
        return false;
    switch (event->type()) {
    case QEvent::ShortcutOverride: {
        // Shortcuts fire before the key press arrives; keys the panel takes must not trigger one.
        auto* widget = qobject_cast<QWidget*>(watched);
        if (watched != window && (!widget || (widget != this && !isAncestorOf(widget))))
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        if (isActiveWindow() &&
            panelKeyAction(key->key(), key->modifiers(), isEditing(), focusHasSelection()) != PanelKeyAction::PassOn) {
            key->accept();
            return true;
        }
        return false;
    }
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        // The window sees each key before it is handed to the focused widget.
        return watched == window && handleKey(static_cast<QKeyEvent*>(event));
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::MouseButtonRelease:
        return watched == window && handleMouse(static_cast<QMouseEvent*>(event));
    default:
        return false;
    }
}

bool FloatingPanel::handleKey(QKeyEvent* event)
{
    if (!isActiveWindow())
        return false;
    const bool modifierChange = isModifierKey(event->key());
    if (event->type() == QEvent::KeyRelease && !modifierChange)
        return false;
    // A receiver of onboardingKeyEvent accepts the event to consume it.
    event->ignore();
    Q_EMIT onboardingKeyEvent(event);
    if (event->isAccepted())
        return true;
    if (event->type() != QEvent::KeyPress || modifierChange)
        return false;

    switch (panelKeyAction(event->key(), event->modifiers(), isEditing(), focusHasSelection())) {
    case PanelKeyAction::PassOn:
        return false;
    case PanelKeyAction::Escape:
        // A receiver accepts the event when Escape closed something inside; otherwise the panel hides.
        event->ignore();
        Q_EMIT escapePressed(event);
        if (!event->isAccepted())
            hide();
        break;
    case PanelKeyAction::CopyResultAndClose:
        Q_EMIT copyResultAndCloseRequested();
        break;
    case PanelKeyAction::Replace:
        event->ignore();
        Q_EMIT replaceRequested(event);
        return event->isAccepted();
    case PanelKeyAction::NewChat:
        Q_EMIT newChatRequested();
        break;
    case PanelKeyAction::ShowShortcuts:
        Q_EMIT shortcutsRequested();
        break;
    case PanelKeyAction::Enter:
        // A button reached with Tab is pressed by Return, as Space presses it.
        if (auto* button = qobject_cast<QAbstractButton*>(QApplication::focusWidget());
            button && isAncestorOf(button)) {
            button->click();
            break;
        }
        if (m_content)
            m_content->setFocus(Qt::OtherFocusReason);
        Q_EMIT enterPressed();
        break;
    case PanelKeyAction::Tab: {
        // From the panel at rest or a text input Tab switches the project (Ctrl+Tab always does); once a button or
        // a list has the focus, Tab goes on to the next control. Shift+Tab enters the controls from the end.
        QWidget* focus = QApplication::focusWidget();
        const bool onControl = focus && focus != m_content && isAncestorOf(focus) && !isEditing();
        if ((onControl && !(event->modifiers() & Qt::ControlModifier)) ||
            !isSignalConnected(QMetaMethod::fromSignal(&FloatingPanel::tabPressed)))
            return false;
        Q_EMIT tabPressed();
        break;
    }
    case PanelKeyAction::Number:
        if (m_content)
            m_content->setFocus(Qt::OtherFocusReason);
        Q_EMIT numberKeyPressed(event->key() - Qt::Key_0);
        break;
    case PanelKeyAction::ArrowDown:
        Q_EMIT arrowDownPressed();
        break;
    }
    event->accept();
    return true;
}

bool FloatingPanel::handleMouse(QMouseEvent* event)
{
    const QPoint global = event->globalPosition().toPoint();
    const bool resizing = !m_resizeEdges.isNone();
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        if (event->button() != Qt::LeftButton)
            return false;
        const auto hit = PanelGeometry::hitTest(global, geometry());
        if (hit.isNone())
            return false;
        m_resizeEdges = hit;
        m_resizeInitialFrame = geometry();
        m_resizeInitialMouseLocation = global;
        m_moveOffset.reset();
        return true;
    }
    case QEvent::MouseMove:
        if (!resizing)
            return false;
        setGeometry(PanelGeometry::resizedFrame(m_resizeInitialFrame, m_resizeEdges,
                                                global - m_resizeInitialMouseLocation, minimumSize()));
        return true;
    case QEvent::MouseButtonRelease:
        if (!resizing)
            return false;
        m_resizeEdges = {};
        return true;
    default:
        return false;
    }
}

void FloatingPanel::mousePressEvent(QMouseEvent* event)
{
    // A press that no child took lands on the background, which moves the window.
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    if (QWindow* window = windowHandle(); window && window->startSystemMove())
        return;
    m_moveOffset = event->globalPosition().toPoint() - pos();
}

void FloatingPanel::mouseMoveEvent(QMouseEvent* event)
{
    if (m_moveOffset && (event->buttons() & Qt::LeftButton))
        move(event->globalPosition().toPoint() - *m_moveOffset);
    else
        QWidget::mouseMoveEvent(event);
}

void FloatingPanel::mouseReleaseEvent(QMouseEvent* event)
{
    m_moveOffset.reset();
    QWidget::mouseReleaseEvent(event);
}

void FloatingPanel::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mouseDoubleClickEvent(event);
    m_moveOffset.reset();
    toggleZoom();
}
