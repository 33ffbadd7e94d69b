// The SOAP service of the reference server: reply shape, every method, sessions, rights, faults.
#include "ReferenceServer.h"
#include "ServerTestClient.h"
#include "VendraTest.h"

#include <QDir>
#include <QFileInfo>
#include <QThread>

#include <httplib.h>

namespace {

using Fields = QList<QPair<QString, QString>>; // member name, xsi:type

const Fields VersionFields{
    {"m_bFileChunkingSupported", "xsd:boolean"}, {"m_bRunningLatestVersion", "xsd:boolean"},
    {"m_bVersionIsCompatible", "xsd:boolean"},   {"m_nMaxFileSize", "xsd:long"},
    {"m_nMaxTransferSize", "xsd:long"},          {"m_strLatestVersion", "xsd:string"},
    {"m_strServiceVersion", "xsd:string"},       {"m_strURLForLatestVersion", "xsd:string"}};
const Fields UserFields{{"m_nUserID", "xsd:int"},
                        {"m_strUsername", "xsd:string"},
                        {"m_strDescription", "xsd:string"},
                        {"m_strEmail", "xsd:string"}};
const Fields RightFields{{"m_bCreateTopLevelAlbum", "xsd:boolean"},
                         {"m_bCreateSubAlbum", "xsd:boolean"},
                         {"m_bRenameTopLevelAlbum", "xsd:boolean"},
                         {"m_bRenameSubAlbum", "xsd:boolean"},
                         {"m_bDeleteTopLevelAlbum", "xsd:boolean"},
                         {"m_bDeleteSubAlbum", "xsd:boolean"},
                         {"m_bDeleteAsset", "xsd:boolean"},
                         {"m_bRenameAsset", "xsd:boolean"},
                         {"m_bUpload", "xsd:boolean"},
                         {"m_bSeeQuota", "xsd:boolean"},
                         {"m_bCanUseMyPicturesButton", "xsd:boolean"},
                         {"m_bHavePendingFilesButton", "xsd:boolean"}};
const Fields QuotaFields{{"m_nNumberOfFiles", "xsd:long"}, {"m_nTotal", "xsd:long"}, {"m_nUsed", "xsd:long"}};
const Fields PendingButtonFields{
    {"m_bDisplayed", "xsd:int"}, {"m_strDescription", "xsd:string"}, {"m_strLink", "xsd:string"}};
const Fields PictureButtonFields{
    {"m_bDisplayed", "xsd:boolean"}, {"m_strDescription", "xsd:string"}, {"m_strLink", "xsd:string"}};
const Fields AlbumFields{
    {"m_bCanCreateUnder", "xsd:boolean"}, {"m_bCanDelete", "xsd:boolean"},    {"m_bCanRename", "xsd:boolean"},
    {"m_bHasChildren", "xsd:boolean"},    {"m_bPending", "xsd:boolean"},      {"m_nAlbumID", "xsd:int"},
    {"m_nParentID", "xsd:int"},           {"m_strDescription", "xsd:string"}, {"m_strName", "xsd:string"}};
const Fields AssetFields{{"m_bCanDelete", "xsd:boolean"}, {"m_bCanRename", "xsd:boolean"},
                         {"m_bPending", "xsd:boolean"},   {"m_nAlbumID", "xsd:int"},
                         {"m_nAssetID", "xsd:int"},       {"m_nAssetType", "xsd:int"},
                         {"m_nFilesize", "xsd:long"},     {"m_strFilename", "xsd:string"}};

// Every listed member is there with its type, in that order.
QString checkFields(const XmlNode *structure, const Fields &fields)
{
    if (!structure)
        return u"structure missing"_s;
    if (structure->children.size() != fields.size())
        return u"%1 has %2 members, expected %3"_s.arg(structure->name)
            .arg(structure->children.size())
            .arg(fields.size());
    for (int i = 0; i < fields.size(); ++i) {
        const XmlNode &member = structure->children.at(i);
        if (member.name != fields.at(i).first || member.attributes.value("xsi:type") != fields.at(i).second)
            return u"%1: member %2 is %3 (%4)"_s.arg(structure->name, fields.at(i).first, member.name,
                                                     member.attributes.value("xsi:type"));
    }
    return QString();
}

QString checkArray(const XmlNode *array, const Fields &itemFields, int expectedCount)
{
    if (!array)
        return u"array missing"_s;
    if (array->attributes.value("xsi:type") != QLatin1String("SOAP-ENC:Array"))
        return u"%1 is not typed as an array"_s.arg(array->name);
    if (expectedCount >= 0 && array->children.size() != expectedCount)
        return u"%1 has %2 items, expected %3"_s.arg(array->name)
            .arg(array->children.size())
            .arg(expectedCount);
    for (const XmlNode &item : array->children)
        if (const QString problem = checkFields(&item, itemFields); !problem.isEmpty())
            return problem;
    return QString();
}

#define VERIFY_REPLY(reply)                                                                                  \
    do {                                                                                                     \
        QVERIFY2((reply).shapeProblem.isEmpty(), qPrintable((reply).shapeProblem + "\n" + (reply).body));    \
        QVERIFY2((reply).ok(), qPrintable((reply).apiResponse + " / " + (reply).actionResponse));            \
        QVERIFY((reply).setCookie);                                                                          \
    } while (false)

} // namespace

