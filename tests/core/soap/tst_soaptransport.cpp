#include "RawHttpServer.h"
#include "SoapReplies.h"
#include "common/MessageText.h"
#include "http/HttpProxy.h"
#include "http/SharedCookieJar.h"
#include "http/TrustedCertificates.h"
#include "soap/wsNSSoapComms.h"

#include "VendraTest.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QNetworkReply>
#include <QProcess>
#include <QSslCertificate>
#include <QTemporaryDir>
#include <QThread>

#include <httplib.h>

#include <atomic>
#include <memory>
#include <thread>

namespace {

const QString nameSpace = u"http://media.test/soap"_s;

const QByteArray envelopeStart = "<?xml version=\"1.0\" encoding=\"utf-8\"?><SOAP-ENV:Envelope"
                                 " xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\""
                                 " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\""
                                 " xmlns:SOAP-ENC=\"http://schemas.xmlsoap.org/soap/encoding/\""
                                 " SOAP-ENV:encodingStyle=\"http://schemas.xmlsoap.org/soap/encoding/\""
                                 " xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\">";

const QByteArray quotaMembers = "<objQuotaDetails><m_nUsed xsi:type=\"xsd:long\">1234</m_nUsed>"
                                "</objQuotaDetails>";

// Runs a cpp-httplib server on a free loopback port for the lifetime of the object.
class ServerRunner
{
public:
    explicit ServerRunner(httplib::Server &server) : m_server(server)
    {
        // Otherwise stop() waits out the keep-alive of Qt's idle connection.
        server.set_keep_alive_max_count(1);
        m_port = server.bind_to_any_port("127.0.0.1");
        m_thread = std::thread([this] { m_server.listen_after_bind(); });
        while (!m_server.is_running())
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ~ServerRunner()
    {
        m_server.stop();
        m_thread.join();
    }
    QUrl url(const QString &scheme = u"http"_s) const
    {
        return QUrl(u"%1://127.0.0.1:%2/soap"_s.arg(scheme).arg(m_port));
    }

private:
    httplib::Server &m_server;
    int m_port = 0;
    std::thread m_thread;
};

QVariantMap call(const QUrl &url, const QString &method, Error &error,
                 std::chrono::milliseconds timeout = wsNSSoapComms::defaultTimeout)
{
    return wsNSSoapComms::methodInvocationWith(url, method, nameSpace, {{u"SOAPAction"_s, method}},
                                               std::nullopt, {}, {}, {"objQuotaDetails"}, error, timeout);
}

// "domain code messageKey" of a failure, empty for success.
QString outcome(const Error &error)
{
    return error ? u"%1 %2 %3"_s.arg(error.domain()).arg(error.code()).arg(error.messageKey()).trimmed()
                 : QString();
}

} // namespace

class TestSoapTransport : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_certificateDir;
    QString m_certificatePath;
    QString m_keyPath;

private Q_SLOTS:
    void initTestCase()
    {
        m_certificatePath = m_certificateDir.filePath(u"server.pem"_s);
        m_keyPath = m_certificateDir.filePath(u"server.key"_s);
        QProcess openssl;
        openssl.start(u"openssl"_s, {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj",
                                     "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1", "-keyout",
                                     m_keyPath, "-out", m_certificatePath});
        QVERIFY(openssl.waitForFinished(60000));
        QCOMPARE(openssl.exitCode(), 0);
    }

    void init()
    {
        SharedCookieJar::instance().clear();
        TrustedCertificates::setAdditionalCaCertificates({});
    }

