// SPDX-License-Identifier: GPL-3.0-or-later
#include "PanelTestSupport.h"
#include "ui/MarkdownContentView.h"
#include "ui/PanelWidgets.h"
#include "ui/QuickPromptView.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTest>
#include <QToolButton>

using namespace PanelTest;

Q_DECLARE_METATYPE(std::optional<QString>)

class QuickPromptViewTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<Fixture> m_fixture;
    std::unique_ptr<QuickPromptView> m_view;
    QList<Prompt> m_selected;
    QStringList m_submitted;

    AppState& state() { return m_fixture->state; }
    Settings& settings() { return m_fixture->settings; }

    QLabel* labelNamed(const QString& name) const { return m_view->findChild<QLabel*>(name); }
    QWidget* child(const QString& name) const { return m_view->findChild<QWidget*>(name); }
    QString shownOutputPage() const
    {
        auto* stack = m_view->findChild<QStackedWidget*>(QStringLiteral("outputStack"));
        QWidget* page = stack->currentWidget();
        if (page->findChild<QLabel*>(QStringLiteral("thinkingLabel")))
            return QStringLiteral("thinking");
        if (page->findChild<MarkdownContentView*>(QStringLiteral("resultView")))
            return QStringLiteral("result");
        if (page->objectName() == u"outputPlaceholder")
            return QStringLiteral("placeholder");
        return QStringLiteral("?");
    }
    // The chips of the prompt strip, custom prompt excluded, in order.
    QList<QPushButton*> promptChips() const
    {
        settle();
        QList<QPushButton*> chips;
        for (QPushButton* chip : m_view->findChildren<QPushButton*>(QStringLiteral("chip"))) {
            if (chip->property("promptId").isValid() && chip->isVisibleTo(m_view.get()))
                chips.append(chip);
        }
        std::sort(chips.begin(), chips.end(), [](QPushButton* a, QPushButton* b) { return a->x() < b->x(); });
        return chips;
    }

