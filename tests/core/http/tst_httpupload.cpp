#include "http/HttpUpload.h"

#include "AlbumTree.h"
#include "RawHttpServer.h"
#include "SessionTarget.h"
#include "VendraTest.h"
#include "albums/soapRemoteFolderItem.h"
#include "http/TrustedCertificates.h"
#include "session/commsGlobals.h"
#include "session/wsCoreComms.h"
#include "upload/PostStream.h"
#include "upload/UploadFile.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

// The request is checked by the multipart body's test and every upload to the reference server, failed
// connections by the SOAP transport's test; here, the replies a server may send and the HTTPS progress.
class TestHttpUpload : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void replies_data()
    {
        QTest::addColumn<QByteArray>("response");
        QTest::addColumn<QByteArray>("body"); // null: the reply is not whole, an error, never a success
        QTest::newRow("chunked") << QByteArray("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
                                               "5\r\nhello\r\n7;ext=1\r\n, world\r\n0\r\n\r\n")
                                 << QByteArray("hello, world");
        QTest::newRow("cut short") << QByteArray(
                                          "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nonly a little")
                                   << QByteArray();
        QTest::newRow("reply over the limit")
            << RawHttpServer::response(QByteArray(2 << 20, 'x')) << QByteArray();
    }

    void replies()
    {
        QFETCH(QByteArray, response);
        QFETCH(QByteArray, body);
        RawHttpServer server(response);
        QBuffer device;
        device.setData("payload");
        device.open(QIODevice::ReadOnly);
        HttpRequest request;
        request.url = QUrl(u"http://127.0.0.1:%1/up?album=5"_s.arg(server.port()));
        request.headers = {{"Content-Type", "multipart/form-data; boundary=xyz"}};
        request.bodyDevice = &device;
        HttpUpload upload;
        QSignalSpy finished(&upload, &HttpUpload::finished);
        upload.start(request);
        QTRY_VERIFY_WITH_TIMEOUT(!finished.isEmpty(), 30000);
        QCOMPARE(upload.error().description().isEmpty(), !body.isNull());
        if (!body.isNull())
            QVERIFY(upload.statusCode() == 200 && upload.replyBody() == body);
    }

    // Over HTTPS the progress counts what the network took, not what was encrypted into a buffer:
    // while the server holds the body unread it stays low, and it reaches the whole body at the end.
    void progressOverHttpsCountsWhatLeft()
    {
        commsGlobals globals;
        const auto server = startServerFor(globals, {u"--tls"_s, u"--fault"_s, u"upload-delay=2500"_s});
        TrustedCertificates::setAdditionalCaCertificates(
            TrustedCertificates::readCertificateFile(server->certificatePath()));
        Error error;
        AlbumTree::signIn(globals, error);
        QVERIFY2(!error, qPrintable(error.toString()));
        QVERIFY(AlbumTree::reloadTopLevel(globals, error));
        QTemporaryDir dir;
        const QString path = dir.filePath(u"big.bin"_s);
        QVERIFY(QFile(path).open(QIODevice::WriteOnly) && QFile::resize(path, 128 << 20)); // sparse, quick
        PostStream body(UploadFile::Boundary, u"file"_s, u"application/octet-stream"_s, path);
        QVERIFY(body.start());

        HttpUpload upload;
        QList<QPair<qint64, qint64>> progress; // elapsed ms, bytes sent
        QElapsedTimer clock;
        connect(&upload, &HttpUpload::uploadProgress, this, [&](qint64 sent, qint64) {
            progress.append({clock.elapsed(), sent});
        });
        QSignalSpy finished(&upload, &HttpUpload::finished);
        HttpRequest request;
        request.url = QUrl(globals.coreComms().getUploadURLStr() +
                           QString::number(AlbumTree::album(globals, u"Family"_s)->albumID()));
        request.headers = {
            {"Content-Type", "multipart/form-data; boundary=" + UploadFile::Boundary.toUtf8()}};
        request.bodyDevice = body.stream();
        clock.start();
        upload.start(request);
        QVERIFY(finished.wait(60000));
        QVERIFY2(!upload.error(), qPrintable(upload.error().toString()));
        QCOMPARE(upload.statusCode(), 200);

        qint64 heldBack = 0; // the most that counted as sent while the server was not reading
        for (const auto &[at, sent] : std::as_const(progress))
            heldBack = at < 2000 ? qMax(heldBack, sent) : heldBack;
        QVERIFY2(heldBack < body.length() / 10, qPrintable(u"%1 of %2"_s.arg(heldBack).arg(body.length())));
        QCOMPARE(progress.last().second, body.length());
        QCOMPARE(QFileInfo(server->albumFilePath(u"demo"_s, u"Family"_s, u"big.bin"_s)).size(), 128 << 20);
        TrustedCertificates::setAdditionalCaCertificates({});
    }
};

VENDRA_TEST_MAIN(TestHttpUpload)
#include "tst_httpupload.moc"
