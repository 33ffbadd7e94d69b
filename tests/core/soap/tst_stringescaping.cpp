#include "soap/NSStringExtended.h"

#include "VendraTest.h"

using namespace NSStringExtended;

class TestStringEscaping : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void escaping()
    {
        QCOMPARE(stringByAddingHTMLEntities(u""_s), u""_s);
        QCOMPARE(stringByAddingHTMLEntities(u"a<b>&c"_s), u"a&lt;b&gt;&amp;c"_s);
        QCOMPARE(stringByAddingHTMLEntities(u"\"It's\" ü 漢"_s), u"\"It's\" ü 漢"_s);
        QCOMPARE(stringByAddingHTMLEntities(u"&amp;"_s), u"&amp;amp;"_s);
    }

    void unescaping()
    {
        QCOMPARE(stringByRemovingHTMLEntites(u""_s), u""_s);
        QCOMPARE(stringByRemovingHTMLEntites(u"&lt;&gt;&amp;"_s), u"<>&"_s);
        // The ampersand pass runs first, so an escaped entity collapses to its character.
        QCOMPARE(stringByRemovingHTMLEntites(u"x&amp;lt;y&amp;gt;"_s), u"x<y>"_s);
        QCOMPARE(stringByRemovingHTMLEntites(u"Tom & Jerry &"_s), u"Tom & Jerry &"_s);
        QCOMPARE(stringByRemovingHTMLEntites(u"&quot;&#60;&apos;"_s), u"&quot;&#60;&apos;"_s);
    }
};

VENDRA_TEST_MAIN(TestStringEscaping)
#include "tst_stringescaping.moc"
