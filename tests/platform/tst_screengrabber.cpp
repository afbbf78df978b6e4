// SPDX-License-Identifier: GPL-3.0-or-later
#include "input/ScreenshotCapture.h"
#include "platform/x11/RegionSelector.h"
#include "model/Settings.h"
#include "support/TestEnvironment.h"
#include "support/XdoTool.h"

#include <QGuiApplication>
#include <QPainter>
#include <QRasterWindow>
#include <QtTest>

namespace {

// A window with a red left half and a blue right half, for the selector to photograph.
class ColourWindow : public QRasterWindow
{
protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(0, 0, width() / 2, height(), Qt::red);
        painter.fillRect(width() / 2, 0, width() - width() / 2, height(), Qt::blue);
    }
};

struct Result
{
    int calls = 0;
    std::optional<QImage> image;
    ScreenshotCapture::Completion completion()
    {
        return [this](std::optional<QImage> picture, const QString&) { ++calls, image = std::move(picture); };
    }
};

// A green PNG of 30x20 pixels in the folder.
QString writePng(const QString& folder)
{
    QImage image(30, 20, QImage::Format_RGB32);
    image.fill(Qt::green);
    const QString path = folder + QStringLiteral("/picture.png");
    return image.save(path) ? path : QString();
}

bool overlayShown(bool exposed)
{
    const QList<QWindow*> windows = QGuiApplication::topLevelWindows();
    return std::any_of(windows.cbegin(), windows.cend(), [exposed](QWindow* window) {
        return qobject_cast<RegionOverlay*>(window) && (!exposed || window->isExposed());
    });
}

} // namespace

class TestScreenGrabber : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb")); }

    // The window spans 100..300 x 100..200; a drag returns exactly the pixels under it, anything else cancels.
    void regionSelector_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<bool>("expectImage");
        QTest::newRow("drag") << "mousemove 120 120 mousedown 1 mousemove 170 150 mousemove 220 170 mouseup 1" << true;
        QTest::newRow("Escape") << "key Escape" << false;
        // A line (or a click without a drag) has no pixels: no picture rather than an empty one.
        QTest::newRow("flat drag") << "mousemove 200 200 mousedown 1 mousemove 260 200 mouseup 1" << false;
        QTest::newRow("right button") << "mousemove 200 200 mousedown 1 mousemove 300 300 click 3 mouseup 1" << false;
    }

    void regionSelector()
    {
        QFETCH(QString, input);
        QFETCH(bool, expectImage);
        ColourWindow target;
        target.setFlags(Qt::Window | Qt::FramelessWindowHint);
        target.setGeometry(100, 100, 200, 100);
        target.show();
        QVERIFY(QTest::qWaitForWindowExposed(&target));

        ScreenshotCapture capture;
        Result result;
        capture.captureScreenshot(result.completion());
        QVERIFY(QTest::qWaitFor([] { return overlayShown(true); }));
        QTest::qWait(100); // the grabs follow the first expose
        QVERIFY(XdoTool::run(input));
        QTRY_COMPARE(result.calls, 1);
        QCOMPARE(result.image.has_value(), expectImage);
        if (expectImage) {
            QCOMPARE(result.image->size(), QSize(100, 50));
            QCOMPARE(QColor(result.image->pixel(75, 40)), QColor(Qt::red));
            QCOMPARE(QColor(result.image->pixel(85, 10)), QColor(Qt::blue));
        }
        // The overlay is gone and the completion is not called again.
        QTRY_VERIFY(!overlayShown(false));
        QCOMPARE(result.calls, 1);
    }

    void externalCommand_data()
    {
        QTest::addColumn<QString>("command"); // %1 is the green PNG
        QTest::addColumn<bool>("fromEnvironment");
        QTest::addColumn<bool>("expectImage");
        QTest::newRow("PNG into {file}") << "cp %1 {file}" << false << true;
        QTest::newRow("{file} left empty is a cancel") << "true {file}" << false << false;
        QTest::newRow("failure with a picture") << "sh -c \"cat $0; exit 1\" %1" << false << false;
        QTest::newRow("not a picture") << "echo hello" << false << false;
        QTest::newRow("missing program") << "/nonexistent/screenshot-tool -s" << false << false;
        // The environment names a command for tests and overrides the setting; also a PNG on standard output.
        QTest::newRow("environment overrides the setting") << "cat %1" << true << true;
    }

    void externalCommand()
    {
        QFETCH(QString, command);
        QFETCH(bool, fromEnvironment);
        QFETCH(bool, expectImage);
        TestEnvironment env;
        const QString png = writePng(env.root());
        QVERIFY(!png.isEmpty());
        command.replace(QStringLiteral("%1"), png);
        Settings settings;
        settings.setString(SettingsKeys::screenshotCommand, fromEnvironment ? QStringLiteral("true") : command);
        if (fromEnvironment)
            qputenv("VANTRO_SCREENSHOT_COMMAND", command.toUtf8());
        ScreenshotCapture capture(&settings);
        Result result;
        capture.captureScreenshot(result.completion());
        qunsetenv("VANTRO_SCREENSHOT_COMMAND");
        QCOMPARE(result.calls, 0); // never synchronously
        QTRY_COMPARE(result.calls, 1);
        QCOMPARE(result.image.has_value(), expectImage);
        if (expectImage)
            QCOMPARE(QColor(result.image->pixel(5, 5)), QColor(Qt::green));
    }

    // Two captures at once each end with their own result; one cancelled, or still running when the capture object
    // goes away, ends at once with none.
    void concurrentAndAbandoned()
    {
        TestEnvironment env;
        const QString png = writePng(env.root());
        Settings settings;
        Result slow, quick, cancelled, abandoned;
        {
            settings.setString(SettingsKeys::screenshotCommand, QStringLiteral("sh -c \"sleep 0.3; cat $0\" ") + png);
            ScreenshotCapture capture(&settings);
            capture.captureScreenshot(slow.completion());
            settings.setString(SettingsKeys::screenshotCommand, QStringLiteral("cat ") + png);
            capture.captureScreenshot(quick.completion());
            QTRY_COMPARE(quick.calls, 1);
            QCOMPARE(slow.calls, 0);
            QTRY_COMPARE(slow.calls, 1);
            QVERIFY(slow.image.has_value() && quick.image.has_value());

            settings.setString(SettingsKeys::screenshotCommand, QStringLiteral("sleep 10"));
            capture.captureScreenshot(cancelled.completion());
            QTest::qWait(50);
            capture.cancel();
            QCOMPARE(cancelled.calls, 1);
            QVERIFY(!cancelled.image.has_value());

            capture.captureScreenshot(abandoned.completion());
            QTest::qWait(50);
            QCOMPARE(abandoned.calls, 0);
        }
        QCOMPARE(abandoned.calls, 1);
        QVERIFY(!abandoned.image.has_value());
    }
};

QTEST_MAIN(TestScreenGrabber)
#include "tst_screengrabber.moc"
