#include "common/Error.h"
#include "common/MessageText.h"

#include "VendraTest.h"

class TestMessageText : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void knownKeyHasItsText()
    {
        const QString text = messageText(QStringLiteral("SOAP_PARSE_MISSING_BODY"));
        QVERIFY(!text.isEmpty());
        QVERIFY(text != QLatin1String("SOAP_PARSE_MISSING_BODY"));
    }

    void unknownKeyShowsAsItself()
    {
        QCOMPARE(messageText(QStringLiteral("LOGIN_SOMETHING_NEW")), QStringLiteral("LOGIN_SOMETHING_NEW"));
        QCOMPARE(messageText(QStringLiteral("Ünïcode key")), QStringLiteral("Ünïcode key"));
    }

    void errorFromMessageKey()
    {
        Error error;
        QVERIFY(!error.isSet());
        error = Error::fromMessageKey(QStringLiteral("SOAP-Body"), 9001,
                                      QStringLiteral("SOAP_PARSE_MISSING_BODY"));
        QVERIFY(error.isSet());
        QCOMPARE(error.domain(), QStringLiteral("SOAP-Body"));
        QCOMPARE(error.code(), 9001);
        QCOMPARE(error.messageKey(), QStringLiteral("SOAP_PARSE_MISSING_BODY"));
        QCOMPARE(error.description(), messageText(QStringLiteral("SOAP_PARSE_MISSING_BODY")));
        error.clear();
        QVERIFY(!error.isSet());
    }
};

VENDRA_TEST_MAIN(TestMessageText)
#include "tst_messagetext.moc"
