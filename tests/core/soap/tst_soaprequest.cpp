#include "RawHttpServer.h"
#include "SoapReplies.h"
#include "soap/SharedCookieJar.h"
#include "soap/wsNSSoapComms.h"

#include "VendraTest.h"

namespace {

const QString nameSpace = u"http://media.test/soap"_s;

const QByteArray envelopeStart = "<?xml version=\"1.0\" encoding=\"utf-8\"?><SOAP-ENV:Envelope"
                                 " xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\""
                                 " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\""
                                 " xmlns:SOAP-ENC=\"http://schemas.xmlsoap.org/soap/encoding/\""
                                 " SOAP-ENV:encodingStyle=\"http://schemas.xmlsoap.org/soap/encoding/\""
                                 " xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\">";

struct SplitRequest
{
    QList<QByteArray> headerNames;
    QMap<QByteArray, QByteArray> headers; // by lower-case name
    QByteArray requestLine;
    QByteArray body;
};

SplitRequest split(const QByteArray &raw)
{
    SplitRequest request;
    const qsizetype headEnd = raw.indexOf("\r\n\r\n");
    const QList<QByteArray> lines = raw.left(headEnd).split('\n');
    request.requestLine = lines.first().trimmed();
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(':');
        const QByteArray name = lines[i].left(colon);
        request.headerNames.append(name);
        request.headers.insert(name.toLower(), lines[i].mid(colon + 1).trimmed());
    }
    request.body = raw.mid(headEnd + 4);
    return request;
}

QUrl urlFor(const RawHttpServer &server)
{
    return QUrl(u"http://127.0.0.1:%1/soap/service.php"_s.arg(server.port()));
}

const QByteArray cookieLine = "Set-Cookie: session=abc123; Path=/";

} // namespace

