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
        QTest::newRow("port") << QStringLiteral("8080") << 8080;
        QTest::newRow("digits then a letter") << QStringLiteral("80a") << 80;
        QTest::newRow("leading blanks") << QStringLiteral("  \t443") << 443;
        QTest::newRow("no digits") << QStringLiteral("http") << 0;
        QTest::newRow("empty") << QString() << 0;
        QTest::newRow("sign is not a digit") << QStringLiteral("-5") << 0;
        QTest::newRow("beyond the list") << QStringLiteral("10000") << 10000;
        // A long number must not wrap round onto a small port.
        QTest::newRow("overlong") << QStringLiteral("4294975376") << 2147483647;
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
