// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/portal/ScreenshotPortal.h"
#include "support/FakeScreenshotPortal.h"

#include <QDBusConnectionInterface>
#include <QDateTime>
#include <QFile>
#include <QPointer>
#include <QTemporaryDir>
#include <QUrl>
#include <QUuid>
#include <QtTest>

#include <sys/stat.h>

using namespace std::chrono_literals;

namespace {

enum class Answer
{
    Picture,
    OldPicture,
    UserCancel,
    None,
    OurCancel, // we cancel before any answer
};

struct Result
{
    int calls = 0;
    std::optional<QImage> image;
    QString error;
    ScreenshotPortal::Completion completion()
    {
        return [this](std::optional<QImage> picture, QString text) {
            ++calls, image = std::move(picture), error = std::move(text);
        };
    }
};

// The fake portal, and our own connection to its private bus.
struct PortalOnPrivateBus
{
    FakeScreenshotPortal fake;
    const QString name = QUuid::createUuid().toString(QUuid::Id128);
    QDBusConnection bus = QDBusConnection::connectToBus(fake.busAddress(), name);
    ~PortalOnPrivateBus() { QDBusConnection::disconnectFromBus(name); }
};

// A PNG of 30x20 pixels in one colour, as the portal would save it.
QString writePng(const QString& path, Qt::GlobalColor colour)
{
    QImage image(30, 20, QImage::Format_RGB32);
    image.fill(colour);
    return image.save(path) ? path : QString();
}

} // namespace

Q_DECLARE_METATYPE(Answer)

