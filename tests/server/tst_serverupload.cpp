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

#include <thread>

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
    void stagedUploadFaults();
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
    QCOMPARE(reply.result.value("actionresult"), QString("ok"));
    QCOMPARE(reply.result.value("apiresult"), QString("ok"));
    QCOMPARE(reply.result.value("filename"), name);
    QCOMPARE(reply.result.value("filesize"), QString::number(data.size()));
    QCOMPARE(reply.result.value("albumid"), QString::number(album));
    QCOMPARE(reply.result.value("pending"), QString("true"));
    QVERIFY(reply.result.value("assetid").toLongLong() > 0);
    QVERIFY(reply.result.contains("assettype"));
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
    QCOMPARE(client.upload(album, "twin.jpg", "first").result.value("filename"), QString("twin.jpg"));
    QCOMPARE(client.upload(album, "twin.jpg", "second").result.value("filename"), QString("twin (2).jpg"));
    QCOMPARE(client.upload(album, "twin.jpg", "third").result.value("filename"), QString("twin (3).jpg"));
    QCOMPARE(TestFiles::read(m_server.albumFilePath("demo", "Holidays/2019", "twin.jpg")),
             QByteArray("first"));
    QCOMPARE(TestFiles::read(m_server.albumFilePath("demo", "Holidays/2019", "twin (2).jpg")),
             QByteArray("second"));
    QCOMPARE(TestFiles::read(m_server.albumFilePath("demo", "Holidays/2019", "twin (3).jpg")),
             QByteArray("third"));
    // The listing names each asset as it is stored.
    const auto listing = client.call("GetAssetsByAlbumID", {{"nAlbumID", QString::number(album)}});
    QStringList names;
    for (const XmlNode &asset : listing.response.child("arrAssets")->children)
        names << asset.leafText("m_strFilename");
    QVERIFY(names.contains("twin (2).jpg"));
    QCOMPARE(names.count("twin.jpg"), 1);
}

void TestServerUpload::hostileNamesStayInside()
{
    ReferenceServer server;
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    ServerTestClient client(server);
    QVERIFY(client.signIn());
    const qint64 album = subAlbumId(client);

    // A path is cut down to its last part, inside the album.
    QCOMPARE(client.upload(album, "../../../escape.txt", "a").result.value("filename"),
             QString("escape.txt"));
    QCOMPARE(client.upload(album, "/etc/passwd", "b").result.value("filename"), QString("passwd"));
    for (const QString &name :
         {QString(".."), QString("."), QString(""), QString("dir/.."), QString("nul\x01name")})
        QCOMPARE(client.upload(album, name, "c").result.value("actionresult"), QString("INVALID_NAME"));

    // Invalid UTF-8 is repaired rather than written raw.
    const QByteArray boundary = "xyz";
    QByteArray body = "--xyz\r\nContent-Disposition: form-data; name=\"file\"; "
                      "filename=\"caf\xe9.jpg\"\r\n\r\ndata\r\n--xyz--\r\n";
    auto reply = client.uploadBody(album, body, "multipart/form-data; boundary=xyz", false);
    QCOMPARE(reply.result.value("actionresult"), QString("ok"));
    QCOMPARE(reply.result.value("filename"), QString::fromUtf8("caf\xef\xbf\xbd.jpg"));
    // A NUL inside the name is refused.
    body = QByteArray("--xyz\r\nContent-Disposition: form-data; name=\"file\"; filename=\"a") + '\0' +
           QByteArray("b.jpg\"\r\n\r\ndata\r\n--xyz--\r\n");
    QCOMPARE(client.uploadBody(album, body, "multipart/form-data; boundary=xyz", false)
                 .result.value("actionresult"),
             QString("INVALID_NAME"));
    // A very long name is shortened to what the file system takes, keeping its extension.
    const QString longName = QString(300, QChar(u'ä')) + ".jpg";
    reply = client.upload(album, longName, "d");
    QCOMPARE(reply.result.value("actionresult"), QString("ok"));
    QVERIFY(reply.result.value("filename").toUtf8().size() <= 255);
    QVERIFY(reply.result.value("filename").endsWith(".jpg"));

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
    // No closing boundary: the body ended early.
    auto reply = client.uploadBody(
        album, "--b\r\nContent-Disposition: form-data; name=\"file\"; filename=\"cut.jpg\"\r\n\r\nabc",
        "multipart/form-data; boundary=b", false);
    QCOMPARE(reply.result.value("actionresult"), QString("BAD_REQUEST"));
    // No part named file.
    reply = client.uploadBody(album,
                              "--b\r\nContent-Disposition: form-data; name=\"other\"\r\n\r\nabc\r\n--b--\r\n",
                              "multipart/form-data; boundary=b", true);
    QCOMPARE(reply.result.value("actionresult"), QString("NO_FILE"));
    reply = client.uploadBody(album, "plain", "text/plain", false);
    QCOMPARE(reply.result.value("actionresult"), QString("BAD_REQUEST"));
    reply = client.upload(999999, "lost.jpg", "x");
    QCOMPARE(reply.result.value("actionresult"), QString("ALBUM_NOT_FOUND"));
    client.setSessionToken(QString());
    reply = client.upload(album, "anonymous.jpg", "x");
    QCOMPARE(reply.result.value("apiresult"), QString("NOT_LOGGED_IN"));
    QCOMPARE(storedFiles(m_server), before);
}

