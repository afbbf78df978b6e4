// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Backends.h"

#include <QGuiApplication>
#include <QSignalSpy>
#include <QtTest>

#include <atomic>
#include <thread>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <poll.h>

using namespace Qt::StringLiterals;

namespace {

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

class TestClipboard : public QObject
{
    Q_OBJECT

private Q_SLOTS:
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
        QTest::newRow("lone CR") << QByteArray("old mac\rline\r\nend\r") << QByteArray() << u"old mac\nline\nend\n"_s;
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
        QCOMPARE(QGuiApplication::platformName(), u"xcb"_s);
        Clipboard* clipboard = Backends::clipboard();

        QSignalSpy changed(clipboard, &Clipboard::changed);
        ClipboardOwner owner(utf8String, textPlainUtf8);
        QVERIFY(owner.owns());
        // Qt forgets the previous owner's targets only once it hears of the new owner, and tells which one changed.
        QTRY_VERIFY(changed.contains(QVariantList{QVariant::fromValue(Clipboard::Mode::Clipboard)}));

        const QString text = clipboard->text(Clipboard::Mode::Clipboard);
        QCOMPARE(text.size(), expected.size());
        QVERIFY2(text == expected, qPrintable(text.left(200)));
    }
};

QTEST_MAIN(TestClipboard)
#include "tst_clipboard.moc"
