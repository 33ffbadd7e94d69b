// The reference server against what the uploader never sends: no or a made-up session, another
// user's albums, missing rights, expired sessions, hostile album names, bodies that are not SOAP,
// pages without their token; and its administration, TLS key and log. The uploader's end-to-end
// tests cover the ordinary calls.
#include "ServerTestClient.h"
#include "TestFiles.h"
#include "VendraTest.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <QUrlQuery>

#include <csignal>

namespace {

// The ActionResponse of each call in turn.
QString answers(ServerTestClient &client, const QList<QPair<QString, ServerTestClient::Params>> &calls)
{
    QStringList answers;
    for (const auto &[method, params] : calls)
        answers << client.call(method, params).actionResponse;
    return answers.join(u' ');
}

// The path and query of a button's link (PendingFiles or MyPictures), as a browser asks for it.
QString buttonLink(ServerTestClient &client, const QString &button)
{
    const QUrl url(client.call(u"Get%1ButtonDetails"_s.arg(button))
                       .leaf(u"obj%1ButtonDetails"_s.arg(button), u"m_strLink"_s));
    return url.isEmpty() ? QString() : url.path() + u'?' + url.query(QUrl::FullyEncoded);
}

QString pageToken(const QString &link)
{
    return QUrlQuery(QUrl(link).query()).queryItemValue(u"token"_s);
}

} // namespace

class TestServerProtocol : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sessionsAreRequiredAndMalformedRequestsRefused();
    void rightsAndAlbumFlagsAreEnforced();
    void sessionsExpire();
    void albumNamesAreCheckedAndKeptExactly();
    void pagesNeedTheirTokenAndEscapeNames();
    void tlsKeyIsPrivateMadeOnceAndMustMatch();
    void administrationRefusesBadInputAndASecondServer();
};

// Every reply sets a cookie, every call but the sign-in needs a session, and bodies that are not
// SOAP are refused while the server carries on.
void TestServerProtocol::sessionsAreRequiredAndMalformedRequestsRefused()
{
    ReferenceServer server;
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    ServerTestClient client(server);
    const QStringList needSession =
        u"Logout GetMyPicturesButtonDetails GetPendingFilesButtonDetails GetQuotaDetails GetTopLevelAlbums "
        "GetAlbumsByParentAlbumID CreateNewTopLevelAlbum CreateNewSubAlbum RenameAlbum DeleteAlbum "
        "GetAssetsByAlbumID RenameAsset DeleteAsset"_s.split(u' ');
    // Without a cookie, and with a made-up one.
    for (const QString &token : {QString(), QString(64, u'a')})
        for (const QString &method : needSession) {
            client.setSessionToken(token);
            const auto r = client.call(method, {{"nAlbumID", "1"}, {"nAssetID", "1"}, {"strName", "x"}});
            QVERIFY2(r.setCookie && r.apiResponse == "NOT_LOGGED_IN", qPrintable(method));
        }
    client.setSessionToken(QString());
    QVERIFY(client.signIn());
    QCOMPARE(client.albumId("x"), -1); // the refused calls made nothing
    QCOMPARE(client.call("NoSuchMethod").apiResponse, QString("UNKNOWN_METHOD"));

    const QString soap = u"/soap/soap_server_uploadtool.hvxr"_s;
    QCOMPARE(client.post(soap, "not xml at all", "text/xml"), 500);
    QCOMPARE(client.post(soap, "<a><b></a>", "text/xml", true), 500);
    QCOMPARE(client.post(soap, "--x\r\n\r\n--x--\r\n", "multipart/form-data; boundary=x"), 500);
    QCOMPARE(
        client.post(soap, "<SOAP-ENV:Envelope><SOAP-ENV:Body>" + QByteArray("<e>").repeated(100), "text/xml"),
        500);
    QVERIFY(client.call("GetTopLevelAlbums").ok());
}