class TestServerProtocol : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyMethodAnswersInTheExpectedShape();
    void everyReplySetsACookieAndSessionsAreRequired();
    void signInRefusesWrongPasswordsAndUnknownUsers();
    void rightsAndAlbumFlagsAreEnforced();
    void sessionsExpire();
    void versionCheckFollowsTheOptions();
    void stagedSoapFaultsAndCookieFaults();
    void albumNamesAreCheckedAndKeptExactly();
    void albumFoldersFollowRenameAndDelete();
    void malformedRequestsAreRefusedAndTheServerCarriesOn();
    void onlyLargeRepliesAreCompressed();
};

void TestServerProtocol::everyMethodAnswersInTheExpectedShape()
{
    ReferenceServer server;
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    ServerTestClient client(server);

    auto reply = client.call("CheckVersion", {{"strVersion", "10.LINUX.1.0.0"}});
    VERIFY_REPLY(reply);
    QCOMPARE(checkFields(reply.response.child("objVersionDetails"), VersionFields), QString());

    reply = client.call("Login", {{"strUsername", "demo"}, {"strPassword", "demo"}});
    VERIFY_REPLY(reply);
    QCOMPARE(checkFields(reply.response.child("objUserDetails"), UserFields), QString());
    QCOMPARE(checkFields(reply.response.child("objUserPermissions"), RightFields), QString());
    QCOMPARE(reply.response.child("objUserDetails")->leafText("m_strUsername"), QString("demo"));

    reply = client.call("GetPendingFilesButtonDetails");
    VERIFY_REPLY(reply);
    QCOMPARE(checkFields(reply.response.child("objPendingFilesButtonDetails"), PendingButtonFields),
             QString());
    reply = client.call("GetMyPicturesButtonDetails");
    VERIFY_REPLY(reply);
    QCOMPARE(checkFields(reply.response.child("objMyPicturesButtonDetails"), PictureButtonFields), QString());
    QVERIFY(reply.response.child("objMyPicturesButtonDetails")
                ->leafText("m_strLink")
                .startsWith(server.baseUrl().toString()));

    reply = client.call("GetQuotaDetails");
    VERIFY_REPLY(reply);
    QCOMPARE(checkFields(reply.response.child("objQuotaDetails"), QuotaFields), QString());
    QCOMPARE(reply.response.child("objQuotaDetails")->leafText("m_nTotal"), QString::number(10LL << 30));

    reply = client.call("GetTopLevelAlbums");
    VERIFY_REPLY(reply);
    QCOMPARE(checkArray(reply.response.child("arrTopAlbums"), AlbumFields, 2), QString());
    const qint64 holidays = client.topLevelAlbumId("Holidays");
    QVERIFY(holidays > 0);

    reply = client.call("GetAlbumsByParentAlbumID", {{"nAlbumID", QString::number(holidays)}});
    VERIFY_REPLY(reply);
    QCOMPARE(checkArray(reply.response.child("arrAlbums"), AlbumFields, 1), QString());
    const XmlNode &sub = reply.response.child("arrAlbums")->children.first();
    QCOMPARE(sub.leafText("m_strName"), QString("2019"));
    QCOMPARE(sub.leafText("m_nParentID"), QString::number(holidays));

    reply = client.call("CreateNewTopLevelAlbum", {{"strName", "Garden"}, {"strDescription", "Flowers"}});
    VERIFY_REPLY(reply);
    QCOMPARE(checkFields(reply.response.child("objAlbumSummary"), AlbumFields), QString());
    const qint64 garden = reply.response.child("objAlbumSummary")->leafText("m_nAlbumID").toLongLong();
    QCOMPARE(reply.response.child("objAlbumSummary")->leafText("m_strDescription"), QString("Flowers"));

    reply =
        client.call("CreateNewSubAlbum",
                    {{"strName", "Roses"}, {"strDescription", ""}, {"nParentID", QString::number(garden)}});
    VERIFY_REPLY(reply);
    QCOMPARE(checkFields(reply.response.child("objAlbumSummary"), AlbumFields), QString());
    const qint64 roses = reply.response.child("objAlbumSummary")->leafText("m_nAlbumID").toLongLong();
    QCOMPARE(reply.response.child("objAlbumSummary")->leafText("m_nParentID"), QString::number(garden));

    reply = client.call("RenameAlbum", {{"nAlbumID", QString::number(roses)}, {"strNewName", "Tulips"}});
    VERIFY_REPLY(reply);
    QCOMPARE(reply.response.child("objAlbumSummary")->leafText("m_strName"), QString("Tulips"));
    QCOMPARE(reply.response.child("objAlbumSummary")->leafText("m_nAlbumID"), QString::number(roses));

    const auto uploaded = client.upload(roses, "bloom.jpg", "not really a picture");
    QCOMPARE(uploaded.result.value("actionresult"), QString("ok"));
    const QString assetId = uploaded.result.value("assetid");

    reply = client.call("GetAssetsByAlbumID", {{"nAlbumID", QString::number(roses)}});
    VERIFY_REPLY(reply);
    QCOMPARE(checkArray(reply.response.child("arrAssets"), AssetFields, 1), QString());
    const XmlNode &asset = reply.response.child("arrAssets")->children.first();
    QCOMPARE(asset.leafText("m_strFilename"), QString("bloom.jpg"));
    QCOMPARE(asset.leafText("m_nFilesize"), QString("20"));
    QCOMPARE(asset.leafText("m_nAssetID"), assetId);
    QCOMPARE(asset.leafText("m_nAssetType"), QString("1"));

    reply = client.call("RenameAsset", {{"nAssetID", assetId}, {"strNewName", "blossom.jpg"}});
    VERIFY_REPLY(reply);
    QCOMPARE(checkFields(reply.response.child("objAssetSummary"), AssetFields), QString());
    QCOMPARE(reply.response.child("objAssetSummary")->leafText("m_strFilename"), QString("blossom.jpg"));

    reply = client.call("DeleteAsset", {{"nAssetID", assetId}});
    VERIFY_REPLY(reply);
    QCOMPARE(reply.response.children.size(), 1); // just the Result
    reply = client.call("GetAssetsByAlbumID", {{"nAlbumID", QString::number(roses)}});
    QCOMPARE(checkArray(reply.response.child("arrAssets"), AssetFields, 0), QString());

    reply = client.call("DeleteAlbum", {{"nAlbumID", QString::number(garden)}});
    VERIFY_REPLY(reply);
    QCOMPARE(client.topLevelAlbumId("Garden"), -1);
    reply = client.call("GetAlbumsByParentAlbumID", {{"nAlbumID", QString::number(roses)}});
    QCOMPARE(reply.actionResponse, QString("ALBUM_NOT_FOUND"));

    reply = client.call("Logout");
    VERIFY_REPLY(reply);
    QCOMPARE(client.call("GetTopLevelAlbums").apiResponse, QString("NOT_LOGGED_IN"));

    reply = client.call("NoSuchMethod");
    QVERIFY2(reply.shapeProblem.isEmpty(), qPrintable(reply.shapeProblem));
    QCOMPARE(reply.apiResponse, QString("UNKNOWN_METHOD"));
}