class TestSoapRequest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { SharedCookieJar::instance().clear(); }

    void requestGoesOutByteForByte()
    {
        RawHttpServer server(
            RawHttpServer::response(SoapReplies::reply("RenameAsset"), "200 OK", {cookieLine}));
        const QVariantMap params{
            {u"strNewName"_s, u"Tom & Jerry <\"Ü\"> 漢"_s},
            {u"nCount"_s, 7},
            {u"nBig"_s, qlonglong(9000000000)},
            {u"bYes"_s, true},
            {u"bNo"_s, false},
            {u"fHalf"_s, 0.5f},
            {u"dTenth"_s, 0.1},
            {u"objNested"_s, QVariantMap{{u"b"_s, u"x"_s}, {u"a"_s, 1}}},
            {u"uBig"_s, qulonglong(5)},
            {u"arrList"_s, QVariantList{1, 2}},
            {u"rawBytes"_s, QByteArray("bytes")},
            {u"notListed"_s, u"never sent"_s},
        };
        const QStringList order{"strNewName", "nCount",    "nBig",      "bYes", "bNo",     "fHalf",
                                "dTenth",     "strAbsent", "objNested", "uBig", "arrList", "rawBytes"};
        Error error;
        const QVariantMap result = wsNSSoapComms::methodInvocationWith(
            urlFor(server), u"RenameAsset"_s, nameSpace, {{u"SOAPAction"_s, u"RenameAsset"_s}}, std::nullopt,
            order, params, {}, error);
        QVERIFY2(!error, qPrintable(error.toString()));
        QCOMPARE(result, QVariantMap());

        QCOMPARE(server.requests().size(), 1);
        const SplitRequest request = split(server.requests().first());
        QCOMPARE(request.requestLine, QByteArray("POST /soap/service.php HTTP/1.1"));

        const QByteArray expectedBody =
            envelopeStart +
            "<SOAP-ENV:Body><m:RenameAsset xmlns:m=\"urn:http://media.test/soap\">"
            "<strNewName xsi:type=\"xsd:string\">Tom &amp; Jerry &lt;\"Ü\"&gt; 漢</strNewName>"
            "<nCount xsi:type=\"xsd:int\">7</nCount>"
            "<nBig xsi:type=\"xsd:long\">9000000000</nBig>"
            "<bYes xsi:type=\"xsd:boolean\">1</bYes>"
            "<bNo xsi:type=\"xsd:boolean\">0</bNo>"
            "<fHalf xsi:type=\"xsd:float\">0.5</fHalf>"
            "<dTenth xsi:type=\"xsd:double\">0.1</dTenth>"
            "<strAbsent xsi:type=\"xsd:nil\">nil</strAbsent>"
            "<objNested xsi:type=\"xsd:dictionary\"><a xsi:type=\"xsd:int\">1</a>"
            "<b xsi:type=\"xsd:string\">x</b></objNested>"
            "</m:RenameAsset></SOAP-ENV:Body></SOAP-ENV:Envelope>";
        QCOMPARE(request.body, expectedBody);

        // Content-Length counts UTF-8 bytes, not characters.
        QVERIFY(expectedBody.size() > QString::fromUtf8(expectedBody).size());
        QCOMPARE(request.headers.value("content-length"), QByteArray::number(expectedBody.size()));
        QCOMPARE(request.headers.value("content-type"), QByteArray("text/xml; charset=utf-8"));
        QCOMPARE(request.headers.value("soapaction"), QByteArray("RenameAsset"));

        const qsizetype contentType = request.headerNames.indexOf("Content-Type");
        const qsizetype soapAction = request.headerNames.indexOf("SOAPAction");
        const qsizetype contentLength = request.headerNames.indexOf("Content-Length");
        QVERIFY2(contentType >= 0 && contentType < soapAction && soapAction < contentLength,
                 request.headerNames.join(", ").constData());
    }

    void storedCookieIsSentBack()
    {
        RawHttpServer server(RawHttpServer::response(SoapReplies::reply("Logout"), "200 OK", {cookieLine}));
        for (int i = 0; i < 2; ++i) {
            Error error;
            wsNSSoapComms::methodInvocationWith(urlFor(server), u"Logout"_s, nameSpace,
                                                {{u"SOAPAction"_s, u"Logout"_s}}, std::nullopt, {}, {}, {},
                                                error);
            QVERIFY2(!error, qPrintable(error.toString()));
        }
        QCOMPARE(server.requests().size(), 2);
        QVERIFY(!split(server.requests().at(0)).headers.contains("cookie"));
        QCOMPARE(split(server.requests().at(1)).headers.value("cookie"), QByteArray("session=abc123"));
    }

    void soapHeaderGoesIntoTheEnvelope()
    {
        RawHttpServer server(RawHttpServer::response(SoapReplies::reply("Logout"), "200 OK", {cookieLine}));
        const QVariantMap header{
            {u"Token"_s, u"t-1"_s},
            {u"Auth"_s, QVariantMap{{u"@id"_s, u"7"_s}, {u"User"_s, u"bob"_s}, {u"Level"_s, 3}}},
        };
        Error error;
        wsNSSoapComms::methodInvocationWith(urlFor(server), u"Logout"_s, nameSpace, {}, header, {}, {}, {},
                                            error);
        QVERIFY2(!error, qPrintable(error.toString()));
        QCOMPARE(split(server.requests().first()).body,
                 envelopeStart +
                     "<SOAP-ENV:Header><Token>t-1</Token><Auth id=\"7\"><User>bob</User>3</Auth>"
                     "</SOAP-ENV:Header><SOAP-ENV:Body><m:Logout xmlns:m=\"urn:http://media.test/soap\">"
                     "</m:Logout></SOAP-ENV:Body></SOAP-ENV:Envelope>");
    }

    void headerTextPutsAttributesChildrenAndContentInThatOrder()
    {
        const QVariantMap header{
            {u"@role"_s, u"next"_s},
            {u"Count"_s, 5},
            {u"Name"_s, u"a&b"_s},
            {u"Skipped"_s, QVariantList{1}},
        };
        // Strings in headers go unescaped; with top-level attributes the envelope's dropping of
        // the first character cuts into them, as it always did.
        QCOMPARE(wsNSSoapComms::serializeHeader(header), u" role=\"next\"><Name>a&b</Name>5"_s);
    }

    void emptyMethodGivesAnEmptyBody()
    {
        QCOMPARE(wsNSSoapComms::createEnvelope(QString(), nameSpace, {}, std::nullopt, {u"x"_s}, {}),
                 QString::fromUtf8(envelopeStart + "<SOAP-ENV:Body></SOAP-ENV:Body></SOAP-ENV:Envelope>"));
    }

    void charMadeNumbersAreBooleans()
    {
        const QVariantMap params{{u"c"_s, QVariant::fromValue<char>(1)},
                                 {u"u"_s, QVariant::fromValue<uchar>(0)},
                                 {u"s"_s, QVariant::fromValue<short>(1)},
                                 {u"d"_s, QVariant(QDate(2020, 1, 1))}};
        QCOMPARE(wsNSSoapComms::serializeParams(params, {"c", "u", "s", "d"}),
                 u"<c xsi:type=\"xsd:boolean\">1</c><u xsi:type=\"xsd:boolean\">0</u>"_s);
    }
};

VENDRA_TEST_MAIN(TestSoapRequest)
#include "tst_soaprequest.moc"
