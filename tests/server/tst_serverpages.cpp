// The reference server's web pages and its TLS and administration commands.
#include "ReferenceServer.h"
#include "ServerTestClient.h"
#include "TestFiles.h"
#include "VendraTest.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <QProcess>
#include <QUrlQuery>
#include <csignal>

namespace {

// The path and query of a link the server handed out.
const QString kForm = u"application/x-www-form-urlencoded"_s;

// The link of a button result: GetPendingFilesButtonDetails or GetMyPicturesButtonDetails.
QString buttonLink(ServerTestClient &client, const QString &button)
{
    const auto reply = client.call(u"Get%1ButtonDetails"_s.arg(button));
    const XmlNode *details = reply.response.child(u"obj%1ButtonDetails"_s.arg(button));
    return details ? details->leafText(u"m_strLink"_s) : u"<no details>"_s;
}

QString pageToken(const QString &link)
{
    return QUrlQuery(QUrl(link)).queryItemValue(u"token"_s);
}

QString localPart(const QString &link)
{
    const QUrl url(link);
    return url.path() + "?" + url.query(QUrl::FullyEncoded);
}

// The usual demo server with more command-line options.
ReferenceServer::Options withArguments(const QStringList &arguments)
{
    ReferenceServer::Options options;
    options.arguments = arguments;
    return options;
}

} // namespace

class TestServerPages : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void pendingPageListsAndApproves();
    void picturesPageEscapesNamesAndServesFiles();
    void pagesRefuseWithoutAValidToken();
    void tlsWithTheGeneratedCertificate();
    void userAdministration();
    void logsOneLinePerRequestWithoutSecrets();
};

void TestServerPages::pendingPageListsAndApproves()
{
    ReferenceServer server;
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    ServerTestClient client(server);
    QVERIFY(client.signIn());
    const qint64 family = client.topLevelAlbumId("Family");
    const QString waiting = client.upload(family, "waiting.jpg", "w").result.value("assetid");
    QCOMPARE(client.upload(family, "second.jpg", "s").result.value("pending"), QString("true"));
    const auto button = [&](const char *member) {
        return client.call("GetPendingFilesButtonDetails")
            .response.child("objPendingFilesButtonDetails")
            ->leafText(member);
    };
    QCOMPARE(button("m_bDisplayed"), QString("1"));
    const QString link = button("m_strLink");
    QVERIFY(link.startsWith(server.baseUrl().toString() + "/pending?"));

    ServerTestClient browser(server); // no session cookie, as in a web browser
    const QByteArray listed = browser.get(localPart(link)).second;
    QVERIFY(listed.contains("Family/") && listed.contains("waiting.jpg"));
    const QByteArray token = "token=" + pageToken(link).toUtf8();
    QCOMPARE(browser.send("POST", "/pending/approve", token + "&asset=" + waiting.toUtf8(), kForm, false),
             303);
    const auto listing = client.call("GetAssetsByAlbumID", {{"nAlbumID", QString::number(family)}});
    const XmlNode *assets = listing.response.child("arrAssets");
    QCOMPARE(assets->children.at(0).leafText("m_bPending") + assets->children.at(1).leafText("m_bPending"),
             QString("falsetrue"));
    const auto page = browser.get(localPart(link));
    QCOMPARE(page.first, 200);
    QVERIFY(!page.second.contains("waiting.jpg") && page.second.contains("second.jpg"));

    QCOMPARE(browser.send("POST", "/pending/approve", token + "&asset=all", kForm, false), 303);
    QCOMPARE(button("m_bDisplayed"), QString("0"));
    // A forged form without the token approves nothing.
    QCOMPARE(browser.send("POST", "/pending/approve", "asset=all", kForm, false), 403);
}

void TestServerPages::picturesPageEscapesNamesAndServesFiles()
{
    ReferenceServer server;
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    ServerTestClient client(server);
    QVERIFY(client.signIn());
    const QByteArray data = TestFiles::randomBytes(100000, 5);
    const QString name = QString::fromUtf8("<img src=x onerror=alert(1)> & \"Ü\".jpg");
    const QString asset = client.upload(client.topLevelAlbumId("Family"), name, data).result.value("assetid");
    const QString link = buttonLink(client, "MyPictures");
    ServerTestClient browser(server);
    const auto page = browser.get(localPart(link));
    QCOMPARE(page.first, 200);
    QVERIFY(!page.second.contains("<img"));
    QVERIFY(page.second.contains("&lt;img src=x onerror=alert(1)&gt; &amp; &quot;\xc3\x9c&quot;.jpg"));
    QVERIFY(page.second.contains("Holidays") && page.second.contains("2019"));

    const QString token = pageToken(link);
    QCOMPARE(browser.get("/pictures/file?token=" + token + "&asset=" + asset), qMakePair(200, data));
    QCOMPARE(browser.get("/pictures/file?token=" + token + "&asset=424242").first, 404);
}

