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

} // namespace

class TestSoapTransport : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { SharedCookieJar::instance().clear(); }

    // Every reply that arrives goes through the cookie check and then the decoding, whatever its HTTP
    // status. Replies over HTTPS and replies without any cookie are tested end to end.
    void repliesAreDecodedWhateverTheirStatus()
    {
        const auto callWith = [](const QByteArray &status, const QByteArray &body, Error &error) {
            RawHttpServer server(RawHttpServer::response(body, status, {"Set-Cookie: session=1; Path=/"}));
            return call(QUrl(u"http://127.0.0.1:%1/soap"_s.arg(server.port())), u"GetQuotaDetails"_s, error);
        };
        Error error;
        const QVariantMap quota =
            callWith("200 OK", SoapReplies::reply("GetQuotaDetails", quotaMembers), error);
        QVERIFY2(!error, qPrintable(error.toString()));
        QCOMPARE(quota.value("objQuotaDetails").toMap().value("m_nUsed"), QVariant(qlonglong(1234)));
        const QVariantMap fault = callWith(
            "500 X",
            SoapReplies::envelope("<SOAP-ENV:Fault><faultstring>boom</faultstring></SOAP-ENV:Fault>"), error);
        QCOMPARE(error.messageKey(), u"SOAP_PARSE_MISSING_RESPONSE"_s);
        QVERIFY(fault.isEmpty());
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

    // Secure cookies set over plain http are stored but never sent, and ending the session must remove
    // them too.
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
