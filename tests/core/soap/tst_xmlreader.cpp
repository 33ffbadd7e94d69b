#include "soap/XMLReader.h"
#include "soap/wsNSSoapComms.h"

#include "VendraTest.h"

namespace {

QVariantMap read(const QByteArray &xml)
{
    Error error;
    const std::optional<QVariantMap> tree = XMLReader::dictionaryForXMLData(xml, error);
    if (!tree)
        qWarning("not read: %s", xml.left(200).constData());
    return tree.value_or(QVariantMap{{u"failed"_s, true}});
}

QVariantMap map(const QVariantMap &parent, const char *key)
{
    return parent.value(QLatin1String(key)).toMap();
}

QByteArray nested(int depth)
{
    return QByteArray("<a>").repeated(depth) + QByteArray("</a>").repeated(depth);
}

} // namespace

class TestXMLReader : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void elementsAttributesAndRepeats()
    {
        const QVariantMap root = read("<r x=\"1\" p:y=\"a&amp;b\"><b>one</b><c/><b>two</b><b>three</b>"
                                      "<d><e>deep</e></d></r>");
        QCOMPARE(root.keys(), QStringList{"r"});
        const QVariantMap r = map(root, "r");
        QCOMPARE(r.value("x"), QVariant(u"1"_s));
        QCOMPARE(r.value("p:y"), QVariant(u"a&b"_s));
        QCOMPARE(r.value("c"), QVariant(QVariantMap()));
        QCOMPARE(map(map(r, "d"), "e").value("text"), QVariant(u"deep"_s));
        const QVariantList bs = r.value("b").toList();
        QCOMPARE(bs.size(), 3);
        QCOMPARE(bs.at(0).toMap().value("text").toString(), u"one"_s);
        QCOMPARE(bs.at(2).toMap().value("text").toString(), u"three"_s);
        QVERIFY(!r.contains("text"));
    }

    void namesStayAsWritten()
    {
        const QVariantMap root =
            read("<S:Envelope xmlns:S=\"urn:x\"><S:Body><m:Call xmlns:m=\"urn:y\"/></S:Body></S:Envelope>");
        const QVariantMap envelope = map(root, "S:Envelope");
        QCOMPARE(envelope.value("xmlns:S").toString(), u"urn:x"_s);
        QVERIFY(map(envelope, "S:Body").contains("m:Call"));
    }

    void oneTextAccumulatorForTheDocument()
    {
        // Text before a first child goes to that child, text after the last child to the parent.
        const QVariantMap r = map(read("<r>lead<b>x</b>tail</r>"), "r");
        QCOMPARE(map(r, "b").value("text").toString(), u"leadx"_s);
        QCOMPARE(r.value("text").toString(), u"tail"_s);

        const QVariantMap indented = map(read("<r>\n  <b>x</b>\n  <c/>\n</r>"), "r");
        QCOMPARE(map(indented, "b").value("text").toString(), u"\n  x"_s);
        QCOMPARE(map(indented, "c").value("text").toString(), u"\n  "_s);
        QCOMPARE(indented.value("text").toString(), u"\n"_s);

        const QVariantMap cdata = map(read("<r><![CDATA[<raw> & ]]>more</r>"), "r");
        QCOMPARE(cdata.value("text").toString(), u"<raw> & more"_s);
    }

    void depthIsBounded()
    {
        QVERIFY(!read(nested(XMLReader::maximumDepth)).contains("failed"));
        Error error;
        XMLReader reader;
        QVERIFY(!reader.objectWithData(nested(XMLReader::maximumDepth + 1), error));
        QVERIFY(!reader.parseError().isEmpty());
        QVERIFY(!error);
    }

    void hostileRepliesFailWithTheParseError_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::newRow("a million levels deep") << nested(1000000);
        QTest::newRow("a million open elements, never closed") << QByteArray("<a>").repeated(1000000);
        QByteArray laughs = "<?xml version=\"1.0\"?><!DOCTYPE lolz [<!ENTITY lol \"lol\">";
        laughs += "<!ENTITY lol1 \"&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;\">";
        for (int i = 2; i <= 9; ++i) {
            laughs += "<!ENTITY lol" + QByteArray::number(i) + " \"";
            for (int j = 0; j < 10; ++j)
                laughs += "&lol" + QByteArray::number(i - 1) + ";";
            laughs += "\">";
        }
        laughs += "]><SOAP-ENV:Envelope><SOAP-ENV:Body>&lol9;</SOAP-ENV:Body></SOAP-ENV:Envelope>";
        QTest::newRow("billion laughs") << laughs;
        QTest::newRow("not XML") << QByteArray("HTTP gateway error: upstream timed out");
        QTest::newRow("JSON") << QByteArray("{\"SOAP-ENV:Envelope\": {}}");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("truncated") << QByteArray("<SOAP-ENV:Envelope><SOAP-ENV:Body>");
        QTest::newRow("two roots") << QByteArray("<a/><b/>");
        QTest::newRow("undeclared prefix is fine, bad nesting is not") << QByteArray("<x:a><b></x:a></b>");
    }
    void hostileRepliesFailWithTheParseError()
    {
        QFETCH(QByteArray, reply);
        XMLReader reader;
        Error error;
        QVERIFY(!reader.objectWithData(reply, error));
        const QVariantMap result = wsNSSoapComms::deserialise(u"Login"_s, reply, {"objUserDetails"}, error);
        QCOMPARE(error.domain(), u"SOAP-ENV:Response"_s);
        QCOMPARE(error.code(), 9002);
        QCOMPARE(error.messageKey(), u"SOAP_PARSE_NOT_VALID_CONTENT"_s);
        QCOMPARE(error.description(), messageText(u"SOAP_PARSE_NOT_VALID_CONTENT"_s));
        QVERIFY(result.isEmpty());
    }

    void smallInternalEntitiesStillExpand()
    {
        const QVariantMap r = map(read("<!DOCTYPE r [<!ENTITY e \"ha\">]><r>&e;&e;!</r>"), "r");
        QCOMPARE(r.value("text").toString(), u"haha!"_s);
    }

    void externalEntitiesAreNotLoaded()
    {
        Error error;
        const std::optional<QVariantMap> tree = XMLReader::dictionaryForXMLData(
            "<!DOCTYPE r [<!ENTITY secret SYSTEM \"file:///etc/passwd\">]><r>&secret;</r>", error);
        if (tree)
            QVERIFY(!map(*tree, "r").value("text").toString().contains(u"root:"_s));
    }

    void stringInputIsReadAsUtf8()
    {
        Error error;
        const std::optional<QVariantMap> tree =
            XMLReader::dictionaryForXMLString(u"<r a=\"Ü\">漢字</r>"_s, error);
        QVERIFY(tree);
        QCOMPARE(map(*tree, "r").value("text").toString(), u"漢字"_s);
        QCOMPARE(map(*tree, "r").value("a").toString(), u"Ü"_s);
    }
};

VENDRA_TEST_MAIN(TestXMLReader)
#include "tst_xmlreader.moc"
