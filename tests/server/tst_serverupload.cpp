// Uploads to the reference server: files arrive byte for byte, names stay inside the data folder,
// quota and size limits hold, parallel uploads all arrive, and everything survives a restart.
#include "ReferenceServer.h"
#include "ServerTestClient.h"
#include "TestFiles.h"
#include "VendraTest.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <future>

namespace {

// Every regular file under the data folder, relative to it, apart from the database and lock.
QStringList storedFiles(const ReferenceServer &server)
{
    QStringList files;
    QDirIterator it(server.dataDir(), QDir::Files | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = QDir(server.dataDir()).relativeFilePath(it.next());
        if (!path.startsWith(QLatin1String("vendra.sqlite")) && path != QLatin1String("server.lock"))
            files << path;
    }
    files.sort();
    return files;
}

// The demo's Holidays/2019 album.
qint64 subAlbumId(ServerTestClient &client)
{
    const qint64 holidays = client.topLevelAlbumId(u"Holidays"_s);
    const auto reply =
        client.call(u"GetAlbumsByParentAlbumID"_s, {{u"nAlbumID"_s, QString::number(holidays)}});
    const XmlNode *albums = reply.response.child(u"arrAlbums"_s);
    return albums && !albums->children.isEmpty()
               ? albums->children.first().leafText(u"m_nAlbumID"_s).toLongLong()
               : -1;
}

// The usual demo server with more command-line options.
ReferenceServer::Options withArguments(const QStringList &arguments)
{
    ReferenceServer::Options options;
    options.arguments = arguments;
    return options;
}

} // namespace

class TestServerUpload : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void filesArriveByteForByte_data();
    void filesArriveByteForByte();
    void partHeadersEndingAnywhereAreRead();
    void secondFileOfTheSameNameGetsItsOwnName();
    void hostileNamesStayInside();
    void malformedBodiesAreRefused();
    void quotaOverrunIsRefused();
    void transferSizeIsEnforced();
    void eightParallelUploadsAllArrive();
    void eachFaultOption_data();
    void eachFaultOption();
    void dataSurvivesARestart();

private:
    ReferenceServer m_server;
};

void TestServerUpload::initTestCase()
{
    QVERIFY2(m_server.start(), qPrintable(m_server.errorString()));
}

void TestServerUpload::filesArriveByteForByte_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<bool>("chunked");
    QTest::newRow("empty") << "empty.dat" << QByteArray() << false;
    QTest::newRow("empty, chunked") << "empty chunked.dat" << QByteArray() << true;
    QTest::newRow("quotes, backslashes, spaces, non-ASCII")
        << QString::fromUtf8("My \"best\" shot \\ Ünïcødé 日本 'x'.jpg") << TestFiles::randomBytes(70000, 1)
        << false;
    QTest::newRow("same, chunked") << QString::fromUtf8("chunked \"best\" \\\\ Ñ.jpg")
                                   << TestFiles::randomBytes(70000, 2) << true;
    QTest::newRow("looks like a boundary") << "boundary.bin"
                                           << QByteArray("\r\n-----------------------8cc97ead1a5569\r\n--") +
                                                  TestFiles::randomBytes(5000, 3) + "\r\n--"
                                           << true;
    QTest::newRow("1 MiB chunked") << "big.raw" << TestFiles::randomBytes(1 << 20, 4) << true;
}

void TestServerUpload::filesArriveByteForByte()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, data);
    QFETCH(bool, chunked);
    ServerTestClient client(m_server);
    QVERIFY(client.signIn());
    const qint64 album = subAlbumId(client);
    const auto reply = client.upload(album, name, data, chunked);
    QCOMPARE(reply.status, 200);
    // Every attribute the uploader reads, and no other.
    QMap<QString, QString> result = reply.result;
    QVERIFY(result.take("assetid").toLongLong() > 0);
    QVERIFY(!result.take("assettype").isEmpty());
    QCOMPARE(result, (QMap<QString, QString>{{"actionresult", "ok"},
                                             {"apiresult", "ok"},
                                             {"filename", name},
                                             {"filesize", QString::number(data.size())},
                                             {"albumid", QString::number(album)},
                                             {"pending", "true"}}));
    QCOMPARE(TestFiles::read(m_server.albumFilePath("demo", "Holidays/2019", name)), data);
}

