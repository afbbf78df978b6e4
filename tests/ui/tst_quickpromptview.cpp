// SPDX-License-Identifier: GPL-3.0-or-later
#include "PanelTestSupport.h"
#include "ui/MarkdownContentView.h"
#include "ui/PanelWidgets.h"
#include "ui/QuickPromptView.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTest>

using namespace Qt::StringLiterals;

using namespace PanelTest;

class QuickPromptViewTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<Fixture> m_fixture;
    std::unique_ptr<QuickPromptView> m_view;
    QStringList m_submitted;

    AppState& state() { return m_fixture->state; }
    Settings& settings() { return m_fixture->settings; }
    QWidget* child(const QString& name) const { return m_view->findChild<QWidget*>(name); }

    bool labelShown(const QString& text) const
    {
        for (QLabel* label : m_view->findChildren<QLabel*>())
            if (label->isVisible() && label->text() == text)
                return true;
        return false;
    }

    QString shownOutputPage() const
    {
        QWidget* page = m_view->findChild<QStackedWidget*>(u"outputStack"_s)->currentWidget();
        if (page->findChild<QLabel*>(u"thinkingLabel"_s))
            return u"thinking"_s;
        if (page->findChild<MarkdownContentView*>(u"resultView"_s))
            return u"result"_s;
        return page->objectName() == u"outputPlaceholder" ? u"placeholder"_s : u"?"_s;
    }

    int visibleChips() const
    {
        settle();
        int count = 0;
        for (QPushButton* chip : m_view->findChildren<QPushButton*>(u"chip"_s))
            count += chip->property("promptId").isValid() && chip->isVisibleTo(m_view.get());
        return count;
    }

