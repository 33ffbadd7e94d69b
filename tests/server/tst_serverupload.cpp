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
    std::unique_ptr<ServerTestClient> m_client;
    qint64 m_album = -1; // the demo's Holidays/2019

    // The upload-result attributes for a multipart body with boundary xyz.
    QMap<QString, QString> sent(const QByteArray &body, bool chunked = false)
    {
        return m_client->uploadBody(m_album, body, u"multipart/form-data; boundary=xyz"_s, chunked).result;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(m_server.start(), qPrintable(m_server.errorString()));
        m_client = std::make_unique<ServerTestClient>(m_server);
        QVERIFY(m_client->signIn());
        m_album = m_client->albumId("Holidays/2019");
    }

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
            QCOMPARE(sent(QByteArray(preamble, 'p') +
                              "\r\n--xyz\r\nContent-Disposition: form-data; name=\"file\"; filename=\"" +
                              name.toUtf8() + "\"\r\n\r\n" + data + "\r\n--xyz--\r\n",
                          preamble % 2)
                         .value("actionresult"),
                     QString("ok"));
            QCOMPARE(TestFiles::read(m_server.albumFilePath("demo", "Holidays/2019", name)), data);
        }
    }

    // Hostile names stay inside the album; malformed bodies store nothing.
    void hostileNamesAndMalformedBodies()
    {
        const QStringList before = storedFiles(m_server);
        // The upload-result attributes for a file name sent as raw bytes.
        const auto named = [&](const QByteArray &filename) {
            return sent("--xyz\r\nContent-Disposition: form-data; name=\"file\"; filename=\"" + filename +
                        "\"\r\n\r\ndata\r\n--xyz--\r\n");
        };
        // A path is cut down to its last part, inside the album.
        QCOMPARE(named("../../../escape.txt").value("filename"), QString("escape.txt"));
        for (const QByteArray &name : {QByteArray(".."), QByteArray("dir/.."), QByteArray("a\0b.jpg", 7)})
            QCOMPARE(named(name).value("actionresult"), QString("INVALID_NAME"));
        // Invalid UTF-8 is repaired rather than written raw.
        QCOMPARE(named("caf\xe9.jpg").value("filename"), QString::fromUtf8("caf\xef\xbf\xbd.jpg"));
        // A very long name is shortened to what the file system takes, keeping its extension.
        const QString shortened = named(QString(300, u'ä').toUtf8() + ".jpg").value("filename");
        QVERIFY(shortened.toUtf8().size() <= 255 && shortened.endsWith(".jpg"));

        // The body ends before the closing boundary; no part is named file; not multipart at all. An
        // unknown album and no session are the slow-client test's.
        QCOMPARE(
            sent("--xyz\r\nContent-Disposition: form-data; name=\"file\"; filename=\"cut.jpg\"\r\n\r\nabc")
                .value("actionresult"),
            QString("BAD_REQUEST"));
        QCOMPARE(
            sent("--xyz\r\nContent-Disposition: form-data; name=\"other\"\r\n\r\nabc\r\n--xyz--\r\n", true)
                .value("actionresult"),
            QString("NO_FILE"));
        QCOMPARE(m_client->uploadBody(m_album, "plain", u"text/plain"_s, false).action(),
                 QString("BAD_REQUEST"));
        QStringList files = storedFiles(m_server);
        for (const QString &file : before)
            files.removeOne(file);
        QCOMPARE(files.size(), 3);
        for (const QString &file : files)
            QVERIFY2(file.startsWith("albums/demo/Holidays/2019/"), qPrintable(file));
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
                                                   {800, false, "ok"},
                                                   {201, true, "QUOTA_EXCEEDED"},
                                                   {200, false, "ok"}})
            QCOMPARE(client.upload(album, u"%1.bin"_s.arg(size), QByteArray(size, 'x'), chunked).action(),
                     answer);
        QCOMPARE(client.call("GetQuotaDetails").leaf("objQuotaDetails", "m_nUsed"), QString("1000"));

        QCOMPARE(server.runAdmin({"user", "set", "demo", "--quota", "1M"}), 0);
        auto reply = client.upload(album, "large.bin", QByteArray(70000, 'b'));
        QCOMPARE(QString::number(reply.status) + reply.action(), QString("413FILE_TOO_LARGE"));
        // Without a length announced, the server stops reading at the limit.
        reply = client.upload(album, "large.bin", QByteArray(200000, 'c'), true);
        QVERIFY(reply.status == 413 || reply.status == 0);
        QCOMPARE(storedFiles(server),
                 QStringList({"albums/demo/Family/200.bin", "albums/demo/Family/800.bin"}));
    }
};

VENDRA_TEST_MAIN(TestServerUpload)
#include "tst_serverupload.moc"
