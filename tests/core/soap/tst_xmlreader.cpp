#include "soap/XMLReader.h"

#include "VendraTest.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace {

QByteArray nested(int depth)
{
    return QByteArray("<a>").repeated(depth) + QByteArray("</a>").repeated(depth);
}

} // namespace

class TestXMLReader : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The expected trees are written as JSON: maps as objects, repeated elements as arrays.
    void trees_data()
    {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<QString>("tree");
        QTest::newRow("attributes, children, repeats")
            << QByteArray(
                   "<r x=\"1\" p:y=\"a&amp;b\"><b>one</b><c/><b>two</b><b>three</b><d><e>deep</e></d></r>")
            << uR"({"r":{"b":[{"text":"one"},{"text":"two"},{"text":"three"}],"c":{},"d":{"e":{"text":"deep"}},)"
               uR"("p:y":"a&b","x":"1"}})"_s;
        QTest::newRow("names as written")
            << QByteArray(
                   "<S:Envelope xmlns:S=\"urn:x\"><S:Body><m:Call xmlns:m=\"urn:y\"/></S:Body></S:Envelope>")
            << uR"({"S:Envelope":{"S:Body":{"m:Call":{"xmlns:m":"urn:y"}},"xmlns:S":"urn:x"}})"_s;
        // One text accumulator for the document: text before a first child goes to that child, text
        // after the last child to the parent.
        QTest::newRow("text around a child")
            << QByteArray("<r>lead<b>x</b>tail</r>") << uR"({"r":{"b":{"text":"leadx"},"text":"tail"}})"_s;
        QTest::newRow("indented") << QByteArray("<r>\n  <b>x</b>\n  <c/>\n</r>")
                                  << uR"({"r":{"b":{"text":"\n  x"},"c":{"text":"\n  "},"text":"\n"}})"_s;
        QTest::newRow("CDATA") << QByteArray("<r><![CDATA[<raw> & ]]>more</r>")
                               << uR"({"r":{"text":"<raw> & more"}})"_s;
        QTest::newRow("small internal entity")
            << QByteArray("<!DOCTYPE r [<!ENTITY e \"ha\">]><r>&e;&e;!</r>")
            << uR"({"r":{"text":"haha!"}})"_s;
        QTest::newRow("external entity not loaded")
            << QByteArray("<!DOCTYPE r [<!ENTITY secret SYSTEM \"file:///etc/passwd\">]><r>&secret;</r>")
            << uR"({"r":{}})"_s;
        QTest::newRow("UTF-8") << QByteArray("<r a=\"Ü\">漢字</r>") << uR"({"r":{"a":"Ü","text":"漢字"}})"_s;
    }
    void trees()
    {
        QFETCH(QByteArray, xml);
        QFETCH(QString, tree);
        Error error;
        const std::optional<QVariantMap> root =
            XMLReader::dictionaryForXMLString(QString::fromUtf8(xml), error);
        QVERIFY(root);
        QCOMPARE(QString::fromUtf8(
                     QJsonDocument(QJsonObject::fromVariantMap(*root)).toJson(QJsonDocument::Compact)),
                 tree);
        QVERIFY(!error);
    }

    // The parse fails one level beyond the limit, keeping the parser's complaint for itself: the
    // caller reports the failure in its own words.
    void depthIsBounded()
    {
        Error error;
        QVERIFY(XMLReader().objectWithData(nested(XMLReader::maximumDepth), error));
        XMLReader reader;
        QVERIFY(!reader.objectWithData(nested(XMLReader::maximumDepth + 1), error));
        QVERIFY(!reader.parseError().isEmpty());
        QVERIFY(!error);
    }
};

VENDRA_TEST_MAIN(TestXMLReader)
#include "tst_xmlreader.moc"
