// Uploads the uploader never sends: bodies that look like boundaries or come in odd pieces, hostile
// file names, malformed bodies, more than the quota or transfer size allows.
#include "ServerTestClient.h"
#include "TestFiles.h"
#include "VendraTest.h"

#include <QDirIterator>

namespace {

// Every regular file under the data folder, relative to it, apart from the database and lock.
QStringList storedFiles(const ReferenceServer &server)
{
    QStringList files;
    QDirIterator it(server.dataDir(), QDir::Files | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = QDir(server.dataDir()).relativeFilePath(it.next());
        if (!path.startsWith(u"vendra.sqlite"_s) && path != u"server.lock"_s)
            files << path;
    }
    files.sort();
    return files;
}

} // namespace

class TestServerUpload : public QObject
{
    Q_OBJECT

private:
    ReferenceServer m_server;
    ServerTestClient *m_client = nullptr;
    qint64 m_album = -1; // the demo's Holidays/2019

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(m_server.start(), qPrintable(m_server.errorString()));
        m_client = new ServerTestClient(m_server);
        QVERIFY(m_client->signIn());
        m_album = m_client->albumId("Holidays/2019");
    }

    void cleanupTestCase() { delete m_client; }

    // An empty file, content that looks like the boundary, and a preamble of growing length that
    // moves the end of the part headers across the places where the server's reads end (4 KiB
    // pieces), one byte at a time; sent whole and in pieces.
    void awkwardBodiesArriveByteForByte()
    {
        for (const QByteArray &data :
             QList<QByteArray>{QByteArray(), "\r\n-----------------------8cc97ead1a5569\r\n--" +
                                                 TestFiles::randomBytes(5000, 3) + "\r\n--"}) {
            const auto reply = m_client->upload(m_album, "edge.bin", data, true);
            QCOMPARE(reply.result.value("filesize") + reply.action(), QString::number(data.size()) + "ok");
            QCOMPARE(TestFiles::read(
                         m_server.albumFilePath("demo", "Holidays/2019", reply.result.value("filename"))),
                     data);
        }
        const QByteArray data = TestFiles::randomBytes(9000, 11);
        for (int preamble = 3900; preamble <= 4200; ++preamble) {
            const QString name = u"shifted-%1.bin"_s.arg(preamble);
            const QByteArray body =
                QByteArray(preamble, 'p') +
                "\r\n--xyz\r\nContent-Disposition: form-data; name=\"file\"; filename=\"" + name.toUtf8() +
                "\"\r\n\r\n" + data + "\r\n--xyz--\r\n";
            QCOMPARE(m_client->uploadBody(m_album, body, "multipart/form-data; boundary=xyz", preamble % 2)
                         .action(),
                     QString("ok"));
            QCOMPARE(TestFiles::read(m_server.albumFilePath("demo", "Holidays/2019", name)), data);
        }
    }

    void hostileNamesStayInside()
    {
        const QStringList before = storedFiles(m_server);
        // The upload-result attributes for a file name sent as raw bytes.
        const auto sent = [&](const QByteArray &filename) {
            return m_client
                ->uploadBody(m_album,
                             "--xyz\r\nContent-Disposition: form-data; name=\"file\"; filename=\"" +
                                 filename + "\"\r\n\r\ndata\r\n--xyz--\r\n",
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

        QStringList files = storedFiles(m_server);
        for (const QString &file : before)
            files.removeOne(file);
        QCOMPARE(files.size(), 4);
        for (const QString &file : files)
            QVERIFY2(file.startsWith("albums/demo/Holidays/2019/"), qPrintable(file));
    }

    void malformedBodiesAreRefused()
    {
        const QStringList before = storedFiles(m_server);
        const auto answer = [&](const QByteArray &body, const char *type, bool chunked) {
            return m_client->uploadBody(m_album, body, type, chunked).action();
        };
        // The body ends before the closing boundary; no part is named file; not multipart at all. An
        // unknown album and no session are the slow-client test's.
        const char *multipart = "multipart/form-data; boundary=b";
        QCOMPARE(
            answer("--b\r\nContent-Disposition: form-data; name=\"file\"; filename=\"cut.jpg\"\r\n\r\nabc",
                   multipart, false),
            QString("BAD_REQUEST"));
        QCOMPARE(answer("--b\r\nContent-Disposition: form-data; name=\"other\"\r\n\r\nabc\r\n--b--\r\n",
                        multipart, true),
                 QString("NO_FILE"));
        QCOMPARE(answer("plain", "text/plain", false), QString("BAD_REQUEST"));
        QCOMPARE(storedFiles(m_server), before);
    }

    // The quota and the transfer size hold whether the size is announced or not.
    void limitsHoldWithOrWithoutALength()
    {
        ReferenceServer server;
        QVERIFY2(server.start({.arguments = {"--max-transfer-size", "64K"}}),
                 qPrintable(server.errorString()));
        QCOMPARE(server.runAdmin({"user", "set", "demo", "--quota", "1000"}), 0);
        ServerTestClient client(server);
        QVERIFY(client.signIn());
        const qint64 album = client.albumId("Family");
        // Size, chunked, answer.
        for (const auto &[size, chunked, answer] :
             QList<std::tuple<int, bool, QString>>{{1001, false, "QUOTA_EXCEEDED"},
                                                   {1001, true, "QUOTA_EXCEEDED"},
                                                   {800, false, "ok"},
                                                   {201, true, "QUOTA_EXCEEDED"},
                                                   {200, false, "ok"}})
            QCOMPARE(client.upload(album, u"%1.bin"_s.arg(size), QByteArray(size, 'x'), chunked).action(),
                     answer);
        QCOMPARE(client.call("GetQuotaDetails").leaf("objQuotaDetails", "m_nUsed"), QString("1000"));

        QCOMPARE(server.runAdmin({"user", "set", "demo", "--quota", "1M"}), 0);
        auto reply = client.upload(album, "large.bin", QByteArray(70000, 'b'));
        QCOMPARE(reply.status, 413);
        QCOMPARE(reply.action(), QString("FILE_TOO_LARGE"));
        // Without a length announced, the server stops reading at the limit.
        reply = client.upload(album, "large.bin", QByteArray(200000, 'c'), true);
        QVERIFY(reply.status == 413 || reply.status == 0);
        QCOMPARE(storedFiles(server),
                 QStringList({"albums/demo/Family/200.bin", "albums/demo/Family/800.bin"}));
    }
};

VENDRA_TEST_MAIN(TestServerUpload)
#include "tst_serverupload.moc"
