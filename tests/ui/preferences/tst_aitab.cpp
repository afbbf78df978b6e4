// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/preferences/AITab.h"

#include "model/AppState.h"
#include "model/Settings.h"
#include "support/TestEnvironment.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

struct Tab
{
    TestEnvironment environment;
    Settings settings;
    MemoryStore memory{environment.appFolder()};
    AppState state{settings, ChatStore(environment.appFolder()), nullptr};
    std::unique_ptr<AITab> tab;

    void open()
    {
        tab = std::make_unique<AITab>(state, settings, memory);
        tab->show();
    }

    template <typename T> T* find(const QString& name) const { return tab->findChild<T*>(name); }
};

} // namespace

class TestAITab : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void settingsAreWrittenAsEdited()
    {
        Tab f;
        f.settings.setString(SettingsKeys::openaiApiKey, u"sk-old"_s);
        f.open();
        auto* key = f.find<QLineEdit>(u"apiKeyEdit"_s);
        QCOMPARE(key->echoMode(), QLineEdit::Password);
        key->selectAll();
        QTest::keyClick(key, Qt::Key_Backspace); // written as typed, even empty
        QVERIFY(f.settings.contains(SettingsKeys::openaiApiKey));
        QCOMPARE(f.settings.string(SettingsKeys::openaiApiKey), QString());
        QTest::keyClicks(key, u"  sk-pasted "_s); // a pasted key keeps no surrounding blanks
        QCOMPARE(f.settings.string(SettingsKeys::openaiApiKey), u"sk-pasted"_s);

        auto* picker = f.find<QComboBox>(u"modelPicker"_s);
        picker->setCurrentIndex(0);
        QCOMPARE(f.settings.string(SettingsKeys::openaiModel), u"o4-mini"_s);
        // Local servers name their own models.
        picker->lineEdit()->clear();
        QTest::keyClicks(picker->lineEdit(), u"llama3.1:8b"_s);
        QCOMPARE(f.settings.string(SettingsKeys::openaiModel), u"llama3.1:8b"_s);
        f.tab->hide();
        f.tab->show();
        QCOMPARE(picker->currentText(), u"llama3.1:8b"_s);

        auto* endpoint = f.find<QLineEdit>(u"endpointEdit"_s);
        QTest::keyClicks(endpoint, u"http://localhost:11434"_s);
        QCOMPARE(f.settings.string(SettingsKeys::apiBaseUrl), u"http://localhost:11434"_s);
        endpoint->selectAll();
        QTest::keyClick(endpoint, Qt::Key_Delete); // empty means the default
        QVERIFY(!f.settings.contains(SettingsKeys::apiBaseUrl));

        auto* editor = f.find<QPlainTextEdit>(u"personalityEdit"_s);
        QCOMPARE(editor->toPlainText(), MemoryStore::defaultPersonality());
        editor->selectAll();
        QTest::keyClicks(editor, u"Be brief."_s);
        QCOMPARE(f.memory.loadPersonality(), u"Be brief."_s);
        f.find<QPushButton>(u"resetPersonalityButton"_s)->click();
        QCOMPARE(f.memory.loadPersonality(), MemoryStore::defaultPersonality());
        f.find<QCheckBox>(u"autoMemoryToggle"_s)->click(); // on by default
        QCOMPARE(f.settings.boolean(SettingsKeys::autoMemoryEnabled), false);
    }

    void memories()
    {
        for (const int projects : {1, 2}) {
            Tab f;
            if (projects == 2)
                f.state.setProjects(f.state.projects() +
                                    QList<Project>{{QUuid::createUuid(), u"P1"_s, {}, {}, {}, {}, {}, {}}});
            MemoryStore::appendFacts(f.memory.userMemoryPath(), {u"Lives in Graz"_s});
            const QUuid last = f.state.projects().last().id;
            MemoryStore::appendFacts(f.memory.projectMemoryPath(last), {u"Uses Qt 6"_s});
            f.state.setActiveProjectIndex(projects - 1);
            f.open();
            auto* picker = f.find<QComboBox>(u"memoryProjectPicker"_s);
            auto* projectText = f.find<QLabel>(u"projectMemoryText"_s);
            auto* clearProject = f.find<QPushButton>(u"clearProjectMemoryButton"_s);
            QCOMPARE(picker->isVisible(), projects >= 2);
            QCOMPARE(f.find<QLabel>(u"userMemoryText"_s)->text(), u"Lives in Graz"_s);
            QCOMPARE(projectText->text(), u"Uses Qt 6"_s);
            if (projects >= 2) {
                // Another project: its (empty) memory, and no clear button.
                picker->activated(0);
                QCOMPARE(projectText->text(), u"No project memories yet."_s);
                QVERIFY(!clearProject->isVisible());
                picker->activated(1);
            }
            clearProject->click();
            QCOMPARE(TestEnvironment::readFile(f.memory.projectMemoryPath(last)), QByteArray());
            QCOMPARE(projectText->text(), u"No project memories yet."_s);
            f.find<QPushButton>(u"clearUserMemoryButton"_s)->click();
            QCOMPARE(TestEnvironment::readFile(f.memory.userMemoryPath()), QByteArray());
        }
    }
};

QTEST_MAIN(TestAITab)
#include "tst_aitab.moc"
