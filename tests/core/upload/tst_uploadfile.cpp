#include "upload/UploadFile.h"

#include "UploadTestSession.h"
#include "VendraTest.h"
#include "common/MessageText.h"

#include <QSignalSpy>

class TestUploadFile : public QObject
{
    Q_OBJECT

private:
    // Runs one upload of path into the album at parent and waits for its outcome.
    static std::unique_ptr<UploadFile> upload(const QString &path, const QString &parent)
    {
        const auto status = UploadStatus::initWithFile(QUrl::fromLocalFile(path), parent, nullptr);
        auto file = std::make_unique<UploadFile>(status, nullptr);
        QSignalSpy finished(file.get(), &UploadFile::finished);
        file->start();
        if (!file->isFinished())
            finished.wait(30000);
        return file;
    }

private Q_SLOTS:
    void replyVerdicts_data()
    {
        QTest::addColumn<int>("httpStatus");
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("error"); // empty when the upload succeeds
        QTest::addColumn<bool>("pending");
        const auto reply = [](const QString &attributes) -> QString {
            return u"<halvane><upload-result "_s + attributes + u"/></halvane>"_s;
        };
        const QString serverSays = messageText(u"Text_Server_Response"_s);
        // What a server says when it kept the 3 bytes of "abc" in the album "Photos" (7).
        const QString stored = u" albumid=\"7\" filesize=\"3\""_s;
        const QString wrongAlbum = messageText(u"Text_UploadReplyWrongAlbum"_s);
        const QString wrongSize = messageText(u"Text_UploadReplyWrongSize"_s);
        const QString none = messageText(u"Text_UploadReplyNothing"_s);
        QTest::newRow("ok in any case")
            << 200 << reply(u"actionresult=\"OK\" apiresult=\"oK\" pending=\"false\""_s + stored) << QString()
            << false;
        QTest::newRow("pending left out counts as pending")
            << 200 << reply(u"actionresult=\"ok\" apiresult=\"ok\""_s + stored) << QString() << true;
        QTest::newRow("pending yes is not pending")
            << 200 << reply(u"actionresult=\"ok\" apiresult=\"ok\" pending=\"yes\""_s + stored) << QString()
            << false;
        QTest::newRow("ok, but no size")
            << 200 << reply(u"actionresult=\"ok\" apiresult=\"ok\" albumid=\"7\""_s)
            << wrongSize.arg(none).arg(3) << false;
        QTest::newRow("ok, but no album")
            << 200 << reply(u"actionresult=\"ok\" apiresult=\"ok\" filesize=\"3\""_s)
            << wrongAlbum.arg(none).arg(7) << false;
        const QString unreadable = messageText(u"Text_UploadReplyUnreadable"_s);
        QTest::newRow("no apiresult") << 200 << reply(u"actionresult=\"ok\""_s + stored)
                                      << unreadable.arg(reply(u"actionresult=\"ok\""_s + stored)) << false;
        QTest::newRow("apiresult key")
            << 200 << reply(u"apiresult=\"NOT_LOGGED_IN\""_s) << serverSays.arg(u"NOT_LOGGED_IN"_s) << false;
        QTest::newRow("actionresult code")
            << 200 << reply(u"actionresult=\"QUOTA_EXCEEDED\" apiresult=\"ok\""_s)
            << serverSays.arg(messageText(u"UPLOAD_QUOTA_EXCEEDED"_s)) << false;
        // A server's text is shown on one line and cut, however much of it there is.
        QTest::newRow("an endless apiresult")
            << 200 << reply(u"apiresult=\"A&#10;B"_s + QString(100000, u'x') + u"\""_s)
            << serverSays.arg(QString(u"A B"_s + QString(197, u'x') + QChar(0x2026))) << false;
        // Each failure says its cause: the HTTP status with its number, or what the reply began with.
        const QString status500 = messageText(u"Text_UploadHttpStatus"_s).arg(500);
        QTest::newRow("error status with an ok body")
            << 500 << reply(u"actionresult=\"ok\" apiresult=\"ok\""_s + stored) << status500 << false;
        QTest::newRow("not a reply document")
            << 200 << u"<html>hello"_s << unreadable.arg(u"<html>hello"_s) << false;
        QTest::newRow("later element wins")
            << 200
            << reply(u"actionresult=\"BAD\" apiresult=\"ok\"/><upload-result actionresult=\"ok\""_s + stored)
            << QString() << true;
        QTest::newRow("nested element is not the reply")
            << 200 << reply(u"actionresult=\"ok\"/><wrap><upload-result apiresult=\"ok\"/></wrap"_s)
            << unreadable.arg(reply(u"actionresult=\"ok\"/><wrap><upload-result apiresult=\"ok\"/></wrap"_s))
            << false;
    }

    void replyVerdicts()
    {
        QFETCH(int, httpStatus);
        QFETCH(QString, body);
        QFETCH(QString, error);
        QFETCH(bool, pending);
        UploadTestSession session;
        // A 200 with an empty body would be answered with the default reply.
        session.setAnswer(
            {httpStatus, body.isEmpty() && httpStatus == 200 ? std::string(" ") : body.toStdString()});
        const auto file = upload(session.writeFile(u"a.jpg"_s, "abc"), u"Photos"_s);
        QVERIFY(file->isFinished());
        QCOMPARE(file->bSucceeded(), error.isEmpty());
        QCOMPARE(file->error(), error);
        QCOMPARE(file->uploadStatus()->status(), error.isEmpty() ? UploadStatusEnd : UploadStatusFailed);
        QCOMPARE(file->uploadStatus()->bPending(), pending);
        if (!error.isEmpty())
            QCOMPARE(file->uploadStatus()->error(), error);
    }

    void refusedBeforeSending_data()
    {
        QTest::addColumn<QString>("parent");
        QTest::addColumn<QString>("key");
        QTest::newRow("album unknown") << "Nowhere"
                                       << "Text_ParentMissing";
        QTest::newRow("top level") << ""
                                   << "Text_UploadToRoot";
    }

    void refusedBeforeSending()
    {
        QFETCH(QString, parent);
        QFETCH(QString, key);
        UploadTestSession session;
        const auto file = upload(session.writeFile(u"file.bin"_s, "data"), parent);
        QVERIFY(file->isFinished());
        QVERIFY(!file->bSucceeded());
        QCOMPARE(file->error(), messageText(key));
        QCOMPARE(file->uploadStatus()->status(), UploadStatusFailed);
        QVERIFY(session.server.captures().isEmpty());
        // Nothing runs any more: a late cancel changes nothing.
        file->cancel();
        QCOMPARE(file->error(), messageText(key));
    }
};

VENDRA_TEST_MAIN(TestUploadFile)
#include "tst_uploadfile.moc"