class TestScreenshotPortal : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The file the portal names comes from another process: only a local regular file is read, and nothing else
    // is deleted.
    void untrustedFileNames_data()
    {
        QTest::addColumn<QString>("kind");
        for (const char* kind : {"web address", "other host", "relative", "symbolic link", "fifo", "not a string"})
            QTest::newRow(kind) << QString::fromLatin1(kind);
    }

    void untrustedFileNames()
    {
        QFETCH(QString, kind);
        PortalOnPrivateBus session;
        FakeScreenshotPortal& fake = session.fake;
        QDBusConnection& bus = session.bus;
        QVERIFY(fake.isRunning() && bus.isConnected());
        QTemporaryDir folder;
        const QString picture = writePng(folder.filePath(QStringLiteral("Screenshot.png")), Qt::green);
        const QString link = folder.filePath(QStringLiteral("link.png"));
        const QString fifo = folder.filePath(QStringLiteral("fifo.png"));
        QVERIFY(QFile::link(picture, link));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        const QHash<QString, QVariant> uris{
            {QStringLiteral("web address"), QVariant(QStringLiteral("https://example.org/Screenshot.png"))},
            {QStringLiteral("other host"), QVariant(u"file://otherhost" + picture)},
            {QStringLiteral("relative"), QVariant(QStringLiteral("Screenshot.png"))},
            {QStringLiteral("symbolic link"), QVariant(QUrl::fromLocalFile(link).toString())},
            {QStringLiteral("fifo"), QVariant(QUrl::fromLocalFile(fifo).toString())},
            {QStringLiteral("not a string"), QVariant(42)}};

        Result result;
        const QPointer<ScreenshotPortal> portal = ScreenshotPortal::start(bus, 60s, result.completion());
        QTRY_VERIFY(!fake.handle().isEmpty());
        QTRY_COMPARE(portal->requestPath(), fake.handle());
        QVERIFY(bus.interface()->isServiceRegistered(QStringLiteral("org.freedesktop.DBus")));
        fake.respond(fake.handle(), 0, {{QStringLiteral("uri"), uris.value(kind)}});

        QTRY_COMPARE(result.calls, 1);
        QVERIFY(!result.image);
        QVERIFY(QFile::exists(picture));
        QVERIFY(QFileInfo(link).isSymLink());
        QVERIFY(QFileInfo::exists(fifo));
    }

    void request_data()
    {
        QTest::addColumn<bool>("otherHandle"); // the portal ignores our token, as old ones did
        QTest::addColumn<Answer>("answer");
        QTest::addColumn<bool>("expectImage");
        QTest::addColumn<QString>("expectError");
        QTest::addColumn<bool>("expectClose");
        QTest::newRow("picture") << false << Answer::Picture << true << QString() << false;
        QTest::newRow("user cancels") << false << Answer::UserCancel << false << QString() << false;
        QTest::newRow("no answer") << false << Answer::None << false
                                   << QStringLiteral("The screenshot service did not answer.") << true;
        QTest::newRow("other handle") << true << Answer::Picture << true << QString() << false;
        QTest::newRow("older file") << false << Answer::OldPicture << true << QString() << false;
        QTest::newRow("cancelled by us") << false << Answer::OurCancel << false << QString() << true;
    }

    void request()
    {
        QFETCH(bool, otherHandle);
        QFETCH(Answer, answer);
        QFETCH(bool, expectImage);
        QFETCH(QString, expectError);
        QFETCH(bool, expectClose);

        PortalOnPrivateBus session;
        FakeScreenshotPortal& fake = session.fake;
        QDBusConnection& bus = session.bus;
        QVERIFY(fake.isRunning() && bus.isConnected());
        if (otherHandle)
            fake.setHandle(QStringLiteral("/org/freedesktop/portal/desktop/request/1_1/old"));
        QTemporaryDir folder;
        const QString picture = writePng(folder.filePath(QStringLiteral("Screenshot.png")), Qt::green);
        const QString decoy = writePng(folder.filePath(QStringLiteral("Decoy.png")), Qt::red);
        QVERIFY(!picture.isEmpty() && !decoy.isEmpty());

        Result result;
        const QPointer<ScreenshotPortal> portal =
            ScreenshotPortal::start(bus, answer == Answer::None ? 300ms : 60s, result.completion());
        QTRY_VERIFY(!fake.handle().isEmpty());
        QTRY_COMPARE(portal->requestPath(), fake.handle());
        // One round trip on our connection: the bus has our subscription to the handle before the fake answers.
        QVERIFY(bus.interface()->isServiceRegistered(QStringLiteral("org.freedesktop.DBus")));

        // Once the portal has named its own handle, an answer on the token's path is not ours.
        if (otherHandle)
            fake.respond(fake.tokenPath(), 0, {{QStringLiteral("uri"), QUrl::fromLocalFile(decoy).toString()}});
        if (answer == Answer::OldPicture) {
            // A file from before the request is not the portal's copy for us: read, but never deleted.
            QFile file(picture);
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(QDateTime::currentDateTime().addDays(-1), QFileDevice::FileModificationTime));
        }
        if (answer == Answer::Picture || answer == Answer::OldPicture)
            fake.respond(fake.handle(), 0, {{QStringLiteral("uri"), QUrl::fromLocalFile(picture).toString()}});
        else if (answer == Answer::UserCancel)
            fake.respond(fake.handle(), 1);
        else if (answer == Answer::OurCancel)
            portal->cancel();

        QTRY_COMPARE(result.calls, 1);
        QCOMPARE(result.image.has_value(), expectImage);
        if (expectImage) {
            QCOMPARE(result.image->size(), QSize(30, 20));
            QCOMPARE(QColor(result.image->pixel(5, 5)), QColor(Qt::green));
        }
        QCOMPARE(result.error, expectError);
        // The portal's file is gone once read; a file named by an answer we ignored is not touched.
        QCOMPARE(QFile::exists(picture), !expectImage || answer == Answer::OldPicture);
        QVERIFY(QFile::exists(decoy));
        QTRY_COMPARE(fake.closed(), expectClose ? QStringList{fake.handle()} : QStringList());
        QTRY_VERIFY(portal.isNull());
        QCOMPARE(result.calls, 1);
    }
};

QTEST_MAIN(TestScreenshotPortal)
#include "tst_screenshotportal.moc"
