#include "session/commsGlobals.h"
#include "session/soapResults.h"
#include "session/wsCoreComms.h"

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
        const QVariantMap d{{u"empty"_s, QVariantMap()},
                            {u"long"_s, qlonglong(5000000000)},
                            {u"real"_s, 2.5},
                            {u"text"_s, u" -42abc"_s},
                            {u"big"_s, u"99999999999"_s},
                            {u"garbage"_s, u"12abc"_s},
                            {u"true"_s, u"TrUe"_s},
                            {u"yes"_s, u"yes"_s},
                            {u"two"_s, qlonglong(2)}};
        QVERIFY(!soapResultsBase::getNumber(u"missing"_s, d).isValid());
        QVERIFY(!soapResultsBase::getNumber(u"empty"_s, d).isValid());
        QVERIFY(!soapResultsBase::getNumber(u"garbage"_s, d).isValid());
        QCOMPARE(soapResultsBase::getBoolean(u"yes"_s, d), false);
        QVERIFY(soapResultsBase::getBoolean(u"true"_s, d) && soapResultsBase::getBoolean(u"two"_s, d));
        // An empty string element arrives as an empty dictionary.
        QCOMPARE(soapResultsBase::getString(u"empty"_s, d), QString());

        // Numbers keep their width; strings parse their leading number and saturate.
        QCOMPARE(soapResultsBase::getNumber(u"long"_s, d).typeId(), QMetaType::LongLong);
        QCOMPARE(soapResultsBase::getString(u"long"_s, d), u"5000000000"_s);
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

    // A missing or non-positive transfer size falls back to 2 GiB rather than blocking every upload.
    void checkVersionDefaults()
    {
        soapCheckVersion &version = m_globals->results().checkVersion();
        QVERIFY(!version.deserialise({}));
        for (const QVariant &size : {QVariant(qlonglong(-5)), QVariant()}) {
            QVariantMap details{{u"m_bVersionIsCompatible"_s, true}};
            if (size.isValid())
                details.insert(u"m_nMaxTransferSize"_s, size);
            QVERIFY(version.deserialise({{u"objVersionDetails"_s, details}}));
            QCOMPARE(version.nMaxTransferSize().toDouble(), 2147483648.0);
            QVERIFY(!version.strServiceVersion().isEmpty());
            QVERIFY(version.bVersionIsCompatible());
        }
        // Without its flag, a version is not compatible.
        QVERIFY(version.deserialise(
            {{u"objVersionDetails"_s, QVariantMap{{u"m_nMaxTransferSize"_s, qlonglong(1000)}}}}));
        QCOMPARE(version.nMaxTransferSize().toLongLong(), 1000);
        QVERIFY(!version.bVersionIsCompatible());
    }

    // Rights of an earlier sign-in must not survive a reply without user details.
    void loginWithoutUserDetailsOverwritesEveryRight()
    {
        soapLogin &login = m_globals->results().login();
        QVariantMap rights;
        for (const QString &key :
             {u"m_bCreateTopLevelAlbum"_s, u"m_bDeleteAsset"_s, u"m_bUpload"_s, u"m_bSeeQuota"_s})
            rights.insert(key, true);
        const QVariantMap user{{u"m_nUserID"_s, qlonglong(7)}, {u"m_strUsername"_s, u"demo"_s}};
        const auto rightsNow = [&login] {
            return QList<bool>{login.bCreateTopLevelAlbum(), login.bDeleteAsset(), login.bUpload(),
                               login.bSeeQuota()};
        };
        QVERIFY(login.deserialise({{u"objUserDetails"_s, user}, {u"objUserPermissions"_s, rights}}));
        QCOMPARE(rightsNow(), QList<bool>(4, true));
        QCOMPARE(login.strUserID().typeId(), QMetaType::LongLong);
        QVERIFY(!login.deserialise({}));
        QCOMPARE(rightsNow(), QList<bool>(4, false));
        QVERIFY(!login.strUserID().isValid());
    }

    // A rename counts only when the server echoes the same ID and exactly the new name.
    void renamesCountOnlyWhenEchoedExactly()
    {
        const QVariantMap reply{{u"objAlbumSummary"_s,
                                 QVariantMap{{u"m_nAlbumID"_s, u"7"_s}, {u"m_strName"_s, u"Kin & <Co>"_s}}}};
        QVERIFY(wsCoreComms::checkRenameFolderAsset(7, reply, u"Kin & <Co>"_s));
        QVERIFY(!wsCoreComms::checkRenameFolderAsset(7, reply, u"Kin & <Co> "_s));
        QVERIFY(!wsCoreComms::checkRenameFolderAsset(8, reply, u"Kin & <Co>"_s));
        QVERIFY(!wsCoreComms::checkRenameFileAsset(7, reply, u"Kin & <Co>"_s));
    }
};

VENDRA_TEST_MAIN(TestResultRecords)
#include "tst_resultrecords.moc"