void TestServerUpload::partHeadersEndingAnywhereAreRead()
{
    // A preamble of growing length moves the end of the part headers across the places where
    // the server's reads of the body end (4 KiB pieces), one byte at a time.
    ServerTestClient client(m_server);
    QVERIFY(client.signIn());
    const qint64 album = subAlbumId(client);
    const QByteArray data = TestFiles::randomBytes(9000, 11);
    for (int preamble = 3900; preamble <= 4200; ++preamble) {
        const QString name = u"shifted-%1.bin"_s.arg(preamble);
        const QByteArray body = QByteArray(preamble, 'p') +
                                "\r\n--xyz\r\nContent-Disposition: form-data; name=\"file\"; "
                                "filename=\"" +
                                name.toUtf8() + "\"\r\nContent-Type: application/octet-stream\r\n\r\n" +
                                data + "\r\n--xyz--\r\n";
        const auto reply =
            client.uploadBody(album, body, "multipart/form-data; boundary=xyz", preamble % 2 == 0);
        QCOMPARE(reply.result.value("actionresult"), QString("ok"));
        QCOMPARE(TestFiles::read(m_server.albumFilePath("demo", "Holidays/2019", name)), data);
    }
}

void TestServerUpload::secondFileOfTheSameNameGetsItsOwnName()
{
    ServerTestClient client(m_server);
    QVERIFY(client.signIn());
    const qint64 album = subAlbumId(client);
    const QStringList stored{"twin.jpg", "twin (2).jpg", "twin (3).jpg"};
    for (const QString &name : stored) {
        QCOMPARE(client.upload(album, "twin.jpg", name.toUtf8()).result.value("filename"), name);
        QCOMPARE(TestFiles::read(m_server.albumFilePath("demo", "Holidays/2019", name)), name.toUtf8());
    }
    // The listing names each asset as it is stored.
    QStringList names;
    const auto listing = client.call("GetAssetsByAlbumID", {{"nAlbumID", QString::number(album)}});
    for (const XmlNode &asset : listing.response.child("arrAssets")->children)
        names << asset.leafText("m_strFilename");
    QCOMPARE(names.filter("twin"), stored);
}

void TestServerUpload::hostileNamesStayInside()
{
    ReferenceServer server;
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    ServerTestClient client(server);
    QVERIFY(client.signIn());
    const qint64 album = subAlbumId(client);

    // The upload-result attributes for a file name sent as raw bytes.
    const auto sent = [&](const QByteArray &filename) {
        return client
            .uploadBody(album,
                        "--xyz\r\nContent-Disposition: form-data; name=\"file\"; filename=\"" + filename +
                            "\"\r\n\r\ndata\r\n--xyz--\r\n",
                        "multipart/form-data; boundary=xyz", false)
            .result;
    };
    // A path is cut down to its last part, inside the album.
    QCOMPARE(sent("../../../escape.txt").value("filename"), QString("escape.txt"));
    QCOMPARE(sent("/etc/passwd").value("filename"), QString("passwd"));
    for (const QByteArray name : {"..", ".", "", "dir/..", "nul\x01name"})
        QCOMPARE(sent(name).value("actionresult"), QString("INVALID_NAME"));
    QCOMPARE(sent(QByteArray("a\0b.jpg", 7)).value("actionresult"), QString("INVALID_NAME"));
    // Invalid UTF-8 is repaired rather than written raw.
    QCOMPARE(sent("caf\xe9.jpg").value("filename"), QString::fromUtf8("caf\xef\xbf\xbd.jpg"));
    // A very long name is shortened to what the file system takes, keeping its extension.
    const QString shortened = sent(QString(300, u'ä').toUtf8() + ".jpg").value("filename");
    QVERIFY(shortened.toUtf8().size() <= 255 && shortened.endsWith(".jpg"));

    const QStringList files = storedFiles(server);
    for (const QString &file : files)
        QVERIFY2(file.startsWith("albums/demo/Holidays/2019/"), qPrintable(file));
    QCOMPARE(files.size(), 4);
    QVERIFY(!QFileInfo::exists(QFileInfo(server.dataDir()).dir().filePath("escape.txt")));
}

void TestServerUpload::malformedBodiesAreRefused()
{
    ServerTestClient client(m_server);
    QVERIFY(client.signIn());
    const qint64 album = subAlbumId(client);
    const QStringList before = storedFiles(m_server);
    const QString multipart = u"multipart/form-data; boundary=b"_s;
    // The body ends before the closing boundary; no part is named file; not multipart at all.
    auto reply = client.uploadBody(
        album, "--b\r\nContent-Disposition: form-data; name=\"file\"; filename=\"cut.jpg\"\r\n\r\nabc",
        multipart, false);
    QCOMPARE(reply.result.value("actionresult"), QString("BAD_REQUEST"));
    reply = client.uploadBody(album,
                              "--b\r\nContent-Disposition: form-data; name=\"other\"\r\n\r\nabc\r\n--b--\r\n",
                              multipart, true);
    QCOMPARE(reply.result.value("actionresult"), QString("NO_FILE"));
    QCOMPARE(client.uploadBody(album, "plain", "text/plain", false).result.value("actionresult"),
             QString("BAD_REQUEST"));
    QCOMPARE(client.upload(999999, "lost.jpg", "x").result.value("actionresult"), QString("ALBUM_NOT_FOUND"));
    client.setSessionToken(QString());
    QCOMPARE(client.upload(album, "anonymous.jpg", "x").result.value("apiresult"), QString("NOT_LOGGED_IN"));
    QCOMPARE(storedFiles(m_server), before);
}