void TestServerProtocol::rightsAndAlbumFlagsAreEnforced()
{
    ReferenceServer server;
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    QCOMPARE(server.runAdmin({"user", "add", "viewer", "--rights", "none"}, "secret\n"), 0);
    ServerTestClient viewer(server);
    QVERIFY(viewer.signIn("viewer", "secret"));
    // A user without rights is refused, and sees no other user's albums.
    ServerTestClient demo(server);
    QVERIFY(demo.signIn());
    const QString holidays = QString::number(demo.albumId("Holidays"));
    const QString sub = QString::number(demo.albumId("Holidays/2019"));
    QCOMPARE(answers(viewer, {{"CreateNewTopLevelAlbum", {{"strName", "Mine"}, {"strDescription", ""}}},
                              {"GetQuotaDetails", {}},
                              {"DeleteAlbum", {{"nAlbumID", holidays}}},
                              {"GetAlbumsByParentAlbumID", {{"nAlbumID", holidays}}}}),
             QString("ACCESS_DENIED ACCESS_DENIED ALBUM_NOT_FOUND ALBUM_NOT_FOUND"));
    QCOMPARE(viewer.upload(holidays.toLongLong(), "x.jpg", "x").action(), QString("ACCESS_DENIED"));

    // Rights taken away one by one.
    QCOMPARE(server.runAdmin(
                 {"user", "set", "demo", "--rights", "all,-DeleteTopLevelAlbum,-RenameSubAlbum,-Upload"}),
             0);
    QVERIFY(demo.signIn());
    QCOMPARE(demo.call("GetTopLevelAlbums").leaf("arrTopAlbums", "m_bCanDelete"), QString("false"));
    QCOMPARE(answers(demo, {{"DeleteAlbum", {{"nAlbumID", holidays}}},
                            {"RenameAlbum", {{"nAlbumID", sub}, {"strNewName", "2020"}}}}),
             QString("ACCESS_DENIED ACCESS_DENIED"));
    QCOMPARE(demo.upload(holidays.toLongLong(), "x.jpg", "x").action(), QString("ACCESS_DENIED"));

    // A locked sub-album protects itself and the album above it.
    QCOMPARE(server.runAdmin({"user", "set", "demo", "--rights", "all"}), 0);
    QCOMPARE(server.runAdmin({"album", "flags", "demo", "Holidays/2019", "delete=0", "create-under=0"}), 0);
    QVERIFY(demo.signIn());
    const auto flags = demo.call("GetAlbumsByParentAlbumID", {{"nAlbumID", holidays}});
    QCOMPARE(flags.leaf("arrAlbums", "m_bCanDelete") + flags.leaf("arrAlbums", "m_bCanCreateUnder"),
             QString("falsefalse"));
    QCOMPARE(answers(demo,
                     {{"DeleteAlbum", {{"nAlbumID", sub}}},
                      {"DeleteAlbum", {{"nAlbumID", holidays}}},
                      {"CreateNewSubAlbum", {{"strName", "x"}, {"strDescription", ""}, {"nParentID", sub}}}}),
             QString("ACCESS_DENIED ACCESS_DENIED ACCESS_DENIED"));
    QVERIFY(QDir(server.dataDir() + "/albums/demo/Holidays/2019").exists());
}

void TestServerProtocol::sessionsExpire()
{
    ReferenceServer server;
    QVERIFY2(server.start({.arguments = {"--session-timeout", "1"}}), qPrintable(server.errorString()));
    ServerTestClient client(server);
    QVERIFY(client.signIn());
    const QString token = client.sessionToken();
    QThread::sleep(3);
    QCOMPARE(client.call("GetTopLevelAlbums").apiResponse, QString("SESSION_EXPIRED"));
    client.setSessionToken(token);
    QCOMPARE(client.upload(1, "late.jpg", "x").result.value("apiresult"), QString("SESSION_EXPIRED"));
    QVERIFY(!QFile::exists(server.albumFilePath("demo", "Holidays", "late.jpg")));
    QVERIFY(client.signIn());
    QVERIFY(client.call("GetTopLevelAlbums").ok());
}