void TestServerProtocol::everyReplySetsACookieAndSessionsAreRequired()
{
    ReferenceServer server;
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    ServerTestClient client(server);
    const QStringList needSession{"Logout",
                                  "GetMyPicturesButtonDetails",
                                  "GetPendingFilesButtonDetails",
                                  "GetQuotaDetails",
                                  "GetTopLevelAlbums",
                                  "GetAlbumsByParentAlbumID",
                                  "CreateNewTopLevelAlbum",
                                  "CreateNewSubAlbum",
                                  "RenameAlbum",
                                  "DeleteAlbum",
                                  "GetAssetsByAlbumID",
                                  "RenameAsset",
                                  "DeleteAsset"};
    for (const QString &method : needSession) {
        client.setSessionToken(QString());
        const auto reply = client.call(method, {{"nAlbumID", "1"}, {"nAssetID", "1"}, {"strName", "x"}});
        QVERIFY2(reply.shapeProblem.isEmpty(), qPrintable(method + ": " + reply.shapeProblem));
        QVERIFY2(reply.setCookie && !reply.secureCookie, qPrintable(method));
        QCOMPARE(reply.apiResponse, QString("NOT_LOGGED_IN"));
    }
    client.setSessionToken(QString());
    const auto version = client.call("CheckVersion", {{"strVersion", "10.LINUX.1.0.0"}});
    QVERIFY(version.setCookie && !version.secureCookie);
    // A made-up cookie does not sign anyone in.
    client.setSessionToken(QString(64, QChar('a')));
    QCOMPARE(client.call("GetTopLevelAlbums").apiResponse, QString("NOT_LOGGED_IN"));
    // Nothing was created by the refused calls.
    QVERIFY(client.signIn());
    QCOMPARE(client.topLevelAlbumId("x"), -1);
}

