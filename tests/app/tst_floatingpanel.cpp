// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/FloatingPanel.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTextEdit>
#include <QVBoxLayout>

using namespace PanelGeometry;

Q_DECLARE_METATYPE(PanelGeometry::EdgeHit)

namespace {

constexpr EdgeHit edges(ResizeHorizontal horizontal, ResizeVertical vertical)
{
    return {horizontal, vertical};
}

// Records the keys pressed that reach a widget.
class KeyCounter : public QObject
{
public:
    QList<int> keys;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress)
            keys.append(static_cast<QKeyEvent*>(event)->key());
        return false;
    }
};

} // namespace

class TestFloatingPanel : public QObject
{
    Q_OBJECT

    struct Fixture
    {
        QWidget* content = new QWidget;
        QLineEdit* input = new QLineEdit(content);
        QTextEdit* result = new QTextEdit(content);
        QPushButton* button = new QPushButton(QStringLiteral("Button"), content);
        FloatingPanel panel{content, ThemeColors{AppTheme::Light}};
        KeyCounter inputKeys, resultKeys, contentKeys;
        QStringList calls;
        bool escapeHandled = false;

        Fixture()
        {
            input->setObjectName(QStringLiteral("customPromptEdit"));
            result->setObjectName(QStringLiteral("resultView"));
            result->setReadOnly(true);
            result->setPlainText(QStringLiteral("The answer text"));
            auto* layout = new QVBoxLayout(content);
            layout->addWidget(input);
            layout->addWidget(result);
            layout->addWidget(button);
            input->installEventFilter(&inputKeys);
            result->installEventFilter(&resultKeys);
            content->installEventFilter(&contentKeys);
            panel.onNumberKeyPressed = [this](int n) { calls << QStringLiteral("number %1").arg(n); };
            panel.onCopyResultAndClose = [this] { calls << QStringLiteral("copy"); };
            panel.onEnterPressed = [this] { calls << QStringLiteral("enter"); };
            panel.onEscPressed = [this] {
                calls << QStringLiteral("esc");
                return escapeHandled;
            };
            panel.onTabPressed = [this] { calls << QStringLiteral("tab"); };
            panel.onNewChat = [this] { calls << QStringLiteral("new chat"); };
            panel.onArrowDownPressed = [this] { calls << QStringLiteral("down"); };
        }

        bool show()
        {
            panel.showCentered(0);
            return QTest::qWaitForWindowActive(&panel);
        }
    };

private Q_SLOTS:
    void hitTest_data()
    {
        QTest::addColumn<QRect>("frame");
        QTest::addColumn<QPoint>("point");
        QTest::addColumn<EdgeHit>("expected");
        const QRect frame(100, 100, 980, 732); // right() = 1079, bottom() = 831
        QTest::newRow("inside") << frame << QPoint(500, 400) << EdgeHit{};
        QTest::newRow("left edge") << frame << QPoint(105, 400) << edges(ResizeHorizontal::Left, ResizeVertical::None);
        QTest::newRow("just past the margin") << frame << QPoint(106, 400) << EdgeHit{};
        QTest::newRow("right edge") << frame << QPoint(1074, 400)
                                    << edges(ResizeHorizontal::Right, ResizeVertical::None);
        QTest::newRow("top edge") << frame << QPoint(500, 100) << edges(ResizeHorizontal::None, ResizeVertical::Top);
        QTest::newRow("bottom edge") << frame << QPoint(500, 831)
                                     << edges(ResizeHorizontal::None, ResizeVertical::Bottom);
        QTest::newRow("top-left corner") << frame << QPoint(101, 102)
                                         << edges(ResizeHorizontal::Left, ResizeVertical::Top);
        QTest::newRow("bottom-right corner")
            << frame << QPoint(1078, 830) << edges(ResizeHorizontal::Right, ResizeVertical::Bottom);
        QTest::newRow("tiny frame: left and bottom win")
            << QRect(0, 0, 8, 8) << QPoint(4, 4) << edges(ResizeHorizontal::Left, ResizeVertical::Bottom);
    }

