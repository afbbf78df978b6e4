// SPDX-License-Identifier: GPL-3.0-or-later
#include "input/RegionSelector.h"
#include "input/ScreenshotCapture.h"
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
};

ScreenshotCapture::Completion recordInto(Result& result)
{
    return [&result](std::optional<QImage> image) {
        ++result.calls;
        result.image = std::move(image);
    };
}

// Waits until the selector's overlays cover the screen and hold the pointer.
bool waitForOverlay()
{
    QWindow* overlay = nullptr;
    const bool shown = QTest::qWaitFor([&] {
        for (QWindow* window : QGuiApplication::topLevelWindows())
            if (qobject_cast<RegionOverlay*>(window) && window->isExposed())
                overlay = window;
        return overlay != nullptr;
    });
    QTest::qWait(100); // the grabs follow the first expose
    return shown;
}

QString writePng(const QString& folder, QColor colour, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    const QString path = folder + QStringLiteral("/picture.png");
    return image.save(path) ? path : QString();
}

} // namespace

class TestScreenshotCapture : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb")); }

    void regionSelectorReturnsTheDraggedPixels()
    {
        ColourWindow target;
        target.setFlags(Qt::Window | Qt::FramelessWindowHint);
        target.setGeometry(100, 100, 200, 100);
        target.show();
        QVERIFY(QTest::qWaitForWindowExposed(&target));
        QTest::qWait(100);

        ScreenshotCapture capture;
        QCOMPARE(capture.backend(), ScreenshotCapture::Backend::RegionSelector);
        Result result;
        capture.captureScreenshot(recordInto(result));
        QVERIFY(waitForOverlay());
        QVERIFY(XdoTool::run(
            QStringLiteral("mousemove 120 120 mousedown 1 mousemove 170 150 mousemove 220 170 mouseup 1")));
        QTRY_COMPARE(result.calls, 1);
        QVERIFY(result.image.has_value());
        QCOMPARE(result.image->size(), QSize(100, 50));
        QCOMPARE(QColor(result.image->pixel(75, 40)), QColor(Qt::red));
        QCOMPARE(QColor(result.image->pixel(85, 10)), QColor(Qt::blue));
        // The overlay is gone and the completion is not called again.
        QTRY_VERIFY(std::none_of(QGuiApplication::topLevelWindows().cbegin(), QGuiApplication::topLevelWindows().cend(),
                                 [](QWindow* window) { return qobject_cast<RegionOverlay*>(window); }));
        QCOMPARE(result.calls, 1);
    }

    void regionSelectorCancels_data()
    {
        QTest::addColumn<QString>("input");
        QTest::newRow("Escape") << "key Escape";
        QTest::newRow("click without a drag") << "mousemove 200 200 click 1";
        // A line has no pixels: no picture rather than an empty one.
        QTest::newRow("flat drag") << "mousemove 200 200 mousedown 1 mousemove 260 200 mouseup 1";
        QTest::newRow("right button") << "mousemove 200 200 mousedown 1 mousemove 300 300 click 3 mouseup 1";
    }

    void regionSelectorCancels()
    {
        QFETCH(QString, input);
        ScreenshotCapture capture;
        Result result;
        capture.captureScreenshot(recordInto(result));
        QVERIFY(waitForOverlay());
        QVERIFY(XdoTool::run(input));
        QTRY_COMPARE(result.calls, 1);
        QVERIFY(!result.image.has_value());
    }

    void externalCommand_data()
    {
        QTest::addColumn<QString>("command"); // %1 is a green PNG of 30x20 pixels
        QTest::addColumn<bool>("fromEnvironment");
        QTest::addColumn<bool>("expectImage");
        QTest::newRow("PNG on standard output") << "cat %1" << false << true;
        QTest::newRow("PNG into {file}") << "cp %1 {file}" << false << true;
        QTest::newRow("exit 0 without output is a cancel") << "true" << false << false;
        QTest::newRow("{file} left empty is a cancel") << "true {file}" << false << false;
        QTest::newRow("failure with a picture") << "sh -c \"cat $0; exit 1\" %1" << false << false;
        QTest::newRow("not a picture") << "echo hello" << false << false;
        QTest::newRow("missing program") << "/nonexistent/screenshot-tool -s" << false << false;
        QTest::newRow("quoted arguments") << "sh -c \"cat $0\" %1" << false << true;
        // The environment names a command for tests and overrides the setting.
        QTest::newRow("environment overrides the setting") << "cat %1" << true << true;
    }

    void externalCommand()
    {
        QFETCH(QString, command);
        QFETCH(bool, fromEnvironment);
        QFETCH(bool, expectImage);
        TestEnvironment env;
        const QString png = writePng(env.root(), Qt::green, QSize(30, 20));
        QVERIFY(!png.isEmpty());
        command.replace(QStringLiteral("%1"), png);
        Settings settings;
        settings.setString(SettingsKeys::screenshotCommand, fromEnvironment ? QStringLiteral("true") : command);
        if (fromEnvironment)
            qputenv("VANTRO_SCREENSHOT_COMMAND", command.toUtf8());
        ScreenshotCapture capture(&settings);
        QCOMPARE(capture.backend(), ScreenshotCapture::Backend::Command);
        Result result;
        capture.captureScreenshot(recordInto(result));
        qunsetenv("VANTRO_SCREENSHOT_COMMAND");
        QCOMPARE(result.calls, 0); // never synchronously
        QTRY_COMPARE(result.calls, 1);
        QCOMPARE(result.image.has_value(), expectImage);
        if (expectImage)
            QCOMPARE(QColor(result.image->pixel(5, 5)), QColor(Qt::green));
        QTest::qWait(50);
        QCOMPARE(result.calls, 1);
    }

    // Two captures at once each end with their own result; one still running when the capture object goes away
    // ends with none.
    void concurrentAndAbandoned()
    {
        TestEnvironment env;
        const QString png = writePng(env.root(), Qt::cyan, QSize(4, 4));
        Settings settings;
        Result slow, quick, abandoned;
        {
            settings.setString(SettingsKeys::screenshotCommand, QStringLiteral("sh -c \"sleep 0.3; cat $0\" ") + png);
            ScreenshotCapture capture(&settings);
            capture.captureScreenshot(recordInto(slow));
            settings.setString(SettingsKeys::screenshotCommand, QStringLiteral("cat ") + png);
            capture.captureScreenshot(recordInto(quick));
            QTRY_COMPARE(quick.calls, 1);
            QCOMPARE(slow.calls, 0);
            QTRY_COMPARE(slow.calls, 1);
            QVERIFY(slow.image.has_value() && quick.image.has_value());

            settings.setString(SettingsKeys::screenshotCommand, QStringLiteral("sleep 10"));
            capture.captureScreenshot(recordInto(abandoned));
            QTest::qWait(50);
            QCOMPARE(abandoned.calls, 0);
        }
        QCOMPARE(abandoned.calls, 1);
        QVERIFY(!abandoned.image.has_value());
    }
};

QTEST_MAIN(TestScreenshotCapture)
#include "tst_screenshotcapture.moc"
