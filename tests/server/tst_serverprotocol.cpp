// The SOAP service of the reference server: reply shape, every method, sessions, rights, albums.
#include "ReferenceServer.h"
#include "ServerTestClient.h"
#include "TestFiles.h"
#include "VendraTest.h"

#include <QDir>
#include <QFileInfo>
#include <QThread>

#include <httplib.h>

namespace {

using Reply = ServerTestClient::SoapReply;

// The members of each result structure in order, "name:xsd-type" each.
const char *const VersionFields =
    "m_bFileChunkingSupported:boolean m_bRunningLatestVersion:boolean m_bVersionIsCompatible:boolean "
    "m_nMaxFileSize:long m_nMaxTransferSize:long m_strLatestVersion:string m_strServiceVersion:string "
    "m_strURLForLatestVersion:string";
const char *const UserFields = "m_nUserID:int m_strUsername:string m_strDescription:string m_strEmail:string";
const char *const RightFields =
    "m_bCreateTopLevelAlbum:boolean m_bCreateSubAlbum:boolean m_bRenameTopLevelAlbum:boolean "
    "m_bRenameSubAlbum:boolean m_bDeleteTopLevelAlbum:boolean m_bDeleteSubAlbum:boolean "
    "m_bDeleteAsset:boolean m_bRenameAsset:boolean m_bUpload:boolean m_bSeeQuota:boolean "
    "m_bCanUseMyPicturesButton:boolean m_bHavePendingFilesButton:boolean";
const char *const QuotaFields = "m_nNumberOfFiles:long m_nTotal:long m_nUsed:long";
const char *const PendingButtonFields = "m_bDisplayed:int m_strDescription:string m_strLink:string";
const char *const PicturesButtonFields = "m_bDisplayed:boolean m_strDescription:string m_strLink:string";
const char *const AlbumFields =
    "m_bCanCreateUnder:boolean m_bCanDelete:boolean m_bCanRename:boolean m_bHasChildren:boolean "
    "m_bPending:boolean m_nAlbumID:int m_nParentID:int m_strDescription:string m_strName:string";
const char *const AssetFields = "m_bCanDelete:boolean m_bCanRename:boolean m_bPending:boolean m_nAlbumID:int "
                                "m_nAssetID:int m_nAssetType:int m_nFilesize:long m_strFilename:string";

QString checkFields(const XmlNode &structure, const char *fields)
{
    QStringList found;
    for (const XmlNode &member : structure.children)
        found << member.name + u':' + member.attributes.value(u"xsi:type"_s);
    const QString expected = QString::fromLatin1(fields).replace(u':', u":xsd:"_s);
    return found.join(u' ') == expected ? QString() : structure.name + u": " + found.join(u' ');
}

// Empty when the reply is a well-formed OK with a session cookie and its member `key` has the fields
// given: one structure, or with count >= 0 an array of that many.
QString problemOf(const Reply &reply, const QString &key = {}, const char *fields = nullptr, int count = -1)
{
    if (!reply.shapeProblem.isEmpty() || !reply.ok() || !reply.setCookie)
        return u"%1 %2/%3 cookie %4\n%5"_s.arg(reply.shapeProblem, reply.apiResponse, reply.actionResponse)
            .arg(reply.setCookie)
            .arg(QString::fromUtf8(reply.body));
    if (key.isEmpty())
        return QString();
    const XmlNode *member = reply.response.child(key);
    if (!member)
        return key + u" missing"_s;
    if (count < 0)
        return checkFields(*member, fields);
    if (member->attributes.value(u"xsi:type"_s) != u"SOAP-ENC:Array"_s || member->children.size() != count)
        return u"%1 is not an array of %2"_s.arg(key).arg(count);
    for (const XmlNode &item : member->children)
        if (const QString problem = checkFields(item, fields); !problem.isEmpty())
            return problem;
    return QString();
}

// A member of a result structure, or of the first item of a result array.
QString leaf(const Reply &reply, const QString &key, const QString &member)
{
    const XmlNode *node = reply.response.child(key);
    if (node && node->attributes.value(u"xsi:type"_s) == u"SOAP-ENC:Array"_s)
        node = node->children.isEmpty() ? nullptr : &node->children.first();
    return node ? node->leafText(member) : u"<no %1>"_s.arg(key);
}

QString id(qint64 number)
{
    return QString::number(number);
}

// The ActionResponse of each call in turn.
QString answers(ServerTestClient &client, const QList<QPair<QString, ServerTestClient::Params>> &calls)
{
    QStringList answers;
    for (const auto &[method, params] : calls)
        answers << client.call(method, params).actionResponse;
    return answers.join(u' ');
}

// The usual demo server with more command-line options.
ReferenceServer::Options withArguments(const QStringList &arguments)
{
    ReferenceServer::Options options;
    options.arguments = arguments;
    return options;
}

} // namespace

