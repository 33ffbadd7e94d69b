#include "http/HttpUpload.h"

#include "RawHttpServer.h"
#include "SessionTarget.h"
#include "TestFiles.h"
#include "VendraTest.h"
#include "albums/soapRemoteFolderBrowser.h"
#include "albums/soapRemoteFolderItem.h"
#include "http/SharedCookieJar.h"
#include "http/TrustedCertificates.h"
#include "session/commsGlobals.h"
#include "session/soapResults.h"
#include "session/wsCoreComms.h"
#include "upload/PostStream.h"
#include "upload/UploadFile.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QNetworkCookie>
#include <QSignalSpy>
#include <QTemporaryDir>

class TestHttpUpload : public QObject
{
    Q_OBJECT

private:
    struct Outcome
    {
        int status = 0;
        QByteArray body;
        QString error;
        QList<QPair<qint64, qint64>> progress;
    };

    static Outcome post(quint16 port, const QByteArray &body, const QString &path = u"/up?album=5"_s)
    {
        QBuffer device;
        device.setData(body);
        device.open(QIODevice::ReadOnly);
        HttpUpload upload;
        Outcome outcome;
        QObject::connect(&upload, &HttpUpload::uploadProgress, [&](qint64 sent, qint64 total) {
            outcome.progress.append({sent, total});
        });
        QSignalSpy finished(&upload, &HttpUpload::finished);
        HttpRequest request;
        request.url = QUrl(u"http://127.0.0.1:%1%2"_s.arg(port).arg(path));
        request.headers = {{"Content-Type", "multipart/form-data; boundary=xyz"}};
        request.bodyDevice = &device;
        upload.start(request);
        if (finished.isEmpty())
            finished.wait(30000);
        outcome.status = upload.statusCode();
        outcome.body = upload.replyBody();
        outcome.error = upload.error().description();
        return outcome;
    }

private Q_SLOTS:
    // The request goes out as one POST with the body's length, the headers given and the stored
    // cookies of the server; every body byte arrives and progress ends at the whole body.
    void requestOnTheWire()
    {
        RawHttpServer server(
            RawHttpServer::response("<halvane/>", "200 OK", {"Set-Cookie: fresh=2; Path=/"}));
        const QUrl base(u"http://127.0.0.1:%1/"_s.arg(server.port()));
        SharedCookieJar::instance().setCookiesFromUrl(QNetworkCookie::parseCookies("session=abc; Path=/"),
                                                      base);
        QByteArray body(3 << 20, Qt::Uninitialized);
        for (qsizetype i = 0; i < body.size(); ++i)
            body[i] = char(i * 7 + i / 1000);

        const Outcome outcome = post(server.port(), body);
        QCOMPARE(outcome.error, QString());
        QCOMPARE(outcome.status, 200);
        QCOMPARE(outcome.body, QByteArray("<halvane/>"));
        QVERIFY(!outcome.progress.isEmpty());
        QCOMPARE(outcome.progress.last(), (QPair<qint64, qint64>(body.size(), body.size())));

        const QByteArray request = server.requests().first();
        const qsizetype headEnd = request.indexOf("\r\n\r\n");
        const QByteArray head = request.left(headEnd);
        QVERIFY(head.startsWith("POST /up?album=5 HTTP/1.1\r\n"));
        QVERIFY(head.contains(u"\r\nHost: 127.0.0.1:%1\r\n"_s.arg(server.port()).toLatin1()));
        QVERIFY(head.contains("\r\nContent-Type: multipart/form-data; boundary=xyz\r\n"));
        QVERIFY(head.contains(QByteArray("\r\nContent-Length: ").append(QByteArray::number(body.size()))));
        QVERIFY(head.contains("\r\nCookie: session=abc"));
        QCOMPARE(request.mid(headEnd + 4), body);
        // The server's new cookie is kept for the next request.
        bool fresh = false;
        for (const QNetworkCookie &cookie : SharedCookieJar::instance().cookiesForUrl(base))
            fresh = fresh || (cookie.name() == "fresh" && cookie.value() == "2");
        QVERIFY(fresh);
    }