void TestServerProtocol::signInRefusesWrongPasswordsAndUnknownUsers()
{
    ReferenceServer server;
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    ServerTestClient client(server);
    auto reply = client.call("Login", {{"strUsername", "demo"}, {"strPassword", "Demo"}});
    QVERIFY2(reply.shapeProblem.isEmpty(), qPrintable(reply.shapeProblem));
    QCOMPARE(reply.apiResponse, QString("OK"));
    QCOMPARE(reply.actionResponse, QString("USER_NOT_FOUND"));
    QVERIFY(!reply.response.child("objUserDetails"));
    reply = client.call("Login", {{"strUsername", "nobody"}, {"strPassword", "demo"}});
    QCOMPARE(reply.actionResponse, QString("USER_NOT_FOUND"));
    QCOMPARE(client.call("GetTopLevelAlbums").apiResponse, QString("NOT_LOGGED_IN"));

    // Passwords are compared exactly, spaces and all, and never stored as given.
    QCOMPARE(server.runAdmin({"user", "add", "spacey", "--quota", "1M"}, " pass word \n"), 0);
    QVERIFY(!client.signIn("spacey", "pass word"));
    QVERIFY(client.signIn("spacey", " pass word "));
    QFile database(QDir(server.dataDir()).filePath("vendra.sqlite"));
    QVERIFY(database.open(QIODevice::ReadOnly));
    QVERIFY(!database.readAll().contains(" pass word "));
}

