#include "RawHttpServer.h"
#include "SoapReplies.h"
#include "common/MessageText.h"
#include "http/HttpProxy.h"
#include "http/SharedCookieJar.h"
#include "soap/wsNSSoapComms.h"

#include "VendraTest.h"

#include <QNetworkReply>

namespace {

const QString nameSpace = u"http://media.test/soap"_s;

const QByteArray quotaMembers = "<objQuotaDetails><m_nUsed xsi:type=\"xsd:long\">1234</m_nUsed>"
                                "</objQuotaDetails>";

QVariantMap call(const QUrl &url, const QString &method, Error &error)
{
    return wsNSSoapComms::methodInvocationWith(url, method, nameSpace, {{u"SOAPAction"_s, method}}, {}, {},
                                               {"objQuotaDetails"}, error);
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

private Q_SLOTS:
    void init() { SharedCookieJar::instance().clear(); }

    // Every reply that arrives goes through the cookie check and then the decoding, whatever its HTTP
    // status. Replies over HTTPS and replies without any cookie are tested end to end.
    void replyOutcomes_data()
    {
        QTest::addColumn<QByteArray>("cookie");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("outcome");
        const QByteArray quota = SoapReplies::reply("GetQuotaDetails", quotaMembers);
        QTest::newRow("session cookie") << QByteArray("session=1; Path=/") << 200 << quota << QString();
        QTest::newRow("secure-only cookie") << QByteArray("session=1; Path=/; Secure") << 200 << quota
                                            << u"SOAP-Connection 9003 CONNECTION_COOKIE_REQUIRES_HTTPS"_s;
        QTest::newRow("cookie for another path") << QByteArray("session=1; Path=/elsewhere") << 200 << quota
                                                 << u"SOAP-Connection 9003 CONNECTION_COOKIE_NOT_FOUND"_s;
        QTest::newRow("fault with status 500")
            << QByteArray("session=1; Path=/") << 500
            << SoapReplies::envelope("<SOAP-ENV:Fault><faultstring>boom</faultstring></SOAP-ENV:Fault>")
            << u"SOAP-Response 9001 SOAP_PARSE_MISSING_RESPONSE"_s;
    }
    void replyOutcomes()
    {
        QFETCH(QByteArray, cookie);
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, outcome);
        RawHttpServer server(
            RawHttpServer::response(body, QByteArray::number(status) + " X", {"Set-Cookie: " + cookie}));
        Error error;
        const QVariantMap result =
            call(QUrl(u"http://127.0.0.1:%1/soap"_s.arg(server.port())), u"GetQuotaDetails"_s, error);
        QCOMPARE(::outcome(error), outcome);
        if (outcome.isEmpty())
            QCOMPARE(result.value("objQuotaDetails").toMap().value("m_nUsed"), QVariant(qlonglong(1234)));
        else
            QVERIFY(result.isEmpty() && !error.description().isEmpty());
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
};

VENDRA_TEST_MAIN(TestSoapTransport)
#include "tst_soaptransport.moc"
