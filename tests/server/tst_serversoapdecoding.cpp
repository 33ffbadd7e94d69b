// Every reply of the reference server decoded by the uploader's own SOAP layer.
#include "ReferenceServer.h"
#include "ServerTestClient.h"
#include "VendraTest.h"
#include "soap/wsNSSoapComms.h"

namespace {

const QString Namespace = QStringLiteral("http://example.invalid/zrmsoap/zrmuploadtoolservice/");

QVariantMap invoke(const ReferenceServer &server, const QString &method, const QStringList &order,
                   const QVariantMap &params, const QStringList &resultKeys, Error &error)
{
    return wsNSSoapComms::methodInvocationWith(server.soapUrl(), method, Namespace, {{"SOAPAction", method}},
                                               std::nullopt, order, params, resultKeys, error);
}

// The items of a decoded SOAP array: one item arrives as a map, several as a list.
QVariantList items(const QVariant &array)
{
    const QVariant item = array.toMap().value("item");
    if (item.typeId() == QMetaType::QVariantList)
        return item.toList();
    return item.isValid() ? QVariantList{item} : QVariantList{};
}

bool hasType(const QVariantMap &map, const QString &key, QMetaType::Type type)
{
    return map.contains(key) && map.value(key).typeId() == type;
}

} // namespace

class TestServerSoapDecoding : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // First, while the process-wide cookie jar holds no cookie for 127.0.0.1 yet.
    void cookieFaultsAreSeenByTheClient();
    void everyMethodDecodesWithTheClientDecoder();
    void refusalsBecomeTheClientsErrors();
};