void TestServerProtocol::rightsAndAlbumFlagsAreEnforced()
{
    ReferenceServer server;
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    QCOMPARE(server.runAdmin({"user", "add", "viewer", "--rights", "none"}, "secret\n"), 0);
    ServerTestClient viewer(server);
    QVERIFY(viewer.signIn("viewer", "secret"));
    auto reply = viewer.call("Login", {{"strUsername", "viewer"}, {"strPassword", "secret"}});
    for (const XmlNode &right : reply.response.child("objUserPermissions")->children)
        QCOMPARE(right.text, QString("false"));

    QCOMPARE(
        viewer.call("CreateNewTopLevelAlbum", {{"strName", "Mine"}, {"strDescription", ""}}).actionResponse,
        QString("ACCESS_DENIED"));
    QCOMPARE(viewer.call("GetQuotaDetails").actionResponse, QString("ACCESS_DENIED"));
    reply = viewer.call("GetMyPicturesButtonDetails");
    QVERIFY(reply.ok());
    QCOMPARE(reply.response.child("objMyPicturesButtonDetails")->leafText("m_bDisplayed"), QString("false"));
    QCOMPARE(reply.response.child("objMyPicturesButtonDetails")->leafText("m_strLink"), QString());

    // One user cannot see or touch another's albums.
    ServerTestClient demo(server);
    QVERIFY(demo.signIn());
    const qint64 holidays = demo.topLevelAlbumId("Holidays");
    QCOMPARE(viewer.call("DeleteAlbum", {{"nAlbumID", QString::number(holidays)}}).actionResponse,
             QString("ALBUM_NOT_FOUND"));
    QCOMPARE(
        viewer.call("GetAlbumsByParentAlbumID", {{"nAlbumID", QString::number(holidays)}}).actionResponse,
        QString("ALBUM_NOT_FOUND"));
    QCOMPARE(viewer.upload(holidays, "x.jpg", "x").result.value("actionresult"), QString("ACCESS_DENIED"));

    // Rights taken away one by one are refused one by one.
    QCOMPARE(server.runAdmin(
                 {"user", "set", "demo", "--rights", "all,-DeleteTopLevelAlbum,-RenameSubAlbum,-Upload"}),
             0);
    QVERIFY(demo.signIn());
    reply = demo.call("GetTopLevelAlbums");
    const XmlNode &first = reply.response.child("arrTopAlbums")->children.first();
    QCOMPARE(first.leafText("m_bCanDelete"), QString("false"));
    QCOMPARE(demo.call("DeleteAlbum", {{"nAlbumID", QString::number(holidays)}}).actionResponse,
             QString("ACCESS_DENIED"));
    reply = demo.call("GetAlbumsByParentAlbumID", {{"nAlbumID", QString::number(holidays)}});
    const QString sub = reply.response.child("arrAlbums")->children.first().leafText("m_nAlbumID");
    QCOMPARE(demo.call("RenameAlbum", {{"nAlbumID", sub}, {"strNewName", "2020"}}).actionResponse,
             QString("ACCESS_DENIED"));
    QCOMPARE(demo.upload(holidays, "x.jpg", "x").result.value("actionresult"), QString("ACCESS_DENIED"));
    QVERIFY(QDir(server.dataDir() + "/albums/demo/Holidays/2019").exists());

    // Per-album flags: a locked sub-album protects itself and the album above it.
    QCOMPARE(server.runAdmin({"user", "set", "demo", "--rights", "all"}), 0);
    QCOMPARE(server.runAdmin({"album", "flags", "demo", "Holidays/2019", "delete=0", "create-under=0"}), 0);
    QVERIFY(demo.signIn());
    reply = demo.call("GetAlbumsByParentAlbumID", {{"nAlbumID", QString::number(holidays)}});
    QCOMPARE(reply.response.child("arrAlbums")->children.first().leafText("m_bCanDelete"), QString("false"));
    QCOMPARE(reply.response.child("arrAlbums")->children.first().leafText("m_bCanCreateUnder"),
             QString("false"));
    QCOMPARE(demo.call("DeleteAlbum", {{"nAlbumID", sub}}).actionResponse, QString("ACCESS_DENIED"));
    QCOMPARE(demo.call("DeleteAlbum", {{"nAlbumID", QString::number(holidays)}}).actionResponse,
             QString("ACCESS_DENIED"));
    QCOMPARE(demo.call("CreateNewSubAlbum", {{"strName", "x"}, {"strDescription", ""}, {"nParentID", sub}})
                 .actionResponse,
             QString("ACCESS_DENIED"));
    QVERIFY(QDir(server.dataDir() + "/albums/demo/Holidays/2019").exists());
}

void TestServerProtocol::sessionsExpire()
{
    ReferenceServer server;
    ReferenceServer::Options options;
    options.arguments = QStringList{"--session-timeout", "1"};
    QVERIFY2(server.start(options), qPrintable(server.errorString()));
    ServerTestClient client(server);
    QVERIFY(client.signIn());
    const QString token = client.sessionToken();
    QVERIFY(client.call("GetTopLevelAlbums").ok());
    QThread::sleep(3);
    client.setSessionToken(token);
    const auto reply = client.call("GetTopLevelAlbums");
    QVERIFY2(reply.shapeProblem.isEmpty(), qPrintable(reply.shapeProblem));
    QCOMPARE(reply.apiResponse, QString("SESSION_EXPIRED"));
    client.setSessionToken(token);
    QCOMPARE(client.upload(1, "late.jpg", "x").result.value("apiresult"), QString("SESSION_EXPIRED"));
    QVERIFY(!QFileInfo::exists(server.albumFilePath("demo", "Holidays", "late.jpg")));
    QVERIFY(client.signIn());
    QVERIFY(client.call("GetTopLevelAlbums").ok());
}