void TestServerUpload::quotaOverrunIsRefused()
{
    QCOMPARE(m_server.runAdmin({"user", "add", "small", "--quota", "1000"}, "pw\n"), 0);
    ServerTestClient client(m_server);
    QVERIFY(client.signIn("small", "pw"));
    const auto created = client.call("CreateNewTopLevelAlbum", {{"strName", "Box"}, {"strDescription", ""}});
    const qint64 album = created.response.child("objAlbumSummary")->leafText("m_nAlbumID").toLongLong();

    QCOMPARE(client.upload(album, "big.bin", QByteArray(1001, 'x')).result.value("actionresult"),
             QString("QUOTA_EXCEEDED"));
    QCOMPARE(client.upload(album, "big.bin", QByteArray(1001, 'x'), true).result.value("actionresult"),
             QString("QUOTA_EXCEEDED"));
    QCOMPARE(client.upload(album, "fits.bin", QByteArray(800, 'y')).result.value("actionresult"),
             QString("ok"));
    QCOMPARE(client.upload(album, "more.bin", QByteArray(201, 'z'), true).result.value("actionresult"),
             QString("QUOTA_EXCEEDED"));
    QCOMPARE(client.upload(album, "exact.bin", QByteArray(200, 'z')).result.value("actionresult"),
             QString("ok"));
    QCOMPARE(QDir(m_server.dataDir() + "/albums/small/Box").entryList(QDir::Files),
             QStringList({"exact.bin", "fits.bin"}));
    QCOMPARE(QDir(m_server.dataDir() + "/incoming").entryList(QDir::Files), QStringList());
    const auto quota = client.call("GetQuotaDetails");
    QCOMPARE(quota.response.child("objQuotaDetails")->leafText("m_nUsed"), QString("1000"));
}

void TestServerUpload::transferSizeIsEnforced()
{
    ReferenceServer server;
    ReferenceServer::Options options;
    options.arguments = QStringList{"--max-transfer-size", "64K"};
    QVERIFY2(server.start(options), qPrintable(server.errorString()));
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
    QList<ServerTestClient::UploadReply> replies(Count);
    std::vector<std::thread> threads;
    for (int i = 0; i < Count; ++i) {
        threads.emplace_back([&, i] {
            ServerTestClient client(m_server);
            client.setSessionToken(signer.sessionToken());
            replies[i] = client.upload(album, u"parallel-%1.bin"_s.arg(i), data[i], i % 2 == 1);
        });
    }
    for (auto &thread : threads)
        thread.join();
    for (int i = 0; i < Count; ++i) {
        QCOMPARE(replies[i].result.value("actionresult"), QString("ok"));
        QCOMPARE(
            TestFiles::read(m_server.albumFilePath("demo", "Holidays/2019", u"parallel-%1.bin"_s.arg(i))),
            data[i]);
    }
}

void TestServerUpload::stagedUploadFaults()
{
    struct Case
    {
        QStringList arguments;
        int status;
        QString actionResult;
    };
    const QList<Case> cases{{{"--fault", "upload-status=500"}, 500, QString()},
                            {{"--fault", "upload-action=DISK_FULL"}, 200, "DISK_FULL"},
                            {{"--fault", "upload-reset=10000"}, 0, QString()},
                            {{"--fault", "delay=300"}, 200, "ok"},
                            {{"--fault", "upload-delay=300"}, 200, "ok"}};
    for (const Case &c : cases) {
        ReferenceServer server;
        ReferenceServer::Options options;
        options.arguments = c.arguments;
        QVERIFY2(server.start(options), qPrintable(server.errorString()));
        ServerTestClient client(server);
        QVERIFY(client.signIn());
        const auto reply = client.upload(subAlbumId(client), "staged.bin", TestFiles::randomBytes(100000, 7));
        QCOMPARE(reply.status, c.status);
        QCOMPARE(reply.result.value("actionresult"), c.actionResult);
        const QStringList kept = storedFiles(server).filter(QRegularExpression("^albums/"));
        QCOMPARE(kept.size(), c.actionResult == "ok" ? 1 : 0);
    }
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
    const auto assets = after.call("GetAssetsByAlbumID", {{"nAlbumID", album}});
    QCOMPARE(assets.response.child("arrAssets")->children.size(), 1);
    QCOMPARE(assets.response.child("arrAssets")->children.first().leafText("m_strFilename"),
             QString("kept.jpg"));
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