void TestServerPages::pagesRefuseWithoutAValidToken()
{
    ReferenceServer server;
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    ServerTestClient browser(server);
    QCOMPARE(browser.get("/pending?token=nope").first, 403);
    QCOMPARE(browser.get("/pictures").first, 403);
    QCOMPARE(browser.get("/pictures/file?asset=1").first, 403);
    QCOMPARE(browser.get("/").first, 200);

    // A user without the right gets no link, and the page stays shut even with a valid token.
    QCOMPARE(server.runAdmin({"user", "add", "plain", "--rights", "Upload"}, "pw\n"), 0);
    ServerTestClient client(server);
    QVERIFY(client.signIn());
    const QString token = pageToken(buttonLink(client, "MyPictures"));
    QVERIFY(client.signIn("plain", "pw"));
    QCOMPARE(buttonLink(client, "PendingFiles"), QString());
    // Signing in again ended the demo session; its page token went with it.
    QCOMPARE(browser.get("/pictures?token=" + token).first, 403);
}

void TestServerPages::tlsWithTheGeneratedCertificate()
{
    ReferenceServer server;
    ReferenceServer::Options options;
    options.tls = true;
    QVERIFY2(server.start(options), qPrintable(server.errorString()));
    QCOMPARE(server.baseUrl().scheme(), QString("https"));
    QCOMPARE(server.caCertificates().size(), 1);
    const QString key = server.dataDir() + "/tls/key.pem";
    QCOMPARE(QFile::permissions(key) & (QFile::ReadGroup | QFile::ReadOther), QFile::Permissions());
    // The client trusts exactly this certificate; the cookie is secure.
    ServerTestClient client(server);
    const auto version = client.call("CheckVersion", {{"strVersion", "1.0"}});
    QVERIFY(version.ok() && version.secureCookie);
    QVERIFY(client.signIn());
    QCOMPARE(client.upload(client.topLevelAlbumId("Family"), "secure.jpg", QByteArray(50000, 's'), true)
                 .result.value("actionresult"),
             QString("ok"));

    // The certificate is made once and reused.
    const QByteArray certificate = TestFiles::read(server.certificatePath());
    QVERIFY2(server.restart(), qPrintable(server.errorString()));
    QCOMPARE(TestFiles::read(server.certificatePath()), certificate);
    QVERIFY(ServerTestClient(server).signIn());

    // Given as --cert and --key, a certificate is served as it is and none is made.
    ReferenceServer own;
    QVERIFY2(own.start(withArguments({"--cert", server.certificatePath(), "--key", key})),
             qPrintable(own.errorString()));
    QCOMPARE(own.baseUrl().scheme(), QString("https"));
    QVERIFY(!QFileInfo::exists(own.dataDir() + "/tls"));
    TestFiles::write(own.certificatePath(), certificate); // where ServerTestClient looks for it
    QVERIFY(ServerTestClient(own).signIn());
    ReferenceServer mismatched;
    QVERIFY(!mismatched.start(
        withArguments({"--cert", server.certificatePath(), "--key", server.certificatePath()})));
}

