#include "SoapReplies.h"
#include "soap/SharedCookieJar.h"
#include "soap/TrustedCertificates.h"
#include "soap/wsNSSoapComms.h"

#include "VendraTest.h"

#include <QNetworkReply>
#include <QProcess>
#include <QSslCertificate>
#include <QTemporaryDir>
#include <QThread>

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace {

const QString nameSpace = u"http://media.test/soap"_s;

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

// Answers every POST to /soap with the reply to the method named in SOAPAction, setting the
// given cookie (none when empty).
void answerWith(httplib::Server &server, const std::string &cookie, const QByteArray &members = {},
                const QByteArray &action = "OK")
{
    server.Post("/soap", [=](const httplib::Request &request, httplib::Response &response) {
        if (!cookie.empty())
            response.set_header("Set-Cookie", cookie);
        const QByteArray method = QByteArray::fromStdString(request.get_header_value("SOAPAction"));
        response.set_content(SoapReplies::reply(method, members, "OK", action).toStdString(), "text/xml");
    });
}

QVariantMap call(const QUrl &url, const QString &method, const QStringList &resultKeys, Error &error,
                 std::chrono::milliseconds timeout = wsNSSoapComms::defaultTimeout)
{
    return wsNSSoapComms::methodInvocationWith(url, method, nameSpace, {{u"SOAPAction"_s, method}},
                                               std::nullopt, {}, {}, resultKeys, error, timeout);
}

const QByteArray quotaMembers = "<objQuotaDetails><m_nUsed xsi:type=\"xsd:long\">1234</m_nUsed>"
                                "</objQuotaDetails>";

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
        QVERIFY(m_certificateDir.isValid());
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

    void cookieOutcomes_data()
    {
        QTest::addColumn<bool>("https");
        QTest::addColumn<QString>("cookie");
        QTest::addColumn<QString>("messageKey");
        QTest::newRow("http, session cookie") << false << "session=1; Path=/"
                                              << "";
        QTest::newRow("http, no cookie") << false << ""
                                         << "CONNECTION_COOKIE_NOT_FOUND";
        QTest::newRow("http, secure-only cookie") << false << "session=1; Path=/; Secure"
                                                  << "CONNECTION_COOKIE_REQUIRES_HTTPS";
        QTest::newRow("http, cookie for another path") << false << "session=1; Path=/elsewhere"
                                                       << "CONNECTION_COOKIE_NOT_FOUND";
        QTest::newRow("https, secure cookie") << true << "session=1; Path=/; Secure"
                                              << "";
        QTest::newRow("https, plain cookie") << true << "session=1; Path=/"
                                             << "";
        QTest::newRow("https, no cookie") << true << ""
                                          << "CONNECTION_COOKIE_NOT_FOUND";
    }
    void cookieOutcomes()
    {
        QFETCH(bool, https);
        QFETCH(QString, cookie);
        QFETCH(QString, messageKey);
        std::unique_ptr<httplib::Server> server;
        if (https) {
            const QList<QSslCertificate> certificates = QSslCertificate::fromPath(m_certificatePath);
            QCOMPARE(certificates.size(), 1);
            TrustedCertificates::setAdditionalCaCertificates(certificates);
            server = std::make_unique<httplib::SSLServer>(m_certificatePath.toLocal8Bit().constData(),
                                                          m_keyPath.toLocal8Bit().constData());
        } else {
            server = std::make_unique<httplib::Server>();
        }
        QVERIFY(server->is_valid());
        answerWith(*server, cookie.toStdString(), quotaMembers);
        ServerRunner runner(*server);

        Error error;
        const QVariantMap result = call(runner.url(https ? u"https"_s : u"http"_s), u"GetQuotaDetails"_s,
                                        {"objQuotaDetails"}, error);
        if (messageKey.isEmpty()) {
            QVERIFY2(!error, qPrintable(error.toString()));
            QCOMPARE(result.value("objQuotaDetails").toMap().value("m_nUsed"), QVariant(qlonglong(1234)));
            return;
        }
        QCOMPARE(error.domain(), u"SOAP-Connection"_s);
        QCOMPARE(error.code(), 9003);
        QCOMPARE(error.messageKey(), messageKey);
        QVERIFY(result.isEmpty());
    }

    void endingTheSessionForgetsItsCookies()
    {
        httplib::Server server;
        answerWith(server, "session=1; Path=/; Secure");
        ServerRunner runner(server);
        Error error;
        call(runner.url(), u"Logout"_s, {}, error);
        QCOMPARE(error.messageKey(), u"CONNECTION_COOKIE_REQUIRES_HTTPS"_s);

        const QUrl other(u"http://localhost/soap"_s);
        SharedCookieJar::instance().setCookiesFromUrl({QNetworkCookie("other", "1")}, other);
        SharedCookieJar::instance().deleteCookiesForUrl(runner.url());
        error.clear();
        QVERIFY(!wsNSSoapComms::checkCookiesForURL(runner.url(), error));
        QCOMPARE(error.messageKey(), u"CONNECTION_COOKIE_NOT_FOUND"_s);
        error.clear();
        QVERIFY(wsNSSoapComms::checkCookiesForURL(other, error));
        QVERIFY(!error);
    }

    void untrustedCertificateFailsWithQtsError()
    {
        httplib::SSLServer server(m_certificatePath.toLocal8Bit().constData(),
                                  m_keyPath.toLocal8Bit().constData());
        answerWith(server, "session=1; Path=/; Secure");
        ServerRunner runner(server);

        Error error;
        const QVariantMap result = call(runner.url(u"https"_s), u"Logout"_s, {}, error);
        QCOMPARE(error.domain(), wsNSSoapComms::transportErrorDomain);
        QCOMPARE(error.code(), int(QNetworkReply::SslHandshakeFailedError));
        QVERIFY(!error.description().isEmpty());
        QVERIFY(result.isEmpty());
    }

    void refusedConnectionKeepsQtsError()
    {
        Error error;
        // Nothing listens on port 1 of the loopback.
        call(QUrl(u"http://127.0.0.1:1/soap"_s), u"Logout"_s, {}, error);
        QCOMPARE(error.domain(), u"QNetworkReply"_s);
        QCOMPARE(error.code(), int(QNetworkReply::ConnectionRefusedError));
        QVERIFY(!error.description().isEmpty());
    }

    void silentServerTimesOut()
    {
        httplib::Server server;
        server.Post("/soap", [](const httplib::Request &, httplib::Response &response) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1500));
            response.set_content("late", "text/plain");
        });
        ServerRunner runner(server);
        Error error;
        call(runner.url(), u"Logout"_s, {}, error, std::chrono::milliseconds(200));
        QCOMPARE(error.domain(), u"QNetworkReply"_s);
        QCOMPARE(error.code(), int(QNetworkReply::OperationCanceledError));
    }

    void errorStatusIsDecodedLikeAnyReply()
    {
        httplib::Server server;
        server.Post("/soap", [](const httplib::Request &, httplib::Response &response) {
            response.status = 500;
            response.set_header("Set-Cookie", "session=1; Path=/");
            response.set_content(SoapReplies::envelope("<SOAP-ENV:Fault><faultcode>SOAP-ENV:Server"
                                                       "</faultcode><faultstring>boom</faultstring>"
                                                       "</SOAP-ENV:Fault>")
                                     .toStdString(),
                                 "text/xml");
        });
        ServerRunner runner(server);
        Error error;
        call(runner.url(), u"Login"_s, {}, error);
        QCOMPARE(error.domain(), u"SOAP-Response"_s);
        QCOMPARE(error.code(), 9001);
        QCOMPARE(error.messageKey(), u"SOAP_PARSE_MISSING_RESPONSE"_s);
    }

    void emptyReplyIsNotASuccess()
    {
        httplib::Server server;
        server.Post("/soap", [](const httplib::Request &, httplib::Response &response) {
            response.set_header("Set-Cookie", "session=1; Path=/");
        });
        ServerRunner runner(server);
        Error error;
        call(runner.url(), u"Logout"_s, {}, error);
        QCOMPARE(error.domain(), u"SOAP-ENV:Response"_s);
        QCOMPARE(error.code(), 9002);
    }

    void serverRefusalBecomesMessageKey()
    {
        httplib::Server server;
        answerWith(server, "session=1; Path=/", {}, "USER NOT_FOUND");
        ServerRunner runner(server);
        Error error;
        const QVariantMap result = call(runner.url(), u"Login"_s, {"objUserDetails"}, error);
        QCOMPARE(error.domain(), u"SOAP-Result"_s);
        QCOMPARE(error.code(), 9001);
        QCOMPARE(error.messageKey(), u"LOGIN_USERNOT_FOUND"_s);
        QVERIFY(result.isEmpty());
    }

    void twoThreadsCallAtOnce()
    {
        // The server answers only once both requests are in, so the calls must really overlap.
        std::mutex mutex;
        std::condition_variable bothIn;
        int arrived = 0;
        std::atomic_bool overlapped = false;
        httplib::Server server;
        server.new_task_queue = [] {
            return new httplib::ThreadPool(4);
        };
        server.Post("/soap", [&](const httplib::Request &request, httplib::Response &response) {
            {
                std::unique_lock lock(mutex);
                ++arrived;
                bothIn.notify_all();
                if (bothIn.wait_for(lock, std::chrono::seconds(10), [&] { return arrived >= 2; }))
                    overlapped = true;
            }
            const QByteArray method = QByteArray::fromStdString(request.get_header_value("SOAPAction"));
            response.set_header("Set-Cookie", "session=1; Path=/");
            response.set_content(SoapReplies::reply(method, "<objEcho><m_strMethod xsi:type=\"xsd:string\">" +
                                                                method + "</m_strMethod></objEcho>")
                                     .toStdString(),
                                 "text/xml");
        });
        ServerRunner runner(server);

        const QStringList methods{u"GetQuotaDetails"_s, u"GetTopLevelAlbums"_s};
        QVariantMap results[2];
        Error errors[2];
        std::unique_ptr<QThread> threads[2];
        for (int i = 0; i < 2; ++i) {
            threads[i].reset(QThread::create(
                [&, i] { results[i] = call(runner.url(), methods[i], {"objEcho"}, errors[i]); }));
            threads[i]->start();
        }
        for (auto &thread : threads)
            QVERIFY(thread->wait(30000));
        QVERIFY(overlapped);
        for (int i = 0; i < 2; ++i) {
            QVERIFY2(!errors[i], qPrintable(errors[i].toString()));
            QCOMPARE(results[i].value("objEcho").toMap().value("m_strMethod").toString(), methods[i]);
        }
    }
};

VENDRA_TEST_MAIN(TestSoapTransport)
#include "tst_soaptransport.moc"
