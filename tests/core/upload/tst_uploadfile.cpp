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
        QTest::newRow("ok in any case")
            << 200 << reply(u"actionresult=\"OK\" apiresult=\"oK\" pending=\"false\""_s + stored) << QString()
            << false;
        QTest::newRow("pending left out counts as pending")
            << 200 << reply(u"actionresult=\"ok\" apiresult=\"ok\""_s + stored) << QString() << true;
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
        QTest::newRow("error status with an ok body")
            << 500 << reply(u"actionresult=\"ok\" apiresult=\"ok\""_s + stored)
            << messageText(u"Text_UploadHttpStatus"_s).arg(500) << false;
        QTest::newRow("later element wins")
            << 200
            << reply(u"actionresult=\"BAD\" apiresult=\"ok\"/><upload-result actionresult=\"ok\""_s + stored)
            << QString() << true;
        const QString nested = reply(u"actionresult=\"ok\"/><wrap><upload-result apiresult=\"ok\"/></wrap"_s);
        QTest::newRow("nested element is not the reply") << 200 << nested << unreadable.arg(nested) << false;
    }

    void replyVerdicts()
    {
        QFETCH(int, httpStatus);
        QFETCH(QString, body);
        QFETCH(QString, error);
        QFETCH(bool, pending);
        UploadTestSession session(httpStatus, body.toStdString());
        const auto file = upload(session.writeFile(u"a.jpg"_s, "abc"), u"Photos"_s);
        QVERIFY(file->isFinished());
        QCOMPARE(file->bSucceeded(), error.isEmpty());
        QCOMPARE(file->error(), error);
        QCOMPARE(file->uploadStatus()->status(), error.isEmpty() ? UploadStatusEnd : UploadStatusFailed);
        QCOMPARE(file->uploadStatus()->bPending(), pending);
        QCOMPARE(file->uploadStatus()->error(), error);
    }

    // Nothing is sent for an album that is not known or the top level; a late cancel changes nothing.
    void refusedBeforeSending()
    {
        UploadTestSession session;
        const QString path = session.writeFile(u"file.bin"_s, "data");
        for (const auto &[parent, key] : {std::pair(u"Nowhere"_s, u"Text_ParentMissing"_s),
                                          std::pair(QString(), u"Text_UploadToRoot"_s)}) {
            const auto file = upload(path, parent);
            QVERIFY(file->isFinished() && !file->bSucceeded());
            QCOMPARE(file->error(), messageText(key));
            QCOMPARE(file->uploadStatus()->status(), UploadStatusFailed);
            file->cancel();
            QCOMPARE(file->error(), messageText(key));
        }
        QVERIFY(session.server.captures().isEmpty());
    }
};

VENDRA_TEST_MAIN(TestUploadFile)
#include "tst_uploadfile.moc"
