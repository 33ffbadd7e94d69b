#include "common/MessageText.h"

#include "VendraTest.h"

class TestMessageText : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void keysShowTheirTextOrThemselves()
    {
        QCOMPARE(messageText(u"CONNECTION_COOKIE_NOT_FOUND"_s),
                 u"The server did not start a session (no cookie was set)."_s);
        QCOMPARE(messageText(u"LOGIN_SOMETHING_NEW"_s), u"LOGIN_SOMETHING_NEW"_s);
        QCOMPARE(messageText(u"Ünïcode key"_s), u"Ünïcode key"_s);
    }
};

VENDRA_TEST_MAIN(TestMessageText)
#include "tst_messagetext.moc"
