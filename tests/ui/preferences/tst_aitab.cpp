// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/preferences/AITab.h"

#include "ai/ModelCatalog.h"
#include "support/LoopbackHttpServer.h"
#include "ui/LocalServerPicker.h"
#include "ui/PanelTestSupport.h"

#include <QComboBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(HttpResponse)

namespace {

HttpResponse modelList(const QStringList& ids)
{
    QJsonArray data;
    for (const QString& id : ids)
        data.append(QJsonObject{{u"id"_s, id}, {u"object"_s, u"model"_s}, {u"owned_by"_s, u"library"_s}});
    return HttpResponse::json(QJsonDocument(QJsonObject{{u"object"_s, u"list"_s}, {u"data"_s, data}}).toJson());
}

QStringList items(const QComboBox* combo)
{
    QStringList texts;
    for (int i = 0; i < combo->count(); ++i)
        texts.append(combo->itemText(i));
    return texts;
}

// The tab over temporary folders, pointed at a loopback server.
struct Fixture : PanelTest::Fixture
{
    LoopbackHttpServer server;
    MemoryStore memory{env.appFolder()};
    std::unique_ptr<AITab> tab;

    explicit Fixture(const HttpResponse& response)
    {
        QVERIFY(server.listen());
        server.setHandler([response](const HttpRequest&) { return response; });
        settings.setString(SettingsKeys::apiBaseUrl, server.baseUrl());
        settings.setString(SettingsKeys::openaiModel, u"qwen2.5-vl"_s);
        tab = std::make_unique<AITab>(state, settings, memory);
        QVERIFY(PanelTest::show(*tab, {520, 900}));
    }

    template <typename T> T* find(const QString& name) const { return tab->findChild<T*>(name); }
};

} // namespace

class TestAITab : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void modelListFromTheServer_data()
    {
        QTest::addColumn<HttpResponse>("response");
        QTest::addColumn<QStringList>("models");
        QTest::addColumn<QString>("note");
        QTest::newRow("lists") << modelList({u"llama3.2"_s, u"qwen2.5-vl"_s})
                               << QStringList{u"llama3.2"_s, u"qwen2.5-vl"_s} << QString();
        QTest::newRow("404") << HttpResponse::text("404 page not found", 404) << QStringList()
                             << u"This server does not list its models; type the model’s name."_s;
    }

    void modelListFromTheServer()
    {
        QFETCH(HttpResponse, response);
        QFETCH(QStringList, models);
        QFETCH(QString, note);
        Fixture f(response);
        auto* picker = f.find<QComboBox>(u"modelPicker"_s);
        auto* listNote = f.find<QLabel>(u"modelListNote"_s);
        QTRY_COMPARE(listNote->isVisible() ? listNote->text() : QString(), note);
        QCOMPARE(items(picker), models);                  // no OpenAI table for another server
        QCOMPARE(picker->currentText(), u"qwen2.5-vl"_s); // the list never replaces the model in use
        QCOMPARE(f.find<QLineEdit>(u"memoryModelEdit"_s)->placeholderText(), u"qwen2.5-vl"_s);
    }

    void asksAgainOnceTheEndpointIsTyped()
    {
        Fixture f(modelList({u"llama3.2"_s}));
        QTRY_COMPARE(f.tab->serverModels(), QStringList{u"llama3.2"_s});
        LoopbackHttpServer other;
        QVERIFY(other.listen());
        other.setHandler([](const HttpRequest&) { return modelList({u"mistral"_s}); });
        auto* endpoint = f.find<QLineEdit>(u"endpointEdit"_s);
        endpoint->selectAll();
        QTest::keyClicks(endpoint, other.baseUrl());
        QTRY_COMPARE(f.tab->serverModels(), QStringList{u"mistral"_s});
        QCOMPARE(other.requests().size(), 1); // after the typing, not at every letter
    }

    void imagesAndMemoryModelAreWritten()
    {
        Fixture f(modelList({}));
        auto* vision = f.find<QComboBox>(u"visionSupportPicker"_s);
        vision->activated(2);
        QCOMPARE(f.settings.string(SettingsKeys::visionSupport), u"no"_s);
        auto* memoryModel = f.find<QLineEdit>(u"memoryModelEdit"_s);
        QTest::keyClicks(memoryModel, u"llama3.2:1b"_s);
        QCOMPARE(f.settings.string(SettingsKeys::memoryModel), u"llama3.2:1b"_s);
        memoryModel->selectAll();
        QTest::keyClick(memoryModel, Qt::Key_Delete);
        QVERIFY(!f.settings.contains(SettingsKeys::memoryModel));
    }

    void pickingALocalServer()
    {
        Fixture f(modelList({}));
        LoopbackHttpServer ollama;
        QVERIFY(ollama.listen());
        const QStringList models{u"llama3.2"_s, u"qwen2.5-vl"_s, u"phi4"_s, u"gemma3"_s, u"mistral"_s};
        ollama.setHandler([&](const HttpRequest&) { return modelList(models); });
        f.find<ModelCatalog>({})->setLocalPorts({{u"Ollama"_s, ollama.port()}});
        f.settings.setString(SettingsKeys::openaiModel, u"gpt-4o"_s);

        f.find<QPushButton>(u"findLocalServersButton"_s)->click();
        QCOMPARE(f.find<QLabel>(u"localServerStatus"_s)->text(), u"Looking for local servers…"_s);
        QAbstractButton* row = nullptr;
        QTRY_VERIFY((row = f.find<QAbstractButton>(u"localServerRow"_s)));
        QCOMPARE(row->accessibleName(), u"Ollama — llama3.2, qwen2.5-vl (+3 more)"_s);
        row->setFocus();
        QTest::keyClick(row, Qt::Key_Space);
        QCOMPARE(f.settings.string(SettingsKeys::apiBaseUrl), ollama.baseUrl());
        QCOMPARE(f.settings.string(SettingsKeys::openaiModel), u"llama3.2"_s); // gpt-4o is not there
        QCOMPARE(f.find<QLineEdit>(u"endpointEdit"_s)->text(), ollama.baseUrl());
        QTRY_COMPARE(f.tab->serverModels(), models);

        f.settings.setString(SettingsKeys::openaiModel, u"gemma3"_s);
        row->click();
        QCOMPARE(f.settings.string(SettingsKeys::openaiModel), u"gemma3"_s); // the server has it: kept

        f.find<ModelCatalog>({})->setLocalPorts({}); // nothing to ask: nothing answers
        f.find<QPushButton>(u"findLocalServersButton"_s)->click();
        QTRY_VERIFY(f.find<QLabel>(u"localServerStatus"_s)->text().startsWith(u"No local server answered"_s));
        QVERIFY(!f.find<QAbstractButton>(u"localServerRow"_s));
    }
};

QTEST_MAIN(TestAITab)
#include "tst_aitab.moc"
