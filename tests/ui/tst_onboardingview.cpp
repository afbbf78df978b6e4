// SPDX-License-Identifier: GPL-3.0-or-later
#include "PanelTestSupport.h"
#include "platform/Autostart.h"
#include "ui/OnboardingView.h"

#include <QAccessible>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QToolButton>
#include <QPushButton>
#include <QSignalSpy>

using namespace Qt::StringLiterals;
using namespace PanelTest;
using Step = OnboardingView::Step;

namespace {

struct Walkthrough : Fixture
{
    OnboardingView view{state, settings, colors};

    void click(const QString& name)
    {
        settle();
        auto* button = view.findChild<QPushButton*>(name);
        QVERIFY2(button && button->isVisibleTo(&view), qPrintable(name));
        button->click();
    }
};

} // namespace

class TestOnboardingView : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Continue, Skip and Go Back move one step; the key-detection step offers what its state allows.
    void stepFlow_data()
    {
        QTest::addColumn<QString>("detection");
        QTest::addColumn<QStringList>("clicks");
        QTest::addColumn<int>("expected");
        QTest::newRow("continue") << "ready" << QStringList{u"welcomeContinue"_s, u"detectionContinue"_s}
                                  << int(Step::TextExercise);
        QTest::newRow("skip to the end") << "ready" << QStringList(4, u"onboardingSkip"_s) << int(Step::QuickPrompts);
        QTest::newRow("back") << "ready" << QStringList{u"onboardingSkip"_s, u"onboardingSkip"_s, u"onboardingBack"_s}
                              << int(Step::KeyDetection);
        QTest::newRow("refused: skip past it")
            << "refused" << QStringList{u"welcomeContinue"_s, u"onboardingSkip"_s} << int(Step::TextExercise);
        QTest::newRow("wayland") << "wayland" << QStringList{u"welcomeContinue"_s, u"detectionContinue"_s}
                                 << int(Step::TextExercise);
    }

    void stepFlow()
    {
        QFETCH(QString, detection);
        QFETCH(QStringList, clicks);
        QFETCH(int, expected);
        Walkthrough w;
        QVERIFY(show(w.view, {620, 560}));
        w.view.setKeyDetection(detection == u"refused"   ? OnboardingView::Detection::Refused
                               : detection == u"wayland" ? OnboardingView::Detection::Wayland
                                                         : OnboardingView::Detection::Ready,
                               u"Another program already uses Ctrl+C."_s);
        QSignalSpy tryAgain(&w.view, &OnboardingView::tryAgainRequested);
        for (const QString& name : std::as_const(clicks)) {
            if (name == u"onboardingSkip"_s && w.view.currentStep() == Step::KeyDetection && detection == u"refused") {
                w.click(u"detectionTryAgain"_s); // offered instead of Continue
                QCOMPARE(tryAgain.size(), 1);
            }
            w.click(name);
        }
        QCOMPARE(int(w.view.currentStep()), expected);
    }

    // The exercise lights up from the relayed taps, says "Perfect!" and, shown again, starts from nothing.
    void exercises()
    {
        Walkthrough w;
        QVERIFY(show(w.view, {620, 560}));
        w.view.setCurrentStep(Step::TextExercise);
        w.view.copyTapped(1);
        QVERIFY(!w.view.textExercise().isDetected());
        w.view.copyTapped(2);
        QVERIFY(w.view.textExercise().isDetected());
        w.view.screenshotTriggered(); // not this step's gesture
        QVERIFY(!w.view.screenshotExercise().isDetected());
        w.click(u"onboardingSkip"_s);
        w.view.screenshotTriggered();
        QVERIFY(w.view.screenshotExercise().isDetected());
        w.view.setCurrentStep(Step::TextExercise);
        QVERIFY(!w.view.textExercise().isDetected());
    }

    // Keyboard and screen-reader users reach and hear every control, icon-only ones included.
    void everyControlNamedAndFocusable()
    {
        Walkthrough w;
        QVERIFY(show(w.view, {620, 560}));
        w.view.setKeyDetection(OnboardingView::Detection::Wayland);
        const QList<QAbstractButton*> buttons = w.view.findChildren<QAbstractButton*>();
        QVERIFY(buttons.size() > w.view.editablePrompts().size() * 2); // a row and a pencil per prompt, and more
        for (QAbstractButton* button : buttons) {
            QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(button);
            QVERIFY2(accessible && !accessible->text(QAccessible::Name).isEmpty(), qPrintable(button->objectName()));
            QVERIFY2(button->focusPolicy() & Qt::TabFocus, qPrintable(accessible->text(QAccessible::Name)));
        }
    }

    // "Get Started" keeps the chosen prompts in order, marks the walkthrough done and writes the login entry.
    void getStarted()
    {
        Walkthrough w;
        QVERIFY(show(w.view, {620, 560}));
        w.view.setCurrentStep(Step::QuickPrompts);
        const QList<QCheckBox*> rows = w.view.findChildren<QCheckBox*>(u"promptChoice"_s);
        QCOMPARE(rows.size(), w.view.editablePrompts().size());
        rows.at(0)->click(); // Translate off
        QVERIFY(!w.view.isChosen(w.view.editablePrompts().first().id));
        // Edited in place: Cancel keeps the prompt, Save writes the new title and text.
        for (const QString& button : {u"editCancel"_s, u"editSave"_s}) {
            w.view.findChildren<QToolButton*>(u"editPrompt"_s).at(1)->click();
            w.view.findChild<QLineEdit*>(u"editTitle"_s)->setText(u"Check"_s);
            w.view.findChild<QPlainTextEdit*>(u"editSystemPrompt"_s)->setPlainText(u"Check the text."_s);
            w.click(button);
            QCOMPARE(rows.at(1)->text(), button == u"editSave"_s ? u"Check"_s : w.view.editablePrompts().at(1).title);
        }
        QCOMPARE(rows.at(1)->text(), u"Check"_s);
        QSignalSpy completed(&w.view, &OnboardingView::completed);
        w.click(u"getStarted"_s);
        QCOMPARE(completed.size(), 1);
        QVERIFY(w.settings.boolean(SettingsKeys::hasCompletedOnboarding));
        QVERIFY(QFile::exists(Autostart::entryPath()));
        const QList<Prompt> kept = w.state.projects().first().prompts;
        QCOMPARE(kept.size(), w.view.editablePrompts().size() - 1);
        QCOMPARE(kept.first().title, u"Check"_s);
        QCOMPARE(kept.first().systemPrompt, u"Check the text."_s);
        QCOMPARE(kept.first().number, 1);
    }
};

QTEST_MAIN(TestOnboardingView)
#include "tst_onboardingview.moc"
