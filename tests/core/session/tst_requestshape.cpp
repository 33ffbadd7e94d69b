#include "http/SharedCookieJar.h"
#include "session/commsGlobals.h"
#include "session/soapResults.h"
#include "session/wsCoreComms.h"

#include "RawHttpServer.h"
#include "SoapReplies.h"
#include "VendraTest.h"

// What the service operations put on the wire, seen by a loopback server that keeps every request.
class TestRequestShape : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<commsGlobals> m_globals;
    std::unique_ptr<RawHttpServer> m_server;

    static QByteArray checkVersionReply()
    {
        const QByteArray body = SoapReplies::reply(
            "CheckVersion", "<objVersionDetails><m_bVersionIsCompatible xsi:type=\"xsd:boolean\">1"
                            "</m_bVersionIsCompatible><m_strServiceVersion xsi:type=\"xsd:string\">4.7"
                            "</m_strServiceVersion></objVersionDetails>");
        return RawHttpServer::response(body, "200 OK", {"Set-Cookie: session=abc; Path=/"});
    }

    QByteArray lastRequest() const { return m_server->requests().last(); }

private Q_SLOTS:
    void init()
    {
        m_globals = std::make_unique<commsGlobals>();
        m_server = std::make_unique<RawHttpServer>(checkVersionReply());
        m_globals->setServer(u"127.0.0.1"_s);
        m_globals->setPortNo(m_server->port());
        m_globals->setBUseHTTPS(false);
    }
    void cleanup()
    {
        m_server.reset();
        m_globals.reset();
        SharedCookieJar::instance().clear();
    }

    void checkVersionLearnsTheNamespaceForLaterRequests()
    {
        Error error;
        const QVariantMap reply = m_globals->coreComms().doCheckVersion(error);
        QVERIFY2(!error, qPrintable(error.toString()));
        const QByteArray first = lastRequest();
        QVERIFY(first.contains("SOAPAction: CheckVersion\r\n"));
        QVERIFY(first.contains("/zrmsoap/zrmuploadtoolservice/\">"));
        QVERIFY(first.contains(".MAC."));
        QVERIFY(m_globals->results().checkVersion().deserialise(reply));

        // A second sign-in in the same run checks the version with the namespace learnt at the first.
        m_globals->coreComms().doCheckVersion(error);
        QVERIFY(lastRequest().contains("/zrmsoap/zrmuploadtoolservice-4.7/\">"));
    }

    void parametersGoAsStringsInTheirOrder()
    {
        m_globals->setUserName(u" \tdemo user\t "_s);
        m_globals->setPassword(u" pa<ss "_s);
        Error error;
        m_globals->coreComms().doLogin(error);
        QVERIFY(lastRequest().contains("<strUsername xsi:type=\"xsd:string\">demo user</strUsername>"
                                       "<strPassword xsi:type=\"xsd:string\"> pa&lt;ss </strPassword>"));

        error.clear();
        m_globals->coreComms().doCreateSubLevelAlbum(77, u"Sub"_s, u"Desc"_s, error);
        QVERIFY(lastRequest().contains("<strName xsi:type=\"xsd:string\">Sub</strName>"
                                       "<strDescription xsi:type=\"xsd:string\">Desc</strDescription>"
                                       "<nParentID xsi:type=\"xsd:string\">77</nParentID>"));

        error.clear();
        m_globals->coreComms().doGetTopLevelAlbums(error);
        QVERIFY(lastRequest().contains("<m:GetTopLevelAlbums xmlns:m=\"urn:http://"));
        QVERIFY(lastRequest().contains("\"></m:GetTopLevelAlbums>"));
        // The canned reply answers another method: the caller gets the error and no result.
        QCOMPARE(error.messageKey(), u"SOAP_PARSE_MISSING_RESPONSE"_s);
    }
};

VENDRA_TEST_MAIN(TestRequestShape)
#include "tst_requestshape.moc"