void TestServerProtocol::albumNamesAreCheckedAndKeptExactly()
{
    ReferenceServer server;
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    ServerTestClient client(server);
    QVERIFY(client.signIn());
    const QString legal = QString::fromUtf8("Ünïcødé \"quoted\" back\\slash & <angle> 'single' 日本");
    const auto r =
        client.call("CreateNewTopLevelAlbum", {{"strName", legal}, {"strDescription", "a < b & c"}});
    QCOMPARE(r.leaf("objAlbumSummary", "m_strName") + r.leaf("objAlbumSummary", "m_strDescription"),
             legal + "a < b & c");
    QVERIFY(QDir(server.dataDir() + "/albums/demo/" + legal).exists());
    QCOMPARE(answers(client,
                     {{"CreateNewTopLevelAlbum", {{"strName", legal}, {"strDescription", ""}}},
                      {"CreateNewTopLevelAlbum", {{"strName", QString(255, u'n')}, {"strDescription", ""}}}}),
             QString("NAME_EXISTS OK"));

    const QString holidays = QString::number(client.albumId("Holidays"));
    for (const QString &name :
         QStringList{"", "..", "../outside", "a/b", QString(256, u'x'), "line\nbreak"}) {
        QCOMPARE(answers(client, {{"CreateNewTopLevelAlbum", {{"strName", name}, {"strDescription", ""}}},
                                  {"CreateNewSubAlbum",
                                   {{"strName", name}, {"strDescription", ""}, {"nParentID", holidays}}},
                                  {"RenameAlbum", {{"nAlbumID", holidays}, {"strNewName", name}}}}),
                 QString("INVALID_NAME INVALID_NAME INVALID_NAME"));
    }
    // Nothing appeared beside the data folder or beside the user's folder.
    const QStringList known =
        u"albums incoming trash vendra.sqlite vendra.sqlite-wal vendra.sqlite-shm server.lock"_s.split(u' ');
    for (const QString &entry : QDir(server.dataDir()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot))
        QVERIFY2(known.contains(entry), qPrintable(entry));
    QCOMPARE(QDir(server.dataDir() + "/albums").entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList{"demo"});
    QVERIFY(QDir(server.dataDir() + "/albums/demo/Holidays").exists());
}

// The pages answer only with the token of a live session of a user with the right, approve nothing
// for a forged form, and show file names as text.
void TestServerProtocol::pagesNeedTheirTokenAndEscapeNames()
{
    ReferenceServer server;
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    ServerTestClient client(server);
    ServerTestClient browser(server); // no session cookie, as in a web browser
    QVERIFY(client.signIn());
    const QString name = QString::fromUtf8("<img src=x onerror=alert(1)> & \"Ü\".jpg");
    QCOMPARE(client.upload(client.albumId("Family"), name, "x").result.value("pending"), QString("true"));
    const QString pictures = buttonLink(client, "MyPictures");
    const auto page = browser.get(pictures);
    QVERIFY(page.first == 200 && !page.second.contains("<img") &&
            page.second.contains("&lt;img src=x onerror=alert(1)&gt; &amp; &quot;\xc3\x9c&quot;.jpg"));
    const QString pending = buttonLink(client, "PendingFiles");
    QVERIFY(browser.get(pending).second.contains("&lt;img src=x"));

    // A forged form without the token approves nothing; with it, all is approved.
    const auto displayed = [&] {
        return client.call("GetPendingFilesButtonDetails")
            .leaf("objPendingFilesButtonDetails", "m_bDisplayed");
    };
    const QString form = u"application/x-www-form-urlencoded"_s;
    QCOMPARE(browser.post("/pending/approve", "asset=all", form), 403);
    QCOMPARE(displayed(), QString("1"));
    QCOMPARE(browser.post("/pending/approve", "token=" + pageToken(pending).toUtf8() + "&asset=all", form),
             303);
    QCOMPARE(displayed(), QString("0"));
    for (const char *path : {"/pending?token=nope", "/pictures", "/pictures/file?asset=1"})
        QCOMPARE(browser.get(path).first, 403);
    QCOMPARE(browser.get("/pictures/file?token=" + pageToken(pictures) + "&asset=424242").first, 404);
    // Signing in again ends the demo session and its page token; without the right there is no link.
    QCOMPARE(server.runAdmin({"user", "add", "plain", "--rights", "Upload"}, "pw\n"), 0);
    QVERIFY(client.signIn("plain", "pw"));
    QCOMPARE(buttonLink(client, "PendingFiles"), QString());
    QCOMPARE(browser.get(pictures).first, 403);
}

void TestServerProtocol::tlsKeyIsPrivateMadeOnceAndMustMatch()
{
    ReferenceServer server;
    QVERIFY2(server.start({.tls = true}), qPrintable(server.errorString()));
    const QString key = server.dataDir() + "/tls/key.pem";
    QCOMPARE(QFile::permissions(key) & (QFile::ReadGroup | QFile::ReadOther), QFile::Permissions());
    const QByteArray certificate = TestFiles::read(server.certificatePath());
    QVERIFY(server.stop() && server.startAgain());
    QCOMPARE(TestFiles::read(server.certificatePath()), certificate);
    ReferenceServer mismatched;
    QVERIFY(!mismatched.start(
        {.arguments = {"--cert", server.certificatePath(), "--key", server.certificatePath()}}));
}