    void hitTest()
    {
        QFETCH(QRect, frame);
        QFETCH(QPoint, point);
        QFETCH(EdgeHit, expected);
        QCOMPARE(PanelGeometry::hitTest(point, frame), expected);
    }

    void resize_data()
    {
        QTest::addColumn<EdgeHit>("grabbed");
        QTest::addColumn<QPoint>("delta");
        QTest::addColumn<QRect>("expected");
        const auto none = ResizeVertical::None;
        // Initial frame (100, 100, 980, 732), minimum 624 x 380.
        QTest::newRow("left edge out") << edges(ResizeHorizontal::Left, none) << QPoint(-50, 7)
                                       << QRect(50, 100, 1030, 732);
        QTest::newRow("left edge in past the minimum, right edge stays")
            << edges(ResizeHorizontal::Left, none) << QPoint(900, 0) << QRect(456, 100, 624, 732);
        QTest::newRow("right edge") << edges(ResizeHorizontal::Right, none) << QPoint(20, 0)
                                    << QRect(100, 100, 1000, 732);
        QTest::newRow("right edge to the minimum")
            << edges(ResizeHorizontal::Right, none) << QPoint(-600, 0) << QRect(100, 100, 624, 732);
        QTest::newRow("top edge down past the minimum, bottom edge stays")
            << edges(ResizeHorizontal::None, ResizeVertical::Top) << QPoint(0, 500) << QRect(100, 452, 980, 380);
        QTest::newRow("bottom edge") << edges(ResizeHorizontal::None, ResizeVertical::Bottom) << QPoint(0, 30)
                                     << QRect(100, 100, 980, 762);
        QTest::newRow("corner drags both")
            << edges(ResizeHorizontal::Left, ResizeVertical::Top) << QPoint(-10, -20) << QRect(90, 80, 990, 752);
    }

    void resize()
    {
        QFETCH(EdgeHit, grabbed);
        QFETCH(QPoint, delta);
        QFETCH(QRect, expected);
        QCOMPARE(resizedFrame(QRect(100, 100, 980, 732), grabbed, delta, QSize(624, 380)), expected);
    }

    void zoomArithmetic()
    {
        const QRect available(0, 30, 1280, 994);
        const QRect frame(151, 170, 980, 733);
        const auto zoomed = PanelGeometry::toggleZoom(frame, std::nullopt, available);
        QCOMPARE(zoomed.target, available);
        QCOMPARE(zoomed.frameBeforeFullscreen, frame);
        // Resized while zoomed: the remembered frame is still the one to go back to.
        const auto back = PanelGeometry::toggleZoom(QRect(0, 30, 900, 900), zoomed.frameBeforeFullscreen, available);
        QCOMPARE(back.target, frame);
        QVERIFY(!back.frameBeforeFullscreen);
        QCOMPARE(centeredFrame(QRect(0, 0, 1280, 1024), QSize(980, 732), -72), QRect(78, 146, 980, 732));
    }

    void showCenteredFocusesTheContent()
    {
        Fixture f;
        f.input->setFocus();
        QVERIFY(f.show());
        const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
        QCOMPARE(f.panel.geometry(), centeredFrame(available, QSize(980, 732), 0));
        QCOMPARE(f.panel.level(), FloatingPanel::normalLevel);
        QCOMPARE(QApplication::focusWidget(), f.content);
        QCOMPARE(f.panel.minimumSize(), QSize(624, 380));
        QVERIFY(!(f.panel.windowFlags() & Qt::WindowStaysOnTopHint));
        QVERIFY(f.panel.windowFlags() & Qt::FramelessWindowHint);
        f.panel.showCentered(-72);
        QCOMPARE(f.panel.geometry(), centeredFrame(available, QSize(980, 732), -72));
    }

