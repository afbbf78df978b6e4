// SPDX-License-Identifier: GPL-3.0-or-later
// Two monitors side by side, the right one at twice the scale: where the panel opens, where it goes when the
// monitors change, and a region dragged across both.
#include "app/FloatingPanel.h"
#include "platform/x11/RegionSelector.h"

#include <QApplication>
#include <QCursor>
#include <QLabel>
#include <QScreen>
#include <QTemporaryFile>
#include <QtTest>

namespace {

const QRect left(0, 0, 1280, 800);
const QRect right(1280, 0, 1920, 1080);

QImage filled(QSize size, Qt::GlobalColor colour)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

} // namespace

class TestMonitors : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QCOMPARE(QGuiApplication::screens().size(), 2); }

    void panelOpensWhereThePointerIs_data()
    {
        QTest::addColumn<QPoint>("pointer");
        QTest::addColumn<QRect>("monitor");
        QTest::newRow("left") << QPoint(100, 700) << left;
        QTest::newRow("right") << QPoint(3000, 50) << right;
    }

    void panelOpensWhereThePointerIs()
    {
        QFETCH(QPoint, pointer);
        QFETCH(QRect, monitor);
        QCursor::setPos(pointer);
        FloatingPanel panel(new QLabel(u"content"_qs), ThemeColors());
        panel.showCentered();
        QCOMPARE(panel.geometry().center(), monitor.center());
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

    // A drag that starts on one monitor and ends on the other selects both parts.
    void dragAcrossMonitors()
    {
        std::optional<QImage> image;
        int calls = 0;
        RegionSelector::start([&](std::optional<QImage> picture, QString) { ++calls, image = std::move(picture); });
        QWindow* first = nullptr;
        QTRY_VERIFY((first = [] {
                        for (QWindow* window : QGuiApplication::topLevelWindows())
                            if (window->isVisible() && window->geometry() == left)
                                return window;
                        return static_cast<QWindow*>(nullptr);
                    }()) != nullptr);
        QTest::mousePress(first, Qt::LeftButton, {}, QPoint(1180, 10));
        QTest::mouseMove(first, QPoint(1480, 60));
        QTest::mouseRelease(first, Qt::LeftButton, {}, QPoint(1480, 60));
        QTRY_COMPARE(calls, 1);
        QVERIFY(image.has_value());
        QVERIFY2(image->width() >= 300 && image->height() >= 50, "the part on the second monitor is missing");
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
    TestMonitors test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_monitors.moc"
