#include "RawHttpServer.h"
#include "SoapReplies.h"
#include "soap/SharedCookieJar.h"
#include "soap/wsNSSoapComms.h"

#include "VendraTest.h"

namespace {

const QString nameSpace = QStringLiteral("http://media.test/soap");

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
    return QUrl(QStringLiteral("http://127.0.0.1:%1/soap/service.php").arg(server.port()));
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
            {QStringLiteral("strNewName"), QStringLiteral("Tom & Jerry <\"Ü\"> 漢")},
            {QStringLiteral("nCount"), 7},
            {QStringLiteral("nBig"), qlonglong(9000000000)},
            {QStringLiteral("bYes"), true},
            {QStringLiteral("bNo"), false},
            {QStringLiteral("fHalf"), 0.5f},
            {QStringLiteral("dTenth"), 0.1},
            {QStringLiteral("objNested"),
             QVariantMap{{QStringLiteral("b"), QStringLiteral("x")}, {QStringLiteral("a"), 1}}},
            {QStringLiteral("uBig"), qulonglong(5)},
            {QStringLiteral("arrList"), QVariantList{1, 2}},
            {QStringLiteral("rawBytes"), QByteArray("bytes")},
            {QStringLiteral("notListed"), QStringLiteral("never sent")},
        };
        const QStringList order{"strNewName", "nCount",    "nBig",      "bYes", "bNo",     "fHalf",
                                "dTenth",     "strAbsent", "objNested", "uBig", "arrList", "rawBytes"};
        Error error;
        const QVariantMap result = wsNSSoapComms::methodInvocationWith(
            urlFor(server), QStringLiteral("RenameAsset"), nameSpace,
            {{QStringLiteral("SOAPAction"), QStringLiteral("RenameAsset")}}, std::nullopt, order, params, {},
            error);
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
            wsNSSoapComms::methodInvocationWith(urlFor(server), QStringLiteral("Logout"), nameSpace,
                                                {{QStringLiteral("SOAPAction"), QStringLiteral("Logout")}},
                                                std::nullopt, {}, {}, {}, error);
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
            {QStringLiteral("Token"), QStringLiteral("t-1")},
            {QStringLiteral("Auth"), QVariantMap{{QStringLiteral("@id"), QStringLiteral("7")},
                                                 {QStringLiteral("User"), QStringLiteral("bob")},
                                                 {QStringLiteral("Level"), 3}}},
        };
        Error error;
        wsNSSoapComms::methodInvocationWith(urlFor(server), QStringLiteral("Logout"), nameSpace, {}, header,
                                            {}, {}, {}, error);
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
            {QStringLiteral("@role"), QStringLiteral("next")},
            {QStringLiteral("Count"), 5},
            {QStringLiteral("Name"), QStringLiteral("a&b")},
            {QStringLiteral("Skipped"), QVariantList{1}},
        };
        // Strings in headers go unescaped; with top-level attributes the envelope's dropping of
        // the first character cuts into them, as it always did.
        QCOMPARE(wsNSSoapComms::serializeHeader(header), QStringLiteral(" role=\"next\"><Name>a&b</Name>5"));
    }

    void emptyMethodGivesAnEmptyBody()
    {
        QCOMPARE(
            wsNSSoapComms::createEnvelope(QString(), nameSpace, {}, std::nullopt, {QStringLiteral("x")}, {}),
            QString::fromUtf8(envelopeStart + "<SOAP-ENV:Body></SOAP-ENV:Body></SOAP-ENV:Envelope>"));
    }

    void charMadeNumbersAreBooleans()
    {
        const QVariantMap params{{QStringLiteral("c"), QVariant::fromValue<char>(1)},
                                 {QStringLiteral("u"), QVariant::fromValue<uchar>(0)},
                                 {QStringLiteral("s"), QVariant::fromValue<short>(1)},
                                 {QStringLiteral("d"), QVariant(QDate(2020, 1, 1))}};
        QCOMPARE(wsNSSoapComms::serializeParams(params, {"c", "u", "s", "d"}),
                 QStringLiteral("<c xsi:type=\"xsd:boolean\">1</c><u xsi:type=\"xsd:boolean\">0</u>"));
    }
};

VENDRA_TEST_MAIN(TestSoapRequest)
#include "tst_soaprequest.moc"
