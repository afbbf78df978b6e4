// SPDX-License-Identifier: GPL-3.0-or-later
// The sync service's database functions on a real PostgreSQL cluster: what each returns to the owner, to another
// key and for an unknown code, the limits, and what a dump or a REST client's role can see.
#include "support/PostgresCluster.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QUuid>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

QString quoted(const QString& text)
{
    return u"'"_s + QString(text).replace(u"'"_s, u"''"_s) + u"'"_s;
}

QJsonObject prompt(const QString& title)
{
    return {{u"id"_s, QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper()},
            {u"title"_s, title},
            {u"systemPrompt"_s, QString(u"Do "_s + title + u"."_s)}};
}

QJsonObject payload(const QString& name, const QJsonArray& prompts = {prompt(u"A"_s), prompt(u"B"_s)})
{
    return {{u"name"_s, name},
            {u"emoji"_s, u"🛰️"_s},
            {u"context_description"_s, u"Our team."_s},
            {u"prompts"_s, prompts}};
}

QString json(const QJsonObject& object)
{
    return quoted(QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)));
}

} // namespace

class TestSyncDatabase : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<PostgresCluster> m_db;
    const QString m_owner = u"owner-"_s + QUuid::createUuid().toString(QUuid::Id128);

    PostgresCluster::Result call(const QString& expression) const { return m_db->sql(u"SELECT "_s + expression); }

    // One of the functions, on SQL literals.
    PostgresCluster::Result fn(const QString& name, const QStringList& arguments) const
    {
        return call(name + u"("_s + arguments.join(u", "_s) + u")"_s);
    }

    QString create(const QJsonObject& project, const QString& owner) const
    {
        return fn(u"create_shared_project"_s, {quoted(owner), json(project)}).output;
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_db = std::make_unique<PostgresCluster>();
        QVERIFY2(m_db->isRunning(), qPrintable(m_db->error()));
        // The role a hosted database's REST front calls as.
        QVERIFY(m_db->sql(u"CREATE ROLE anon NOLOGIN"_s).ok);
        const PostgresCluster::Result applied = m_db->file(QStringLiteral(VANTRO_SQL_DIR "/001_shared_projects.sql"));
        QVERIFY2(applied.ok, qPrintable(applied.sqlState));
    }

    void cleanupTestCase() { m_db.reset(); }

    // Each function as the owner, as another key and with a code nobody has.
    void wireContract()
    {
        const QString code = create(payload(u"Team"_s), m_owner);
        QVERIFY2(QRegularExpression(u"^[2-9A-HJKMNP-Z]{12}$"_s).match(code).hasMatch(), qPrintable(code));

        // Typed in any case, with blanks around it.
        const QString get = u"get_shared_project"_s;
        const QJsonArray found =
            QJsonDocument::fromJson(fn(get, {quoted(u"  "_s + code.toLower() + u"\n"_s)}).output.toUtf8()).array();
        QCOMPARE(found.size(), 1);
        const QJsonObject shared = found.first().toObject();
        QCOMPARE(shared.value(u"share_code"_s).toString(), code);
        QCOMPARE(shared.value(u"name"_s).toString(), u"Team"_s);
        QCOMPARE(shared.value(u"prompts"_s).toArray().at(1).toObject().value(u"title"_s).toString(), u"B"_s);
        QCOMPARE(fn(get, {u"'NOSUCHCODE23'"_s}).output, u"[]"_s);

        const QString edit = json(payload(u"Renamed"_s, {prompt(u"C"_s)})), owner = quoted(m_owner);
        const QString upsert = u"upsert_shared_project"_s, remove = u"delete_shared_project"_s;
        // Another key's edit is refused, which REST fronts answer with 403.
        QCOMPARE(fn(upsert, {quoted(code), u"'someone-else'"_s, edit}).sqlState, u"42501"_s);
        QCOMPARE(fn(upsert, {u"'NOSUCHCODE23'"_s, owner, edit}).output, u"f"_s);
        QCOMPARE(fn(upsert, {quoted(code.toLower()), owner, edit}).output, u"t"_s);
        const QJsonObject edited =
            QJsonDocument::fromJson(fn(get, {quoted(code)}).output.toUtf8()).array().first().toObject();
        QCOMPARE(edited.value(u"name"_s).toString(), u"Renamed"_s);
        QCOMPARE(edited.value(u"prompts"_s).toArray().size(), 1);

        QCOMPARE(fn(remove, {quoted(code), u"'someone-else'"_s}).output, u"f"_s);
        QCOMPARE(fn(remove, {u"'NOSUCHCODE23'"_s, owner}).output, u"f"_s);
        QCOMPARE(fn(remove, {quoted(code), owner}).output, u"t"_s);
        QCOMPARE(fn(get, {quoted(code)}).output, u"[]"_s);
    }

    // Bad input is refused with a class 22 error naming what is wrong, and nothing is stored.
    void badPayloads_data()
    {
        QTest::addColumn<QString>("payload");
        QTest::addColumn<QString>("owner");
        QTest::addColumn<QString>("sqlState");
        QJsonObject noName = payload(u"x"_s);
        noName.remove(u"name"_s);
        QJsonObject badId = payload(
            u"x"_s, {QJsonObject{{u"id"_s, u"1; DROP TABLE x"_s}, {u"title"_s, u"t"_s}, {u"systemPrompt"_s, u"s"_s}}});
        QJsonArray many;
        for (int i = 0; i < 501; ++i)
            many.append(prompt(u"P"_s));
        QJsonObject huge = payload(u"x"_s, {prompt(u"big"_s)});
        huge.insert(u"context_description"_s, QString(270 * 1024, u'a'));
        QTest::newRow("missing name") << json(noName) << u"o"_s << u"22023"_s;
        QTest::newRow("prompt id not a UUID") << json(badId) << u"o"_s << u"22P02"_s;
        QTest::newRow("name over 200") << json(payload(QString(201, u'n'))) << u"o"_s << u"22001"_s;
        QTest::newRow("501 prompts") << json(payload(u"x"_s, many)) << u"o"_s << u"22023"_s;
        QTest::newRow("over 256 KiB") << json(huge) << u"o"_s << u"22001"_s;
        QTest::newRow("no owner key") << json(payload(u"x"_s)) << QString() << u"22023"_s;
    }

    void badPayloads()
    {
        QFETCH(QString, payload);
        QFETCH(QString, owner);
        QFETCH(QString, sqlState);
        const QString before = call(u"count(*) FROM vantro_sync.shared_projects"_s).output;
        QCOMPARE(fn(u"create_shared_project"_s, {quoted(owner), payload}).sqlState, sqlState);
        QCOMPARE(call(u"count(*) FROM vantro_sync.shared_projects"_s).output, before);
    }

    // One owner key shares at most 100 projects; another key is not affected.
    void projectsPerOwner()
    {
        const QString owner = quoted(u"prolific"_s);
        const QString small = json(payload(u"p"_s, {}));
        QCOMPARE(
            call(u"count(create_shared_project("_s + owner + u", "_s + small + u")) FROM generate_series(1, 100)"_s)
                .output,
            u"100"_s);
        QCOMPARE(fn(u"create_shared_project"_s, {owner, small}).sqlState, u"23514"_s);
        QVERIFY(!create(payload(u"p"_s, {}), u"modest"_s).isEmpty());
    }

    // A dump holds no owner key, and the REST role reaches the data only through the functions.
    void nothingLeaks()
    {
        const QString code = create(payload(u"Secret team"_s), m_owner);
        QVERIFY(!code.isEmpty());
        const QString dump = m_db->dump();
        QVERIFY(dump.contains(u"Secret team"_s));
        QVERIFY(!dump.contains(m_owner));

        QCOMPARE(m_db->sql(u"SELECT count(*) FROM vantro_sync.shared_projects"_s, u"anon"_s).sqlState, u"42501"_s);
        const PostgresCluster::Result viaFunction =
            m_db->sql(u"SELECT get_shared_project("_s + quoted(code) + u")"_s, u"anon"_s);
        QVERIFY2(viaFunction.output.contains(u"Secret team"_s), qPrintable(viaFunction.sqlState));
    }
};

QTEST_GUILESS_MAIN(TestSyncDatabase)
#include "tst_syncdatabase.moc"