    void replies_data()
    {
        QTest::addColumn<QByteArray>("response");
        QTest::addColumn<int>("status"); // 0: the reply is not whole, which is an error, never a success
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("chunked") << QByteArray("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
                                               "5\r\nhello\r\n7;ext=1\r\n, world\r\n0\r\n\r\n")
                                 << 200 << QByteArray("hello, world");
        QTest::newRow("ends with the connection")
            << QByteArray("HTTP/1.0 500 Oops\r\nContent-Type: text/plain\r\n\r\nbroken") << 500
            << QByteArray("broken");
        QTest::newRow("interim answer first")
            << QByteArray("HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 201 Created\r\nContent-Length: 2\r\n\r\nok")
            << 201 << QByteArray("ok");
        QTest::newRow("not HTTP") << QByteArray("hello there\r\n\r\n") << 0 << QByteArray();
        QTest::newRow("cut short") << QByteArray(
                                          "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nonly a little")
                                   << 0 << QByteArray();
        QTest::newRow("no reply at all") << QByteArray() << 0 << QByteArray();
        QTest::newRow("nothing listening") << QByteArray("port 1") << 0 << QByteArray();
        QTest::newRow("reply over the limit")
            << RawHttpServer::response(QByteArray(2 << 20, 'x')) << 0 << QByteArray();
    }

    void replies()
    {
        QFETCH(QByteArray, response);
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        RawHttpServer server(response);
        const Outcome outcome = post(response == "port 1" ? 1 : server.port(), "payload");
        QCOMPARE(outcome.error.isEmpty(), status != 0);
        if (status != 0) {
            QCOMPARE(outcome.status, status);
            QCOMPARE(outcome.body, body);
        }
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
        wsCoreComms &comms = globals.coreComms();
        QVERIFY(globals.results().checkVersion().deserialise(comms.doCheckVersion(error)));
        QVERIFY(comms.doLogin(error).contains(u"objUserDetails"_s));
        QVERIFY(globals.results().remoteFolderBrowser()->deserialise(comms.doGetTopLevelAlbums(error)));
        QVERIFY2(!error, qPrintable(error.toString()));
        const auto album = std::dynamic_pointer_cast<soapRemoteFolderItem>(
            globals.registry().findRemoteAlbumByName(u"Family"_s));
        QVERIFY(album);

        QTemporaryDir dir;
        const QString path = dir.filePath(u"big.bin"_s);
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QVERIFY(file.resize(qint64(128) << 20)); // sparse: quick to make, read as zeros
        }
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
        request.url = QUrl(comms.getUploadURLStr() + QString::number(album->albumID()));
        request.headers = {
            {"Content-Type", "multipart/form-data; boundary=" + UploadFile::Boundary.toUtf8()}};
        request.bodyDevice = body.stream();
        clock.start();
        upload.start(request);
        QVERIFY(finished.wait(60000));
        QVERIFY2(!upload.error(), qPrintable(upload.error().toString()));
        QCOMPARE(upload.statusCode(), 200);
        QVERIFY2(upload.replyBody().contains("actionresult=\"ok\""), upload.replyBody().constData());

        qint64 heldBack = 0; // the most that counted as sent while the server was not reading
        for (const auto &[at, sent] : std::as_const(progress)) {
            if (at < 2000)
                heldBack = qMax(heldBack, sent);
        }
        QVERIFY2(heldBack < body.length() / 10, qPrintable(u"%1 of %2"_s.arg(heldBack).arg(body.length())));
        QVERIFY(!progress.isEmpty());
        QCOMPARE(progress.last().second, body.length());
        QCOMPARE(QFileInfo(server->albumFilePath(u"demo"_s, u"Family"_s, u"big.bin"_s)).size(), qint64(128)
                                                                                                    << 20);
        TrustedCertificates::setAdditionalCaCertificates({});
    }
};

VENDRA_TEST_MAIN(TestHttpUpload)
#include "tst_httpupload.moc"
