#include "common/MessageText.h"

#include "VendraTest.h"

class TestMessageText : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void unknownKeyShowsAsItself()
    {
        QCOMPARE(messageText(QStringLiteral("LOGIN_SOMETHING_NEW")), QStringLiteral("LOGIN_SOMETHING_NEW"));
        QCOMPARE(messageText(QStringLiteral("Ünïcode key")), QStringLiteral("Ünïcode key"));
    }
};

VENDRA_TEST_MAIN(TestMessageText)
#include "tst_messagetext.moc"