    void keyMap_data()
    {
        QTest::addColumn<QString>("focus"); // "content", "input" or "result"
        QTest::addColumn<int>("key");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<QString>("expectedCall"); // empty: none
        QTest::addColumn<bool>("reachesFocus");

        const auto no = Qt::KeyboardModifiers();
        const QString none;
        QTest::newRow("Escape") << "content" << int(Qt::Key_Escape) << no << "esc" << false;
        QTest::newRow("Escape while editing") << "input" << int(Qt::Key_Escape) << no << "esc" << false;
        QTest::newRow("Ctrl+C, nothing selected")
            << "result" << int(Qt::Key_C) << Qt::KeyboardModifiers(Qt::ControlModifier) << "copy" << false;
        QTest::newRow("Ctrl+Super+C") << "content" << int(Qt::Key_C) << (Qt::ControlModifier | Qt::MetaModifier)
                                      << "copy" << false;
        QTest::newRow("Ctrl+Shift+C passes")
            << "content" << int(Qt::Key_C) << (Qt::ControlModifier | Qt::ShiftModifier) << none << true;
        QTest::newRow("Ctrl+N") << "input" << int(Qt::Key_N) << Qt::KeyboardModifiers(Qt::ControlModifier) << "new chat"
                                << false;
        QTest::newRow("Ctrl+Alt+N passes")
            << "content" << int(Qt::Key_N) << (Qt::ControlModifier | Qt::AltModifier) << none << true;
        QTest::newRow("Return") << "result" << int(Qt::Key_Return) << no << "enter" << false;
        QTest::newRow("keypad Enter") << "content" << int(Qt::Key_Enter) << Qt::KeyboardModifiers(Qt::KeypadModifier)
                                      << "enter" << false;
        QTest::newRow("Return while editing goes to the input") << "input" << int(Qt::Key_Return) << no << none << true;
        QTest::newRow("Tab") << "content" << int(Qt::Key_Tab) << no << "tab" << false;
        QTest::newRow("Tab while editing") << "input" << int(Qt::Key_Tab) << no << "tab" << false;
        QTest::newRow("Shift+Tab passes")
            << "content" << int(Qt::Key_Backtab) << Qt::KeyboardModifiers(Qt::ShiftModifier) << none << true;
        QTest::newRow("3") << "result" << int(Qt::Key_3) << no << "number 3" << false;
        QTest::newRow("keypad 7") << "content" << int(Qt::Key_7) << Qt::KeyboardModifiers(Qt::KeypadModifier)
                                  << "number 7" << false;
        QTest::newRow("0 is no prompt") << "content" << int(Qt::Key_0) << no << none << true;
        QTest::newRow("Ctrl+3 passes") << "content" << int(Qt::Key_3) << Qt::KeyboardModifiers(Qt::ControlModifier)
                                       << none << true;
        QTest::newRow("3 while editing types") << "input" << int(Qt::Key_3) << no << none << true;
        QTest::newRow("Down") << "content" << int(Qt::Key_Down) << no << "down" << false;
        QTest::newRow("Ctrl+Down") << "result" << int(Qt::Key_Down) << Qt::KeyboardModifiers(Qt::ControlModifier)
                                   << "down" << false;
        QTest::newRow("Down while editing") << "input" << int(Qt::Key_Down) << no << none << true;
        QTest::newRow("other key while editing") << "input" << int(Qt::Key_A) << no << none << true;
        QTest::newRow("other key") << "content" << int(Qt::Key_A) << no << none << true;
    }

    void keyMap()
    {
        QFETCH(QString, focus);
        QFETCH(int, key);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(QString, expectedCall);
        QFETCH(bool, reachesFocus);

        Fixture f;
        f.escapeHandled = true;
        QVERIFY(f.show());
        QWidget* target = focus == u"input"    ? static_cast<QWidget*>(f.input)
                          : focus == u"result" ? static_cast<QWidget*>(f.result)
                                               : f.content;
        target->setFocus();
        QCOMPARE(QApplication::focusWidget(), target);
        KeyCounter& counter = focus == u"input" ? f.inputKeys : focus == u"result" ? f.resultKeys : f.contentKeys;

        QTest::keyClick(f.panel.windowHandle(), Qt::Key(key), modifiers);
        QCOMPARE(f.calls, expectedCall.isEmpty() ? QStringList() : QStringList{expectedCall});
        QCOMPARE(counter.keys.contains(key), reachesFocus);
        if (expectedCall == u"enter" || expectedCall.startsWith(u"number"))
            QCOMPARE(QApplication::focusWidget(), f.content);
        if (key == Qt::Key_3 && focus == u"input")
            QCOMPARE(f.input->text(), QStringLiteral("3"));
        QVERIFY(f.panel.isVisible());
    }