    void requestGoesOutByteForByte()
    {
        RawHttpServer server(RawHttpServer::response(SoapReplies::reply("RenameAsset"), "200 OK",
                                                     {"Set-Cookie: session=abc123; Path=/"}));
        // Unsigned and 16-bit numbers, lists, bytes and dates have no XML type and are left out.
        const QVariantMap params{{u"strNewName"_s, u"Tom & Jerry <\"Ü\"> 漢"_s},
                                 {u"nCount"_s, 7},
                                 {u"nBig"_s, qlonglong(9000000000)},
                                 {u"bYes"_s, true},
                                 {u"bNo"_s, false},
                                 {u"cYes"_s, QVariant::fromValue<char>(1)},
                                 {u"ucNo"_s, QVariant::fromValue<uchar>(0)},
                                 {u"fHalf"_s, 0.5f},
                                 {u"dTenth"_s, 0.1},
                                 {u"objNested"_s, QVariantMap{{u"b"_s, u"x"_s}, {u"a"_s, 1}}},
                                 {u"uBig"_s, qulonglong(5)},
                                 {u"sShort"_s, QVariant::fromValue<short>(1)},
                                 {u"arrList"_s, QVariantList{1, 2}},
                                 {u"rawBytes"_s, QByteArray("bytes")},
                                 {u"dDate"_s, QDate(2020, 1, 1)},
                                 {u"notListed"_s, u"never sent"_s}};
        const QStringList order{"strNewName", "nCount",  "nBig",     "bYes",      "bNo",       "cYes",
                                "ucNo",       "fHalf",   "dTenth",   "strAbsent", "objNested", "uBig",
                                "sShort",     "arrList", "rawBytes", "dDate"};
        const QUrl url(u"http://127.0.0.1:%1/soap/service.php"_s.arg(server.port()));
        // Twice, so that the second request carries the cookie that the first reply set.
        for (int i = 0; i < 2; ++i) {
            Error error;
            wsNSSoapComms::methodInvocationWith(url, u"RenameAsset"_s, nameSpace,
                                                {{u"SOAPAction"_s, u"RenameAsset"_s}}, std::nullopt, order,
                                                params, {}, error);
            QVERIFY2(!error, qPrintable(error.toString()));
        }

        const QByteArray body =
            envelopeStart +
            "<SOAP-ENV:Body><m:RenameAsset xmlns:m=\"urn:http://media.test/soap\">"
            "<strNewName xsi:type=\"xsd:string\">Tom &amp; Jerry &lt;\"Ü\"&gt; 漢</strNewName>"
            "<nCount xsi:type=\"xsd:int\">7</nCount>"
            "<nBig xsi:type=\"xsd:long\">9000000000</nBig>"
            "<bYes xsi:type=\"xsd:boolean\">1</bYes><bNo xsi:type=\"xsd:boolean\">0</bNo>"
            "<cYes xsi:type=\"xsd:boolean\">1</cYes><ucNo xsi:type=\"xsd:boolean\">0</ucNo>"
            "<fHalf xsi:type=\"xsd:float\">0.5</fHalf>"
            "<dTenth xsi:type=\"xsd:double\">0.1</dTenth>"
            "<strAbsent xsi:type=\"xsd:nil\">nil</strAbsent>"
            "<objNested xsi:type=\"xsd:dictionary\"><a xsi:type=\"xsd:int\">1</a>"
            "<b xsi:type=\"xsd:string\">x</b></objNested>"
            "</m:RenameAsset></SOAP-ENV:Body></SOAP-ENV:Envelope>";
        // Our headers in the order given, the length in UTF-8 bytes (the body holds non-ASCII text).
        const QByteArray headers = "\r\nContent-Type: text/xml; charset=utf-8\r\nSOAPAction: RenameAsset\r\n"
                                   "Content-Length: " +
                                   QByteArray::number(body.size()) + "\r\n";
        const QList<QByteArray> requests = server.requests();
        QCOMPARE(requests.size(), 2);
        for (const QByteArray &request : requests) {
            QVERIFY2(request.startsWith("POST /soap/service.php HTTP/1.1\r\n") && request.contains(headers),
                     request.constData());
            QCOMPARE(request.mid(request.indexOf("\r\n\r\n") + 4), body);
        }
        QVERIFY(!requests[0].contains("\r\nCookie:"));
        QVERIFY2(requests[1].contains("\r\nCookie: session=abc123\r\n"), requests[1].constData());
    }

    void soapHeadersAndEmptyMethod()
    {
        // Header strings go unescaped; with top-level attributes the envelope's dropping of the
        // first character cuts into them, as it always did.
        QCOMPARE(wsNSSoapComms::serializeHeader({{u"@role"_s, u"next"_s},
                                                 {u"Count"_s, 5},
                                                 {u"Name"_s, u"a&b"_s},
                                                 {u"Skipped"_s, QVariantList{1}}}),
                 u" role=\"next\"><Name>a&b</Name>5"_s);
        const QVariantMap header{
            {u"Token"_s, u"t-1"_s},
            {u"Auth"_s, QVariantMap{{u"@id"_s, u"7"_s}, {u"User"_s, u"bob"_s}, {u"Level"_s, 3}}}};
        QCOMPARE(
            wsNSSoapComms::createEnvelope(QString(), nameSpace, {}, header, {u"x"_s}, {}),
            QString::fromUtf8(envelopeStart +
                              "<SOAP-ENV:Header><Token>t-1</Token><Auth id=\"7\"><User>bob</User>3</Auth>"
                              "</SOAP-ENV:Header><SOAP-ENV:Body></SOAP-ENV:Body></SOAP-ENV:Envelope>"));
    }