private Q_SLOTS:
    void init()
    {
        m_fixture = std::make_unique<Fixture>();
        m_view = std::make_unique<QuickPromptView>(state(), settings(), m_fixture->colors);
        m_view->resize(640, 520);
        m_view->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
        m_selected.clear();
        m_submitted.clear();
        m_view->onPromptSelected = [this](const Prompt& p) { m_selected.append(p); };
        m_view->onCustomPromptSubmitted = [this](const QString& text) { m_submitted.append(text); };
    }

    void cleanup()
    {
        m_view.reset();
        m_fixture.reset();
    }

    void captionsDuringTheFirstTenRuns_data()
    {
        QTest::addColumn<int>("promptsUsed");
        QTest::addColumn<bool>("welcomeHint");
        QTest::addColumn<bool>("inputCaption");
        QTest::addColumn<bool>("outputCaption");
        QTest::newRow("first run") << 0 << false << true << true;
        QTest::newRow("tenth run") << 9 << false << true << true;
        QTest::newRow("eleventh run") << 10 << false << false << false;
        QTest::newRow("welcome hint, first run") << 0 << true << false << true;
        QTest::newRow("welcome hint, later") << 12 << true << false << false;
    }

    void captionsDuringTheFirstTenRuns()
    {
        QFETCH(int, promptsUsed);
        QFETCH(bool, welcomeHint);
        QFETCH(bool, inputCaption);
        QFETCH(bool, outputCaption);
        settings().setInteger(SettingsKeys::totalPromptsUsed, promptsUsed);
        state().setShowWelcomeHint(welcomeHint);
        auto captionShown = [this](const QString& text) {
            for (QLabel* label : m_view->findChildren<QLabel*>()) {
                if (label->text() == text)
                    return label->isVisible();
            }
            return false;
        };
        QCOMPARE(captionShown(QStringLiteral("input")), inputCaption);
        QCOMPARE(captionShown(QStringLiteral("output")), outputCaption);
        // The count moves while the view is open: the eleventh run hides both for good.
        settings().setInteger(SettingsKeys::totalPromptsUsed, 10);
        QVERIFY(!captionShown(QStringLiteral("input")));
        QVERIFY(!captionShown(QStringLiteral("output")));
    }

    void inputPreview_data()
    {
        QTest::addColumn<bool>("welcomeHint");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("withImage");
        QTest::addColumn<QString>("model");
        QTest::addColumn<QString>("shownText");
        QTest::addColumn<bool>("visionWarning");
        QTest::newRow("text") << false << QStringLiteral("Bonjour tout le monde") << false << QString()
                              << QStringLiteral("Bonjour tout le monde") << false;
        QTest::newRow("empty clipboard") << false << QString() << false << QString()
                                         << QStringLiteral("No text on clipboard") << false;
        QTest::newRow("welcome hint hides the text")
            << true << QStringLiteral("old text") << false << QString() << QString() << false;
        QTest::newRow("image, default model") << false << QString() << true << QString() << QString() << false;
        QTest::newRow("image, gpt-4-turbo-preview")
            << false << QString() << true << QStringLiteral("gpt-4-turbo-preview") << QString() << false;
        QTest::newRow("image, text-only model")
            << false << QString() << true << QStringLiteral("gpt-3.5-turbo") << QString() << true;
    }

    void inputPreview()
    {
        QFETCH(bool, welcomeHint);
        QFETCH(QString, text);
        QFETCH(bool, withImage);
        QFETCH(QString, model);
        QFETCH(QString, shownText);
        QFETCH(bool, visionWarning);
        if (!model.isEmpty())
            settings().setString(SettingsKeys::openaiModel, model);
        state().setShowWelcomeHint(welcomeHint);
        state().setClipboardText(text);
        if (withImage)
            state().setClipboardImage(image(64, 48));

        QLabel* textLabel = labelNamed(QStringLiteral("clipboardTextLabel"));
        QCOMPARE(textLabel->isVisible(), !shownText.isEmpty());
        if (!shownText.isEmpty())
            QCOMPARE(textLabel->text(), shownText);
        bool hintShown = false;
        for (QLabel* label : m_view->findChildren<QLabel*>())
            hintShown |= label->isVisible() && label->text().contains(QStringLiteral("tap C twice"));
        QCOMPARE(hintShown, welcomeHint);

        QWidget* imageBox = child(QStringLiteral("clipboardImageBox"));
        QCOMPARE(imageBox->isVisible(), withImage);
        QCOMPARE(child(QStringLiteral("visionWarning"))->isVisible(), visionWarning);
        if (!withImage)
            return;
        QStringList texts;
        for (QLabel* label : imageBox->findChildren<QLabel*>()) {
            if (label->isVisible())
                texts.append(label->text());
        }
        QVERIFY2(texts.contains(QStringLiteral("64 × 48")), qPrintable(texts.join(u'|')));
        if (visionWarning)
            QVERIFY(texts.contains(model + QStringLiteral(" doesn't support images. Switch to GPT-4o.")));

        // Switching to a model that takes images removes the warning at once; Clear drops the image.
        settings().setString(SettingsKeys::openaiModel, QStringLiteral("gpt-4o"));
        QVERIFY(!child(QStringLiteral("visionWarning"))->isVisible());
        QTest::mouseClick(m_view->findChild<QPushButton*>(QStringLiteral("clearImageButton")), Qt::LeftButton);
        QVERIFY(!state().clipboardImage());
        QVERIFY(!imageBox->isVisible());
        QVERIFY(textLabel->isVisible());
    }

    void longTextIsPreviewedInPart()
    {
        QString book;
        while (book.size() < 300'000)
            book += QStringLiteral("All work and no play makes Jack a dull boy. ");
        state().setClipboardText(book);
        const QString shown = labelNamed(QStringLiteral("clipboardTextLabel"))->text();
        QVERIFY(shown.size() < 25'000);
        QVERIFY(book.startsWith(shown.chopped(1)));
        QVERIFY(shown.endsWith(u'…'));
        QCOMPARE(state().clipboardText(), book);
    }

    void imageSizeIsInPoints()
    {
        QImage picture = image(200, 100);
        picture.setDevicePixelRatio(2.0);
        state().setClipboardImage(picture);
        bool found = false;
        for (QLabel* label : m_view->findChildren<QLabel*>())
            found |= label->isVisible() && label->text() == QStringLiteral("100 × 50");
        QVERIFY(found);
    }

    void projectSwitcherCyclesAndWraps()
    {
        auto* switcher = m_view->findChild<QPushButton*>(QStringLiteral("projectSwitcher"));
        QCOMPARE(state().projects().size(), 1);
        QVERIFY(!switcher->isVisible());

        m_fixture->setProjects({project(QStringLiteral("Work"), {prompt(1, QStringLiteral("Shorten"))}),
                                project(QStringLiteral("Home"),
                                        {prompt(4, QStringLiteral("Rhyme")), prompt(2, QStringLiteral("Cheer"))})});
        QVERIFY(switcher->isVisible());
        QCOMPARE(promptChips().size(), 1);

        QTest::mouseClick(switcher, Qt::LeftButton);
        QCOMPARE(state().activeProjectIndex(), 1);
        QCOMPARE(switcher->text(), QStringLiteral("🧪 Home"));
        const QList<QPushButton*> chips = promptChips();
        QCOMPARE(chips.size(), 2);
        // In the project's order, each with its own number, and the custom chip after them.
        QCOMPARE(chips[0]->toolTip(), QStringLiteral("Press 4 — Rhyme"));
        QCOMPARE(chips[1]->toolTip(), QStringLiteral("Press 2 — Cheer"));
        QVERIFY(chips[1]->x() < child(QStringLiteral("customPromptTag"))->x());

        QTest::mouseClick(switcher, Qt::LeftButton);
        QCOMPARE(state().activeProjectIndex(), 0);
        QCOMPARE(settings().integer(SettingsKeys::activeProjectIndex), 0);
    }

    void chipsRunTheirPrompt()
    {
        const Prompt rhyme = prompt(7, QStringLiteral("Rhyme"));
        const Prompt cheer = prompt(3, QStringLiteral("Cheer"));
        m_fixture->setProjects({project(QStringLiteral("Home"), {rhyme, cheer})});
        QTest::mouseClick(buttonWithToolTip(m_view.get(), QStringLiteral("Press 3 — Cheer")), Qt::LeftButton);
        QTest::mouseClick(buttonWithToolTip(m_view.get(), QStringLiteral("Press 7 — Rhyme")), Qt::LeftButton);
        QCOMPARE(m_selected, (QList<Prompt>{cheer, rhyme}));
        QVERIFY(m_submitted.isEmpty());
    }

    void customPromptSubmission_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("withButton");
        QTest::addColumn<QString>("submitted");
        QTest::newRow("blanks, Enter") << QStringLiteral("  \n\t \n ") << false << QString();
        QTest::newRow("blanks, send button") << QStringLiteral("   ") << true << QString();
        QTest::newRow("text, Enter") << QStringLiteral("\n  Write a haiku \n") << false
                                     << QStringLiteral("Write a haiku");
        QTest::newRow("text, send button")
            << QStringLiteral(" Make it rhyme  ") << true << QStringLiteral("Make it rhyme");
    }

    void customPromptSubmission()
    {
        QFETCH(QString, typed);
        QFETCH(bool, withButton);
        QFETCH(QString, submitted);
        QLineEdit* edit = m_view->customPromptEdit();
        QVERIFY(!edit->isVisible());
        state().setShowCustomPromptInput(true);
        QVERIFY(edit->isVisible());
        QTRY_VERIFY(edit->hasFocus());
        state().setCustomPromptText(typed);
        if (withButton)
            QTest::mouseClick(buttonWithToolTip(m_view.get(), QStringLiteral("Send custom prompt (Enter)")),
                              Qt::LeftButton);
        else
            QTest::keyClick(edit, Qt::Key_Return);

        if (submitted.isEmpty()) {
            QVERIFY(m_submitted.isEmpty());
            QVERIFY(state().showCustomPromptInput());
            QVERIFY(edit->isVisible());
            QCOMPARE(state().customPromptText(), typed);
        } else {
            QCOMPARE(m_submitted, QStringList{submitted});
            QVERIFY(!state().showCustomPromptInput());
            QVERIFY(!edit->isVisible());
            QVERIFY(!edit->hasFocus());
            QCOMPARE(state().customPromptText(), QString());
            QCOMPARE(edit->text(), QString());
        }
    }

    void typingWritesTheCustomPromptText()
    {
        state().setShowCustomPromptInput(true);
        QTest::keyClicks(m_view->customPromptEdit(), QStringLiteral("Be brief"));
        QCOMPARE(state().customPromptText(), QStringLiteral("Be brief"));
        // The controller closes the input (Escape): the text goes with it.
        state().setShowCustomPromptInput(false);
        state().setCustomPromptText(QString());
        QCOMPARE(m_view->customPromptEdit()->text(), QString());
        QVERIFY(!m_view->customPromptEdit()->isVisible());
    }

    void savePromptOffer_data()
    {
        QTest::addColumn<std::optional<QString>>("last");
        QTest::addColumn<bool>("offered");
        QTest::newRow("none") << std::optional<QString>() << false;
        QTest::newRow("empty") << std::optional<QString>(QString()) << false;
        QTest::newRow("typed") << std::optional<QString>(QStringLiteral("Answer like a pirate")) << true;
    }

    void savePromptOffer()
    {
        QFETCH(std::optional<QString>, last);
        QFETCH(bool, offered);
        state().setLastCustomPromptText(last);
        auto* save = m_view->findChild<QPushButton*>(QStringLiteral("savePromptButton"));
        QCOMPARE(save->isVisible(), offered);
        if (!offered)
            return;
        const qsizetype before = state().activeProject().prompts.size();
        QTest::mouseClick(save, Qt::LeftButton);
        const Project active = state().activeProject();
        QCOMPARE(active.prompts.size(), before + 1);
        QCOMPARE(active.prompts.last().systemPrompt, *last);
        QVERIFY(!save->isVisible());
        // The new quick action is stored and has its chip.
        const auto stored = Project::decodeList(settings().bytes(SettingsKeys::userProjects));
        QVERIFY(stored && stored->first().prompts.size() == before + 1);
        QCOMPARE(promptChips().size(), before + 1);
    }

    void outputArea_data()
    {
        QTest::addColumn<bool>("loading");
        QTest::addColumn<QString>("result");
        QTest::addColumn<QString>("page");
        QTest::newRow("waiting for the first piece") << true << QString() << QStringLiteral("thinking");
        QTest::newRow("streaming") << true << QStringLiteral("Hal") << QStringLiteral("result");
        QTest::newRow("done") << false << QStringLiteral("**Hallo** Welt") << QStringLiteral("result");
        QTest::newRow("idle") << false << QString() << QStringLiteral("placeholder");
    }

    void outputArea()
    {
        QFETCH(bool, loading);
        QFETCH(QString, result);
        QFETCH(QString, page);
        state().setIsLoading(loading);
        state().setResultText(result);
        QCOMPARE(shownOutputPage(), page);
        if (page == u"result")
            QCOMPARE(m_view->resultView()->content(), result);
        if (page == u"thinking")
            QVERIFY(m_view->findChild<BusyIndicator*>()->isSpinning());
        // The spinner stops as soon as text arrives: an idle panel must not keep a timer running.
        state().appendResultText(QStringLiteral("more"));
        QCOMPARE(shownOutputPage(), QStringLiteral("result"));
        QVERIFY(!m_view->findChild<BusyIndicator*>()->isSpinning());
    }

    void copyButtonCopiesTheResult()
    {
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        state().setResultText(QStringLiteral("## Title\n\nThe *answer*."));
        QTest::mouseClick(m_view->findChild<QPushButton*>(QStringLiteral("copyResultButton")), Qt::LeftButton);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("## Title\n\nThe *answer*."));
    }

    void expandButtonOnlyInTheCompactCard()
    {
        int expands = 0;
        m_view->onExpand = [&] { ++expands; };
        auto* expand = m_view->findChild<QPushButton*>(QStringLiteral("expandButton"));
        QTest::mouseClick(expand, Qt::LeftButton);
        QCOMPARE(expands, 1);
        state().setIsPanelExpanded(true);
        QVERIFY(!expand->isVisible());
    }

    void addedPromptScrollsTheStripToTheEnd()
    {
        QList<Prompt> prompts;
        for (int i = 1; i <= 9; ++i)
            prompts.append(prompt(i, QStringLiteral("A rather long prompt title %1").arg(i)));
        m_fixture->setProjects({project(QStringLiteral("Many"), prompts)});
        auto* strip = m_view->findChild<QScrollArea*>(QStringLiteral("promptStrip"));
        QTRY_VERIFY(strip->horizontalScrollBar()->maximum() > 0);
        QCOMPARE(strip->horizontalScrollBar()->value(), 0);
        state().setLastCustomPromptText(QStringLiteral("Tenth"));
        state().saveCustomPromptAsQuickAction();
        QTRY_COMPARE(strip->horizontalScrollBar()->value(), strip->horizontalScrollBar()->maximum());
    }
};

QTEST_MAIN(QuickPromptViewTest)
#include "tst_quickpromptview.moc"
