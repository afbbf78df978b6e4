// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/preferences/AITab.h"

#include "model/AppState.h"
#include "model/Settings.h"
#include "support/TestEnvironment.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <memory>

namespace {

struct Fixture
{
    TestEnvironment environment;
    Settings settings;
    MemoryStore memory{environment.appFolder()};
    std::unique_ptr<AppState> state;
    std::unique_ptr<AITab> tab;

    explicit Fixture(int projectCount)
    {
        QList<Project> projects;
        for (int i = 0; i < projectCount; ++i)
            projects.append(Project{QUuid::createUuid(), QStringLiteral("P%1").arg(i), {}, {}, {}, {}, {}, {}});
        settings.setBytes(SettingsKeys::userProjects, Project::encodeList(projects));
        state = std::make_unique<AppState>(settings, ChatStore(environment.appFolder()), nullptr);
    }

    void open()
    {
        tab = std::make_unique<AITab>(*state, settings, memory);
        tab->show();
    }

    template <typename T> T* find(const QString& name) const { return tab->findChild<T*>(name); }
};

} // namespace

class TestAITab : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void apiKeyIsWrittenAsTypedWithoutBlanks()
    {
        Fixture f(1);
        f.settings.setString(SettingsKeys::openaiApiKey, QStringLiteral("sk-old"));
        f.open();
        auto* key = f.find<QLineEdit>(QStringLiteral("apiKeyEdit"));
        QCOMPARE(key->echoMode(), QLineEdit::Password);
        QCOMPARE(key->text(), QStringLiteral("sk-old"));
        key->selectAll();
        QTest::keyClick(key, Qt::Key_Backspace);
        QVERIFY(f.settings.contains(SettingsKeys::openaiApiKey));
        QCOMPARE(f.settings.string(SettingsKeys::openaiApiKey), QString());
        QTest::keyClicks(key, QStringLiteral("sk-new"));
        QCOMPARE(f.settings.string(SettingsKeys::openaiApiKey), QStringLiteral("sk-new"));
        // A pasted key keeps no surrounding blanks.
        key->selectAll();
        QTest::keyClicks(key, QStringLiteral("  sk-pasted "));
        QCOMPARE(f.settings.string(SettingsKeys::openaiApiKey), QStringLiteral("sk-pasted"));
    }

    void modelPicker()
    {
        Fixture f(1);
        f.open();
        auto* picker = f.find<QComboBox>(QStringLiteral("modelPicker"));
        QCOMPARE(f.tab->selectedModel(), QStringLiteral("gpt-4o"));
        QCOMPARE(picker->currentText(), QStringLiteral("GPT-4o \u2014 $2.50 in / $10.00 out"));
        QVERIFY(!f.settings.contains(SettingsKeys::openaiModel));
        picker->setCurrentIndex(0);
        QCOMPARE(f.settings.string(SettingsKeys::openaiModel), QStringLiteral("o4-mini"));
        QCOMPARE(f.find<QLabel>(QStringLiteral("modelNote"))->text(),
                 QStringLiteral("Fast and affordable. Great for most tasks."));
        // Local servers name their own models.
        picker->lineEdit()->clear();
        QTest::keyClicks(picker->lineEdit(), QStringLiteral("llama3.1:8b"));
        QCOMPARE(f.settings.string(SettingsKeys::openaiModel), QStringLiteral("llama3.1:8b"));
        f.tab->hide();
        f.tab->show();
        QCOMPARE(picker->currentText(), QStringLiteral("llama3.1:8b"));
    }

    void endpointEmptyMeansDefault()
    {
        Fixture f(1);
        f.open();
        auto* endpoint = f.find<QLineEdit>(QStringLiteral("endpointEdit"));
        QTest::keyClicks(endpoint, QStringLiteral("http://localhost:11434"));
        QCOMPARE(f.settings.string(SettingsKeys::apiBaseUrl), QStringLiteral("http://localhost:11434"));
        endpoint->selectAll();
        QTest::keyClick(endpoint, Qt::Key_Delete);
        QVERIFY(!f.settings.contains(SettingsKeys::apiBaseUrl));
        QCOMPARE(f.settings.string(SettingsKeys::apiBaseUrl), QStringLiteral("https://api.openai.com"));
    }

    void personalityAndAutoMemory()
    {
        Fixture f(1);
        f.open();
        auto* editor = f.find<QPlainTextEdit>(QStringLiteral("personalityEdit"));
        QCOMPARE(editor->toPlainText(), MemoryStore::defaultPersonality());
        editor->selectAll();
        QTest::keyClicks(editor, QStringLiteral("Be brief."));
        QCOMPARE(f.memory.loadPersonality(), QStringLiteral("Be brief."));
        f.find<QPushButton>(QStringLiteral("resetPersonalityButton"))->click();
        QCOMPARE(editor->toPlainText(), MemoryStore::defaultPersonality());
        QCOMPARE(f.memory.loadPersonality(), MemoryStore::defaultPersonality());

        auto* toggle = f.find<QCheckBox>(QStringLiteral("autoMemoryToggle"));
        QVERIFY(toggle->isChecked());
        toggle->click();
        QVERIFY(f.settings.contains(SettingsKeys::autoMemoryEnabled));
        QCOMPARE(f.settings.boolean(SettingsKeys::autoMemoryEnabled), false);
    }

    void memories_data()
    {
        QTest::addColumn<int>("projects");
        QTest::newRow("single project") << 1;
        QTest::newRow("two projects") << 2;
    }

    void memories()
    {
        QFETCH(int, projects);
        Fixture f(projects);
        MemoryStore::appendFacts(f.memory.userMemoryPath(), {QStringLiteral("Lives in Graz")});
        const QUuid last = f.state->projects().last().id;
        MemoryStore::appendFacts(f.memory.projectMemoryPath(last), {QStringLiteral("Uses Qt 6")});
        f.state->setActiveProjectIndex(projects - 1);
        f.open();

        auto* picker = f.find<QComboBox>(QStringLiteral("memoryProjectPicker"));
        QCOMPARE(picker->isVisible(), projects >= 2);
        QCOMPARE(f.find<QLabel>(QStringLiteral("userMemoryText"))->text(), QStringLiteral("Lives in Graz"));
        QCOMPARE(f.find<QLabel>(QStringLiteral("projectMemoryText"))->text(), QStringLiteral("Uses Qt 6"));

        if (projects >= 2) {
            // Another project: its (empty) memory, and no clear button.
            picker->activated(0);
            QCOMPARE(f.find<QLabel>(QStringLiteral("projectMemoryText"))->text(),
                     QStringLiteral("No project memories yet."));
            QVERIFY(!f.find<QPushButton>(QStringLiteral("clearProjectMemoryButton"))->isVisible());
            picker->activated(1);
        }
        f.find<QPushButton>(QStringLiteral("clearProjectMemoryButton"))->click();
        QCOMPARE(TestEnvironment::readFile(f.memory.projectMemoryPath(last)), QByteArray());
        QCOMPARE(f.find<QLabel>(QStringLiteral("projectMemoryText"))->text(),
                 QStringLiteral("No project memories yet."));

        auto* clearUser = f.find<QPushButton>(QStringLiteral("clearUserMemoryButton"));
        QVERIFY(clearUser->isVisible());
        clearUser->click();
        QCOMPARE(TestEnvironment::readFile(f.memory.userMemoryPath()), QByteArray());
        QCOMPARE(f.find<QLabel>(QStringLiteral("userMemoryText"))->text(),
                 QStringLiteral("No memories yet. The AI will learn as you chat."));
        QVERIFY(!clearUser->isVisible());
    }
};

QTEST_MAIN(TestAITab)
#include "tst_aitab.moc"
