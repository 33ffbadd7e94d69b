#include "upload/UploadConnection.h"

#include "RawHttpServer.h"
#include "VendraTest.h"
#include "soap/SharedCookieJar.h"

#include <QBuffer>
#include <QNetworkCookie>
#include <QSignalSpy>

class TestUploadConnection : public QObject
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
        UploadConnection connection;
        Outcome outcome;
        QObject::connect(&connection, &UploadConnection::uploadProgress, [&](qint64 sent, qint64 total) {
            outcome.progress.append({sent, total});
        });
        QSignalSpy finished(&connection, &UploadConnection::finished);
        connection.start(QUrl(u"http://127.0.0.1:%1%2"_s.arg(port).arg(path)),
                         {{"Content-Type", "multipart/form-data; boundary=xyz"}, {"Connection", "close"}},
                         &device);
        if (finished.isEmpty())
            finished.wait(30000);
        outcome.status = connection.statusCode();
        outcome.body = connection.replyBody();
        outcome.error = connection.errorString();
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
};

VENDRA_TEST_MAIN(TestUploadConnection)
#include "tst_uploadconnection.moc"
