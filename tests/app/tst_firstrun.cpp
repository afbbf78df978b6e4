// SPDX-License-Identifier: GPL-3.0-or-later
// A first launch on a real X server with the session's own key detection: the walkthrough driven by real key
// presses (xdotool), a late tray, Ctrl+C held by another program, and what real keys cannot reach (going back,
// Wayland, the prompt choice). Last, under openbox, the panel follows the user to another workspace.
#include "app/AppDelegate.h"
#include "app/FloatingPanel.h"
#include "input/HotkeyManager.h"
#include "model/AppState.h"
#include "model/Settings.h"
#include "platform/dbus/DBusNotifier.h"
#include "support/FakeNotificationServer.h"
#include "support/TestEnvironment.h"
#include "support/XdoTool.h"
#include "ui/OnboardingView.h"
#include "ui/PanelTestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkAccessManager>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

#include <X11/Xlib.h>

using namespace Qt::StringLiterals;
using Step = OnboardingView::Step;

namespace {

bool labelShown(QWidget* root, const QString& text)
{
    const QList<QLabel*> labels = root->findChildren<QLabel*>();
    return std::any_of(labels.begin(), labels.end(),
                       [&](QLabel* label) { return label->isVisible() && label->text() == text; });
}

// Another X client: holds Ctrl+C as a global shortcut, or plays the tray of a panel that starts late.
class OtherClient
{
public:
    OtherClient() : m_display(XOpenDisplay(nullptr)) {}
    ~OtherClient()
    {
        if (m_display)
            XCloseDisplay(m_display);
    }
    bool isOpen() const { return m_display != nullptr; }

    void grabCopy(bool grab)
    {
        const Window root = DefaultRootWindow(m_display);
        const int keycode = XKeysymToKeycode(m_display, XStringToKeysym("c"));
        if (grab)
            XGrabKey(m_display, keycode, ControlMask, root, False, GrabModeAsync, GrabModeAsync);
        else
            XUngrabKey(m_display, keycode, ControlMask, root);
        XSync(m_display, False);
    }

    // What an XEmbed tray does when it starts: take the selection and announce it on the root window.
    void becomeTray()
    {
        m_tray = XCreateSimpleWindow(m_display, DefaultRootWindow(m_display), 0, 0, 1, 1, 0, 0, 0);
        const Atom selection = XInternAtom(m_display, "_NET_SYSTEM_TRAY_S0", False);
        XSetSelectionOwner(m_display, selection, m_tray, CurrentTime);
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = DefaultRootWindow(m_display);
        event.xclient.message_type = XInternAtom(m_display, "MANAGER", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] = CurrentTime;
        event.xclient.data.l[1] = long(selection);
        event.xclient.data.l[2] = long(m_tray);
        XSendEvent(m_display, DefaultRootWindow(m_display), False, StructureNotifyMask, &event);
        XSync(m_display, False);
    }

    // Whether an icon has asked the tray to dock it (SYSTEM_TRAY_REQUEST_DOCK).
    bool dockRequested()
    {
        const Atom opcode = XInternAtom(m_display, "_NET_SYSTEM_TRAY_OPCODE", False);
        while (!m_dockRequested && XPending(m_display) > 0) {
            XEvent event;
            XNextEvent(m_display, &event);
            m_dockRequested =
                event.type == ClientMessage && event.xclient.message_type == opcode && event.xclient.data.l[1] == 0;
        }
        return m_dockRequested;
    }

private:
    Display* m_display;
    Window m_tray = 0;
    bool m_dockRequested = false;
};

// The walkthrough on its own, shown.
struct Walkthrough : PanelTest::Fixture
{
    OnboardingView view{state, settings, colors};

    Walkthrough() { QVERIFY(PanelTest::show(view, {620, 560})); }

    void click(const QString& name)
    {
        PanelTest::settle();
        auto* button = view.findChild<QPushButton*>(name);
        QVERIFY2(button && button->isVisibleTo(&view), qPrintable(name));
        button->click();
    }
};

} // namespace

class TestFirstRun : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<FakeNotificationServer> m_notifications;
    std::unique_ptr<Settings> m_settings;
    std::unique_ptr<QNetworkAccessManager> m_network;
    std::unique_ptr<AppDelegate> m_delegate;

    // A launch with the session's own key detection and tray, notifying the test's notification service.
    void launch()
    {
        m_delegate.reset();
        auto notifier = std::make_unique<DBusNotifier>(
            QDBusConnection::connectToBus(m_notifications->busAddress(), u"firstrun-notifier"_s));
        m_delegate = std::make_unique<AppDelegate>(
            AppDelegate::Dependencies{*m_settings, *m_network, nullptr, true, std::move(notifier)});
        m_delegate->applicationDidFinishLaunching();
    }

    static bool viewable(const QWidget& widget)
    {
        return XdoTool::output({u"search"_s, u"--onlyvisible"_s, u"--name"_s, u'^' + widget.windowTitle() + u'$'})
            .contains(QString::number(widget.winId()));
    }