class TestServerProtocol : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyMethodAnswersInTheExpectedShape();
    void sessionsAreRequiredAndEveryReplySetsACookie();
    void passwordsAreComparedExactlyAndNeverStored();
    void rightsAndAlbumFlagsAreEnforced();
    void sessionsExpire();
    void versionCheckFollowsTheOptions();
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
    Reply r = client.call("CheckVersion", {{"strVersion", "10.LINUX.1.0.0"}});
    QCOMPARE(problemOf(r, "objVersionDetails", VersionFields), QString());
    r = client.call("Login", {{"strUsername", "demo"}, {"strPassword", "demo"}});
    QCOMPARE(problemOf(r, "objUserDetails", UserFields), QString());
    QCOMPARE(problemOf(r, "objUserPermissions", RightFields), QString());
    QCOMPARE(leaf(r, "objUserDetails", "m_strUsername"), QString("demo"));
    r = client.call("GetPendingFilesButtonDetails");
    QCOMPARE(problemOf(r, "objPendingFilesButtonDetails", PendingButtonFields), QString());
    r = client.call("GetMyPicturesButtonDetails");
    QCOMPARE(problemOf(r, "objMyPicturesButtonDetails", PicturesButtonFields), QString());
    QVERIFY(leaf(r, "objMyPicturesButtonDetails", "m_strLink").startsWith(server.baseUrl().toString()));
    r = client.call("GetQuotaDetails");
    QCOMPARE(problemOf(r, "objQuotaDetails", QuotaFields), QString());
    QCOMPARE(leaf(r, "objQuotaDetails", "m_nTotal"), id(10LL << 30));
    QCOMPARE(problemOf(client.call("GetTopLevelAlbums"), "arrTopAlbums", AlbumFields, 2), QString());

    const QString holidays = id(client.topLevelAlbumId("Holidays"));
    r = client.call("GetAlbumsByParentAlbumID", {{"nAlbumID", holidays}});
    QCOMPARE(problemOf(r, "arrAlbums", AlbumFields, 1), QString());
    QCOMPARE(leaf(r, "arrAlbums", "m_strName") + leaf(r, "arrAlbums", "m_nParentID"), "2019" + holidays);

    r = client.call("CreateNewTopLevelAlbum", {{"strName", "Garden"}, {"strDescription", "Flowers"}});
    QCOMPARE(problemOf(r, "objAlbumSummary", AlbumFields), QString());
    QCOMPARE(leaf(r, "objAlbumSummary", "m_strDescription"), QString("Flowers"));
    const QString garden = leaf(r, "objAlbumSummary", "m_nAlbumID");
    r = client.call("CreateNewSubAlbum",
                    {{"strName", "Roses"}, {"strDescription", ""}, {"nParentID", garden}});
    QCOMPARE(problemOf(r, "objAlbumSummary", AlbumFields), QString());
    QCOMPARE(leaf(r, "objAlbumSummary", "m_nParentID"), garden);
    const QString roses = leaf(r, "objAlbumSummary", "m_nAlbumID");
    r = client.call("RenameAlbum", {{"nAlbumID", roses}, {"strNewName", "Tulips"}});
    QCOMPARE(problemOf(r, "objAlbumSummary", AlbumFields), QString());
    QCOMPARE(leaf(r, "objAlbumSummary", "m_strName") + leaf(r, "objAlbumSummary", "m_nAlbumID"),
             "Tulips" + roses);

    const QString asset =
        client.upload(roses.toLongLong(), "bloom.jpg", "not really a picture").result.value("assetid");
    r = client.call("GetAssetsByAlbumID", {{"nAlbumID", roses}});
    QCOMPARE(problemOf(r, "arrAssets", AssetFields, 1), QString());
    QStringList values;
    for (const char *member : {"m_strFilename", "m_nFilesize", "m_nAssetID", "m_nAssetType"})
        values << leaf(r, "arrAssets", member);
    QCOMPARE(values, (QStringList{"bloom.jpg", "20", asset, "1"}));
    r = client.call("RenameAsset", {{"nAssetID", asset}, {"strNewName", "blossom.jpg"}});
    QCOMPARE(problemOf(r, "objAssetSummary", AssetFields), QString());
    QCOMPARE(leaf(r, "objAssetSummary", "m_strFilename"), QString("blossom.jpg"));
    r = client.call("DeleteAsset", {{"nAssetID", asset}});
    QCOMPARE(problemOf(r), QString());
    QCOMPARE(r.response.children.size(), 1); // just the Result
    QCOMPARE(problemOf(client.call("GetAssetsByAlbumID", {{"nAlbumID", roses}}), "arrAssets", AssetFields, 0),
             QString());

    QCOMPARE(problemOf(client.call("DeleteAlbum", {{"nAlbumID", garden}})), QString());
    QCOMPARE(client.topLevelAlbumId("Garden"), -1);
    QCOMPARE(client.call("GetAlbumsByParentAlbumID", {{"nAlbumID", roses}}).actionResponse,
             QString("ALBUM_NOT_FOUND"));
    QCOMPARE(problemOf(client.call("Logout")), QString());
    QCOMPARE(client.call("GetTopLevelAlbums").apiResponse, QString("NOT_LOGGED_IN"));
    r = client.call("NoSuchMethod");
    QCOMPARE(r.shapeProblem + r.apiResponse, QString("UNKNOWN_METHOD"));
}