void TestServerProtocol::versionCheckFollowsTheOptions()
{
    ReferenceServer server;
    ReferenceServer::Options options;
    options.arguments = QStringList{"--min-version",       "2.0",
                                    "--latest-version",    "3.1",
                                    "--upgrade-url",       "https://example.invalid/get",
                                    "--max-transfer-size", "64K"};
    QVERIFY2(server.start(options), qPrintable(server.errorString()));
    ServerTestClient client(server);
    struct Case
    {
        QString reported;
        QString compatible;
        QString latest;
    };
    const QList<Case> cases{{"10.LINUX.1.9.9", "false", "false"},
                            {"20.LINUX.2.0", "true", "false"},
                            {"31.MAC.3.1.0", "true", "true"},
                            {"3.2", "true", "true"},
                            {"garbage", "false", "false"}};
    for (const Case &c : cases) {
        const auto reply = client.call("CheckVersion", {{"strVersion", c.reported}});
        VERIFY_REPLY(reply);
        const XmlNode *details = reply.response.child("objVersionDetails");
        QCOMPARE(details->leafText("m_bVersionIsCompatible"), c.compatible);
        QCOMPARE(details->leafText("m_bRunningLatestVersion"), c.latest);
        QCOMPARE(details->leafText("m_strLatestVersion"), QString("3.1"));
        QCOMPARE(details->leafText("m_strURLForLatestVersion"), QString("https://example.invalid/get"));
        QCOMPARE(details->leafText("m_nMaxTransferSize"), QString("65536"));
    }
}

void TestServerProtocol::stagedSoapFaultsAndCookieFaults()
{
    ReferenceServer server;
    ReferenceServer::Options options;
    options.arguments = QStringList{"--fault", "soap-api=Login:SERVER_BUSY",
                                    "--fault", "soap-action=GetTopLevelAlbums:DATABASE_DOWN",
                                    "--fault", "secure-cookie"};
    QVERIFY2(server.start(options), qPrintable(server.errorString()));
    ServerTestClient client(server);
    auto reply = client.call("CheckVersion", {{"strVersion", "1.0"}});
    QVERIFY(reply.ok());
    QVERIFY(reply.secureCookie);
    reply = client.call("Login", {{"strUsername", "demo"}, {"strPassword", "demo"}});
    QVERIFY2(reply.shapeProblem.isEmpty(), qPrintable(reply.shapeProblem));
    QCOMPARE(reply.apiResponse, QString("SERVER_BUSY"));

    ReferenceServer quiet;
    options.arguments =
        QStringList{"--fault", "no-cookie", "--fault", "soap-action=GetTopLevelAlbums:DATABASE_DOWN"};
    QVERIFY2(quiet.start(options), qPrintable(quiet.errorString()));
    ServerTestClient other(quiet);
    reply = other.call("CheckVersion", {{"strVersion", "1.0"}});
    QVERIFY(reply.ok());
    QVERIFY(!reply.setCookie);
}