private Q_SLOTS:
    void initTestCase()
    {
        QCOMPARE(QGuiApplication::platformName(), u"xcb"_s);
        m_env = std::make_unique<TestEnvironment>();
        m_notifications = std::make_unique<FakeNotificationServer>(QStringList{u"actions"_s, u"body"_s});
        QVERIFY(m_notifications->isRunning());
        m_settings = std::make_unique<Settings>();
        m_network = std::make_unique<QNetworkAccessManager>();
    }

    void cleanup() { m_delegate.reset(); }

    // Skip and Go Back move one step; on Wayland the key-detection step still lets the user continue.
    void walkthroughSteps()
    {
        Walkthrough w;
        for (const QString& name : {u"onboardingSkip"_s, u"onboardingSkip"_s, u"onboardingBack"_s})
            w.click(name);
        QCOMPARE(w.view.currentStep(), Step::KeyDetection);
        w.view.setKeyDetection(OnboardingView::Detection::Wayland);
        w.click(u"detectionContinue"_s);
        QCOMPARE(w.view.currentStep(), Step::TextExercise);
        for (int skip = 0; skip < 2; ++skip)
            w.click(u"onboardingSkip"_s);
        QCOMPARE(w.view.currentStep(), Step::QuickPrompts);
    }

    // "Get Started" keeps the chosen prompts in order, as edited in place: Cancel keeps a prompt, Save rewrites it.
    void getStartedKeepsTheChosenPrompts()
    {
        Walkthrough w;
        w.view.setCurrentStep(Step::QuickPrompts);
        const QList<QCheckBox*> rows = w.view.findChildren<QCheckBox*>(u"promptChoice"_s);
        const QString original = rows.at(1)->text();
        rows.at(0)->click(); // Translate off
        for (const QString& button : {u"editCancel"_s, u"editSave"_s}) {
            w.view.findChildren<QToolButton*>(u"editPrompt"_s).at(1)->click();
            w.view.findChild<QLineEdit*>(u"editTitle"_s)->setText(u"Check"_s);
            w.view.findChild<QPlainTextEdit*>(u"editSystemPrompt"_s)->setPlainText(u"Check the text."_s);
            w.click(button);
            QCOMPARE(rows.at(1)->text(), button == u"editSave"_s ? u"Check"_s : original);
        }
        w.click(u"getStarted"_s);
        const QList<Prompt> kept = w.state.projects().first().prompts;
        QCOMPARE(kept.size(), w.view.editablePrompts().size() - 1);
        QCOMPARE(kept.first().title, u"Check"_s);
        QCOMPARE(kept.first().systemPrompt, u"Check the text."_s);
        QCOMPARE(kept.first().number, 1);
    }

    void walkthroughWithRealKeys()
    {
        OtherClient panelOfTheDesktop;
        QVERIFY(panelOfTheDesktop.isOpen());
        launch();
        FloatingPanel* panel = m_delegate->onboardingPanel();
        OnboardingView* view = m_delegate->onboardingView();
        QVERIFY(panel && view);
        QVERIFY(XdoTool::focus(*panel->windowHandle()));

        // The desktop's panel starts after us: the icon docks once its tray is announced.
        panelOfTheDesktop.becomeTray();
        QTRY_VERIFY_WITH_TIMEOUT(panelOfTheDesktop.dockRequested(), 5000);

        QVERIFY(XdoTool::run(u"key Return"_s));
        QTRY_COMPARE(view->currentStep(), OnboardingView::Step::KeyDetection);
        QVERIFY(XdoTool::run(u"key Return"_s));
        QTRY_COMPARE(view->currentStep(), OnboardingView::Step::TextExercise);

        // The first tap copies in the walkthrough (which keeps it), the second is the gesture.
        QVERIFY(XdoTool::run(u"keydown ctrl key c sleep 0.15 key c keyup ctrl"_s));
        QTRY_VERIFY_WITH_TIMEOUT(view->textExercise().isDetected(), 5000);
        QVERIFY(!m_delegate->panel()); // practice, not a run

        QVERIFY(XdoTool::run(u"key Return"_s));
        QTRY_COMPARE(view->currentStep(), OnboardingView::Step::ScreenshotExercise);
        QVERIFY(XdoTool::run(u"keydown ctrl key c sleep 0.15 key c sleep 0.15 key c keyup ctrl"_s));
        QTRY_VERIFY_WITH_TIMEOUT(view->screenshotExercise().isDetected(), 5000);

        QVERIFY(XdoTool::run(u"key Return"_s));
        QTRY_COMPARE(view->currentStep(), OnboardingView::Step::QuickPrompts);
        QVERIFY(XdoTool::run(u"key Return"_s)); // Get Started
        QTRY_VERIFY_WITH_TIMEOUT(m_settings->boolean(SettingsKeys::hasCompletedOnboarding), 5000);
        QTRY_VERIFY(!m_delegate->onboardingPanel());
        QVERIFY(m_delegate->panel() && m_delegate->panel()->isVisible());
        QVERIFY(m_delegate->appState().showWelcomeHint());
        QVERIFY(QFile::exists(m_env->configHome() + u"/autostart/vantro.desktop"_s));
        QVERIFY(m_notifications->shown().isEmpty()); // nothing went wrong

        launch();
        QVERIFY(!m_delegate->onboardingPanel());
    }

    void copyHeldByAnotherProgram()
    {
        OtherClient other;
        QVERIFY(other.isOpen());
        other.grabCopy(true);

        // In the walkthrough the key-detection step says it (and no notification repeats it); Try Again re-arms
        // once the other program lets go.
        m_settings->setBoolean(SettingsKeys::hasCompletedOnboarding, false);
        launch();
        OnboardingView* view = m_delegate->onboardingView();
        QVERIFY(view);
        view->setCurrentStep(OnboardingView::Step::KeyDetection);
        QVERIFY(labelShown(view, u"Key Detection Unavailable"_s));
        QVERIFY(m_notifications->shown().isEmpty());
        other.grabCopy(false);
        QTest::mouseClick(view->findChild<QPushButton*>(u"detectionTryAgain"_s), Qt::LeftButton);
        QTRY_VERIFY(labelShown(view, u"Key Detection Ready"_s));

        // Later launches tell it in a notification, whose "Try Again" re-arms.
        m_delegate.reset();
        other.grabCopy(true);
        m_settings->setBoolean(SettingsKeys::hasCompletedOnboarding, true);
        launch();
        QTRY_COMPARE(m_notifications->shown().size(), 1);
        other.grabCopy(false);
        m_notifications->invoke(m_notifications->shown().first().id, u"retry"_s);
        QTRY_VERIFY(m_delegate->hotkeyManager().hasKeyMonitor());
    }

    // The window manager stays for the rest of the run: this comes last.
    void panelFollowsTheUserAcrossWorkspaces()
    {
        QProcess windowManager;
        windowManager.start(u"openbox"_s, {u"--sm-disable"_s});
        QVERIFY2(windowManager.waitForStarted(5000), "openbox is needed for this test");
        const auto stop = qScopeGuard([&windowManager] {
            windowManager.terminate();
            windowManager.waitForFinished(5000);
        });
        // Openbox has four workspaces unless told otherwise; it is ready once it says how many.
        QTRY_VERIFY_WITH_TIMEOUT(XdoTool::output({u"get_num_desktops"_s}).trimmed().toInt() > 1, 10000);
        QLabel plain(u"plain"_s);
        plain.setWindowTitle(u"plain window"_s);
        plain.show();
        FloatingPanel panel(new QLabel(u"content"_s), ThemeColors());
        panel.setWindowTitle(u"vantro panel"_s);
        panel.showCentered();
        QTRY_VERIFY(viewable(panel) && viewable(plain));

        QVERIFY(XdoTool::run(u"set_desktop 2"_s));
        QTRY_COMPARE(XdoTool::output({u"get_desktop"_s}).trimmed(), u"2"_s);
        // The plain window stays behind on the first workspace; the panel comes along.
        QTRY_VERIFY(!viewable(plain));
        QVERIFY(viewable(panel));

        // Hidden and shown again on another workspace: there too.
        panel.hide();
        QVERIFY(XdoTool::run(u"set_desktop 1"_s));
        QTRY_COMPARE(XdoTool::output({u"get_desktop"_s}).trimmed(), u"1"_s);
        panel.showCentered();
        QTRY_VERIFY(viewable(panel));
        QVERIFY(!viewable(plain));
    }
};

QTEST_MAIN(TestFirstRun)
#include "tst_firstrun.moc"