void TestServerProtocol::sessionsAreRequiredAndEveryReplySetsACookie()
{
    ReferenceServer server;
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    ServerTestClient client(server);
    const QStringList needSession =
        u"Logout GetMyPicturesButtonDetails GetPendingFilesButtonDetails GetQuotaDetails GetTopLevelAlbums "
        "GetAlbumsByParentAlbumID CreateNewTopLevelAlbum CreateNewSubAlbum RenameAlbum DeleteAlbum "
        "GetAssetsByAlbumID RenameAsset DeleteAsset"_s.split(u' ');
    // Without a cookie, and with a made-up one, which signs nobody in.
    for (const QString &token : {QString(), QString(64, u'a')}) {
        for (const QString &method : needSession) {
            client.setSessionToken(token);
            const Reply r = client.call(method, {{"nAlbumID", "1"}, {"nAssetID", "1"}, {"strName", "x"}});
            QVERIFY2(r.shapeProblem.isEmpty(), qPrintable(method + ": " + r.shapeProblem));
            QVERIFY2(r.setCookie && !r.secureCookie, qPrintable(method));
            QCOMPARE(r.apiResponse, QString("NOT_LOGGED_IN"));
        }
    }
    client.setSessionToken(QString());
    const Reply version = client.call("CheckVersion", {{"strVersion", "10.LINUX.1.0.0"}});
    QVERIFY(version.setCookie && !version.secureCookie);
    QVERIFY(client.signIn());
    QCOMPARE(client.topLevelAlbumId("x"), -1); // the refused calls made nothing
}

// Wrong passwords and unknown users are refused in the sign-in sequence's tests.
void TestServerProtocol::passwordsAreComparedExactlyAndNeverStored()
{
    ReferenceServer server;
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    ServerTestClient client(server);
    QCOMPARE(server.runAdmin({"user", "add", "spacey", "--quota", "1M"}, " pass word \n"), 0);
    QVERIFY(!client.signIn("spacey", "pass word"));
    QVERIFY(client.signIn("spacey", " pass word "));
    QVERIFY(!TestFiles::read(QDir(server.dataDir()).filePath("vendra.sqlite")).contains(" pass word "));
}

