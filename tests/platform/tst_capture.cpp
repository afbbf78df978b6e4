// SPDX-License-Identifier: GPL-3.0-or-later
// What the user hands over on an X server: text another client owns on the clipboard, and screenshots.
#include "input/ScreenshotCapture.h"
#include "model/Settings.h"
#include "platform/Backends.h"
#include "platform/x11/RegionSelector.h"
#include "support/TestEnvironment.h"
#include "support/XdoTool.h"

#include <QGuiApplication>
#include <QPainter>
#include <QRasterWindow>
#include <QSignalSpy>
#include <QtTest>

#include <atomic>
#include <thread>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <poll.h>

using namespace Qt::StringLiterals;

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

bool overlayShown(bool exposed)
{
    const QList<QWindow*> windows = QGuiApplication::topLevelWindows();
    return std::any_of(windows.cbegin(), windows.cend(), [exposed](QWindow* window) {
        return qobject_cast<RegionOverlay*>(window) && (!exposed || window->isExposed());
    });
}

// Another X client that owns CLIPBOARD and answers for its targets (a null value is a target it does not offer), from
// its own connection and thread, until it is destroyed.
class ClipboardOwner
{
public:
    ClipboardOwner(const QByteArray& utf8String, const QByteArray& textPlainUtf8)
    {
        if (!utf8String.isNull())
            m_targets.append({"UTF8_STRING", utf8String});
        if (!textPlainUtf8.isNull())
            m_targets.append({"text/plain;charset=utf-8", textPlainUtf8});
        m_display = XOpenDisplay(nullptr);
        if (!m_display)
            return;
        m_window = XCreateSimpleWindow(m_display, DefaultRootWindow(m_display), 0, 0, 1, 1, 0, 0, 0);
        const Atom clipboard = XInternAtom(m_display, "CLIPBOARD", False);
        XSetSelectionOwner(m_display, clipboard, m_window, CurrentTime);
        m_owns = XGetSelectionOwner(m_display, clipboard) == m_window;
        m_thread = std::thread([this] { serve(); });
    }
    ~ClipboardOwner()
    {
        if (!m_display)
            return;
        m_stop = true;
        m_thread.join();
        XDestroyWindow(m_display, m_window);
        XCloseDisplay(m_display);
    }
    bool owns() const { return m_owns; }

private:
    void serve()
    {
        pollfd connection{ConnectionNumber(m_display), POLLIN, 0};
        while (!m_stop) {
            if (!XPending(m_display)) {
                poll(&connection, 1, 20);
                continue;
            }
            XEvent event;
            XNextEvent(m_display, &event);
            if (event.type == SelectionRequest)
                answer(event.xselectionrequest);
        }
    }

    void answer(const XSelectionRequestEvent& request)
    {
        XSelectionEvent reply{};
        reply.type = SelectionNotify;
        reply.requestor = request.requestor;
        reply.selection = request.selection;
        reply.target = request.target;
        reply.time = request.time;
        reply.property = None; // refused unless a target below matches
        const Atom property = request.property == None ? request.target : request.property;
        if (request.target == XInternAtom(m_display, "TARGETS", False)) {
            QList<Atom> atoms{request.target};
            for (const auto& [name, bytes] : std::as_const(m_targets))
                atoms.append(XInternAtom(m_display, name.constData(), False));
            XChangeProperty(m_display, request.requestor, property, XA_ATOM, 32, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(atoms.constData()), int(atoms.size()));
            reply.property = property;
        }
        for (const auto& [name, bytes] : std::as_const(m_targets)) {
            if (request.target != XInternAtom(m_display, name.constData(), False))
                continue;
            XChangeProperty(m_display, request.requestor, property, request.target, 8, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(bytes.constData()), int(bytes.size()));
            reply.property = property;
        }
        XSendEvent(m_display, request.requestor, False, NoEventMask, reinterpret_cast<XEvent*>(&reply));
        XFlush(m_display);
    }

    QList<std::pair<QByteArray, QByteArray>> m_targets;
    Display* m_display = nullptr;
    Window m_window = 0;
    bool m_owns = false;
    std::atomic<bool> m_stop = false;
    std::thread m_thread;
};

} // namespace

class TestCapture : public QObject
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
        const QString png = env.root() + QStringLiteral("/picture.png");
        QVERIFY(filledImage(30, 20, Qt::green).save(png));
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

    // What the panel and the request get when another application owns the clipboard. Text selected without
    // copying reads by the same rules; that it is read apart from the clipboard is the end-to-end test's.
    void readsTextAsSelected_data()
    {
        QTest::addColumn<QByteArray>("utf8String");
        QTest::addColumn<QByteArray>("textPlainUtf8");
        QTest::addColumn<QString>("expected");
        // GTK's text/plain has CRLF line ends; UTF8_STRING is the text as selected and wins where they differ.
        QTest::newRow("gtk: UTF8_STRING wins")
            << u"naïve — 日本\nend\n"_s.toUtf8() << QByteArray("other\r\ntext\r\n") << u"naïve — 日本\nend\n"_s;
        QTest::newRow("only text/plain with CRLF")
            << QByteArray() << QByteArray("line one\r\nline two\r\n") << u"line one\nline two\n"_s;
        // Past the limit the text is cut, never inside a surrogate pair.
        const QString emoji = u"😀"_s;
        QTest::newRow("longer than the limit")
            << QString(u'a' + emoji.repeated(Clipboard::maxTextLength / 2 + 1)).toUtf8() << QByteArray()
            << QString(u'a' + emoji.repeated(Clipboard::maxTextLength / 2 - 1));
    }

    void readsTextAsSelected()
    {
        QFETCH(QByteArray, utf8String);
        QFETCH(QByteArray, textPlainUtf8);
        QFETCH(QString, expected);
        Clipboard* clipboard = Backends::clipboard();

        QSignalSpy changed(clipboard, &Clipboard::changed);
        ClipboardOwner owner(utf8String, textPlainUtf8);
        QVERIFY(owner.owns());
        // Qt forgets the previous owner's targets only once it hears of the new owner, and tells which one changed.
        QTRY_VERIFY(changed.contains(QVariantList{QVariant::fromValue(Clipboard::Mode::Clipboard)}));

        const QString text = clipboard->text(Clipboard::Mode::Clipboard);
        QVERIFY2(text == expected, qPrintable(text.left(200)));
    }
};

QTEST_MAIN(TestCapture)
#include "tst_capture.moc"