void TestServerSoapDecoding::everyMethodDecodesWithTheClientDecoder()
{
    ReferenceServer server;
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    Error error;

    auto result = invoke(server, "CheckVersion", {"strVersion"}, {{"strVersion", "10.LINUX.1.0.0"}},
                         {"objVersionDetails"}, error);
    QVERIFY2(!error, qPrintable(error.toString()));
    const QVariantMap version = result.value("objVersionDetails").toMap();
    QVERIFY(hasType(version, "m_bVersionIsCompatible", QMetaType::Bool));
    QVERIFY(hasType(version, "m_bRunningLatestVersion", QMetaType::Bool));
    QVERIFY(hasType(version, "m_bFileChunkingSupported", QMetaType::Bool));
    QVERIFY(hasType(version, "m_nMaxTransferSize", QMetaType::LongLong));
    QVERIFY(hasType(version, "m_nMaxFileSize", QMetaType::LongLong));
    QCOMPARE(version.value("m_strServiceVersion"), QVariant(QString("1")));
    QVERIFY(hasType(version, "m_strURLForLatestVersion", QMetaType::QString));
    QVERIFY(hasType(version, "m_strLatestVersion", QMetaType::QString));

    result = invoke(server, "Login", {"strUsername", "strPassword"},
                    {{"strUsername", "demo"}, {"strPassword", "demo"}},
                    {"objUserDetails", "objUserPermissions"}, error);
    QVERIFY2(!error, qPrintable(error.toString()));
    QCOMPARE(result.value("objUserDetails").toMap().value("m_strUsername"), QVariant(QString("demo")));
    QVERIFY(hasType(result.value("objUserDetails").toMap(), "m_nUserID", QMetaType::LongLong));
    const QVariantMap rights = result.value("objUserPermissions").toMap();
    QCOMPARE(rights.size(), 12);
    for (auto it = rights.begin(); it != rights.end(); ++it)
        QCOMPARE(it.value(), QVariant(true));

    result = invoke(server, "GetPendingFilesButtonDetails", {}, {}, {"objPendingFilesButtonDetails"}, error);
    QVERIFY2(!error, qPrintable(error.toString()));
    QVERIFY(
        hasType(result.value("objPendingFilesButtonDetails").toMap(), "m_bDisplayed", QMetaType::LongLong));
    result = invoke(server, "GetMyPicturesButtonDetails", {}, {}, {"objMyPicturesButtonDetails"}, error);
    QVERIFY2(!error, qPrintable(error.toString()));
    QVERIFY(result.value("objMyPicturesButtonDetails")
                .toMap()
                .value("m_strLink")
                .toString()
                .contains("/pictures?token="));

    result = invoke(server, "GetQuotaDetails", {}, {}, {"objQuotaDetails"}, error);
    QVERIFY2(!error, qPrintable(error.toString()));
    QCOMPARE(result.value("objQuotaDetails").toMap().value("m_nTotal"), QVariant(qlonglong(10) << 30));

    result = invoke(server, "GetTopLevelAlbums", {}, {}, {"arrTopAlbums"}, error);
    QVERIFY2(!error, qPrintable(error.toString()));
    const QVariantList top = items(result.value("arrTopAlbums"));
    QCOMPARE(top.size(), 2);
    const QVariantMap holidays = top.first().toMap();
    QCOMPARE(holidays.value("m_strName"), QVariant(QString("Holidays")));
    QCOMPARE(holidays.value("m_bHasChildren"), QVariant(true));
    const QString holidaysId = QString::number(holidays.value("m_nAlbumID").toLongLong());

    result = invoke(server, "GetAlbumsByParentAlbumID", {"nAlbumID"}, {{"nAlbumID", holidaysId}},
                    {"arrAlbums"}, error);
    QVERIFY2(!error, qPrintable(error.toString()));
    const QVariantList subs = items(result.value("arrAlbums"));
    QCOMPARE(subs.size(), 1);
    QCOMPARE(subs.first().toMap().value("m_strName"), QVariant(QString("2019")));

    result = invoke(server, "CreateNewTopLevelAlbum", {"strName", "strDescription"},
                    {{"strName", "A & <B> \"C\""}, {"strDescription", "d"}}, {"objAlbumSummary"}, error);
    QVERIFY2(!error, qPrintable(error.toString()));
    const QVariantMap created = result.value("objAlbumSummary").toMap();
    QCOMPARE(created.value("m_strName"), QVariant(QString("A & <B> \"C\"")));
    const QString createdId = QString::number(created.value("m_nAlbumID").toLongLong());

    result = invoke(server, "CreateNewSubAlbum", {"strName", "strDescription", "nParentID"},
                    {{"strName", "Sub"}, {"strDescription", ""}, {"nParentID", createdId}},
                    {"objAlbumSummary"}, error);
    QVERIFY2(!error, qPrintable(error.toString()));
    const QString subId =
        QString::number(result.value("objAlbumSummary").toMap().value("m_nAlbumID").toLongLong());
    QCOMPARE(result.value("objAlbumSummary").toMap().value("m_nParentID").toString(), createdId);

    result = invoke(server, "RenameAlbum", {"nAlbumID", "strNewName"},
                    {{"nAlbumID", subId}, {"strNewName", "Renamed"}}, {"objAlbumSummary"}, error);
    QVERIFY2(!error, qPrintable(error.toString()));
    QCOMPARE(result.value("objAlbumSummary").toMap().value("m_strName"), QVariant(QString("Renamed")));

    // An asset to list, rename and delete; uploaded with the same session cookie.
    ServerTestClient uploader(server);
    QVERIFY(uploader.signIn());
    // The uploader's own session is another user session of demo; albums are the same.
    const auto upload = uploader.upload(subId.toLongLong(), "pic.jpg", "pixels");
    QCOMPARE(upload.result.value("actionresult"), QString("ok"));

    result = invoke(server, "GetAssetsByAlbumID", {"nAlbumID"}, {{"nAlbumID", subId}}, {"arrAssets"}, error);
    QVERIFY2(!error, qPrintable(error.toString()));
    const QVariantList assets = items(result.value("arrAssets"));
    QCOMPARE(assets.size(), 1);
    const QVariantMap asset = assets.first().toMap();
    QCOMPARE(asset.value("m_strFilename"), QVariant(QString("pic.jpg")));
    QCOMPARE(asset.value("m_nFilesize"), QVariant(qlonglong(6)));
    QCOMPARE(asset.value("m_bPending"), QVariant(true));
    const QString assetId = QString::number(asset.value("m_nAssetID").toLongLong());

    result = invoke(server, "RenameAsset", {"nAssetID", "strNewName"},
                    {{"nAssetID", assetId}, {"strNewName", "p2.jpg"}}, {"objAssetSummary"}, error);
    QVERIFY2(!error, qPrintable(error.toString()));
    QCOMPARE(result.value("objAssetSummary").toMap().value("m_strFilename"), QVariant(QString("p2.jpg")));

    result = invoke(server, "DeleteAsset", {"nAssetID"}, {{"nAssetID", assetId}}, {}, error);
    QVERIFY2(!error, qPrintable(error.toString()));
    result = invoke(server, "DeleteAlbum", {"nAlbumID"}, {{"nAlbumID", createdId}}, {}, error);
    QVERIFY2(!error, qPrintable(error.toString()));
    result = invoke(server, "Logout", {}, {}, {}, error);
    QVERIFY2(!error, qPrintable(error.toString()));
}

void TestServerSoapDecoding::refusalsBecomeTheClientsErrors()
{
    ReferenceServer server;
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    Error error;
    invoke(server, "CheckVersion", {"strVersion"}, {{"strVersion", "1.0"}}, {"objVersionDetails"}, error);
    QVERIFY(!error);
    invoke(server, "Login", {"strUsername", "strPassword"},
           {{"strUsername", "demo"}, {"strPassword", "wrong"}}, {"objUserDetails"}, error);
    QCOMPARE(error.domain(), QString("SOAP-Result"));
    QCOMPARE(error.messageKey(), QString("LOGIN_USER_NOT_FOUND"));
    error.clear();
    invoke(server, "GetTopLevelAlbums", {}, {}, {"arrTopAlbums"}, error);
    QCOMPARE(error.messageKey(), QString("NOT_LOGGED_IN"));
}

void TestServerSoapDecoding::cookieFaultsAreSeenByTheClient()
{
    ReferenceServer server;
    ReferenceServer::Options options;
    options.arguments = QStringList{"--fault", "secure-cookie"};
    QVERIFY2(server.start(options), qPrintable(server.errorString()));
    Error error;
    invoke(server, "CheckVersion", {"strVersion"}, {{"strVersion", "1.0"}}, {"objVersionDetails"}, error);
    QCOMPARE(error.domain(), QString("SOAP-Connection"));
    QCOMPARE(error.code(), 9003);
}

VENDRA_TEST_MAIN(TestServerSoapDecoding)
#include "tst_serversoapdecoding.moc"
