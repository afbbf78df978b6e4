// SPDX-License-Identifier: GPL-3.0-or-later
#include "PanelTestSupport.h"
#include "ui/MarkdownContentView.h"
#include "ui/PanelWidgets.h"
#include "ui/QuickPromptView.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTest>

using namespace PanelTest;

Q_DECLARE_METATYPE(std::optional<QString>)

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
        QWidget* page = m_view->findChild<QStackedWidget*>(QStringLiteral("outputStack"))->currentWidget();
        if (page->findChild<QLabel*>(QStringLiteral("thinkingLabel")))
            return QStringLiteral("thinking");
        if (page->findChild<MarkdownContentView*>(QStringLiteral("resultView")))
            return QStringLiteral("result");
        return page->objectName() == u"outputPlaceholder" ? QStringLiteral("placeholder") : QStringLiteral("?");
    }

    int visibleChips() const
    {
        settle();
        int count = 0;
        for (QPushButton* chip : m_view->findChildren<QPushButton*>(QStringLiteral("chip")))
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

    void captionsDuringTheFirstTenRuns_data()
    {
        QTest::addColumn<int>("promptsUsed");
        QTest::addColumn<bool>("shown");
        QTest::newRow("first run") << 0 << true;
        QTest::newRow("tenth run") << 9 << true;
        QTest::newRow("eleventh run") << 10 << false;
    }

    void captionsDuringTheFirstTenRuns()
    {
        QFETCH(int, promptsUsed);
        QFETCH(bool, shown);
        settings().setInteger(SettingsKeys::totalPromptsUsed, promptsUsed);
        QCOMPARE(labelShown(QStringLiteral("input")), shown);
        QCOMPARE(labelShown(QStringLiteral("output")), shown);
    }

    void inputPreview_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("withImage");
        QTest::addColumn<QString>("model");
        QTest::addColumn<bool>("visionWarning");
        QTest::newRow("text") << QStringLiteral("Bonjour") << false << QString() << false;
        QTest::newRow("empty clipboard") << QString() << false << QString() << false;
        QTest::newRow("image, default model") << QString() << true << QString() << false;
        QTest::newRow("image, gpt-4-turbo-preview")
            << QString() << true << QStringLiteral("gpt-4-turbo-preview") << false;
        QTest::newRow("image, text-only model") << QString() << true << QStringLiteral("gpt-3.5-turbo") << true;
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

        auto* textLabel = m_view->findChild<QLabel*>(QStringLiteral("clipboardTextLabel"));
        QCOMPARE(textLabel->text(), text.isEmpty() ? QStringLiteral("No text on clipboard") : text);
        QCOMPARE(child(QStringLiteral("clipboardImageBox"))->isVisible(), withImage);
        QCOMPARE(child(QStringLiteral("visionWarning"))->isVisible(), visionWarning);
        if (visionWarning)
            QVERIFY(labelShown(model + QStringLiteral(" doesn't support images. Switch to GPT-4o.")));
        // Switching to a model that takes images removes the warning at once.
        settings().setString(SettingsKeys::openaiModel, QStringLiteral("gpt-4o"));
        QVERIFY(!child(QStringLiteral("visionWarning"))->isVisible());
    }

    void projectSwitcher()
    {
        auto* switcher = m_view->findChild<QPushButton*>(QStringLiteral("projectSwitcher"));
        QVERIFY(!switcher->isVisible());
        m_fixture->setProjects({project(QStringLiteral("Work"), {prompt(1, QStringLiteral("Shorten"))}),
                                project(QStringLiteral("Home"),
                                        {prompt(4, QStringLiteral("Rhyme")), prompt(2, QStringLiteral("Cheer"))})});
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
        state().setShowCustomPromptInput(true);
        state().setCustomPromptText(typed);
        if (withButton)
            QTest::mouseClick(buttonWithToolTip(m_view.get(), QStringLiteral("Send custom prompt (Enter)")),
                              Qt::LeftButton);
        else
            QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(m_submitted, submitted.isEmpty() ? QStringList() : QStringList{submitted});
        // Blanks keep the input open with its text; a sent prompt closes and clears it.
        QCOMPARE(state().showCustomPromptInput(), submitted.isEmpty());
        QCOMPARE(edit->isVisible(), submitted.isEmpty());
        QCOMPARE(state().customPromptText(), submitted.isEmpty() ? typed : QString());
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
        QCOMPARE(state().activeProject().prompts.last().systemPrompt, *last);
        QVERIFY(!save->isVisible());
        const auto stored = Project::decodeList(settings().bytes(SettingsKeys::userProjects));
        QVERIFY(stored && stored->first().prompts.size() == before + 1);
        QCOMPARE(visibleChips(), before + 1);
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
        QCOMPARE(m_view->findChild<BusyIndicator*>()->isSpinning(), page == u"thinking");
        // The spinner stops as soon as text arrives: an idle panel must not keep a timer running.
        state().appendResultText(QStringLiteral("more"));
        QCOMPARE(shownOutputPage(), QStringLiteral("result"));
        QVERIFY(!m_view->findChild<BusyIndicator*>()->isSpinning());
    }
};

QTEST_MAIN(QuickPromptViewTest)
#include "tst_quickpromptview.moc"