    void copyWithSelectionCopiesTheSelection()
    {
        Fixture f;
        QVERIFY(f.show());
        QGuiApplication::clipboard()->setText(QStringLiteral("old"));
        f.result->setFocus();
        QTextCursor cursor = f.result->textCursor();
        cursor.setPosition(4);
        cursor.setPosition(10, QTextCursor::KeepAnchor);
        f.result->setTextCursor(cursor);
        QTest::keyClick(f.panel.windowHandle(), Qt::Key_C, Qt::ControlModifier);
        QVERIFY(f.calls.isEmpty());
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("answer"));

        f.input->setText(QStringLiteral("custom prompt"));
        f.input->setFocus();
        f.input->setSelection(0, 6);
        QTest::keyClick(f.panel.windowHandle(), Qt::Key_C, Qt::ControlModifier);
        QVERIFY(f.calls.isEmpty());
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("custom"));
    }

    void escapeHidesUnlessHandled_data()
    {
        QTest::addColumn<int>("callback"); // 0: none, 1: returns false, 2: returns true
        QTest::addColumn<bool>("staysVisible");
        QTest::newRow("no callback") << 0 << false;
        QTest::newRow("not handled") << 1 << false;
        QTest::newRow("handled") << 2 << true;
    }

    void escapeHidesUnlessHandled()
    {
        QFETCH(int, callback);
        QFETCH(bool, staysVisible);
        Fixture f;
        f.escapeHandled = callback == 2;
        if (callback == 0)
            f.panel.onEscPressed = nullptr;
        QSignalSpy closing(&f.panel, &FloatingPanel::willClose);
        QVERIFY(f.show());
        f.input->setFocus();
        QTest::keyClick(f.panel.windowHandle(), Qt::Key_Escape);
        QCOMPARE(f.panel.isVisible(), staysVisible);
        QVERIFY(!f.inputKeys.keys.contains(Qt::Key_Escape));
        QCOMPARE(closing.count(), 0); // hidden, not closed
    }

    void keysOfAnInactivePanelAreLeftAlone()
    {
        Fixture f;
        QVERIFY(f.show());
        QWidget other;
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        QVERIFY(!f.panel.isActiveWindow());
        QTest::keyClick(f.panel.windowHandle(), Qt::Key_Escape);
        QTest::keyClick(f.panel.windowHandle(), Qt::Key_3);
        QVERIFY(f.calls.isEmpty());
        QVERIFY(f.panel.isVisible());
    }

    void onboardingSeesKeysFirst()
    {
        Fixture f;
        QList<QPair<int, int>> seen; // event type, key
        bool consume = true;
        f.panel.onOnboardingKeyEvent = [&](const QKeyEvent& event) {
            seen.append({int(event.type()), event.key()});
            return consume;
        };
        QVERIFY(f.show());
        QTest::keyClick(f.panel.windowHandle(), Qt::Key_Escape);
        QTest::keyPress(f.panel.windowHandle(), Qt::Key_Control);
        QTest::keyRelease(f.panel.windowHandle(), Qt::Key_Control);
        QVERIFY(f.calls.isEmpty());
        QVERIFY(f.panel.isVisible());
        const QList<QPair<int, int>> expected{{int(QEvent::KeyPress), int(Qt::Key_Escape)},
                                              {int(QEvent::KeyPress), int(Qt::Key_Control)},
                                              {int(QEvent::KeyRelease), int(Qt::Key_Control)}};
        QCOMPARE(seen, expected);

        consume = false;
        QTest::keyClick(f.panel.windowHandle(), Qt::Key_5);
        QCOMPARE(f.calls, QStringList{QStringLiteral("number 5")});
    }

    void doubleClickOnTheBackgroundZooms()
    {
        Fixture f;
        QVERIFY(f.show());
        const QRect before = f.panel.geometry();
        const QRect available = f.panel.screen()->availableGeometry();
        const QPoint background(8, f.panel.height() / 2); // in the content's margin, clear of the edge
        QTest::mouseDClick(f.panel.windowHandle(), Qt::LeftButton, {}, background);
        QTRY_COMPARE(f.panel.geometry(), available);
        QCOMPARE(f.panel.frameBeforeFullscreen(), before);
        f.panel.toggleZoom();
        QCOMPARE(f.panel.geometry(), before);
        QVERIFY(!f.panel.frameBeforeFullscreen());

        // A double click on a button is the button's, and one on an edge starts a resize.
        QTest::mouseDClick(f.panel.windowHandle(), Qt::LeftButton, {}, f.button->mapTo(&f.panel, QPoint(5, 5)));
        QTest::mouseDClick(f.panel.windowHandle(), Qt::LeftButton, {}, QPoint(2, 300));
        QTest::mouseRelease(f.panel.windowHandle(), Qt::LeftButton, {}, QPoint(2, 300));
        QCOMPARE(f.panel.geometry(), before);
    }

    void draggingAnEdgeResizes()
    {
        Fixture f;
        QVERIFY(f.show());
        const QRect before = f.panel.geometry();
        QWindow* window = f.panel.windowHandle();
        // Left edge dragged far to the right: stops at the minimum width, the right edge stays.
        QTest::mousePress(window, Qt::LeftButton, {}, QPoint(2, 300));
        QTest::mouseMove(window, QPoint(602, 300));
        QTest::mouseRelease(window, Qt::LeftButton, {}, QPoint(602, 300));
        QTRY_COMPARE(f.panel.geometry().width(), 624);
        QCOMPARE(f.panel.geometry().right(), before.right());
        QCOMPARE(f.panel.geometry().height(), before.height());

        // Bottom edge dragged up past the minimum: the top edge stays.
        const QRect second = f.panel.geometry();
        QTest::mousePress(window, Qt::LeftButton, {}, QPoint(300, second.height() - 2));
        QTest::mouseMove(window, QPoint(300, second.height() - 600));
        QTest::mouseRelease(window, Qt::LeftButton, {}, QPoint(300, second.height() - 600));
        QTRY_COMPARE(f.panel.geometry().height(), 380);
        QCOMPARE(f.panel.geometry().top(), second.top());
    }

    void levelAroundASystemDialog()
    {
        Fixture f;
        QVERIFY(f.show());
        f.panel.setLevel(FloatingPanel::floatingLevel);
        f.panel.lowerForSystemDialog();
        QCOMPARE(f.panel.level(), FloatingPanel::normalLevel);
        QCOMPARE(f.panel.savedLevelBeforeAccessibilityPrompt(), FloatingPanel::floatingLevel);
        f.panel.lowerForSystemDialog(); // a second lowering keeps the first saved level
        QCOMPARE(f.panel.savedLevelBeforeAccessibilityPrompt(), FloatingPanel::floatingLevel);
        f.panel.restoreLevelAfterSystemDialog();
        QCOMPARE(f.panel.level(), FloatingPanel::floatingLevel);
        QVERIFY(!f.panel.savedLevelBeforeAccessibilityPrompt());
        QVERIFY(f.panel.isVisible());

        f.panel.lowerForSystemDialog();
        QSignalSpy closing(&f.panel, &FloatingPanel::willClose);
        f.panel.close();
        QCOMPARE(closing.count(), 1);
        QCOMPARE(f.panel.level(), FloatingPanel::floatingLevel);
        QVERIFY(!f.panel.savedLevelBeforeAccessibilityPrompt());
    }

    void opaqueCardWithoutCompositor()
    {
        Fixture f;
        QVERIFY(f.show());
        QVERIFY(!f.panel.hasTranslucentCard());
        const QImage image = f.panel.grab().toImage();
        // The frame is drawn in the theme's colours, never left transparent or black.
        QCOMPARE(QColor(image.pixel(image.width() / 2, image.height() - 2)), QColor(Qt::white));
        QCOMPARE(image.pixelColor(0, 0).alpha(), 255);
        QVERIFY(image.pixelColor(0, 0) != QColor(Qt::black));
    }
};

QTEST_MAIN(TestFloatingPanel)
#include "tst_floatingpanel.moc"
