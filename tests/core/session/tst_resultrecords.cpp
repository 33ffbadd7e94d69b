#include "session/commsGlobals.h"
#include "session/soapResults.h"

#include "VendraTest.h"

#include <QLocale>

// The forgiving lookups and the records decoded at sign-in, from decoded dictionaries.
class TestResultRecords : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<commsGlobals> m_globals;

private Q_SLOTS:
    void init() { m_globals = std::make_unique<commsGlobals>(); }
    void cleanup()
    {
        m_globals.reset();
        QLocale::setDefault(QLocale::c());
    }

    void lookupsFallBackOnMissingOrIllTypedEntries()
    {
        const QVariantMap d{{QStringLiteral("empty"), QVariantMap()},
                            {QStringLiteral("list"), QVariantList{1}}};
        QVERIFY(!soapResultsBase::getNumber(QStringLiteral("missing"), d).isValid());
        QVERIFY(!soapResultsBase::getNumber(QStringLiteral("empty"), d).isValid());
        QCOMPARE(soapResultsBase::getIntNumber(QStringLiteral("missing"), d), 0);
        QCOMPARE(soapResultsBase::getLongNumber(QStringLiteral("list"), d), 0);
        QCOMPARE(soapResultsBase::getBoolean(QStringLiteral("empty"), d), false);
        // An empty string element arrives as an empty dictionary.
        QCOMPARE(soapResultsBase::getString(QStringLiteral("empty"), d), QString());
        QCOMPARE(soapResultsBase::getString(QStringLiteral("missing"), d), QString());
    }

    void numbersKeepTheirKindAndStringsParse()
    {
        const QVariantMap d{{QStringLiteral("long"), qlonglong(5000000000)},
                            {QStringLiteral("real"), 2.5},
                            {QStringLiteral("text"), QStringLiteral(" -42abc")},
                            {QStringLiteral("big"), QStringLiteral("99999999999")},
                            {QStringLiteral("garbage"), QStringLiteral("12abc")}};
        QCOMPARE(soapResultsBase::getNumber(QStringLiteral("long"), d).typeId(), QMetaType::LongLong);
        QCOMPARE(soapResultsBase::getNumber(QStringLiteral("real"), d).toDouble(), 2.5);
        QVERIFY(!soapResultsBase::getNumber(QStringLiteral("garbage"), d).isValid());
        QCOMPARE(soapResultsBase::getIntNumber(QStringLiteral("text"), d), -42);
        QCOMPARE(soapResultsBase::getIntNumber(QStringLiteral("big"), d), 2147483647);
        QCOMPARE(soapResultsBase::getLongNumber(QStringLiteral("big"), d), 99999999999LL);
        QCOMPARE(soapResultsBase::getIntNumber(QStringLiteral("real"), d), 2);
        QCOMPARE(soapResultsBase::getString(QStringLiteral("long"), d), QStringLiteral("5000000000"));
    }

    void numberStringsUseTheUsersLocale()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        const QVariantMap d{{QStringLiteral("n"), QStringLiteral("1,234,567")}};
        QCOMPARE(soapResultsBase::getNumber(QStringLiteral("n"), d).toLongLong(), 1234567);
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const QVariantMap german{{QStringLiteral("n"), QStringLiteral("1.234.567")}};
        QCOMPARE(soapResultsBase::getNumber(QStringLiteral("n"), german).toLongLong(), 1234567);
    }

    void booleansFromStringsAndNumbers_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<bool>("expected");
        QTest::newRow("text 1") << QVariant(QStringLiteral("1")) << true;
        QTest::newRow("text TrUe") << QVariant(QStringLiteral("TrUe")) << true;
        QTest::newRow("text 0") << QVariant(QStringLiteral("0")) << false;
        QTest::newRow("text false") << QVariant(QStringLiteral("false")) << false;
        QTest::newRow("text yes") << QVariant(QStringLiteral("yes")) << false;
        QTest::newRow("number 2") << QVariant(qlonglong(2)) << true;
        QTest::newRow("bool false") << QVariant(false) << false;
    }

    void booleansFromStringsAndNumbers()
    {
        QFETCH(QVariant, value);
        QFETCH(bool, expected);
        QCOMPARE(soapResultsBase::getBoolean(QStringLiteral("b"), {{QStringLiteral("b"), value}}), expected);
    }

    void checkVersionDefaults()
    {
        soapCheckVersion &version = m_globals->results().checkVersion();
        QVERIFY(!version.deserialise({}));
        QVERIFY(version.strServiceVersion().isEmpty());

        for (const QVariant &size : {QVariant(qlonglong(0)), QVariant(qlonglong(-5)), QVariant()}) {
            QVariantMap details{{QStringLiteral("m_bVersionIsCompatible"), true}};
            if (size.isValid())
                details.insert(QStringLiteral("m_nMaxTransferSize"), size);
            QVERIFY(version.deserialise({{QStringLiteral("objVersionDetails"), details}}));
            QCOMPARE(version.nMaxTransferSize().toDouble(), 2147483648.0);
            QVERIFY(!version.strServiceVersion().isEmpty());
            QVERIFY(version.bVersionIsCompatible());
        }
        QVERIFY(version.deserialise(
            {{QStringLiteral("objVersionDetails"),
              QVariantMap{{QStringLiteral("m_nMaxTransferSize"), qlonglong(1000)},
                          {QStringLiteral("m_strServiceVersion"), QStringLiteral("7")},
                          {QStringLiteral("m_strLatestVersion"), QStringLiteral("9.9")}}}}));
        QCOMPARE(version.nMaxTransferSize().toLongLong(), 1000);
        QCOMPARE(version.strServiceVersion(), QStringLiteral("7"));
        QCOMPARE(m_globals->strLatestVersion(), QStringLiteral("9.9"));
        QVERIFY(!version.bVersionIsCompatible());
    }

    void loginWithoutUserDetailsOverwritesEveryRight()
    {
        soapLogin &login = m_globals->results().login();
        QVariantMap rights;
        for (const char *right :
             {"m_bCreateTopLevelAlbum", "m_bCreateSubAlbum", "m_bRenameTopLevelAlbum", "m_bRenameSubAlbum",
              "m_bDeleteTopLevelAlbum", "m_bDeleteSubAlbum", "m_bDeleteAsset", "m_bRenameAsset", "m_bUpload",
              "m_bSeeQuota", "m_bCanUseMyPicturesButton", "m_bHavePendingFilesButton"})
            rights.insert(QString::fromLatin1(right), true);
        const QVariantMap user{{QStringLiteral("m_nUserID"), qlonglong(7)},
                               {QStringLiteral("m_strUsername"), QStringLiteral("demo")}};
        QVERIFY(login.deserialise(
            {{QStringLiteral("objUserDetails"), user}, {QStringLiteral("objUserPermissions"), rights}}));
        QVERIFY(login.bCreateTopLevelAlbum() && login.bHavePendingFilesButton() && login.bSeeQuota());
        QCOMPARE(login.strUserID().typeId(), QMetaType::LongLong);
        QCOMPARE(login.strUserName().toString(), QStringLiteral("demo"));
        QVERIFY(!login.strEmail().isValid());

        QVERIFY(!login.deserialise({}));
        QVERIFY(!login.bCreateTopLevelAlbum() && !login.bHavePendingFilesButton() && !login.bSeeQuota());
        QVERIFY(!login.strUserID().isValid());
    }

    void theTwoButtonsReadDisplayedDifferently()
    {
        const QVariantMap pending{{QStringLiteral("objPendingFilesButtonDetails"),
                                   QVariantMap{{QStringLiteral("m_bDisplayed"), QStringLiteral("true")},
                                               {QStringLiteral("m_strLink"), QStringLiteral("http://x/p")}}}};
        const QVariantMap pictures{{QStringLiteral("objMyPicturesButtonDetails"),
                                    QVariantMap{{QStringLiteral("m_bDisplayed"), QStringLiteral("true")}}}};
        QVERIFY(m_globals->results().pendingFilesButton().deserialise(pending));
        QVERIFY(m_globals->results().pictureButtonDetails().deserialise(pictures));
        QCOMPARE(m_globals->results().pendingFilesButton().bDisplayed(), 0);
        QCOMPARE(m_globals->results().pendingFilesButton().strLink().toString(),
                 QStringLiteral("http://x/p"));
        QVERIFY(m_globals->results().pictureButtonDetails().bDisplayed());
    }

    void quotaFigures()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        soapGetQuotaDetails &quota = m_globals->results().quotaDetails();
        QVERIFY(quota.deserialise({{QStringLiteral("objQuotaDetails"),
                                    QVariantMap{{QStringLiteral("m_nUsed"), QStringLiteral("1,024")},
                                                {QStringLiteral("m_nTotal"), qlonglong(10737418240)}}}}));
        QCOMPARE(quota.nUsed().toLongLong(), 1024);
        QCOMPARE(quota.nTotal().toLongLong(), 10737418240LL);
        QVERIFY(!quota.nNumberOfFiles().isValid());
    }
};

VENDRA_TEST_MAIN(TestResultRecords)
#include "tst_resultrecords.moc"