void TestServerPages::userAdministration()
{
    ReferenceServer server;
    ReferenceServer::Options options;
    options.demo = false;
    QVERIFY2(server.start(options), qPrintable(server.errorString()));
    QString output;
    QCOMPARE(server.runAdmin({"user", "add", "alice", "--rights", "Upload,SeeQuota", "--quota", "5M"},
                             "alice pw\n", &output),
             0);
    QCOMPARE(server.runAdmin({"user", "add", "alice"}, "again\n", &output), 2);
    QVERIFY(output.contains("exists"));
    // A name that is no folder name, an unknown right, no password given.
    for (const auto &[name, rights, input] :
         {std::tuple("../bob", "Upload", "pw\n"), std::tuple("carol", "Upload,Fly", "pw\n"),
          std::tuple("dave", "Upload", "")})
        QCOMPARE(server.runAdmin({"user", "add", name, "--rights", rights}, input), 2);
    QCOMPARE(server.runAdmin({"user", "list"}, {}, &output), 0);
    QCOMPARE(output.trimmed(), QString("alice\tquota=5242880\tused=0\tfiles=0\trights=Upload,SeeQuota"));

    ServerTestClient client(server);
    QVERIFY(client.signIn("alice", "alice pw"));
    const auto quota = client.call("GetQuotaDetails");
    QCOMPARE(quota.response.child("objQuotaDetails")->leafText("m_nTotal"), QString("5242880"));
    QCOMPARE(client.call("CreateNewTopLevelAlbum", {{"strName", "A"}, {"strDescription", ""}}).actionResponse,
             QString("ACCESS_DENIED"));

    QCOMPARE(server.runAdmin({"user", "set", "alice", "--password"}, "new pw\n"), 0);
    QVERIFY(!client.signIn("alice", "alice pw"));
    QVERIFY(client.signIn("alice", "new pw"));
    QCOMPARE(server.runAdmin({"user", "set", "alice", "--rights", "all"}), 0);
    QVERIFY(client.signIn("alice", "new pw"));
    QVERIFY(client.call("CreateNewTopLevelAlbum", {{"strName", "A"}, {"strDescription", ""}}).ok());
    QVERIFY(QFileInfo::exists(server.dataDir() + "/albums/alice/A"));

    QCOMPARE(server.runAdmin({"user", "remove", "alice"}), 0);
    QVERIFY(!QFileInfo::exists(server.dataDir() + "/albums/alice"));
    QCOMPARE(client.call("GetTopLevelAlbums").apiResponse, QString("NOT_LOGGED_IN"));
    QVERIFY(!client.signIn("alice", "new pw"));
    QCOMPARE(server.runAdmin({"user", "remove", "alice"}), 2);

    // A second server on the same data folder is refused; the first one carries on.
    QProcess second;
    second.setProcessChannelMode(QProcess::MergedChannels);
    second.start(ReferenceServer::executable(), {"--data", server.dataDir(), "--listen", "127.0.0.1:0"});
    QVERIFY(second.waitForFinished(20000));
    QCOMPARE(second.exitCode(), 1);
    QVERIFY(second.readAll().contains("another server"));
    QVERIFY(client.call("CheckVersion", {{"strVersion", "1.0"}}).ok());
    QVERIFY(server.isRunning());
}

void TestServerPages::logsOneLinePerRequestWithoutSecrets()
{
    QTemporaryDir logFolder;
    ReferenceServer server;
    ReferenceServer::Options options;
    options.logFile = logFolder.filePath("server.log");
    QVERIFY2(server.start(options), qPrintable(server.errorString()));
    QCOMPARE(server.runAdmin({"user", "add", "erin"}, "pa55-w0rd-xyz\n"), 0);
    ServerTestClient client(server);
    QVERIFY(client.signIn("erin", "pa55-w0rd-xyz"));
    const QString cookie = client.sessionToken();
    const QString link = buttonLink(client, "MyPictures");
    QCOMPARE(client.get(localPart(link)).first, 200);

    // SIGINT stops it as cleanly as SIGTERM.
    QCOMPARE(::kill(pid_t(server.processId()), SIGINT), 0);
    QVERIFY(server.waitForExit());

    const QString text = QString::fromUtf8(TestFiles::read(options.logFile));
    for (const QString &secret : {u"pa55-w0rd-xyz"_s, cookie, pageToken(link)})
        QVERIFY2(!text.contains(secret), qPrintable(secret));
    // The demo account was made at this start; its password (its name too) is not logged either.
    QVERIFY(text.contains(u"demo: created user"_s));
    QVERIFY2(!text.contains(u"password"_s, Qt::CaseInsensitive), qPrintable(text));
    const QStringList requests = text.split('\n').filter(QRegularExpression(" (GET|POST) "));
    QCOMPARE(requests.size(), 4); // CheckVersion, Login, GetMyPicturesButtonDetails, the page
    // Lines are written as requests finish, so their order may differ from the order of sending.
    QCOMPARE(requests.filter("POST /soap/soap_server_uploadtool.hvxr Login 200").size(), 1);
    QCOMPARE(requests.filter("GET /pictures 200").size(), 1);
    QVERIFY(text.contains("SIGINT"));
}

VENDRA_TEST_MAIN(TestServerPages)
#include "tst_serverpages.moc"
