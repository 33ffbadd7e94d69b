#include "SoapReplies.h"
#include "soap/wsNSSoapComms.h"

#include "VendraTest.h"

using SoapReplies::envelope;
using SoapReplies::reply;
using SoapReplies::result;

namespace {

QVariantMap decode(const QByteArray &data, const QStringList &keys, Error &error,
                   const QString &method = u"Login"_s)
{
    return wsNSSoapComms::deserialise(method, data, keys, error);
}

QVariant typed(const QByteArray &type, const QByteArray &text)
{
    Error error;
    const QVariantMap result =
        decode(reply("Login", "<obj><v xsi:type=\"" + type + "\">" + text + "</v></obj>"), {"obj"}, error);
    if (error)
        qWarning("%s", qPrintable(error.toString()));
    return result.value("obj").toMap().value("v");
}

} // namespace

class TestSoapResponse : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void protocolErrors_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("domain");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("messageKey");

        QTest::newRow("not XML") << QByteArray("<html><body>502</body>") << "SOAP-ENV:Response" << 9002
                                 << "SOAP_PARSE_NOT_VALID_CONTENT";
        QTest::newRow("other envelope prefix")
            << QByteArray("<soap:Envelope><soap:Body><SOAP-ENV:LoginResponse>" + result("OK", "OK") +
                          "</SOAP-ENV:LoginResponse></soap:Body></soap:Envelope>")
            << "SOAP-ENV:Envelope" << 9001 << "SOAP_PARSE_MISSING_ENVELOPE";
        QTest::newRow("no body") << QByteArray("<SOAP-ENV:Envelope><SOAP-ENV:Header/></SOAP-ENV:Envelope>")
                                 << "SOAP-Body" << 9001 << "SOAP_PARSE_MISSING_BODY";
        QTest::newRow("two bodies")
            << QByteArray("<SOAP-ENV:Envelope><SOAP-ENV:Body/><SOAP-ENV:Body/></SOAP-ENV:Envelope>")
            << "SOAP-Body" << 9001 << "SOAP_PARSE_MISSING_BODY";
        QTest::newRow("response without prefix")
            << envelope("<LoginResponse>" + result("OK", "OK") + "</LoginResponse>") << "SOAP-Response"
            << 9001 << "SOAP_PARSE_MISSING_RESPONSE";
        QTest::newRow("response to another method")
            << reply("Logout") << "SOAP-Response" << 9001 << "SOAP_PARSE_MISSING_RESPONSE";
        QTest::newRow("fault") << envelope("<SOAP-ENV:Fault><faultstring>no</faultstring></SOAP-ENV:Fault>")
                               << "SOAP-Response" << 9001 << "SOAP_PARSE_MISSING_RESPONSE";
        QTest::newRow("no result") << envelope("<SOAP-ENV:LoginResponse><x/></SOAP-ENV:LoginResponse>")
                                   << "SOAP-Result" << 9001 << "SOAP_CHECK_OBJECT_INVALID";
        QTest::newRow("two results") << envelope("<SOAP-ENV:LoginResponse>" + result("OK", "OK") +
                                                 result("OK", "OK") + "</SOAP-ENV:LoginResponse>")
                                     << "SOAP-Result" << 9001 << "SOAP_CHECK_OBJECT_INVALID";
        QTest::newRow("no APIResponse")
            << envelope("<SOAP-ENV:LoginResponse><Result><ActionResponse>OK</ActionResponse></Result>"
                        "</SOAP-ENV:LoginResponse>")
            << "SOAP-Result" << 9001 << "SOAP_CHECK_MISSING_APIRESPONSE";
        QTest::newRow("empty APIResponse")
            << envelope("<SOAP-ENV:LoginResponse><Result><APIResponse/><ActionResponse>OK</ActionResponse>"
                        "</Result></SOAP-ENV:LoginResponse>")
            << "SOAP-Result" << 9001 << "SOAP_CHECK_MISSING_APIRESPONSE";
        QTest::newRow("APIResponse as attribute")
            << envelope("<SOAP-ENV:LoginResponse><Result APIResponse=\"OK\"><ActionResponse>OK"
                        "</ActionResponse></Result></SOAP-ENV:LoginResponse>")
            << "SOAP-Result" << 9001 << "SOAP_CHECK_MISSING_APIRESPONSE";
        QTest::newRow("no ActionResponse")
            << envelope("<SOAP-ENV:LoginResponse><Result><APIResponse>OK</APIResponse></Result>"
                        "</SOAP-ENV:LoginResponse>")
            << "SOAP-Result" << 9001 << "SOAP_CHECK_MISSING_ACTIONRESPONSE";
        QTest::newRow("API refusal") << reply("Login", {}, "SESSION EXPIRED ", "OK") << "SOAP-Result" << 9001
                                     << "SESSIONEXPIRED";
        QTest::newRow("API OK with trailing white space")
            << reply("Login", {}, "OK \n", "OK") << "SOAP-Result" << 9001 << "OK";
        QTest::newRow("lower-case ok") << reply("Login", {}, "ok", "OK") << "SOAP-Result" << 9001 << "ok";
        QTest::newRow("API refusal wins over action refusal")
            << reply("Login", {}, "DENIED", "USER_NOT_FOUND") << "SOAP-Result" << 9001 << "DENIED";
        QTest::newRow("action refusal")
            << reply("Login", {}, "OK", "USER_NOT_FOUND") << "SOAP-Result" << 9001 << "LOGIN_USER_NOT_FOUND";
        QTest::newRow("action refusal with spaces") << reply("Login", {}, "OK", "\tWRONG PASSWORD ")
                                                    << "SOAP-Result" << 9001 << "LOGIN_WRONGPASSWORD";
    }
    void protocolErrors()
    {
        QFETCH(QByteArray, data);
        QFETCH(QString, domain);
        QFETCH(int, code);
        QFETCH(QString, messageKey);
        Error error;
        const QVariantMap result = decode(data, {"objUserDetails"}, error);
        QCOMPARE(error.domain(), domain);
        QCOMPARE(error.code(), code);
        QCOMPARE(error.messageKey(), messageKey);
        QCOMPARE(error.description(), messageText(messageKey));
        QVERIFY(result.isEmpty());
    }

    void indentedReplyFailsTheResultCheck()
    {
        const QByteArray indented = "<?xml version=\"1.0\"?>\n"
                                    "<SOAP-ENV:Envelope>\n"
                                    "  <SOAP-ENV:Body>\n"
                                    "    <SOAP-ENV:LoginResponse>\n"
                                    "      <Result>\n"
                                    "        <APIResponse xsi:type=\"xsd:string\">OK</APIResponse>\n"
                                    "        <ActionResponse xsi:type=\"xsd:string\">OK</ActionResponse>\n"
                                    "      </Result>\n"
                                    "    </SOAP-ENV:LoginResponse>\n"
                                    "  </SOAP-ENV:Body>\n"
                                    "</SOAP-ENV:Envelope>\n";
        Error error;
        decode(indented, {}, error);
        QCOMPARE(error.domain(), u"SOAP-Result"_s);
        QCOMPARE(error.messageKey(), u"OK"_s);
    }

    void whiteSpaceInsideTypedStructuresTurnsThemIntoText()
    {
        Error error;
        const QVariantMap result = decode(
            reply("Login", "<objUserDetails><objInner xsi:type=\"tns:Inner\">\n  <m_nA xsi:type=\"xsd:int\">"
                           "5</m_nA>\n</objInner><m_nB xsi:type=\"xsd:int\">\n 6</m_nB></objUserDetails>"),
            {"objUserDetails"}, error);
        QVERIFY2(!error, qPrintable(error.toString()));
        const QVariantMap user = result.value("objUserDetails").toMap();
        QCOMPARE(user.value("objInner"), QVariant(u"\n"_s));
        QCOMPARE(user.value("m_nB"), QVariant(qlonglong(6)));
    }

    void arraysFollowTheNumberOfItems()
    {
        const QByteArray asset =
            "<item xsi:type=\"tns:Asset\"><m_nAssetID xsi:type=\"xsd:int\">%1</m_nAssetID></item>";
        auto items = [&](int count) -> QByteArray {
            QByteArray members = "<arrAssets xsi:type=\"SOAP-ENC:Array\">";
            for (int i = 0; i < count; ++i)
                members += QByteArray(asset).replace("%1", QByteArray::number(i + 1));
            return members + "</arrAssets>";
        };
        Error error;
        QVariantMap result =
            decode(reply("GetAssetsByAlbumID", items(2)), {"arrAssets"}, error, u"GetAssetsByAlbumID"_s);
        QVERIFY2(!error, qPrintable(error.toString()));
        const QVariantList two = result.value("arrAssets").toMap().value("item").toList();
        QCOMPARE(two.size(), 2);
        QCOMPARE(two.at(0).toMap().value("m_nAssetID"), QVariant(qlonglong(1)));
        QCOMPARE(two.at(1).toMap().value("m_nAssetID"), QVariant(qlonglong(2)));

        result = decode(reply("GetAssetsByAlbumID", items(1)), {"arrAssets"}, error, u"GetAssetsByAlbumID"_s);
        const QVariant one = result.value("arrAssets").toMap().value("item");
        QCOMPARE(one.typeId(), QMetaType::QVariantMap);
        QCOMPARE(one.toMap().value("m_nAssetID"), QVariant(qlonglong(1)));

        result = decode(reply("GetAssetsByAlbumID", items(0)), {"arrAssets"}, error, u"GetAssetsByAlbumID"_s);
        QCOMPARE(result.value("arrAssets"), QVariant(QVariantMap()));
        QVERIFY(!error);
    }

    void typedLeaves_data()
    {
        QTest::addColumn<QByteArray>("type");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QVariant>("expected");
        QTest::newRow("boolean 1") << QByteArray("xsd:boolean") << QByteArray("1") << QVariant(true);
        QTest::newRow("boolean false") << QByteArray("xsd:boolean") << QByteArray("false") << QVariant(false);
        QTest::newRow("boolean true") << QByteArray("xsd:boolean") << QByteArray("true") << QVariant(true);
        QTest::newRow("boolean in capitals")
            << QByteArray("XSD:BOOLEAN") << QByteArray("1") << QVariant(true);
        QTest::newRow("boolean yes after space")
            << QByteArray("xsd:boolean") << QByteArray(" yes") << QVariant(true);
        QTest::newRow("boolean -007") << QByteArray("xsd:boolean") << QByteArray("-007") << QVariant(true);
        QTest::newRow("boolean 000") << QByteArray("xsd:boolean") << QByteArray("000") << QVariant(false);
        QTest::newRow("boolean no") << QByteArray("xsd:boolean") << QByteArray("no") << QVariant(false);
        QTest::newRow("int 42abc") << QByteArray("xsd:int") << QByteArray("42abc") << QVariant(qlonglong(42));
        QTest::newRow("int signed after space")
            << QByteArray("xsd:int") << QByteArray(" -17x") << QVariant(qlonglong(-17));
        QTest::newRow("int without digits")
            << QByteArray("xsd:int") << QByteArray("abc") << QVariant(qlonglong(0));
        QTest::newRow("long beyond 32 bits")
            << QByteArray("xsd:long") << QByteArray("9000000000") << QVariant(qlonglong(9000000000));
        QTest::newRow("long saturates") << QByteArray("xsd:long") << QByteArray("99999999999999999999")
                                        << QVariant(std::numeric_limits<qlonglong>::max());
        QTest::newRow("long saturates negative")
            << QByteArray("xsd:long") << QByteArray("-99999999999999999999")
            << QVariant(std::numeric_limits<qlonglong>::min());
        QTest::newRow("float with unit")
            << QByteArray("xsd:float") << QByteArray("1.5e3kg") << QVariant(1500.0f);
        QTest::newRow("float dangling exponent")
            << QByteArray("xsd:float") << QByteArray("2e") << QVariant(2.0f);
        QTest::newRow("double") << QByteArray("xsd:double") << QByteArray(" -2.25") << QVariant(-2.25);
        QTest::newRow("double fraction only")
            << QByteArray("xsd:Double") << QByteArray(".5") << QVariant(0.5);
        QTest::newRow("double without digits")
            << QByteArray("xsd:double") << QByteArray("x") << QVariant(0.0);
        QTest::newRow("string decoded twice")
            << QByteArray("xsd:string") << QByteArray("&amp;lt;") << QVariant(u"<"_s);
        QTest::newRow("string keeps other entities")
            << QByteArray("xsd:string") << QByteArray("&amp;quot;") << QVariant(u"&quot;"_s);
        QTest::newRow("unknown type stays text")
            << QByteArray("tns:Other") << QByteArray("a&amp;amp;b") << QVariant(u"a&amp;b"_s);
    }
    void typedLeaves()
    {
        QFETCH(QByteArray, type);
        QFETCH(QByteArray, text);
        QFETCH(QVariant, expected);
        const QVariant value = typed(type, text);
        QCOMPARE(value.typeId(), expected.typeId());
        QCOMPARE(value, expected);
    }

    void leavesWithoutTextOrTypeBecomeEmptyMaps()
    {
        Error error;
        const QVariantMap result =
            decode(reply("Login", "<obj><untyped>text</untyped><empty xsi:type=\"xsd:string\"/>"
                                  "<nil xsi:nil=\"true\"/><list><i xsi:type=\"xsd:int\">1</i>"
                                  "<i xsi:type=\"xsd:int\">2</i></list></obj>"),
                   {"obj"}, error);
        QVERIFY2(!error, qPrintable(error.toString()));
        const QVariantMap obj = result.value("obj").toMap();
        QCOMPARE(obj.value("untyped"), QVariant(QVariantMap()));
        QCOMPARE(obj.value("empty"), QVariant(QVariantMap()));
        QCOMPARE(obj.value("nil"), QVariant(QVariantMap()));
        // Array items are converted as structures, never as leaves.
        QCOMPARE(obj.value("list").toMap().value("i"), QVariant(QVariantList{QVariantMap(), QVariantMap()}));
    }

    void requestedKeys()
    {
        Error error;
        const QVariantMap result =
            decode(reply("Login", "<objUserDetails><m_strName xsi:type=\"xsd:string\">Ann</m_strName>"
                                  "</objUserDetails><strLeaf xsi:type=\"xsd:string\">x</strLeaf>"
                                  "<objUnasked><a xsi:type=\"xsd:int\">1</a></objUnasked>"),
                   {"objUserDetails", "objUserPermissions", "strLeaf"}, error);
        QVERIFY2(!error, qPrintable(error.toString()));
        QCOMPARE(result.keys(), (QStringList{"objUserDetails", "strLeaf"}));
        QCOMPARE(result.value("objUserDetails").toMap().value("m_strName"), QVariant(u"Ann"_s));
        // Conversion starts at the members of a requested element, so a typed leaf comes back empty.
        QCOMPARE(result.value("strLeaf"), QVariant(QVariantMap()));

        QCOMPARE(decode(reply("Login"), {}, error), QVariantMap());
        QVERIFY(!error);
    }

    void conversionNeedsAMap()
    {
        QVERIFY(!wsNSSoapComms::deserialise(QVariant(u"x"_s)));
        QVERIFY(!wsNSSoapComms::deserialise(QVariant(QVariantList{QVariantMap()})));
        QCOMPARE(wsNSSoapComms::deserialise(QVariant(QVariantMap())), QVariantMap());
    }

    void conversionOfADeepCallerMapDoesNotRecurse()
    {
        // Deeper than any reply can be; the walk keeps its own stack.
        QVariantMap deep{{u"v"_s, QVariantMap{{u"text"_s, u"7"_s}, {u"xsi:type"_s, u"xsd:int"_s}}}};
        constexpr int depth = 5000;
        for (int i = 0; i < depth; ++i)
            deep = QVariantMap{{u"n"_s, deep}, {u"s"_s, u"skip"_s}};
        const std::optional<QVariantMap> converted = wsNSSoapComms::deserialise(QVariant(deep));
        QVERIFY(converted);
        QVariantMap level = *converted;
        for (int i = 0; i < depth; ++i) {
            QCOMPARE(level.size(), 1);
            level = level.value("n").toMap();
        }
        QCOMPARE(level.value("v"), QVariant(qlonglong(7)));
    }
};

VENDRA_TEST_MAIN(TestSoapResponse)
#include "tst_soapresponse.moc"
