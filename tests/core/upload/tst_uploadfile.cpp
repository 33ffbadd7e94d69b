#include "upload/UploadFile.h"

#include "UploadTestSession.h"
#include "VendraTest.h"
#include "common/MessageText.h"
#include "upload/PostStream.h"

#include <QDir>
#include <QRandomGenerator>
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
    // The file arrives as the one part named "file" of a multipart body, with the album in the query
    // string; the record ends with every body byte counted.
    void fileArrivesAsMultipartPart()
    {
        UploadTestSession session;
        session.addAlbum(7, 0, u"Photos"_s);
        // Several times what the connection keeps in flight, so its buffers are used over again;
        // random, so that a piece out of place would show.
        QByteArray content(12 << 20, Qt::Uninitialized);
        QRandomGenerator(5).fillRange(reinterpret_cast<quint32 *>(content.data()), content.size() / 4);
        content += QByteArray("\x00\x01 binary \r\n--\r\n", 16);
        const QString path = session.writeFile(u"Zoë \"quoted\".bin"_s, content);

        const auto file = upload(path, u"Photos"_s);
        QVERIFY(file->isFinished());
        QVERIFY2(file->bSucceeded(), qPrintable(file->error()));
        QCOMPARE(file->httpResponseCode(), 200);
        QCOMPARE(file->replyDictionary().value(u"assetid"_s).toString(), u"42"_s);

        const auto captures = session.server.captures();
        QCOMPARE(captures.size(), 1);
        const auto &capture = captures.first();
        QCOMPARE(capture.path, std::string("/soapfileupload.hvxr"));
        QCOMPARE(capture.query, std::string("album=7"));
        QCOMPARE(capture.contentType, "multipart/form-data; boundary=" + UploadFile::Boundary.toStdString());
        QCOMPARE(capture.parts.size(), 1);
        QCOMPARE(capture.parts.first().name, std::string("file"));
        QCOMPARE(capture.parts.first().content, content);

        const UploadStatusPtr status = file->uploadStatus();
        QCOMPARE(status->status(), UploadStatusEnd);
        QVERIFY(status->bSucceeded());
        QVERIFY(!status->bPending());
        PostStream body(UploadFile::Boundary, u"file"_s, u"application/octet-stream"_s, path);
        QCOMPARE(status->numBytesTotal(), quint64(body.length()));
        QCOMPARE(status->numBytesSent(), status->numBytesTotal());
    }

    void replyVerdicts_data()
    {
        QTest::addColumn<int>("httpStatus");
        QTest::addColumn<QString>("body");
        QTest::addColumn<bool>("succeeds");
        QTest::addColumn<QString>("error");
        QTest::addColumn<bool>("pending");
        const QString head = u"<halvane><upload-result "_s;
        const QString tail = u"/></halvane>"_s;
        const QString serverSays = messageText(u"Text_Server_Response"_s);
        QTest::newRow("ok in any case")
            << 200 << head + "actionresult=\"OK\" apiresult=\"oK\" pending=\"false\"" + tail << true
            << QString() << false;
        QTest::newRow("pending left out counts as pending")
            << 200 << head + "actionresult=\"ok\" apiresult=\"ok\"" + tail << true << QString() << true;
        QTest::newRow("pending TRUE")
            << 200 << head + "actionresult=\"ok\" apiresult=\"ok\" pending=\"TRUE\"" + tail << true
            << QString() << true;
        QTest::newRow("pending yes is not pending")
            << 200 << head + "actionresult=\"ok\" apiresult=\"ok\" pending=\"yes\"" + tail << true
            << QString() << false;
        QTest::newRow("no apiresult")
            << 200 << head + "actionresult=\"ok\"" + tail << false << u"Unknown server error"_s << false;
        QTest::newRow("apiresult key") << 200 << head + "apiresult=\"NOT_LOGGED_IN\"" + tail << false
                                       << serverSays.arg(u"NOT_LOGGED_IN"_s) << false;
        QTest::newRow("actionresult code")
            << 200 << head + "actionresult=\"QUOTA_EXCEEDED\" apiresult=\"ok\"" + tail << false
            << serverSays.arg(messageText(u"UPLOAD_QUOTA_EXCEEDED"_s)) << false;
        QTest::newRow("error status with an ok body")
            << 500 << head + "actionresult=\"ok\" apiresult=\"ok\"" + tail << false
            << u"File transfer error"_s << false;
        QTest::newRow("error status, no body")
            << 500 << QString() << false << u"File transfer error"_s << false;
        QTest::newRow("not a reply document")
            << 200 << u"<html>hello"_s << false << u"Unknown server error"_s << false;
        QTest::newRow("later element wins")
            << 200
            << head + "actionresult=\"BAD\" apiresult=\"ok\"/><upload-result actionresult=\"ok\"" + tail
            << true << QString() << true;
    }

    void replyVerdicts()
    {
        QFETCH(int, httpStatus);
        QFETCH(QString, body);
        QFETCH(bool, succeeds);
        QFETCH(QString, error);
        QFETCH(bool, pending);
        UploadTestSession session;
        session.addAlbum(7, 0, u"Photos"_s);
        // A 200 with an empty body would be answered with the default reply.
        session.setAnswer(
            {httpStatus, body.isEmpty() && httpStatus == 200 ? std::string(" ") : body.toStdString()});
        const auto file = upload(session.writeFile(u"a.jpg"_s, "abc"), u"Photos"_s);
        QVERIFY(file->isFinished());
        QCOMPARE(file->bSucceeded(), succeeds);
        QCOMPARE(file->error(), error);
        QCOMPARE(file->uploadStatus()->status(), succeeds ? UploadStatusEnd : UploadStatusFailed);
        QCOMPARE(file->uploadStatus()->bPending(), pending);
        if (!succeeds)
            QCOMPARE(file->uploadStatus()->error(), error);
    }

    void refusedBeforeSending_data()
    {
        QTest::addColumn<QString>("what");
        QTest::addColumn<QString>("parent");
        QTest::addColumn<QString>("key");
        QTest::newRow("file gone") << "gone"
                                   << "Photos"
                                   << "Text_FileMissing";
        QTest::newRow("a folder") << "folder"
                                  << "Photos"
                                  << "Text_NotAFile";
        QTest::newRow("album unknown") << "file"
                                       << "Nowhere"
                                       << "Text_ParentMissing";
        QTest::newRow("top level") << "file"
                                   << ""
                                   << "Text_UploadToRoot";
    }

    void refusedBeforeSending()
    {
        QFETCH(QString, what);
        QFETCH(QString, parent);
        QFETCH(QString, key);
        UploadTestSession session;
        session.addAlbum(7, 0, u"Photos"_s);
        QString path = session.writeFile(u"file.bin"_s, "data");
        if (what == QLatin1String("gone"))
            QVERIFY(QFile::remove(path));
        if (what == QLatin1String("folder")) {
            path = session.dir.filePath(u"sub"_s);
            QVERIFY(QDir().mkdir(path));
        }
        const auto file = upload(path, parent);
        QVERIFY(file->isFinished());
        QVERIFY(!file->bSucceeded());
        QCOMPARE(file->error(), messageText(key));
        QCOMPARE(file->uploadStatus()->status(), UploadStatusFailed);
        QVERIFY(session.server.captures().isEmpty());
        // Nothing runs any more: a late cancel changes nothing.
        file->cancel();
        QCOMPARE(file->error(), messageText(key));
    }

    void serverNotListening()
    {
        UploadTestSession session;
        session.addAlbum(7, 0, u"Photos"_s);
        session.globals.setPortNo(1); // nothing listens on port 1 of the loopback
        const auto file = upload(session.writeFile(u"a.bin"_s, "abc"), u"Photos"_s);
        QVERIFY(file->isFinished());
        QVERIFY(!file->bSucceeded());
        QVERIFY(!file->error().isEmpty());
    }

    void cancelWhileRunning()
    {
        UploadTestSession session;
        session.addAlbum(7, 0, u"Photos"_s);
        session.closeGate();
        const auto status = UploadStatus::initWithFile(
            QUrl::fromLocalFile(session.writeFile(u"held.bin"_s, "abc")), u"Photos"_s, nullptr);
        UploadFile file(status, nullptr);
        file.start();
        QTRY_COMPARE_WITH_TIMEOUT(session.arrived(), 1, 30000);
        QVERIFY(!file.isFinished());
        file.cancel();
        QVERIFY(file.isFinished());
        QVERIFY(!file.bSucceeded());
        QCOMPARE(file.error(), messageText(u"Cancelled"_s));
        QCOMPARE(status->status(), UploadStatusFailed);
        session.openGate();
    }

    void replyParsing()
    {
        const QVariantMap parsed = UploadFile::parseReply(
            "<halvane><other a=\"1\"/><upload-result actionresult=\"ok\" filename=\"x y.jpg\"/>"
            "<wrap><upload-result apiresult=\"nested\"/></wrap></halvane>");
        QCOMPARE(parsed.value(u"actionresult"_s).toString(), u"ok"_s);
        QCOMPARE(parsed.value(u"filename"_s).toString(), u"x y.jpg"_s);
        QVERIFY(!parsed.contains(u"apiresult"_s));
        QVERIFY(!parsed.contains(u"a"_s));
        QVERIFY(UploadFile::parseReply("<halvane><upload-result a=\"1\">").isEmpty());
    }
};

VENDRA_TEST_MAIN(TestUploadFile)
#include "tst_uploadfile.moc"