void TestServerProtocol::rightsAndAlbumFlagsAreEnforced()
{
    ReferenceServer server;
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    QCOMPARE(server.runAdmin({"user", "add", "viewer", "--rights", "none"}, "secret\n"), 0);
    ServerTestClient viewer(server);
    Reply r = viewer.call("Login", {{"strUsername", "viewer"}, {"strPassword", "secret"}});
    QCOMPARE(r.apiResponse + r.actionResponse, QString("OKOK"));
    for (const XmlNode &right : r.response.child("objUserPermissions")->children)
        QCOMPARE(right.text, QString("false"));
    r = viewer.call("GetMyPicturesButtonDetails");
    QVERIFY(r.ok());
    QCOMPARE(leaf(r, "objMyPicturesButtonDetails", "m_bDisplayed") +
                 leaf(r, "objMyPicturesButtonDetails", "m_strLink"),
             QString("false"));

    // Nor can one user see or touch another's albums.
    ServerTestClient demo(server);
    QVERIFY(demo.signIn());
    const qint64 holidays = demo.topLevelAlbumId("Holidays");
    const QString sub =
        leaf(demo.call("GetAlbumsByParentAlbumID", {{"nAlbumID", id(holidays)}}), "arrAlbums", "m_nAlbumID");
    QCOMPARE(answers(viewer, {{"CreateNewTopLevelAlbum", {{"strName", "Mine"}, {"strDescription", ""}}},
                              {"GetQuotaDetails", {}},
                              {"DeleteAlbum", {{"nAlbumID", id(holidays)}}},
                              {"GetAlbumsByParentAlbumID", {{"nAlbumID", id(holidays)}}}}),
             QString("ACCESS_DENIED ACCESS_DENIED ALBUM_NOT_FOUND ALBUM_NOT_FOUND"));
    QCOMPARE(viewer.upload(holidays, "x.jpg", "x").result.value("actionresult"), QString("ACCESS_DENIED"));

    // Rights taken away one by one are refused one by one.
    QCOMPARE(server.runAdmin(
                 {"user", "set", "demo", "--rights", "all,-DeleteTopLevelAlbum,-RenameSubAlbum,-Upload"}),
             0);
    QVERIFY(demo.signIn());
    QCOMPARE(leaf(demo.call("GetTopLevelAlbums"), "arrTopAlbums", "m_bCanDelete"), QString("false"));
    QCOMPARE(answers(demo, {{"DeleteAlbum", {{"nAlbumID", id(holidays)}}},
                            {"RenameAlbum", {{"nAlbumID", sub}, {"strNewName", "2020"}}}}),
             QString("ACCESS_DENIED ACCESS_DENIED"));
    QCOMPARE(demo.upload(holidays, "x.jpg", "x").result.value("actionresult"), QString("ACCESS_DENIED"));

    // Per-album flags: a locked sub-album protects itself and the album above it.
    QCOMPARE(server.runAdmin({"user", "set", "demo", "--rights", "all"}), 0);
    QCOMPARE(server.runAdmin({"album", "flags", "demo", "Holidays/2019", "delete=0", "create-under=0"}), 0);
    QVERIFY(demo.signIn());
    r = demo.call("GetAlbumsByParentAlbumID", {{"nAlbumID", id(holidays)}});
    QCOMPARE(leaf(r, "arrAlbums", "m_bCanDelete") + leaf(r, "arrAlbums", "m_bCanCreateUnder"),
             QString("falsefalse"));
    QCOMPARE(answers(demo,
                     {{"DeleteAlbum", {{"nAlbumID", sub}}},
                      {"DeleteAlbum", {{"nAlbumID", id(holidays)}}},
                      {"CreateNewSubAlbum", {{"strName", "x"}, {"strDescription", ""}, {"nParentID", sub}}}}),
             QString("ACCESS_DENIED ACCESS_DENIED ACCESS_DENIED"));
    QVERIFY(QDir(server.dataDir() + "/albums/demo/Holidays/2019").exists());
}

void TestServerProtocol::sessionsExpire()
{
    ReferenceServer server;
    QVERIFY2(server.start(withArguments({"--session-timeout", "1"})), qPrintable(server.errorString()));
    ServerTestClient client(server);
    QVERIFY(client.signIn());
    const QString token = client.sessionToken();
    QVERIFY(client.call("GetTopLevelAlbums").ok());
    QThread::sleep(3);
    client.setSessionToken(token);
    const Reply r = client.call("GetTopLevelAlbums");
    QCOMPARE(r.shapeProblem + r.apiResponse, QString("SESSION_EXPIRED"));
    client.setSessionToken(token);
    QCOMPARE(client.upload(1, "late.jpg", "x").result.value("apiresult"), QString("SESSION_EXPIRED"));
    QVERIFY(!QFileInfo::exists(server.albumFilePath("demo", "Holidays", "late.jpg")));
    QVERIFY(client.signIn());
    QVERIFY(client.call("GetTopLevelAlbums").ok());
}

