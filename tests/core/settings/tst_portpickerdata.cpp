#include "settings/PortPickerData.h"

#include "VendraTest.h"

class TestPortPickerData : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void indexOfText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("index");
        QTest::newRow("digits then a letter") << u"80a"_s << 80;
        QTest::newRow("leading blanks") << u"  \t443"_s << 443;
        QTest::newRow("no digits") << u"http"_s << 0;
        QTest::newRow("sign is not a digit") << u"-5"_s << 0;
        // A long number must not wrap round onto a small port.
        QTest::newRow("overlong") << u"4294975376"_s << 2147483647;
    }

    void indexOfText()
    {
        QFETCH(QString, text);
        QFETCH(int, index);
        QCOMPARE(PortPickerData().indexOfItemWithStringValue(text), index);
    }
};

VENDRA_TEST_MAIN(TestPortPickerData)
#include "tst_portpickerdata.moc"