private Q_SLOTS:
    void init()
    {
        m_fixture = std::make_unique<Fixture>();
        m_view = std::make_unique<QuickPromptView>(state(), settings(), m_fixture->colors);
        m_view->resize(640, 520);
        m_view->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
        m_submitted.clear();
        m_view->onCustomPromptSubmitted = [this](const QString& text) { m_submitted.append(text); };
    }

    void cleanup()
    {
        m_view.reset();
        m_fixture.reset();
    }

    void captionsDuringTheFirstTenRuns()
    {
        for (const auto& [promptsUsed, shown] : QList<std::pair<int, bool>>{{0, true}, {9, true}, {10, false}}) {
            settings().setInteger(SettingsKeys::totalPromptsUsed, promptsUsed);
            QCOMPARE(labelShown(u"input"_s), shown);
            QCOMPARE(labelShown(u"output"_s), shown);
        }
    }

    void inputPreview_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("withImage");
        QTest::addColumn<QString>("model");
        QTest::addColumn<bool>("visionWarning");
        QTest::newRow("text") << u"Bonjour"_s << false << QString() << false;
        QTest::newRow("empty clipboard") << QString() << false << QString() << false;
        QTest::newRow("image, default model") << QString() << true << QString() << false;
        QTest::newRow("image, gpt-4-turbo-preview") << QString() << true << u"gpt-4-turbo-preview"_s << false;
        QTest::newRow("image, text-only model") << QString() << true << u"gpt-3.5-turbo"_s << true;
        // A long text is previewed in part: laying all of it out took seconds.
        QTest::newRow("long text") << u"All work and no play makes Jack a dull boy. "_s.repeated(7000) << false
                                   << QString() << false;
    }

    void inputPreview()
    {
        QFETCH(QString, text);
        QFETCH(bool, withImage);
        QFETCH(QString, model);
        QFETCH(bool, visionWarning);
        if (!model.isEmpty())
            settings().setString(SettingsKeys::openaiModel, model);
        state().setClipboardText(text);
        if (withImage)
            state().setClipboardImage(image(64, 48));

        const QString shown = m_view->findChild<QLabel*>(u"clipboardTextLabel"_s)->text();
        if (text.size() > 25'000)
            QVERIFY(shown.size() < 25'000 && shown.endsWith(u'…') && text.startsWith(shown.chopped(1)));
        else
            QCOMPARE(shown, text.isEmpty() ? u"No text on clipboard"_s : text);
        QCOMPARE(state().clipboardText(), text);
        QCOMPARE(child(u"clipboardImageBox"_s)->isVisible(), withImage);
        QCOMPARE(child(u"visionWarning"_s)->isVisible(), visionWarning);
        if (visionWarning)
            QVERIFY(labelShown(model + u" doesn't support images. Switch to GPT-4o."_s));
        // Switching to a model that takes images removes the warning at once.
        settings().setString(SettingsKeys::openaiModel, u"gpt-4o"_s);
        QVERIFY(!child(u"visionWarning"_s)->isVisible());
    }

    void projectSwitcher()
    {
        auto* switcher = m_view->findChild<QPushButton*>(u"projectSwitcher"_s);
        QVERIFY(!switcher->isVisible());
        m_fixture->setProjects({project(u"Work"_s, {prompt(1, u"Shorten"_s)}),
                                project(u"Home"_s, {prompt(4, u"Rhyme"_s), prompt(2, u"Cheer"_s)})});
        QVERIFY(switcher->isVisible());
        QCOMPARE(visibleChips(), 1);
        QTest::mouseClick(switcher, Qt::LeftButton);
        QCOMPARE(state().activeProjectIndex(), 1);
        QCOMPARE(visibleChips(), 2);
        // Wraps around after the last project.
        QTest::mouseClick(switcher, Qt::LeftButton);
        QCOMPARE(state().activeProjectIndex(), 0);
    }

    void customPromptSubmission_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("withButton");
        QTest::addColumn<QString>("submitted");
        QTest::newRow("blanks, Enter") << u"  \n\t \n "_s << false << QString();
        QTest::newRow("blanks, send button") << u"   "_s << true << QString();
        QTest::newRow("text, Enter") << u"\n  Write a haiku \n"_s << false << u"Write a haiku"_s;
        QTest::newRow("text, send button") << u" Make it rhyme  "_s << true << u"Make it rhyme"_s;
    }

    void customPromptSubmission()
    {
        QFETCH(QString, typed);
        QFETCH(bool, withButton);
        QFETCH(QString, submitted);
        QLineEdit* edit = m_view->customPromptEdit();
        state().setShowCustomPromptInput(true);
        state().setCustomPromptText(typed);
        if (withButton)
            QTest::mouseClick(buttonWithToolTip(m_view.get(), u"Send custom prompt (Enter)"_s), Qt::LeftButton);
        else
            QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(m_submitted, submitted.isEmpty() ? QStringList() : QStringList{submitted});
        // Blanks keep the input open with its text; a sent prompt closes and clears it.
        QCOMPARE(state().showCustomPromptInput(), submitted.isEmpty());
        QCOMPARE(edit->isVisible(), submitted.isEmpty());
        QCOMPARE(state().customPromptText(), submitted.isEmpty() ? typed : QString());
    }

    // Saving is offered for a typed custom prompt only; the saved prompt is scrolled into view.
    void savePromptOffer()
    {
        QList<Prompt> prompts;
        for (int i = 1; i <= 9; ++i)
            prompts.append(prompt(i, u"A rather long prompt title %1"_s.arg(i)));
        m_fixture->setProjects({project(u"Many"_s, prompts)});
        QScrollBar* strip = m_view->findChild<QScrollArea*>(u"promptStrip"_s)->horizontalScrollBar();
        QTRY_VERIFY(strip->maximum() > 0);
        QCOMPARE(strip->value(), 0);
        auto* save = m_view->findChild<QPushButton*>(u"savePromptButton"_s);
        for (const auto& last : {std::optional<QString>(), std::optional<QString>(QString())}) {
            state().setLastCustomPromptText(last);
            QVERIFY(!save->isVisible());
        }
        const std::optional<QString> last = u"Answer like a pirate"_s;
        state().setLastCustomPromptText(last);
        QVERIFY(save->isVisible());
        const qsizetype before = state().activeProject().prompts.size();
        QTest::mouseClick(save, Qt::LeftButton);
        QCOMPARE(state().activeProject().prompts.last().systemPrompt, *last);
        QVERIFY(!save->isVisible());
        const auto stored = Project::decodeList(settings().bytes(SettingsKeys::userProjects));
        QVERIFY(stored && stored->first().prompts.size() == before + 1);
        QCOMPARE(visibleChips(), before + 1);
        QTRY_COMPARE(strip->value(), strip->maximum());
    }

    void outputArea_data()
    {
        QTest::addColumn<bool>("loading");
        QTest::addColumn<QString>("result");
        QTest::addColumn<QString>("page");
        QTest::newRow("waiting for the first piece") << true << QString() << u"thinking"_s;
        QTest::newRow("streaming") << true << u"Hal"_s << u"result"_s;
        QTest::newRow("done") << false << u"**Hallo** Welt"_s << u"result"_s;
        QTest::newRow("idle") << false << QString() << u"placeholder"_s;
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
        QCOMPARE(m_view->findChild<BusyIndicator*>()->isSpinning(), page == u"thinking");
        // The spinner stops as soon as text arrives: an idle panel must not keep a timer running.
        state().appendResultText(u"more"_s);
        QCOMPARE(shownOutputPage(), u"result"_s);
        QVERIFY(!m_view->findChild<BusyIndicator*>()->isSpinning());
    }
};

QTEST_MAIN(QuickPromptViewTest)
#include "tst_quickpromptview.moc"