    // Every reply that arrives goes through the cookie check and then the decoding, whatever its
    // HTTP status; a certificate is trusted only when given explicitly.
    void replyOutcomes_data()
    {
        QTest::addColumn<QString>("server");
        QTest::addColumn<QByteArray>("cookie");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("outcome");
        const auto row = [](const char *name, const char *server, const QByteArray &cookie,
                            const QString &outcome, int status = 200,
                            const QByteArray &body = SoapReplies::reply("GetQuotaDetails", quotaMembers)) {
            QTest::newRow(name) << QString::fromLatin1(server) << cookie << status << body << outcome;
        };
        const QString notFound = u"SOAP-Connection 9003 CONNECTION_COOKIE_NOT_FOUND"_s;
        row("http, session cookie", "http", "session=1; Path=/", {});
        row("http, no cookie", "http", "", notFound);
        row("http, secure-only cookie", "http", "session=1; Path=/; Secure",
            u"SOAP-Connection 9003 CONNECTION_COOKIE_REQUIRES_HTTPS"_s);
        row("http, cookie for another path", "http", "session=1; Path=/elsewhere", notFound);
        row("https, secure cookie", "https", "session=1; Path=/; Secure", {});
        row("https, plain cookie", "https", "session=1; Path=/", {});
        row("https, no cookie", "https", "", notFound);
        row("https, untrusted certificate", "untrusted", "session=1; Path=/; Secure",
            u"QNetworkReply %1"_s.arg(QNetworkReply::SslHandshakeFailedError));
        row("fault with status 500", "http", "session=1; Path=/",
            u"SOAP-Response 9001 SOAP_PARSE_MISSING_RESPONSE"_s, 500,
            SoapReplies::envelope("<SOAP-ENV:Fault><faultstring>boom</faultstring></SOAP-ENV:Fault>"));
        row("empty reply", "http", "session=1; Path=/",
            u"SOAP-ENV:Response 9002 SOAP_PARSE_NOT_VALID_CONTENT"_s, 200, "");
    }
    void replyOutcomes()
    {
        QFETCH(QString, server);
        QFETCH(QByteArray, cookie);
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, outcome);
        std::unique_ptr<httplib::Server> http;
        if (server == u"http"_s)
            http = std::make_unique<httplib::Server>();
        else
            http = std::make_unique<httplib::SSLServer>(qPrintable(m_certificatePath), qPrintable(m_keyPath));
        if (server == u"https"_s)
            TrustedCertificates::setAdditionalCaCertificates(
                TrustedCertificates::readCertificateFile(m_certificatePath));
        QVERIFY(http->is_valid());
        http->Post("/soap", [&](const httplib::Request &, httplib::Response &response) {
            if (!cookie.isEmpty())
                response.set_header("Set-Cookie", cookie.toStdString());
            response.status = status;
            response.set_content(body.toStdString(), "text/xml");
        });
        ServerRunner runner(*http);

