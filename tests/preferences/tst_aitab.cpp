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
    void apiKeyModelAndEndpoint()
    {
        Fixture f(1);
        f.settings.setString(SettingsKeys::openaiApiKey, QStringLiteral("sk-old"));
        f.open();
        auto* key = f.find<QLineEdit>(QStringLiteral("apiKeyEdit"));
        QCOMPARE(key->echoMode(), QLineEdit::Password);
        key->selectAll();
        QTest::keyClick(key, Qt::Key_Backspace); // written as typed, even empty
        QVERIFY(f.settings.contains(SettingsKeys::openaiApiKey));
        QCOMPARE(f.settings.string(SettingsKeys::openaiApiKey), QString());
        QTest::keyClicks(key, QStringLiteral("  sk-pasted ")); // a pasted key keeps no surrounding blanks
        QCOMPARE(f.settings.string(SettingsKeys::openaiApiKey), QStringLiteral("sk-pasted"));

        auto* picker = f.find<QComboBox>(QStringLiteral("modelPicker"));
        QCOMPARE(f.tab->selectedModel(), QStringLiteral("gpt-4o"));
        picker->setCurrentIndex(0);
        QCOMPARE(f.settings.string(SettingsKeys::openaiModel), QStringLiteral("o4-mini"));
        // Local servers name their own models.
        picker->lineEdit()->clear();
        QTest::keyClicks(picker->lineEdit(), QStringLiteral("llama3.1:8b"));
        QCOMPARE(f.settings.string(SettingsKeys::openaiModel), QStringLiteral("llama3.1:8b"));
        f.tab->hide();
        f.tab->show();
        QCOMPARE(picker->currentText(), QStringLiteral("llama3.1:8b"));

        auto* endpoint = f.find<QLineEdit>(QStringLiteral("endpointEdit"));
        QTest::keyClicks(endpoint, QStringLiteral("http://localhost:11434"));
        QCOMPARE(f.settings.string(SettingsKeys::apiBaseUrl), QStringLiteral("http://localhost:11434"));
        endpoint->selectAll();
        QTest::keyClick(endpoint, Qt::Key_Delete); // empty means the default
        QVERIFY(!f.settings.contains(SettingsKeys::apiBaseUrl));
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
        QCOMPARE(f.memory.loadPersonality(), MemoryStore::defaultPersonality());
        f.find<QCheckBox>(QStringLiteral("autoMemoryToggle"))->click();
        QVERIFY(f.settings.contains(SettingsKeys::autoMemoryEnabled));
        QCOMPARE(f.settings.boolean(SettingsKeys::autoMemoryEnabled), false);
    }

    void memories()
    {
        for (const int projects : {1, 2}) {
            Fixture f(projects);
            MemoryStore::appendFacts(f.memory.userMemoryPath(), {QStringLiteral("Lives in Graz")});
            const QUuid last = f.state->projects().last().id;
            MemoryStore::appendFacts(f.memory.projectMemoryPath(last), {QStringLiteral("Uses Qt 6")});
            f.state->setActiveProjectIndex(projects - 1);
            f.open();
            auto* picker = f.find<QComboBox>(QStringLiteral("memoryProjectPicker"));
            auto* projectText = f.find<QLabel>(QStringLiteral("projectMemoryText"));
            auto* clearProject = f.find<QPushButton>(QStringLiteral("clearProjectMemoryButton"));
            QCOMPARE(picker->isVisible(), projects >= 2);
            QCOMPARE(f.find<QLabel>(QStringLiteral("userMemoryText"))->text(), QStringLiteral("Lives in Graz"));
            QCOMPARE(projectText->text(), QStringLiteral("Uses Qt 6"));
            if (projects >= 2) {
                // Another project: its (empty) memory, and no clear button.
                picker->activated(0);
                QCOMPARE(projectText->text(), QStringLiteral("No project memories yet."));
                QVERIFY(!clearProject->isVisible());
                picker->activated(1);
            }
            clearProject->click();
            QCOMPARE(TestEnvironment::readFile(f.memory.projectMemoryPath(last)), QByteArray());
            QCOMPARE(projectText->text(), QStringLiteral("No project memories yet."));
            f.find<QPushButton>(QStringLiteral("clearUserMemoryButton"))->click();
            QCOMPARE(TestEnvironment::readFile(f.memory.userMemoryPath()), QByteArray());
        }
    }
};

QTEST_MAIN(TestAITab)
#include "tst_aitab.moc"
