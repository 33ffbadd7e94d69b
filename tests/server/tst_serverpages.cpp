// The reference server's web pages and its TLS and administration commands.
#include "ReferenceServer.h"
#include "ServerTestClient.h"
#include "VendraTest.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QSignalSpy>
#include <QSslConfiguration>
#include <QUrlQuery>
#include <csignal>

namespace {

// The path and query of a link the server handed out.
QString localPart(const QString &link)
{
    const QUrl url(link);
    return url.path() + "?" + url.query(QUrl::FullyEncoded);
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
    void ownCertificateAndKey();
};

void TestServerPages::pendingPageListsAndApproves()
{
    ReferenceServer server;
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    ServerTestClient client(server);
    QVERIFY(client.signIn());
    const qint64 family = client.topLevelAlbumId("Family");
    const auto uploaded = client.upload(family, "waiting.jpg", "w");
    QCOMPARE(uploaded.result.value("pending"), QString("true"));
    QCOMPARE(client.upload(family, "second.jpg", "s").result.value("pending"), QString("true"));

    auto button = client.call("GetPendingFilesButtonDetails");
    QVERIFY(button.ok());
    const XmlNode *details = button.response.child("objPendingFilesButtonDetails");
    QCOMPARE(details->leafText("m_bDisplayed"), QString("1"));
    const QString link = details->leafText("m_strLink");
    QVERIFY(link.startsWith(server.baseUrl().toString() + "/pending?"));

    ServerTestClient browser(server); // no session cookie, as in a web browser
    auto page = browser.get(localPart(link));
    QCOMPARE(page.first, 200);
    QVERIFY(page.second.contains("waiting.jpg"));
    QVERIFY(page.second.contains("Family/"));

    const QString token = QUrlQuery(QUrl(link)).queryItemValue("token");
    auto approved =
        browser.postForm("/pending/approve",
                         "token=" + token.toUtf8() + "&asset=" + uploaded.result.value("assetid").toUtf8());
    QCOMPARE(approved.first, 303);
    auto assets = client.call("GetAssetsByAlbumID", {{"nAlbumID", QString::number(family)}});
    QCOMPARE(assets.response.child("arrAssets")->children.at(0).leafText("m_bPending"), QString("false"));
    QCOMPARE(assets.response.child("arrAssets")->children.at(1).leafText("m_bPending"), QString("true"));
    page = browser.get(localPart(link));
    QVERIFY(!page.second.contains("waiting.jpg"));

    QCOMPARE(browser.postForm("/pending/approve", "token=" + token.toUtf8() + "&asset=all").first, 303);
    button = client.call("GetPendingFilesButtonDetails");
    QCOMPARE(button.response.child("objPendingFilesButtonDetails")->leafText("m_bDisplayed"), QString("0"));
    // A forged form without the token approves nothing.
    QCOMPARE(browser.postForm("/pending/approve", "asset=all").first, 403);
}

void TestServerPages::picturesPageEscapesNamesAndServesFiles()
{
    ReferenceServer server;
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    ServerTestClient client(server);
    QVERIFY(client.signIn());
    const qint64 family = client.topLevelAlbumId("Family");
    QByteArray data(100000, Qt::Uninitialized);
    for (int i = 0; i < data.size(); ++i)
        data[i] = char(i * 7);
    const QString name = QString::fromUtf8("<img src=x onerror=alert(1)> & \"Ü\".jpg");
    const auto uploaded = client.upload(family, name, data);
    QCOMPARE(uploaded.result.value("actionresult"), QString("ok"));

    const auto button = client.call("GetMyPicturesButtonDetails");
    const QString link = button.response.child("objMyPicturesButtonDetails")->leafText("m_strLink");
    ServerTestClient browser(server);
    const auto page = browser.get(localPart(link));
    QCOMPARE(page.first, 200);
    QVERIFY(!page.second.contains("<img"));
    QVERIFY(page.second.contains("&lt;img src=x onerror=alert(1)&gt; &amp; &quot;\xc3\x9c&quot;.jpg"));
    QVERIFY(page.second.contains("Holidays"));
    QVERIFY(page.second.contains("2019"));

    const QString token = QUrlQuery(QUrl(link)).queryItemValue("token");
    const auto file =
        browser.get("/pictures/file?token=" + token + "&asset=" + uploaded.result.value("assetid"));
    QCOMPARE(file.first, 200);
    QCOMPARE(file.second, data);
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
    const auto button = client.call("GetMyPicturesButtonDetails");
    const QString token =
        QUrlQuery(QUrl(button.response.child("objMyPicturesButtonDetails")->leafText("m_strLink")))
            .queryItemValue("token");
    QVERIFY(client.signIn("plain", "pw"));
    const auto plainButton = client.call("GetPendingFilesButtonDetails");
    QCOMPARE(plainButton.response.child("objPendingFilesButtonDetails")->leafText("m_strLink"), QString());
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
    QFile key(server.dataDir() + "/tls/key.pem");
    QCOMPARE(key.permissions() & (QFile::ReadGroup | QFile::ReadOther), QFile::Permissions());

    ServerTestClient client(server);
    const auto version = client.call("CheckVersion", {{"strVersion", "1.0"}});
    QVERIFY(version.ok());
    QVERIFY(version.secureCookie);
    QVERIFY(client.signIn());
    const qint64 family = client.topLevelAlbumId("Family");
    QCOMPARE(client.upload(family, "secure.jpg", QByteArray(50000, 's'), true).result.value("actionresult"),
             QString("ok"));

    // Qt's own TLS stack accepts the server when told to trust exactly that certificate, and
    // refuses it otherwise.
    QNetworkAccessManager network;
    QNetworkRequest request(server.soapUrl());
    request.setHeader(QNetworkRequest::ContentTypeHeader, "text/xml; charset=utf-8");
    QSslConfiguration trusting = QSslConfiguration::defaultConfiguration();
    trusting.setCaCertificates(server.caCertificates());
    request.setSslConfiguration(trusting);
    const QByteArray envelope = "<?xml version=\"1.0\"?><SOAP-ENV:Envelope "
                                "xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\">"
                                "<SOAP-ENV:Body><m:CheckVersion "
                                "xmlns:m=\"urn:x\"></m:CheckVersion></SOAP-ENV:Body></SOAP-ENV:Envelope>";
    std::unique_ptr<QNetworkReply> reply(network.post(request, envelope));
    QSignalSpy finished(reply.get(), &QNetworkReply::finished);
    QVERIFY(finished.wait(20000));
    QCOMPARE(reply->error(), QNetworkReply::NoError);
    XmlNode response;
    QCOMPARE(ServerTestClient::checkEnvelope(reply->readAll(), "CheckVersion", response), QString());

    QNetworkRequest untrusted(server.soapUrl());
    untrusted.setHeader(QNetworkRequest::ContentTypeHeader, "text/xml; charset=utf-8");
    QNetworkAccessManager otherNetwork; // a fresh one, so no trusted connection is reused
    std::unique_ptr<QNetworkReply> refused(otherNetwork.post(untrusted, envelope));
    QSignalSpy refusedFinished(refused.get(), &QNetworkReply::finished);
    QVERIFY(refusedFinished.wait(20000));
    QCOMPARE(refused->error(), QNetworkReply::SslHandshakeFailedError);

    // The certificate is made once and reused.
    QFile certificate(server.certificatePath());
    QVERIFY(certificate.open(QIODevice::ReadOnly));
    const QByteArray first = certificate.readAll();
    certificate.close();
    QVERIFY2(server.restart(), qPrintable(server.errorString()));
    QVERIFY(certificate.open(QIODevice::ReadOnly));
    QCOMPARE(certificate.readAll(), first);
    ServerTestClient again(server);
    QVERIFY(again.signIn());
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
    QCOMPARE(server.runAdmin({"user", "add", "../bob"}, "pw\n"), 2);
    QCOMPARE(server.runAdmin({"user", "add", "carol", "--rights", "Upload,Fly"}, "pw\n"), 2);
    QCOMPARE(server.runAdmin({"user", "add", "dave"}, ""), 2); // no password given
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
    const auto button = client.call("GetMyPicturesButtonDetails");
    const QString link = button.response.child("objMyPicturesButtonDetails")->leafText("m_strLink");
    const QString pageToken = QUrlQuery(QUrl(link)).queryItemValue("token");
    QCOMPARE(client.get(localPart(link)).first, 200);

    // SIGINT stops it as cleanly as SIGTERM.
    QCOMPARE(::kill(pid_t(server.processId()), SIGINT), 0);
    QVERIFY(server.waitForExit());

    QFile log(options.logFile);
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(log.readAll());
    QVERIFY(!text.contains("pa55-w0rd-xyz"));
    QVERIFY(!text.contains(cookie));
    QVERIFY(!text.contains(pageToken));
    const QStringList requests = text.split('\n').filter(QRegularExpression(" (GET|POST) "));
    QCOMPARE(requests.size(), 4); // CheckVersion, Login, GetMyPicturesButtonDetails, the page
    // Lines are written as requests finish, so their order may differ from the order of sending.
    QCOMPARE(requests.filter("POST /soap/soap_server_uploadtool.hvxr Login 200").size(), 1);
    QCOMPARE(requests.filter("GET /pictures 200").size(), 1);
    QVERIFY(text.contains("SIGINT"));
}

void TestServerPages::ownCertificateAndKey()
{
    // The first server makes a certificate; the second serves with it as --cert/--key.
    ReferenceServer maker;
    ReferenceServer::Options options;
    options.tls = true;
    QVERIFY2(maker.start(options), qPrintable(maker.errorString()));
    QVERIFY(maker.stop());
    QTemporaryDir copies;
    QVERIFY(QFile::copy(maker.certificatePath(), copies.filePath("server.crt")));
    QVERIFY(QFile::copy(maker.dataDir() + "/tls/key.pem", copies.filePath("server.key")));

    ReferenceServer server;
    ReferenceServer::Options own;
    own.arguments =
        QStringList{"--cert", copies.filePath("server.crt"), "--key", copies.filePath("server.key")};
    QVERIFY2(server.start(own), qPrintable(server.errorString()));
    QCOMPARE(server.baseUrl().scheme(), QString("https"));
    QVERIFY(!QFileInfo::exists(server.dataDir() + "/tls"));
    // Trust the copied certificate through the data folder's usual place.
    QDir(server.dataDir()).mkpath("tls");
    QVERIFY(QFile::copy(copies.filePath("server.crt"), server.certificatePath()));
    ServerTestClient client(server);
    QVERIFY(client.signIn());

    ReferenceServer broken;
    ReferenceServer::Options mismatched;
    mismatched.arguments =
        QStringList{"--cert", copies.filePath("server.crt"), "--key", copies.filePath("server.crt")};
    QVERIFY(!broken.start(mismatched));
}

VENDRA_TEST_MAIN(TestServerPages)
#include "tst_serverpages.moc"