// Bad administration input and a second server on the same data are refused; passwords, session and
// page tokens never reach the log, which has one line per request.
void TestServerProtocol::administrationRefusesBadInputAndASecondServer()
{
    QTemporaryDir logFolder;
    ReferenceServer server;
    const ReferenceServer::Options options{.logFile = logFolder.filePath("server.log")};
    QVERIFY2(server.start(options), qPrintable(server.errorString()));
    QString output;
    QCOMPARE(server.runAdmin({"user", "add", "demo"}, "again\n", &output), 2);
    QVERIFY(output.contains("exists"));
    // A name that is no folder name, an unknown right, no password given.
    for (const auto &[name, rights, input] :
         {std::tuple("../bob", "Upload", "pw\n"), std::tuple("carol", "Upload,Fly", "pw\n"),
          std::tuple("dave", "Upload", "")})
        QCOMPARE(server.runAdmin({"user", "add", name, "--rights", rights}, input), 2);
    QCOMPARE(server.runAdmin({"user", "list"}, {}, &output), 0);
    QCOMPARE(output.count(u'\n'), 1);
    // Passwords are compared exactly, spaces and all, and stored only as a hash.
    QCOMPARE(server.runAdmin({"user", "add", "spacey"}, " pa55 w0rd \n"), 0);
    ServerTestClient spacey(server);
    QVERIFY(!spacey.signIn("spacey", "pa55 w0rd") && spacey.signIn("spacey", " pa55 w0rd "));
    QVERIFY(!TestFiles::read(QDir(server.dataDir()).filePath("vendra.sqlite")).contains(" pa55 w0rd "));
    const QString link = buttonLink(spacey, "MyPictures");
    QCOMPARE(spacey.get(link).first, 200);

    // A removed user's session and albums go with them.
    QCOMPARE(server.runAdmin({"user", "add", "alice"}, "pw\n"), 0);
    ServerTestClient client(server);
    QVERIFY(client.signIn("alice", "pw"));
    QVERIFY(client.call("CreateNewTopLevelAlbum", {{"strName", "A"}, {"strDescription", ""}}).ok());
    QCOMPARE(server.runAdmin({"user", "remove", "alice"}), 0);
    QVERIFY(!QDir(server.dataDir() + "/albums/alice").exists());
    QCOMPARE(client.call("GetTopLevelAlbums").apiResponse, QString("NOT_LOGGED_IN"));
    QCOMPARE(server.runAdmin({"user", "remove", "alice"}), 2);

    QProcess second;
    second.setProcessChannelMode(QProcess::MergedChannels);
    second.start(ReferenceServer::executable(), {"--data", server.dataDir(), "--listen", "127.0.0.1:0"});
    QVERIFY(second.waitForFinished(20000));
    QCOMPARE(second.exitCode(), 1);
    QVERIFY(second.readAll().contains("another server"));
    // SIGINT stops it as cleanly as SIGTERM.
    QCOMPARE(::kill(pid_t(server.processId()), SIGINT), 0);
    QVERIFY(server.waitForExit());

    const QString text = QString::fromUtf8(TestFiles::read(options.logFile));
    for (const QString &secret : {u"pa55"_s, spacey.sessionToken(), pageToken(link)})
        QVERIFY2(!text.contains(secret), qPrintable(secret));
    // The demo account made at this start: its password is not logged either.
    QVERIFY(text.contains(u"demo: created user"_s) && text.contains("SIGINT"));
    QVERIFY2(!text.contains(u"password"_s, Qt::CaseInsensitive), qPrintable(text));
    // One line per request: two sign-ins of spacey, one of alice, one page.
    const QStringList requests = text.split('\n').filter(QRegularExpression(" (GET|POST) "));
    QCOMPARE(requests.filter("POST /soap/soap_server_uploadtool.hvxr Login ").size(), 3);
    QCOMPARE(requests.filter("GET /pictures 200").size(), 1);
}

VENDRA_TEST_MAIN(TestServerProtocol)
#include "tst_serverprotocol.moc"
