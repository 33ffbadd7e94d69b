#include "common/MessageText.h"

#include "VendraTest.h"

class TestMessageText : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void unknownKeyShowsAsItself()
    {
        QCOMPARE(messageText(u"LOGIN_SOMETHING_NEW"_s), u"LOGIN_SOMETHING_NEW"_s);
        QCOMPARE(messageText(u"Ünïcode key"_s), u"Ünïcode key"_s);
    }
};

VENDRA_TEST_MAIN(TestMessageText)
#include "tst_messagetext.moc"
