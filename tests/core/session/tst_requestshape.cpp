#include "http/SharedCookieJar.h"
#include "session/commsGlobals.h"
#include "session/soapResults.h"
#include "session/wsCoreComms.h"

#include "RawHttpServer.h"
#include "SoapReplies.h"
#include "VendraTest.h"

#include <QScopeGuard>

// What the service operations put on the wire, seen by a loopback server that keeps every request.
class TestRequestShape : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The version check learns the namespace of later requests; parameters go as strings in their
    // order, the user name trimmed and the password as typed.
    void requestsOnTheWire()
    {
        const QByteArray body = SoapReplies::reply(
            "CheckVersion", "<objVersionDetails><m_bVersionIsCompatible xsi:type=\"xsd:boolean\">1"
                            "</m_bVersionIsCompatible><m_strServiceVersion xsi:type=\"xsd:string\">4.7"
                            "</m_strServiceVersion></objVersionDetails>");
        RawHttpServer server(RawHttpServer::response(body, "200 OK", {"Set-Cookie: session=abc; Path=/"}));
        const auto forgetCookies = qScopeGuard([] { SharedCookieJar::instance().clear(); });
        commsGlobals globals;
        globals.setServer(u"127.0.0.1"_s);
        globals.setPortNo(server.port());
        globals.setBUseHTTPS(false);
        const auto lastRequest = [&server] {
            return server.requests().last();
        };

        Error error;
        const QVariantMap reply = globals.coreComms().doCheckVersion(error);
        QVERIFY2(!error, qPrintable(error.toString()));
        QVERIFY(lastRequest().contains("SOAPAction: CheckVersion\r\n"));
        QVERIFY(lastRequest().contains("/zrmsoap/zrmuploadtoolservice/\">"));
        QVERIFY(lastRequest().contains(".MAC."));
        QVERIFY(globals.results().checkVersion().deserialise(reply));
        // A second sign-in in the same run checks the version with the namespace learnt at the first.
        globals.coreComms().doCheckVersion(error);
        QVERIFY(lastRequest().contains("/zrmsoap/zrmuploadtoolservice-4.7/\">"));

        globals.setUserName(u" \tdemo user\t "_s);
        globals.setPassword(u" pa<ss "_s);
        globals.coreComms().doLogin(error);
        QVERIFY(lastRequest().contains("<strUsername xsi:type=\"xsd:string\">demo user</strUsername>"
                                       "<strPassword xsi:type=\"xsd:string\"> pa&lt;ss </strPassword>"));
        error.clear();
        globals.coreComms().doCreateSubLevelAlbum(77, u"Sub"_s, u"Desc"_s, error);
        QVERIFY(lastRequest().contains("<strName xsi:type=\"xsd:string\">Sub</strName>"
                                       "<strDescription xsi:type=\"xsd:string\">Desc</strDescription>"
                                       "<nParentID xsi:type=\"xsd:string\">77</nParentID>"));
    }
};

VENDRA_TEST_MAIN(TestRequestShape)
#include "tst_requestshape.moc"
