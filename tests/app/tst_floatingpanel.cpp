// SPDX-License-Identifier: GPL-3.0-or-later
// The panel window, offscreen on two monitors side by side, the right one at twice the scale: its edges, keys, mouse
// and frame on the first; where it opens, where it goes when the monitors change, and a region taken across both.
#include "app/FloatingPanel.h"
#include "platform/x11/RegionSelector.h"

#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryFile>
#include <QTextEdit>
#include <QVBoxLayout>
#include <QtTest>

using namespace PanelGeometry;
using H = ResizeHorizontal;
using V = ResizeVertical;

namespace {

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

struct Fixture
{
    QWidget* content = new QWidget;
    QLineEdit* input = new QLineEdit(content);
    QTextEdit* result = new QTextEdit(content);
    QPushButton* button = new QPushButton(QStringLiteral("Button"), content);
    FloatingPanel panel{content, ThemeColors{AppTheme::Light}};
    QStringList calls;
    bool escapeHandled = false;

    Fixture()
    {
        result->setReadOnly(true);
        result->setPlainText(QStringLiteral("The answer text"));
        auto* layout = new QVBoxLayout(content);
        layout->addWidget(input);
        layout->addWidget(result);
        layout->addWidget(button);
        const auto record = [this](const char* name) { return [this, name] { calls << QString::fromLatin1(name); }; };
        QObject::connect(&panel, &FloatingPanel::numberKeyPressed,
                         [this](int n) { calls << QStringLiteral("number %1").arg(n); });
        QObject::connect(&panel, &FloatingPanel::copyResultAndCloseRequested, record("copy"));
        QObject::connect(&panel, &FloatingPanel::enterPressed, record("enter"));
        QObject::connect(&panel, &FloatingPanel::escapePressed, &panel, [this](QKeyEvent* event) {
            calls << QStringLiteral("esc");
            event->setAccepted(escapeHandled);
        });
        QObject::connect(&panel, &FloatingPanel::tabPressed, record("tab"));
        QObject::connect(&panel, &FloatingPanel::replaceRequested, &panel, [this](QKeyEvent* event) {
            calls << QStringLiteral("replace");
            event->accept();
        });
        QObject::connect(button, &QPushButton::clicked, record("clicked"));
        QObject::connect(&panel, &FloatingPanel::newChatRequested, record("new chat"));
        QObject::connect(&panel, &FloatingPanel::shortcutsRequested, record("shortcuts"));
        QObject::connect(&panel, &FloatingPanel::arrowDownPressed, record("down"));
    }

    bool show()
    {
        panel.showCentered(0);
        return QTest::qWaitForWindowActive(&panel);
    }
    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::keyClick(panel.windowHandle(), key, modifiers);
    }
};

const QRect left(0, 0, 1280, 800);
const QRect right(1280, 0, 1920, 1080);

QImage filled(QSize size, Qt::GlobalColor colour)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

} // namespace

