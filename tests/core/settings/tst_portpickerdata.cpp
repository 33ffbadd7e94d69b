#include "settings/PortPickerData.h"

#include "VendraTest.h"

class TestPortPickerData : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void indexOfText()
    {
        // The last: a long number must not wrap round onto a small port.
        for (const auto &[text, index] : {std::pair{u"80a"_s, 80},
                                          {u"  \t443"_s, 443},
                                          {u"http"_s, 0},
                                          {u"-5"_s, 0},
                                          {u"4294975376"_s, 2147483647}})
            QCOMPARE(PortPickerData().indexOfItemWithStringValue(text), index);
    }
};

VENDRA_TEST_MAIN(TestPortPickerData)
#include "tst_portpickerdata.moc"
