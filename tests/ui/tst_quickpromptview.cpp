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

using namespace Qt::StringLiterals;
using namespace PanelTest;

namespace {

struct Card : Fixture
{
    QuickPromptView view{state, settings, colors};
    QStringList submitted;

    bool shown(const QString& name) const { return view.findChild<QWidget*>(name)->isVisible(); }

    bool labelShown(const QString& text) const
    {
        for (QLabel* label : view.findChildren<QLabel*>())
            if (label->isVisible() && label->text() == text)
                return true;
        return false;
    }

    int visibleChips() const
    {
        settle();
        int count = 0;
        for (QPushButton* chip : view.findChildren<QPushButton*>(u"chip"_s))
            count += chip->property("promptId").isValid() && chip->isVisibleTo(&view);
        return count;
    }
};

} // namespace

class QuickPromptViewTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<Card> m;

private Q_SLOTS:
    void init()
    {
        m = std::make_unique<Card>();
        QVERIFY(show(m->view, {640, 520}));
        connect(&m->view, &QuickPromptView::customPromptSubmitted, this,
                [this](const QString& text) { m->submitted.append(text); });
    }

    void cleanup() { m.reset(); }

    void captionsDuringTheFirstTenRuns()
    {
        for (const auto& [promptsUsed, shown] : QList<std::pair<int, bool>>{{0, true}, {9, true}, {10, false}}) {
            m->settings.setInteger(SettingsKeys::totalPromptsUsed, promptsUsed);
            QCOMPARE(m->labelShown(u"input"_s), shown);
            QCOMPARE(m->labelShown(u"output"_s), shown);
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
            m->settings.setString(SettingsKeys::openaiModel, model);
        m->state.setClipboardText(text);
        if (withImage)
            m->state.setClipboardImage(image(64, 48));

        const QString shown = m->view.findChild<QLabel*>(u"clipboardTextLabel"_s)->text();
        if (text.size() > 25'000)
            QVERIFY(shown.size() < 25'000 && shown.endsWith(u'…') && text.startsWith(shown.chopped(1)));
        else
            QCOMPARE(shown, text.isEmpty() ? u"No text on clipboard"_s : text);
        QCOMPARE(m->shown(u"clipboardImageBox"_s), withImage);
        QCOMPARE(m->shown(u"visionWarning"_s), visionWarning);
        if (visionWarning)
            QVERIFY(m->labelShown(model + u" doesn't support images. Switch to GPT-4o."_s));
        // Switching to a model that takes images removes the warning at once.
        m->settings.setString(SettingsKeys::openaiModel, u"gpt-4o"_s);
        QVERIFY(!m->shown(u"visionWarning"_s));
    }

    void projectSwitcher()
    {
        auto* switcher = m->view.findChild<QPushButton*>(u"projectSwitcher"_s);
        QVERIFY(!switcher->isVisible());
        m->setProjects({project(u"Work"_s, {prompt(1, u"Shorten"_s)}),
                        project(u"Home"_s, {prompt(4, u"Rhyme"_s), prompt(2, u"Cheer"_s)})});
        QVERIFY(switcher->isVisible());
        QCOMPARE(m->visibleChips(), 1);
        QTest::mouseClick(switcher, Qt::LeftButton);
        QCOMPARE(m->state.activeProjectIndex(), 1);
        QCOMPARE(m->visibleChips(), 2);
        QTest::mouseClick(switcher, Qt::LeftButton); // wraps around
        QCOMPARE(m->state.activeProjectIndex(), 0);
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
        m->state.setShowCustomPromptInput(true);
        m->state.setCustomPromptText(typed);
        if (withButton)
            QTest::mouseClick(buttonWithToolTip(&m->view, u"Send custom prompt (Enter)"_s), Qt::LeftButton);
        else
            QTest::keyClick(m->view.customPromptEdit(), Qt::Key_Return);
        QCOMPARE(m->submitted, submitted.isEmpty() ? QStringList() : QStringList{submitted});
        // Blanks keep the input open with its text; a sent prompt closes and clears it.
        QCOMPARE(m->state.showCustomPromptInput(), submitted.isEmpty());
        QCOMPARE(m->view.customPromptEdit()->isVisible(), submitted.isEmpty());
        QCOMPARE(m->state.customPromptText(), submitted.isEmpty() ? typed : QString());
    }

    // Saving is offered for a typed custom prompt only; the saved prompt is scrolled into view.
    void savePromptOffer()
    {
        QList<Prompt> prompts;
        for (int i = 1; i <= 9; ++i)
            prompts.append(prompt(i, u"A rather long prompt title %1"_s.arg(i)));
        m->setProjects({project(u"Many"_s, prompts)});
        QScrollBar* strip = m->view.findChild<QScrollArea*>(u"promptStrip"_s)->horizontalScrollBar();
        QTRY_VERIFY(strip->maximum() > 0);
        QCOMPARE(strip->value(), 0);
        auto* save = m->view.findChild<QPushButton*>(u"savePromptButton"_s);
        for (const auto& last : {std::optional<QString>(), std::optional<QString>(QString())}) {
            m->state.setLastCustomPromptText(last);
            QVERIFY(!save->isVisible());
        }
        m->state.setLastCustomPromptText(u"Answer like a pirate"_s);
        QVERIFY(save->isVisible());
        QTest::mouseClick(save, Qt::LeftButton);
        QCOMPARE(m->state.activeProject().prompts.last().systemPrompt, u"Answer like a pirate"_s);
        QVERIFY(!save->isVisible());
        const auto stored = Project::decodeList(m->settings.bytes(SettingsKeys::userProjects));
        QVERIFY(stored && stored->first().prompts.size() == 10);
        QCOMPARE(m->visibleChips(), 10);
        QTRY_COMPARE(strip->value(), strip->maximum());
    }

    void outputArea_data()
    {
        QTest::addColumn<bool>("loading");
        QTest::addColumn<QString>("result");
        QTest::addColumn<QString>("shown"); // the output widget in view
        QTest::newRow("waiting for the first piece") << true << QString() << u"thinkingLabel"_s;
        QTest::newRow("streaming") << true << u"Hal"_s << u"resultView"_s;
        QTest::newRow("done") << false << u"**Hallo** Welt"_s << u"resultView"_s;
        QTest::newRow("idle") << false << QString() << u"outputPlaceholder"_s;
    }

    void outputArea()
    {
        QFETCH(bool, loading);
        QFETCH(QString, result);
        QFETCH(QString, shown);
        m->state.setIsLoading(loading);
        m->state.setResultText(result);
        for (const QString& output : {u"thinkingLabel"_s, u"resultView"_s, u"outputPlaceholder"_s})
            QCOMPARE(m->shown(output), output == shown);
        QCOMPARE(m->view.resultView()->content(), result);
        QCOMPARE(m->view.findChild<BusyIndicator*>()->isSpinning(), shown == u"thinkingLabel");
        // The spinner stops as soon as text arrives: an idle panel must not keep a timer running.
        m->state.appendResultText(u"more"_s);
        QVERIFY(m->shown(u"resultView"_s) && !m->shown(u"thinkingLabel"_s));
        QVERIFY(!m->view.findChild<BusyIndicator*>()->isSpinning());
    }
};

QTEST_MAIN(QuickPromptViewTest)
#include "tst_quickpromptview.moc"