void TestServerUpload::quotaOverrunIsRefused()
{
    QCOMPARE(m_server.runAdmin({"user", "add", "small", "--quota", "1000"}, "pw\n"), 0);
    ServerTestClient client(m_server);
    QVERIFY(client.signIn("small", "pw"));
    const auto created = client.call("CreateNewTopLevelAlbum", {{"strName", "Box"}, {"strDescription", ""}});
    const qint64 album = created.response.child("objAlbumSummary")->leafText("m_nAlbumID").toLongLong();

    // Name, size, chunked, answer: the quota of 1000 bytes holds whether the size is announced or not.
    const QList<std::tuple<QString, int, bool, QString>> uploads{{"big.bin", 1001, false, "QUOTA_EXCEEDED"},
                                                                 {"big.bin", 1001, true, "QUOTA_EXCEEDED"},
                                                                 {"fits.bin", 800, false, "ok"},
                                                                 {"more.bin", 201, true, "QUOTA_EXCEEDED"},
                                                                 {"exact.bin", 200, false, "ok"}};
    for (const auto &[name, size, chunked, answer] : uploads)
        QCOMPARE(client.upload(album, name, QByteArray(size, 'x'), chunked).result.value("actionresult"),
                 answer);
    QCOMPARE(QDir(m_server.dataDir() + "/albums/small/Box").entryList(QDir::Files),
             QStringList({"exact.bin", "fits.bin"}));
    QCOMPARE(QDir(m_server.dataDir() + "/incoming").entryList(QDir::Files), QStringList());
    const auto quota = client.call("GetQuotaDetails");
    QCOMPARE(quota.response.child("objQuotaDetails")->leafText("m_nUsed"), QString("1000"));
}

void TestServerUpload::transferSizeIsEnforced()
{
    ReferenceServer server;
    QVERIFY2(server.start(withArguments({"--max-transfer-size", "64K"})), qPrintable(server.errorString()));
    ServerTestClient client(server);
    QVERIFY(client.signIn());
    const qint64 album = subAlbumId(client);
    QCOMPARE(client.upload(album, "fits.bin", QByteArray(60000, 'a')).result.value("actionresult"),
             QString("ok"));
    auto reply = client.upload(album, "large.bin", QByteArray(70000, 'b'));
    QCOMPARE(reply.status, 413);
    QCOMPARE(reply.result.value("actionresult"), QString("FILE_TOO_LARGE"));
    // Without a length announced, the server stops reading at the limit.
    reply = client.upload(album, "large.bin", QByteArray(200000, 'c'), true);
    QVERIFY(reply.status == 413 || reply.status == 0);
    QCOMPARE(storedFiles(server), QStringList{"albums/demo/Holidays/2019/fits.bin"});
}

void TestServerUpload::eightParallelUploadsAllArrive()
{
    ServerTestClient signer(m_server);
    QVERIFY(signer.signIn());
    const qint64 album = subAlbumId(signer);
    constexpr int Count = 8;
    QList<QByteArray> data;
    for (int i = 0; i < Count; ++i)
        data << TestFiles::randomBytes(3 * 1024 * 1024 + i * 1000, 100 + i);
    std::vector<std::future<ServerTestClient::UploadReply>> replies;
    for (int i = 0; i < Count; ++i)
        replies.push_back(std::async(std::launch::async, [&, i] {
            ServerTestClient client(m_server);
            client.setSessionToken(signer.sessionToken());
            return client.upload(album, u"parallel-%1.bin"_s.arg(i), data[i], i % 2 == 1);
        }));
    for (int i = 0; i < Count; ++i) {
        QCOMPARE(replies[i].get().result.value("actionresult"), QString("ok"));
        QCOMPARE(
            TestFiles::read(m_server.albumFilePath("demo", "Holidays/2019", u"parallel-%1.bin"_s.arg(i))),
            data[i]);
    }
}

