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
using namespace Qt::StringLiterals;

namespace {

// A PNG of 30x20 pixels in one colour, as the portal would save it.
QString writePng(const QString& path, Qt::GlobalColor colour)
{
    QImage image(30, 20, QImage::Format_RGB32);
    image.fill(colour);
    return image.save(path) ? path : QString();
}

} // namespace

class TestScreenshotPortal : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // answer: "picture", "old picture" (from before the request), "user cancel", "none" (no answer in time), "our
    // cancel", or an untrusted file name: the file named comes from another process, so only a local regular file
    // is read, and nothing else is deleted.
    void request_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("otherHandle"); // the portal ignores our token, as old ones did
        QTest::addColumn<bool>("expectImage");
        QTest::addColumn<QString>("expectError");
        QTest::addColumn<bool>("expectClose");
        QTest::newRow("picture") << u"picture"_s << false << true << QString() << false;
        QTest::newRow("user cancels") << u"user cancel"_s << false << false << QString() << false;
        QTest::newRow("no answer") << u"none"_s << false << false << u"The screenshot service did not answer."_s
                                   << true;
        QTest::newRow("other handle") << u"picture"_s << true << true << QString() << false;
        QTest::newRow("older file") << u"old picture"_s << false << true << QString() << false;
        QTest::newRow("cancelled by us") << u"our cancel"_s << false << false << QString() << true;
        for (const char* kind : {"web address", "other host", "relative", "symbolic link", "fifo", "not a string"})
            QTest::newRow(kind) << QString::fromLatin1(kind) << false << false << QString() << false;
    }

    void request()
    {
        QFETCH(QString, answer);
        QFETCH(bool, otherHandle);
        QFETCH(bool, expectImage);
        QFETCH(QString, expectError);
        QFETCH(bool, expectClose);

        FakeScreenshotPortal fake;
        const QString name = QUuid::createUuid().toString(QUuid::Id128);
        QDBusConnection bus = QDBusConnection::connectToBus(fake.busAddress(), name);
        const auto disconnect = qScopeGuard([&name] { QDBusConnection::disconnectFromBus(name); });
        QVERIFY(fake.isRunning() && bus.isConnected());
        if (otherHandle)
            fake.setHandle(u"/org/freedesktop/portal/desktop/request/1_1/old"_s);
        QTemporaryDir folder;
        const QString picture = writePng(folder.filePath(u"Screenshot.png"_s), Qt::green);
        const QString decoy = writePng(folder.filePath(u"Decoy.png"_s), Qt::red);
        const QString link = folder.filePath(u"link.png"_s), fifo = folder.filePath(u"fifo.png"_s);
        QVERIFY(!picture.isEmpty() && !decoy.isEmpty() && QFile::link(picture, link));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        const QHash<QString, QString> uris{{u"picture"_s, QUrl::fromLocalFile(picture).toString()},
                                           {u"old picture"_s, QUrl::fromLocalFile(picture).toString()},
                                           {u"web address"_s, u"https://example.org/Screenshot.png"_s},
                                           {u"other host"_s, u"file://otherhost" + picture},
                                           {u"relative"_s, u"Screenshot.png"_s},
                                           {u"symbolic link"_s, QUrl::fromLocalFile(link).toString()},
                                           {u"fifo"_s, QUrl::fromLocalFile(fifo).toString()}};

        int calls = 0;
        std::optional<QImage> image;
        QString error;
        const QPointer<ScreenshotPortal> portal =
            ScreenshotPortal::start(bus, answer == u"none" ? 300ms : 60s, [&](std::optional<QImage> p, QString e) {
                ++calls, image = std::move(p), error = std::move(e);
            });
        QTRY_VERIFY(!fake.handle().isEmpty());
        QTRY_COMPARE(portal->requestPath(), fake.handle());
        // One round trip on our connection: the bus has our subscription to the handle before the fake answers.
        QVERIFY(bus.interface()->isServiceRegistered(u"org.freedesktop.DBus"_s));

        // Once the portal has named its own handle, an answer on the token's path is not ours.
        if (otherHandle)
            fake.respond(fake.tokenPath(), 0, {{u"uri"_s, QUrl::fromLocalFile(decoy).toString()}});
        if (answer == u"old picture") {
            // A file from before the request is not the portal's copy for us: read, but never deleted.
            QFile file(picture);
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(QDateTime::currentDateTime().addDays(-1), QFileDevice::FileModificationTime));
        }
        if (uris.contains(answer) || answer == u"not a string")
            fake.respond(fake.handle(), 0, {{u"uri"_s, uris.contains(answer) ? QVariant(uris[answer]) : QVariant(42)}});
        else if (answer == u"user cancel")
            fake.respond(fake.handle(), 1);
        else if (answer == u"our cancel")
            portal->cancel();

        QTRY_COMPARE(calls, 1);
        QCOMPARE(image.has_value(), expectImage);
        if (expectImage)
            QCOMPARE(QColor(image->pixel(5, 5)), QColor(Qt::green));
        QCOMPARE(error, expectError);
        // The portal's file is gone once read; a file named by an answer we ignored, or refused, is not touched.
        QCOMPARE(QFile::exists(picture), answer != u"picture");
        QVERIFY(QFile::exists(decoy) && QFileInfo(link).isSymLink() && QFileInfo::exists(fifo));
        QTRY_COMPARE(fake.closed(), expectClose ? QStringList{fake.handle()} : QStringList());
        QTRY_VERIFY(portal.isNull());
        QCOMPARE(calls, 1);
    }
};

QTEST_MAIN(TestScreenshotPortal)
#include "tst_screenshotportal.moc"