void TestServerProtocol::albumNamesAreCheckedAndKeptExactly()
{
    ReferenceServer server;
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    ServerTestClient client(server);
    QVERIFY(client.signIn());

    const QString legal = QString::fromUtf8("Ünïcødé \"quoted\" back\\slash & <angle> 'single' 日本");
    auto reply = client.call("CreateNewTopLevelAlbum", {{"strName", legal}, {"strDescription", "a < b & c"}});
    VERIFY_REPLY(reply);
    QCOMPARE(reply.response.child("objAlbumSummary")->leafText("m_strName"), legal);
    QCOMPARE(reply.response.child("objAlbumSummary")->leafText("m_strDescription"), QString("a < b & c"));
    QVERIFY(QFileInfo(server.dataDir() + "/albums/demo/" + legal).isDir());

    QCOMPARE(
        client.call("CreateNewTopLevelAlbum", {{"strName", legal}, {"strDescription", ""}}).actionResponse,
        QString("NAME_EXISTS"));
    const QString longest(255, QChar('n'));
    QVERIFY(client.call("CreateNewTopLevelAlbum", {{"strName", longest}, {"strDescription", ""}}).ok());

    const QStringList hostile{"",
                              ".",
                              "..",
                              "../outside",
                              "/etc",
                              "a/b",
                              QString(256, QChar('x')),
                              "tab\there",
                              QString::fromUtf8("line\nbreak")};
    const qint64 holidays = client.topLevelAlbumId("Holidays");
    for (const QString &name : hostile) {
        reply = client.call("CreateNewTopLevelAlbum", {{"strName", name}, {"strDescription", ""}});
        QCOMPARE(reply.actionResponse, QString("INVALID_NAME"));
        reply = client.call(
            "CreateNewSubAlbum",
            {{"strName", name}, {"strDescription", ""}, {"nParentID", QString::number(holidays)}});
        QCOMPARE(reply.actionResponse, QString("INVALID_NAME"));
        reply = client.call("RenameAlbum", {{"nAlbumID", QString::number(holidays)}, {"strNewName", name}});
        QCOMPARE(reply.actionResponse, QString("INVALID_NAME"));
    }
    // Nothing appeared beside the data folder or beside the user's folder.
    const QStringList top = QDir(server.dataDir()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    for (const QString &entry : top)
        QVERIFY2(QStringList({"albums", "incoming", "trash", "vendra.sqlite", "vendra.sqlite-wal",
                              "server.lock", "vendra.sqlite-shm"})
                     .contains(entry),
                 qPrintable(entry));
    QCOMPARE(QDir(server.dataDir() + "/albums").entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList{"demo"});
    QVERIFY(QDir(server.dataDir() + "/albums/demo/Holidays").exists());
}

void TestServerProtocol::albumFoldersFollowRenameAndDelete()
{
    ReferenceServer server;
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    ServerTestClient client(server);
    QVERIFY(client.signIn());
    const qint64 holidays = client.topLevelAlbumId("Holidays");
    auto reply = client.call("GetAlbumsByParentAlbumID", {{"nAlbumID", QString::number(holidays)}});
    const qint64 sub =
        reply.response.child("arrAlbums")->children.first().leafText("m_nAlbumID").toLongLong();
    QCOMPARE(client.upload(sub, "photo.jpg", "12345").result.value("actionresult"), QString("ok"));
    QVERIFY(QFileInfo::exists(server.albumFilePath("demo", "Holidays/2019", "photo.jpg")));

    QVERIFY(
        client.call("RenameAlbum", {{"nAlbumID", QString::number(holidays)}, {"strNewName", "Trips"}}).ok());
    QVERIFY(!QFileInfo::exists(server.dataDir() + "/albums/demo/Holidays"));
    QFile moved(server.albumFilePath("demo", "Trips/2019", "photo.jpg"));
    QVERIFY(moved.open(QIODevice::ReadOnly));
    QCOMPARE(moved.readAll(), QByteArray("12345"));
    QCOMPARE(client.call("RenameAlbum", {{"nAlbumID", QString::number(holidays)}, {"strNewName", "Family"}})
                 .actionResponse,
             QString("NAME_EXISTS"));
    QVERIFY(QFileInfo::exists(server.dataDir() + "/albums/demo/Trips"));

    QVERIFY(client.call("DeleteAlbum", {{"nAlbumID", QString::number(holidays)}}).ok());
    QVERIFY(!QFileInfo::exists(server.dataDir() + "/albums/demo/Trips"));
    QCOMPARE(client.call("GetAssetsByAlbumID", {{"nAlbumID", QString::number(sub)}}).actionResponse,
             QString("ALBUM_NOT_FOUND"));
    reply = client.call("GetQuotaDetails");
    QCOMPARE(reply.response.child("objQuotaDetails")->leafText("m_nUsed"), QString("0"));
    QCOMPARE(reply.response.child("objQuotaDetails")->leafText("m_nNumberOfFiles"), QString("0"));
}

void TestServerProtocol::malformedRequestsAreRefusedAndTheServerCarriesOn()
{
    ReferenceServer server;
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    ServerTestClient client(server);
    const QString soap = u"/soap/soap_server_uploadtool.hvxr"_s;
    QCOMPARE(client.send("POST", soap, "not xml at all", "text/xml", false), 500);
    QCOMPARE(client.send("POST", soap, "<a><b></a>", "text/xml", true), 500);
    QCOMPARE(client.send("POST", soap, "--x\r\n\r\n--x--\r\n", "multipart/form-data; boundary=x", false),
             500);
    QByteArray deep;
    for (int i = 0; i < 100; ++i)
        deep += "<e>";
    QCOMPARE(client.send("POST", soap, "<SOAP-ENV:Envelope><SOAP-ENV:Body>" + deep, "text/xml", false), 500);
    // Bodies beyond what a request can need are cut off, whether announced or chunked.
    const QByteArray huge(3 * 1024 * 1024, 'x');
    QCOMPARE(client.send("POST", soap, huge, "text/xml", false), 413);
    QVERIFY(QList<int>({413, 0}).contains(client.send("POST", soap, huge, "text/xml", true)));
    QVERIFY(QList<int>({404, 0}).contains(client.send("POST", "/elsewhere", huge, "text/plain", true)));
    QVERIFY(QList<int>({405, 0}).contains(client.send("PUT", soap, huge, "text/xml", true)));
    QVERIFY(QList<int>({400, 403, 0})
                .contains(client.send("POST", "/pending/approve", huge, "text/plain", true)));
    ServerTestClient fresh(server);
    QVERIFY(fresh.signIn());
    QVERIFY(server.isRunning());
}

void TestServerProtocol::onlyLargeRepliesAreCompressed()
{
    ReferenceServer server;
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    ServerTestClient client(server);
    QVERIFY(client.signIn());
    // About half a kilobyte per album: enough for a top-level list of more than 14 KiB.
    for (int i = 0; i < 40; ++i) {
        const auto created = client.call(
            "CreateNewTopLevelAlbum",
            {{"strName", u"Album %1 with a name long enough to count"_s.arg(i)}, {"strDescription", ""}});
        VERIFY_REPLY(created);
    }

    httplib::Client http(server.host().toStdString(), server.port());
    http.set_decompress(false);
    const auto post = [&](const QString &method, const std::string &acceptEncoding) {
        const std::string body =
            "<?xml version=\"1.0\" encoding=\"utf-8\"?><SOAP-ENV:Envelope "
            "xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\"><SOAP-ENV:Body><m:" +
            method.toStdString() + " xmlns:m=\"urn:x\"/></SOAP-ENV:Body></SOAP-ENV:Envelope>";
        const httplib::Headers headers{{"SOAPAction", method.toStdString()},
                                       {"Accept-Encoding", acceptEncoding},
                                       {"Cookie", "VENDRA_SESSION=" + client.sessionToken().toStdString()}};
        return http.Post("/soap/soap_server_uploadtool.hvxr?client=10", headers, body,
                         "text/xml; charset=utf-8");
    };
    const auto isGzip = [](const std::string &body) {
        return body.size() > 2 && uchar(body[0]) == 0x1f && uchar(body[1]) == 0x8b;
    };

    // A small reply goes as it is, whatever the client accepts.
    for (const std::string accepted : {"br, gzip, deflate", "gzip", "br"}) {
        const auto small = post("GetQuotaDetails", accepted);
        QVERIFY(small);
        QCOMPARE(small->status, 200);
        QVERIFY(!small->has_header("Content-Encoding"));
        QVERIFY(QByteArray::fromStdString(small->body).startsWith("<?xml"));
    }

    const auto plain = post("GetTopLevelAlbums", "identity");
    QVERIFY(plain);
    QVERIFY(!plain->has_header("Content-Encoding"));
    QVERIFY2(plain->body.size() >= 14 * 1024, qPrintable(QString::number(plain->body.size())));
    XmlNode albums;
    QCOMPARE(
        ServerTestClient::checkEnvelope(QByteArray::fromStdString(plain->body), "GetTopLevelAlbums", albums),
        QString());

    // A large one goes as gzip when that is accepted, never as brotli.
    const auto large = post("GetTopLevelAlbums", "br, gzip, deflate");
    QVERIFY(large);
    QCOMPARE(large->get_header_value("Content-Encoding"), std::string("gzip"));
    QVERIFY(isGzip(large->body));
    QVERIFY(large->body.size() < plain->body.size());
    for (const std::string accepted : {"br", "gzip;q=0, br", "deflate"}) {
        const auto refused = post("GetTopLevelAlbums", accepted);
        QVERIFY(refused);
        QVERIFY2(!refused->has_header("Content-Encoding"), accepted.c_str());
        QCOMPARE(refused->body.size(), plain->body.size());
    }
    const auto weighted = post("GetTopLevelAlbums", "br;q=1.0, GZIP;q=0.5");
    QVERIFY(weighted);
    QCOMPARE(weighted->get_header_value("Content-Encoding"), std::string("gzip"));
}

VENDRA_TEST_MAIN(TestServerProtocol)
#include "tst_serverprotocol.moc"