class TestFloatingPanel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QCOMPARE(QGuiApplication::screens().size(), 2); }

    // Within the margin an edge or corner is grabbed, and a drag resizes down to the minimum of 624 x 380 while the
    // opposite edge stays.
    void geometry()
    {
        const QRect f(100, 100, 980, 732);
        const QList<std::tuple<QPoint, EdgeHit, QPoint, QRect>> rows{
            {QPoint(500, 100), EdgeHit{H::None, V::Top}, QPoint(0, 500), QRect(100, 452, 980, 380)},
            {QPoint(101, 102), EdgeHit{H::Left, V::Top}, QPoint(-10, -20), QRect(90, 80, 990, 752)},
            {QPoint(106, 400), EdgeHit{}, QPoint(), QRect()}}; // just past the margin
        for (const auto& [point, grabbed, delta, expected] : rows) {
            QCOMPARE(hitTest(point, f), grabbed);
            if (!expected.isNull())
                QCOMPARE(resizedFrame(f, grabbed, delta, QSize(624, 380)), expected);
        }
    }

    void keyMap_data()
    {
        // "content", "input", "selection" (in the input), "result"; "inactive": another window is active;
        // "unhandled": the receiver of escapePressed leaves the event ignored.
        QTest::addColumn<QString>("focus");
        QTest::addColumn<int>("key");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<QString>("expectedCall"); // empty: none, the key reaches the focus
        QTest::addColumn<bool>("stays");           // the panel is still visible
        const Qt::KeyboardModifiers no, ctrl(Qt::ControlModifier), keypad(Qt::KeypadModifier);
        const auto row = [](const char* name, const char* focus, int key, Qt::KeyboardModifiers mods, const char* call,
                            bool stays = true) { QTest::newRow(name) << focus << key << mods << call << stays; };
        row("Escape handled", "input", Qt::Key_Escape, no, "esc");
        row("Escape unhandled hides", "unhandled", Qt::Key_Escape, no, "esc", false);
        row("inactive: Escape", "inactive", Qt::Key_Escape, no, "");
        row("Ctrl+C with a selection copies it", "selection", Qt::Key_C, ctrl, "");
        row("Ctrl+N", "input", Qt::Key_N, ctrl, "new chat");
        row("Return", "result", Qt::Key_Return, no, "enter");
        row("Return while editing", "input", Qt::Key_Return, no, "");
        row("Tab while editing", "input", Qt::Key_Tab, no, "tab");
        row("keypad 7", "content", Qt::Key_7, keypad, "number 7");
        row("3 while editing types", "input", Qt::Key_3, no, "");
        row("Ctrl+Down", "result", Qt::Key_Down, ctrl, "down");
        row("Ctrl+Return while editing", "input", Qt::Key_Return, ctrl, "replace");
        row("Ctrl+? while editing", "input", Qt::Key_Question, ctrl | Qt::ShiftModifier, "shortcuts");
        // A control reached with the keyboard: Tab goes on to the next, Return presses a button.
        row("Tab on a button", "button", Qt::Key_Tab, no, "");
        row("Ctrl+Tab on a button", "button", Qt::Key_Tab, ctrl, "tab");
        row("Return on a button", "button", Qt::Key_Return, no, "clicked");
    }

    void keyMap()
    {
        QFETCH(QString, focus);
        QFETCH(int, key);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(QString, expectedCall);
        QFETCH(bool, stays);
        Fixture f;
        f.escapeHandled = focus != u"unhandled";
        QSignalSpy closing(&f.panel, &FloatingPanel::willClose);
        QVERIFY(f.show());
        const bool inInput = focus == u"input" || focus == u"selection";
        QWidget* target = inInput              ? static_cast<QWidget*>(f.input)
                          : focus == u"result" ? static_cast<QWidget*>(f.result)
                          : focus == u"button" ? static_cast<QWidget*>(f.button)
                                               : f.content;
        KeyCounter counter;
        target->installEventFilter(&counter);
        target->setFocus();
        if (focus == u"selection") {
            f.input->setText(QStringLiteral("custom prompt"));
            f.input->setSelection(0, 6);
        }
        QWidget other;
        if (focus == u"inactive") {
            other.show();
            other.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&other));
        }
        f.key(Qt::Key(key), modifiers);
        QCOMPARE(f.calls, expectedCall.isEmpty() ? QStringList() : QStringList{expectedCall});
        if (stays && focus != u"inactive")
            QCOMPARE(counter.keys.contains(key), expectedCall.isEmpty());
        if (expectedCall == u"enter" || expectedCall.startsWith(u"number"))
            QCOMPARE(QApplication::focusWidget(), f.content);
        if (focus == u"selection")
            QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("custom"));
        QCOMPARE(f.panel.isVisible(), stays);
        QCOMPARE(closing.count(), 0); // Escape hides, never closes
    }

    // Shown with the focus on its content, opaque without a compositor; a double click on the background
    // zooms, and an edge dragged resizes down to the minimum.
    void showZoomAndResize()
    {
        Fixture f;
        f.input->setFocus();
        QVERIFY(f.show());
        QWindow* window = f.panel.windowHandle();
        const QRect before = f.panel.geometry();
        QCOMPARE(QApplication::focusWidget(), f.content);
        // Without a compositor the card is opaque: the frame is drawn in the theme's colours, never left transparent.
        QVERIFY(!f.panel.hasTranslucentCard());
        QCOMPARE(f.panel.grab().toImage().pixelColor(0, 0).alpha(), 255);

        QTest::mouseDClick(window, Qt::LeftButton, {}, QPoint(8, f.panel.height() / 2)); // background, clear of edge
        QTRY_COMPARE(f.panel.geometry(), f.panel.screen()->availableGeometry());
        f.panel.toggleZoom();
        QCOMPARE(f.panel.geometry(), before);
        // A double click on a button is the button's, and one on an edge starts a resize.
        QTest::mouseDClick(window, Qt::LeftButton, {}, f.button->mapTo(&f.panel, QPoint(5, 5)));
        QTest::mouseDClick(window, Qt::LeftButton, {}, QPoint(2, 300));
        QTest::mouseRelease(window, Qt::LeftButton, {}, QPoint(2, 300));
        QCOMPARE(f.panel.geometry(), before);

        // Left edge dragged far to the right: stops at the minimum width, the right edge stays.
        QTest::mousePress(window, Qt::LeftButton, {}, QPoint(2, 300));
        QTest::mouseMove(window, QPoint(602, 300));
        QTest::mouseRelease(window, Qt::LeftButton, {}, QPoint(602, 300));
        QTRY_COMPARE(f.panel.geometry().width(), 624);
        QCOMPARE(f.panel.geometry().right(), before.right());
    }

    // On the monitor under the pointer, not the primary one.
    void panelOpensWhereThePointerIs()
    {
        QCursor::setPos(QPoint(3000, 50));
        FloatingPanel panel(new QLabel(u"content"_qs), ThemeColors());
        panel.showCentered();
        QCOMPARE(panel.geometry().center(), right.center());
    }

    // Rows: where the panel was, and where it must be once the monitors changed. A monitor gone is the next test's,
    // through the panel.
    void keptOnScreens_data()
    {
        QTest::addColumn<QRect>("frame");
        QTest::addColumn<QRect>("expect");
        QTest::newRow("over the edge") << QRect(2900, 800, 500, 400) << QRect(2700, 680, 500, 400);
        QTest::newRow("larger than it") << QRect(-100, -100, 1600, 1000) << left;
    }

    void keptOnScreens()
    {
        QFETCH(QRect, frame);
        QFETCH(QRect, expect);
        QCOMPARE(PanelGeometry::keptOnScreens(frame, {left, right}, left), expect);
    }

    // The panel hears the monitors change while it is shown.
    void panelFollowsMonitorChanges()
    {
        QCursor::setPos(QPoint(10, 10));
        FloatingPanel panel(new QLabel(u"content"_qs), ThemeColors());
        panel.showCentered();
        panel.setGeometry(5000, 100, 500, 400); // where a monitor was
        QScreen* screen = QGuiApplication::screens().constLast();
        Q_EMIT screen->availableGeometryChanged(screen->availableGeometry());
        QTRY_VERIFY(left.contains(panel.geometry()));
    }

    // Each monitor's part of a region comes from its own pixels, at the finest scale of the monitors covered; where
    // no monitor is (under the left one's bottom edge), black.
    void composeAcrossMonitors()
    {
        const QImage image =
            RegionSelector::compose({{left, filled(left.size(), Qt::red)}, {right, filled(right.size() * 2, Qt::blue)}},
                                    QRect(1180, 700, 200, 200));
        QCOMPARE(image.size(), QSize(400, 400));
        QCOMPARE(QColor(image.pixel(1, 2)), QColor(Qt::red));
        QCOMPARE(QColor(image.pixel(image.width() / 2 + 2, 2)), QColor(Qt::blue));
        QCOMPARE(QColor(image.pixel(1, image.height() - 2)), QColor(Qt::black));
    }
};

int main(int argc, char* argv[])
{
    // Qt's offscreen platform, told of two monitors.
    QTemporaryFile config;
    if (!config.open())
        return 1;
    config.write(R"({"screens": [
        {"name": "left", "x": 0, "y": 0, "width": 1280, "height": 800, "logicalDpi": 96, "dpr": 1},
        {"name": "right", "x": 1280, "y": 0, "width": 1920, "height": 1080, "logicalDpi": 96, "dpr": 2}]})");
    config.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(config.fileName()));
    QApplication app(argc, argv);
    TestFloatingPanel test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_floatingpanel.moc"