void TestServerUpload::eachFaultOption_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("outcome");
    const QString normal = u"cookie=plain login=OK/OK quota=OK/OK upload=200/ok/ok kept=1"_s;
    QTest::newRow("none") << QString() << normal;
    QTest::newRow("delay") << "delay=300" << normal;
    QTest::newRow("upload-delay") << "upload-delay=300" << normal;
    QTest::newRow("soap-api")
        << "soap-api=Login:SERVER_BUSY"
        << "cookie=plain login=SERVER_BUSY/OK quota=NOT_LOGGED_IN/OK upload=200/NOT_LOGGED_IN/ kept=0";
    QTest::newRow("soap-action") << "soap-action=GetQuotaDetails:DATABASE_DOWN"
                                 << "cookie=plain login=OK/OK quota=OK/DATABASE_DOWN upload=200/ok/ok kept=1";
    QTest::newRow("secure-cookie") << "secure-cookie"
                                   << "cookie=secure login=OK/OK quota=OK/OK upload=200/ok/ok kept=1";
    QTest::newRow("no-cookie")
        << "no-cookie"
        << "cookie=none login=OK/OK quota=NOT_LOGGED_IN/OK upload=200/NOT_LOGGED_IN/ kept=0";
    QTest::newRow("upload-status") << "upload-status=500"
                                   << "cookie=plain login=OK/OK quota=OK/OK upload=500/ok/ kept=0";
    QTest::newRow("upload-action") << "upload-action=DISK_FULL"
                                   << "cookie=plain login=OK/OK quota=OK/OK upload=200/ok/DISK_FULL kept=0";
    QTest::newRow("upload-reset") << "upload-reset=10000"
                                  << "cookie=plain login=OK/OK quota=OK/OK upload=0// kept=0";
}

// Each staged failure shows where it should and nowhere else.
void TestServerUpload::eachFaultOption()
{
    QFETCH(QString, fault);
    QFETCH(QString, outcome);
    ReferenceServer server;
    QVERIFY2(server.start(withArguments(fault.isEmpty() ? QStringList() : QStringList{"--fault", fault})),
             qPrintable(server.errorString()));
    ServerTestClient client(server);
    const auto version = client.call("CheckVersion", {{"strVersion", "1.0"}});
    const auto login = client.call("Login", {{"strUsername", "demo"}, {"strPassword", "demo"}});
    const auto quota = client.call("GetQuotaDetails");
    const auto upload = client.upload(subAlbumId(client), "staged.bin", TestFiles::randomBytes(100000, 7));
    const QString actual = u"cookie=%1 login=%2/%3 quota=%4/%5 upload=%6/%7/%8 kept=%9"_s
                               .arg(QString(!version.setCookie     ? "none"
                                            : version.secureCookie ? "secure"
                                                                   : "plain"),
                                    login.apiResponse, login.actionResponse, quota.apiResponse,
                                    quota.actionResponse, QString::number(upload.status),
                                    upload.result.value("apiresult"), upload.result.value("actionresult"))
                               .arg(storedFiles(server).filter(QRegularExpression("^albums/")).size());
    QCOMPARE(actual, outcome);
}

void TestServerUpload::dataSurvivesARestart()
{
    ReferenceServer server;
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    ServerTestClient client(server);
    QVERIFY(client.signIn());
    const auto created =
        client.call("CreateNewTopLevelAlbum", {{"strName", "Kept"}, {"strDescription", "kept"}});
    const QString album = created.response.child("objAlbumSummary")->leafText("m_nAlbumID");
    const QByteArray data = TestFiles::randomBytes(12345, 9);
    QCOMPARE(client.upload(album.toLongLong(), "kept.jpg", data).result.value("actionresult"), QString("ok"));
    QCOMPARE(server.runAdmin({"user", "add", "later"}, "pw\n"), 0);

    QVERIFY2(server.restart(), qPrintable(server.errorString()));
    ServerTestClient after(server);
    QVERIFY(after.signIn());
    QCOMPARE(QString::number(after.topLevelAlbumId("Kept")), album);
    const auto listing = after.call("GetAssetsByAlbumID", {{"nAlbumID", album}});
    const XmlNode *assets = listing.response.child("arrAssets");
    QCOMPARE(assets ? assets->children.size() : -1, 1);
    QCOMPARE(assets->children.first().leafText("m_strFilename"), QString("kept.jpg"));
    QCOMPARE(TestFiles::read(server.albumFilePath("demo", "Kept", "kept.jpg")), data);
    QVERIFY(after.signIn("later", "pw"));
    // Sessions are kept too, and the demo account is not made a second time.
    ServerTestClient resumed(server);
    resumed.setSessionToken(client.sessionToken());
    QVERIFY(resumed.call("GetTopLevelAlbums").ok());
    QString users;
    QCOMPARE(server.runAdmin({"user", "list"}, {}, &users), 0);
    QCOMPARE(users.count("\n"), 2);
}

VENDRA_TEST_MAIN(TestServerUpload)
#include "tst_serverupload.moc"
