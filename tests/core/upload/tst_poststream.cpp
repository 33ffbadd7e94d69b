#include "upload/PostStream.h"

#include "CaptureHttpServer.h"
#include "TestFiles.h"
#include "VendraTest.h"

#include "http/HttpUpload.h"

#include <QSignalSpy>
#include <QTemporaryDir>

namespace {

const QString Boundary = u"---------------------8cc97ead1a55694"_s;

QByteArray expectedBody(const QString &announcedName, const QByteArray &content)
{
    return "\r\n--" + Boundary.toUtf8() + "\r\nContent-Disposition: form-data; name=\"file\"; filename=\"" +
           announcedName.toUtf8() + "\"\r\nContent-Type: application/octet-stream\r\n\r\n" + content +
           "\r\n--" + Boundary.toUtf8() + "--\r\n";
}

} // namespace

class TestPostStream : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString writeFile(const QString &name, const QByteArray &content)
    {
        return TestFiles::write(m_dir.filePath(name), content);
    }

    // Posts the body as it stands; the content type is plain so that the server keeps the raw bytes.
    // Returns how the exchange failed, empty when a reply arrived.
    static Error post(const QUrl &url, PostStream &stream)
    {
        HttpRequest request;
        request.url = url;
        request.headers = {{"Content-Type", "application/octet-stream"}};
        request.bodyDevice = stream.stream();
        HttpUpload upload;
        QSignalSpy finished(&upload, &HttpUpload::finished);
        upload.start(request);
        if (!finished.wait(60000))
            return Error(u"test"_s, 1, u"no ending within a minute"_s);
        return upload.error();
    }

private Q_SLOTS:
    void bodyArrivesExactly_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("announced");
        QTest::addColumn<qint64>("size");
        QTest::newRow("empty file") << u"empty.bin"_s << u"empty.bin"_s << qint64(0);
        QTest::newRow("quote and backslash") << u"a\\\"b"_s << u"a\\\\\\\"b"_s << qint64(10);
        // A line break must not end the header line.
        QTest::newRow("line break") << u"x\r\nContent-Type: evil"_s << u"x__Content-Type: evil"_s
                                    << qint64(3);
    }

    // What arrives is prefix, file and suffix byte for byte, with the length announced up front.
    void bodyArrivesExactly()
    {
        QFETCH(QString, name);
        QFETCH(QString, announced);
        QFETCH(qint64, size);
        const QByteArray content = TestFiles::randomBytes(size, 7);
        CaptureHttpServer server;
        PostStream stream(Boundary, u"file"_s, u"application/octet-stream"_s,
                          QUrl::fromLocalFile(writeFile(name, content)));
        const QByteArray expected = expectedBody(announced, content);
        QCOMPARE(stream.length(), expected.size());
        QVERIFY(stream.start());
        const Error error = post(server.url(u"/up"_s), stream);
        QVERIFY2(!error, qPrintable(error.toString()));

        const auto captures = server.captures();
        QCOMPARE(captures.size(), 1);
        QVERIFY(captures.first().complete);
        QCOMPARE(captures.first().contentLength, std::to_string(expected.size()));
        QCOMPARE(captures.first().body, expected);
        QVERIFY(stream.failureText().isEmpty());
    }

    // The client may read the body whole or jump about in it, as it does when it sends the body again
    // after a dropped connection. Once started, the open file keeps its bytes even when its name is
    // removed.
    void randomAccessReadsGiveTheSameBytes()
    {
        const QByteArray content = TestFiles::randomBytes(3 * 32768 + 123, 7);
        const QString path = writeFile(u"random.bin"_s, content);
        const QByteArray expected = expectedBody(u"random.bin"_s, content);
        PostStream stream(Boundary, u"file"_s, u"application/octet-stream"_s, path);
        QVERIFY(stream.start());
        QVERIFY(QFile::remove(path));
        QVERIFY(!stream.isSequential());
        QCOMPARE(stream.size(), expected.size());

        QCOMPARE(stream.readAll(), expected);
        QVERIFY(stream.atEnd());
        // Each read crosses a boundary: prefix and file, file and suffix, two pieces of the file.
        for (qint64 position : {qint64(5), qint64(expected.size() - 100), qint64(32000), qint64(100)}) {
            QVERIFY(stream.seek(position));
            QCOMPARE(stream.read(5000), expected.mid(position, 5000));
        }
    }

    void fileChangedWhileSendingFails_data()
    {
        QTest::addColumn<qint64>("newSize");
        QTest::newRow("shrunk") << qint64(50000);
        QTest::newRow("same size, new content") << qint64(200000);
    }

    // A file that changes under the upload must not arrive as a mixture reported as a success.
    void fileChangedWhileSendingFails()
    {
        QFETCH(qint64, newSize);
        const QString path = writeFile(u"changing.bin"_s, TestFiles::randomBytes(200000, 1));
        CaptureHttpServer server;
        PostStream stream(Boundary, u"file"_s, u"application/octet-stream"_s, path);
        QStringList reported;
        stream.setBlockError([&reported](const QString &text) { reported.append(text); });
        QVERIFY(stream.start());
        writeFile(u"changing.bin"_s, TestFiles::randomBytes(newSize, 2));
        // Rewritten within the same clock tick, the file must still count as changed.
        QFile changed(path);
        QVERIFY(changed.open(QIODevice::ReadWrite));
        QVERIFY(changed.setFileTime(QDateTime::currentDateTime().addSecs(-3600),
                                    QFileDevice::FileModificationTime));

        QVERIFY(post(server.url(), stream));
        QTRY_COMPARE(reported, QStringList{u"File read error"_s});
        QCOMPARE(stream.failureText(), u"File read error"_s);
        for (const auto &capture : server.captures())
            QVERIFY(!capture.complete);
    }
};

VENDRA_TEST_MAIN(TestPostStream)
#include "tst_poststream.moc"