void TestServerProtocol::versionCheckFollowsTheOptions()
{
    ReferenceServer server;
    QVERIFY2(server.start(withArguments({"--min-version", "2.0", "--latest-version", "3.1", "--upgrade-url",
                                         "https://example.invalid/get", "--max-transfer-size", "64K"})),
             qPrintable(server.errorString()));
    ServerTestClient client(server);
    // Reported version -> compatible, running the latest.
    const QList<std::tuple<QString, QString, QString>> cases{{"10.LINUX.1.9.9", "false", "false"},
                                                             {"20.LINUX.2.0", "true", "false"},
                                                             {"31.MAC.3.1.0", "true", "true"},
                                                             {"3.2", "true", "true"},
                                                             {"garbage", "false", "false"}};
    for (const auto &[reported, compatible, latest] : cases) {
        const Reply r = client.call("CheckVersion", {{"strVersion", reported}});
        QCOMPARE(problemOf(r), QString());
        QStringList values;
        for (const char *member : {"m_bVersionIsCompatible", "m_bRunningLatestVersion", "m_strLatestVersion",
                                   "m_strURLForLatestVersion", "m_nMaxTransferSize"})
            values << leaf(r, "objVersionDetails", member);
        QCOMPARE(values, (QStringList{compatible, latest, "3.1", "https://example.invalid/get", "65536"}));
    }
}

void TestServerProtocol::albumNamesAreCheckedAndKeptExactly()
{
    ReferenceServer server;
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    ServerTestClient client(server);
    QVERIFY(client.signIn());

    const QString legal = QString::fromUtf8("Ünïcødé \"quoted\" back\\slash & <angle> 'single' 日本");
    Reply r = client.call("CreateNewTopLevelAlbum", {{"strName", legal}, {"strDescription", "a < b & c"}});
    QCOMPARE(problemOf(r), QString());
    QCOMPARE(leaf(r, "objAlbumSummary", "m_strName"), legal);
    QCOMPARE(leaf(r, "objAlbumSummary", "m_strDescription"), QString("a < b & c"));
    QVERIFY(QFileInfo(server.dataDir() + "/albums/demo/" + legal).isDir());
    QCOMPARE(answers(client,
                     {{"CreateNewTopLevelAlbum", {{"strName", legal}, {"strDescription", ""}}},
                      {"CreateNewTopLevelAlbum", {{"strName", QString(255, u'n')}, {"strDescription", ""}}}}),
             QString("NAME_EXISTS OK"));

    const QString holidays = id(client.topLevelAlbumId("Holidays"));
    for (const QString &name : QStringList{"", ".", "..", "../outside", "/etc", "a/b", QString(256, u'x'),
                                           "tab\there", "line\nbreak"}) {
        QCOMPARE(answers(client, {{"CreateNewTopLevelAlbum", {{"strName", name}, {"strDescription", ""}}},
                                  {"CreateNewSubAlbum",
                                   {{"strName", name}, {"strDescription", ""}, {"nParentID", holidays}}},
                                  {"RenameAlbum", {{"nAlbumID", holidays}, {"strNewName", name}}}}),
                 QString("INVALID_NAME INVALID_NAME INVALID_NAME"));
    }
    // Nothing appeared beside the data folder or beside the user's folder.
    const QStringList known{"albums",        "incoming",          "trash",
                            "vendra.sqlite", "vendra.sqlite-wal", "vendra.sqlite-shm",
                            "server.lock"};
    for (const QString &entry : QDir(server.dataDir()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot))
        QVERIFY2(known.contains(entry), qPrintable(entry));
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
    const QString holidays = id(client.topLevelAlbumId("Holidays"));
    const QString sub =
        leaf(client.call("GetAlbumsByParentAlbumID", {{"nAlbumID", holidays}}), "arrAlbums", "m_nAlbumID");
    QCOMPARE(client.upload(sub.toLongLong(), "photo.jpg", "12345").result.value("actionresult"),
             QString("ok"));

    QCOMPARE(answers(client, {{"RenameAlbum", {{"nAlbumID", holidays}, {"strNewName", "Trips"}}},
                              {"RenameAlbum", {{"nAlbumID", holidays}, {"strNewName", "Family"}}}}),
             QString("OK NAME_EXISTS"));
    QVERIFY(!QFileInfo::exists(server.dataDir() + "/albums/demo/Holidays"));
    QCOMPARE(TestFiles::read(server.albumFilePath("demo", "Trips/2019", "photo.jpg")), QByteArray("12345"));

    QCOMPARE(answers(client, {{"DeleteAlbum", {{"nAlbumID", holidays}}},
                              {"GetAssetsByAlbumID", {{"nAlbumID", sub}}}}),
             QString("OK ALBUM_NOT_FOUND"));
    QVERIFY(!QFileInfo::exists(server.dataDir() + "/albums/demo/Trips"));
    const Reply quota = client.call("GetQuotaDetails");
    QCOMPARE(leaf(quota, "objQuotaDetails", "m_nUsed") + leaf(quota, "objQuotaDetails", "m_nNumberOfFiles"),
             QString("00"));
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
    QCOMPARE(client.send("POST", soap, "<SOAP-ENV:Envelope><SOAP-ENV:Body>" + QByteArray("<e>").repeated(100),
                         "text/xml", false),
             500);
    // Oversized bodies are refused in the slow-client tests.
    ServerTestClient fresh(server);
    QVERIFY(fresh.signIn());
}

