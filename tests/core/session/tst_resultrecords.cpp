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

    void lookupsForgiveMissingAndIllTypedEntries()
    {
        const QVariantMap d{{u"empty"_s, QVariantMap()},        {u"list"_s, QVariantList{1}},
                            {u"long"_s, qlonglong(5000000000)}, {u"real"_s, 2.5},
                            {u"text"_s, u" -42abc"_s},          {u"big"_s, u"99999999999"_s},
                            {u"garbage"_s, u"12abc"_s}};
        QVERIFY(!soapResultsBase::getNumber(u"missing"_s, d).isValid());
        QVERIFY(!soapResultsBase::getNumber(u"empty"_s, d).isValid());
        QVERIFY(!soapResultsBase::getNumber(u"garbage"_s, d).isValid());
        QCOMPARE(soapResultsBase::getIntNumber(u"missing"_s, d), 0);
        QCOMPARE(soapResultsBase::getLongNumber(u"list"_s, d), 0);
        QCOMPARE(soapResultsBase::getBoolean(u"empty"_s, d), false);
        // An empty string element arrives as an empty dictionary.
        QCOMPARE(soapResultsBase::getString(u"empty"_s, d), QString());
        QCOMPARE(soapResultsBase::getString(u"missing"_s, d), QString());

        // Numbers keep their width; strings parse their leading number and saturate.
        QCOMPARE(soapResultsBase::getNumber(u"long"_s, d).typeId(), QMetaType::LongLong);
        QCOMPARE(soapResultsBase::getString(u"long"_s, d), u"5000000000"_s);
        QCOMPARE(soapResultsBase::getNumber(u"real"_s, d).toDouble(), 2.5);
        QCOMPARE(soapResultsBase::getIntNumber(u"real"_s, d), 2);
        QCOMPARE(soapResultsBase::getIntNumber(u"text"_s, d), -42);
        QCOMPARE(soapResultsBase::getIntNumber(u"big"_s, d), 2147483647);
        QCOMPARE(soapResultsBase::getLongNumber(u"big"_s, d), 99999999999LL);
    }

    void numberStringsUseTheUsersLocale()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        QCOMPARE(soapResultsBase::getNumber(u"n"_s, {{u"n"_s, u"1,234,567"_s}}).toLongLong(), 1234567);
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QCOMPARE(soapResultsBase::getNumber(u"n"_s, {{u"n"_s, u"1.234.567"_s}}).toLongLong(), 1234567);
    }

    void booleansFromStringsAndNumbers()
    {
        const QList<std::pair<QVariant, bool>> cases{
            {u"1"_s, true},    {u"TrUe"_s, true},    {u"0"_s, false},         {u"false"_s, false},
            {u"yes"_s, false}, {qlonglong(2), true}, {QVariant(false), false}};
        for (const auto &[value, expected] : cases)
            QVERIFY2(soapResultsBase::getBoolean(u"b"_s, {{u"b"_s, value}}) == expected,
                     qPrintable(value.toString()));
    }

    // A missing or non-positive transfer size falls back to 2 GiB rather than blocking every upload.
    void checkVersionDefaults()
    {
        soapCheckVersion &version = m_globals->results().checkVersion();
        QVERIFY(!version.deserialise({}));
        for (const QVariant &size : {QVariant(qlonglong(0)), QVariant(qlonglong(-5)), QVariant()}) {
            QVariantMap details{{u"m_bVersionIsCompatible"_s, true}};
            if (size.isValid())
                details.insert(u"m_nMaxTransferSize"_s, size);
            QVERIFY(version.deserialise({{u"objVersionDetails"_s, details}}));
            QCOMPARE(version.nMaxTransferSize().toDouble(), 2147483648.0);
            QVERIFY(!version.strServiceVersion().isEmpty());
            QVERIFY(version.bVersionIsCompatible());
        }
        QVERIFY(version.deserialise(
            {{u"objVersionDetails"_s, QVariantMap{{u"m_nMaxTransferSize"_s, qlonglong(1000)},
                                                  {u"m_strServiceVersion"_s, u"7"_s},
                                                  {u"m_strLatestVersion"_s, u"9.9"_s}}}}));
        QCOMPARE(version.nMaxTransferSize().toLongLong(), 1000);
        QCOMPARE(version.strServiceVersion(), u"7"_s);
        QCOMPARE(m_globals->strLatestVersion(), u"9.9"_s);
        QVERIFY(!version.bVersionIsCompatible());
    }

    // Rights of an earlier sign-in must not survive a reply without user details.
    void loginWithoutUserDetailsOverwritesEveryRight()
    {
        soapLogin &login = m_globals->results().login();
        using Right = bool (soapLogin::*)() const;
        const QList<std::pair<QString, Right>> rights{
            {u"m_bCreateTopLevelAlbum"_s, &soapLogin::bCreateTopLevelAlbum},
            {u"m_bCreateSubAlbum"_s, &soapLogin::bCreateSubAlbum},
            {u"m_bRenameTopLevelAlbum"_s, &soapLogin::bRenameTopLevelAlbum},
            {u"m_bRenameSubAlbum"_s, &soapLogin::bRenameSubAlbum},
            {u"m_bDeleteTopLevelAlbum"_s, &soapLogin::bDeleteTopLevelAlbum},
            {u"m_bDeleteSubAlbum"_s, &soapLogin::bDeleteSubAlbum},
            {u"m_bDeleteAsset"_s, &soapLogin::bDeleteAsset},
            {u"m_bRenameAsset"_s, &soapLogin::bRenameAsset},
            {u"m_bUpload"_s, &soapLogin::bUpload},
            {u"m_bSeeQuota"_s, &soapLogin::bSeeQuota},
            {u"m_bCanUseMyPicturesButton"_s, &soapLogin::bCanUseMyPicturesButton},
            {u"m_bHavePendingFilesButton"_s, &soapLogin::bHavePendingFilesButton}};
        // Each right on its own, so that a right read from the wrong key or left standing shows.
        const QVariantMap user{{u"m_nUserID"_s, qlonglong(7)}, {u"m_strUsername"_s, u"demo"_s}};
        for (const auto &[key, right] : rights) {
            QVERIFY(login.deserialise(
                {{u"objUserDetails"_s, user}, {u"objUserPermissions"_s, QVariantMap{{key, true}}}}));
            for (const auto &[otherKey, other] : rights)
                QCOMPARE((login.*other)(), otherKey == key);
            QCOMPARE(login.strUserID().typeId(), QMetaType::LongLong);
            QCOMPARE(login.strUserName().toString(), u"demo"_s);
            QVERIFY(!login.strEmail().isValid());
            QVERIFY(!login.deserialise({}));
            QVERIFY2(!(login.*right)(), qPrintable(key));
            QVERIFY(!login.strUserID().isValid());
        }
    }

    // The pending-files button is shown only by a number, the pictures button by any true value.
    void buttonsAndQuota()
    {
        soapResults &results = m_globals->results();
        QVERIFY(results.pendingFilesButton().deserialise(
            {{u"objPendingFilesButtonDetails"_s,
              QVariantMap{{u"m_bDisplayed"_s, u"true"_s}, {u"m_strLink"_s, u"http://x/p"_s}}}}));
        QVERIFY(results.pictureButtonDetails().deserialise(
            {{u"objMyPicturesButtonDetails"_s, QVariantMap{{u"m_bDisplayed"_s, u"true"_s}}}}));
        QCOMPARE(results.pendingFilesButton().bDisplayed(), 0);
        QCOMPARE(results.pendingFilesButton().strLink().toString(), u"http://x/p"_s);
        QVERIFY(results.pictureButtonDetails().bDisplayed());

        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        soapGetQuotaDetails &quota = results.quotaDetails();
        QVERIFY(quota.deserialise(
            {{u"objQuotaDetails"_s,
              QVariantMap{{u"m_nUsed"_s, u"1,024"_s}, {u"m_nTotal"_s, qlonglong(10737418240)}}}}));
        QCOMPARE(quota.nUsed().toLongLong(), 1024);
        QCOMPARE(quota.nTotal().toLongLong(), 10737418240LL);
        QVERIFY(!quota.nNumberOfFiles().isValid());
    }
};

VENDRA_TEST_MAIN(TestResultRecords)
#include "tst_resultrecords.moc"
