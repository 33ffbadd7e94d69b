#include "soap/NSStringExtended.h"

#include "VendraTest.h"

using namespace NSStringExtended;

class TestStringEscaping : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void escaping_data()
    {
        QTest::addColumn<QString>("plain");
        QTest::addColumn<QString>("escaped");
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("all three") << "a<b>&c"
                                   << "a&lt;b&gt;&amp;c";
        QTest::newRow("quotes and non-ASCII pass") << "\"It's\" ü 漢"
                                                   << "\"It's\" ü 漢";
        QTest::newRow("existing entity escaped again") << "&amp;"
                                                       << "&amp;amp;";
    }
    void escaping()
    {
        QFETCH(QString, plain);
        QFETCH(QString, escaped);
        QCOMPARE(stringByAddingHTMLEntities(plain), escaped);
    }

    void unescaping_data()
    {
        QTest::addColumn<QString>("escaped");
        QTest::addColumn<QString>("plain");
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("all three") << "&lt;&gt;&amp;"
                                   << "<>&";
        // The ampersand pass runs first, so an escaped entity collapses to its character.
        QTest::newRow("amp then lt") << "x&amp;lt;y"
                                     << "x<y";
        QTest::newRow("amp then gt") << "&amp;gt;"
                                     << ">";
        QTest::newRow("lone ampersand") << "Tom & Jerry &"
                                        << "Tom & Jerry &";
        QTest::newRow("other entities untouched") << "&quot;&#60;&apos;"
                                                  << "&quot;&#60;&apos;";
    }
    void unescaping()
    {
        QFETCH(QString, escaped);
        QFETCH(QString, plain);
        QCOMPARE(stringByRemovingHTMLEntites(escaped), plain);
    }
};

VENDRA_TEST_MAIN(TestStringEscaping)
#include "tst_stringescaping.moc"