void TestServerProtocol::onlyLargeRepliesAreCompressed()
{
    ReferenceServer server;
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    ServerTestClient client(server);
    QVERIFY(client.signIn());
    // About half a kilobyte per album: enough for a top-level list of more than 14 KiB.
    for (int i = 0; i < 40; ++i)
        QVERIFY(client
                    .call("CreateNewTopLevelAlbum",
                          {{"strName", u"Album %1 with a name long enough to count"_s.arg(i)},
                           {"strDescription", ""}})
                    .ok());

    httplib::Client http(server.host().toStdString(), server.port());
    http.set_decompress(false);
    // The reply's Content-Encoding and body.
    const auto post = [&](const char *method,
                          const char *acceptEncoding) -> std::pair<std::string, std::string> {
        const std::string body =
            std::string("<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/"
                        "envelope/\"><SOAP-ENV:Body><m:") +
            method + " xmlns:m=\"urn:x\"/></SOAP-ENV:Body></SOAP-ENV:Envelope>";
        const httplib::Headers headers{{"SOAPAction", method},
                                       {"Accept-Encoding", acceptEncoding},
                                       {"Cookie", "VENDRA_SESSION=" + client.sessionToken().toStdString()}};
        const auto result =
            http.Post("/soap/soap_server_uploadtool.hvxr?client=10", headers, body, "text/xml");
        return result ? std::pair(result->get_header_value("Content-Encoding"), result->body)
                      : std::pair(std::string("no reply"), std::string());
    };

    // A small reply goes as it is, whatever the client accepts.
    for (const char *accepted : {"br, gzip, deflate", "gzip", "br"}) {
        const auto [encoding, body] = post("GetQuotaDetails", accepted);
        QCOMPARE(encoding, std::string());
        QVERIFY(QByteArray::fromStdString(body).startsWith("<?xml"));
    }
    const auto [plainEncoding, plain] = post("GetTopLevelAlbums", "identity");
    QCOMPARE(plainEncoding, std::string());
    QVERIFY2(plain.size() >= 14 * 1024, qPrintable(QString::number(plain.size())));
    XmlNode albums;
    QCOMPARE(ServerTestClient::checkEnvelope(QByteArray::fromStdString(plain), "GetTopLevelAlbums", albums),
             QString());
    // A large one goes as gzip when that is accepted, never as brotli.
    for (const char *accepted : {"br, gzip, deflate", "br;q=1.0, GZIP;q=0.5"}) {
        const auto [encoding, body] = post("GetTopLevelAlbums", accepted);
        QCOMPARE(encoding, std::string("gzip"));
        QVERIFY(body.size() < plain.size() && uchar(body[0]) == 0x1f && uchar(body[1]) == 0x8b);
    }
    for (const char *accepted : {"br", "gzip;q=0, br", "deflate"}) {
        const auto [encoding, body] = post("GetTopLevelAlbums", accepted);
        QVERIFY2(encoding.empty() && body == plain, accepted);
    }
}

VENDRA_TEST_MAIN(TestServerProtocol)
#include "tst_serverprotocol.moc"