        Error error;
        const QVariantMap result =
            call(runner.url(server == u"http"_s ? u"http"_s : u"https"_s), u"GetQuotaDetails"_s, error);
        QCOMPARE(::outcome(error), outcome);
        if (outcome.isEmpty())
            QCOMPARE(result.value("objQuotaDetails").toMap().value("m_nUsed"), QVariant(qlonglong(1234)));
        else
            QVERIFY(result.isEmpty() && !error.description().isEmpty());
    }

    // Transport failures speak Qt's vocabulary of network errors, and a time-out says so.
    void transportFailuresUseQtsVocabulary()
    {
        Error error;
        call(QUrl(u"http://127.0.0.1:1/soap"_s), u"Logout"_s, error); // nothing listens on port 1
        QCOMPARE(outcome(error), u"QNetworkReply %1"_s.arg(QNetworkReply::ConnectionRefusedError));
        QVERIFY(!error.description().isEmpty());

        httplib::Server server;
        server.Post("/soap", [](const httplib::Request &, httplib::Response &response) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1500));
            response.set_content("late", "text/plain");
        });
        ServerRunner runner(server);
        error.clear();
        call(runner.url(), u"Logout"_s, error, std::chrono::milliseconds(200));
        QCOMPARE(outcome(error), u"QNetworkReply %1"_s.arg(QNetworkReply::TimeoutError));
        QVERIFY2(error.description().startsWith(messageText(u"NetworkError_TimedOut"_s)),
                 qPrintable(error.description()));
    }

    void eachFailureSaysWhatHappened_data()
    {
        QTest::addColumn<QByteArray>("answer"); // what a raw server answers; "port 1": nothing listens
        QTest::addColumn<bool>("viaDeadProxy");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("key");
        QTest::newRow("refused") << QByteArray("port 1") << false
                                 << int(QNetworkReply::ConnectionRefusedError) << u"NetworkError_Refused"_s;
        QTest::newRow("closed without a word")
            << QByteArray() << false << int(QNetworkReply::RemoteHostClosedError) << u"NetworkError_Closed"_s;
        QTest::newRow("cut short") << QByteArray(
                                          "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nonly a little")
                                   << false << int(QNetworkReply::RemoteHostClosedError)
                                   << u"NetworkError_Closed"_s;
        QTest::newRow("not HTTP") << QByteArray("hello there\r\n\r\n") << false
                                  << int(QNetworkReply::ProtocolFailure) << u"NetworkError_NotHttp"_s;
        QTest::newRow("a proxy that is not there")
            << SoapReplies::reply("Logout") << true << int(QNetworkReply::ProxyConnectionRefusedError)
            << u"NetworkError_Proxy"_s;
    }

    // Each way an exchange can break off has its own words, ahead of libcurl's own.
    void eachFailureSaysWhatHappened()
    {
        QFETCH(QByteArray, answer);
        QFETCH(bool, viaDeadProxy);
        QFETCH(int, code);
        QFETCH(QString, key);
        RawHttpServer server(answer);
        if (viaDeadProxy)
            HttpProxy::setProxy(u"http://127.0.0.1:1"_s);
        Error error;
        call(QUrl(u"http://127.0.0.1:%1/soap"_s.arg(answer == "port 1" ? 1 : server.port())), u"Logout"_s,
             error);
        HttpProxy::setProxy({});
        QCOMPARE(error.domain(), u"QNetworkReply"_s);
        QCOMPARE(error.code(), code);
        QVERIFY2(error.description().startsWith(messageText(key) + u" ("_s), qPrintable(error.description()));
    }

    // Secure cookies set over plain http are stored, and ending the session must remove them too.
    void endingTheSessionForgetsOnlyItsCookies()
    {
        const QUrl mine(u"http://127.0.0.1/soap"_s);
        const QUrl other(u"http://localhost/soap"_s);
        QNetworkCookie secure("session", "1");
        secure.setSecure(true);
        SharedCookieJar::instance().setCookiesFromUrl({secure}, mine);
        SharedCookieJar::instance().setCookiesFromUrl({QNetworkCookie("other", "1")}, other);
        const auto check = [](const QUrl &url) {
            Error error;
            return wsNSSoapComms::checkCookiesForURL(url, error) ? u"usable"_s : error.messageKey();
        };
        QCOMPARE(check(mine), u"CONNECTION_COOKIE_REQUIRES_HTTPS"_s);
        SharedCookieJar::instance().deleteCookiesForUrl(mine);
        QCOMPARE(check(mine), u"CONNECTION_COOKIE_NOT_FOUND"_s);
        QCOMPARE(check(other), u"usable"_s);
    }

    // Each thread posts through its own HTTP handle. The server answers only once both requests
    // are in, so the calls really overlap; a reply handed to the wrong call fails its decoding.
    void twoThreadsCallAtOnce()
    {
        std::atomic_int arrived = 0;
        std::atomic_int overlapped = 0;
        httplib::Server server;
        server.new_task_queue = [] {
            return new httplib::ThreadPool(4);
        };
        server.Post("/soap", [&](const httplib::Request &request, httplib::Response &response) {
            ++arrived;
            const QDeadlineTimer deadline(10000);
            while (arrived < 2 && !deadline.hasExpired())
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            overlapped += arrived >= 2;
            response.set_header("Set-Cookie", "session=1; Path=/");
            const QByteArray method = QByteArray::fromStdString(request.get_header_value("SOAPAction"));
            response.set_content(SoapReplies::reply(method).toStdString(), "text/xml");
        });
        ServerRunner runner(server);

        const QString methods[2] = {u"GetQuotaDetails"_s, u"GetTopLevelAlbums"_s};
        Error errors[2];
        std::unique_ptr<QThread> threads[2];
        for (int i = 0; i < 2; ++i) {
            threads[i].reset(QThread::create([&, i] { call(runner.url(), methods[i], errors[i]); }));
            threads[i]->start();
        }
        for (int i = 0; i < 2; ++i) {
            QVERIFY(threads[i]->wait(30000));
            QVERIFY2(!errors[i], qPrintable(errors[i].toString()));
        }
        QCOMPARE(overlapped, 2);
    }
};

VENDRA_TEST_MAIN(TestSoapTransport)
#include "tst_soaptransport.moc"
