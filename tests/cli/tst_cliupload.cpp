#include "CliProcess.h"
#include "ReferenceServer.h"
#include "VendraTest.h"
#include "common/MessageText.h"

#include <QDir>
#include <QDirIterator>
#include <QRandomGenerator>
#include <QTemporaryDir>

namespace {

// The server's largest upload in these tests; small, so that the edge is cheap to reach.
constexpr qint64 MaxTransfer = 300000;

struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
};

QByteArray randomBytes(qint64 size, quint32 seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator generator(seed);
    for (qint64 i = 0; i < size; ++i)
        bytes[i] = char(generator.bounded(256));
    return bytes;
}

} // namespace

class TestCliUpload : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_local;

    QString make(const QString &relative, const QByteArray &content)
    {
        const QString path = m_local.filePath(relative);
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

    static Run cli(const ReferenceServer &server, const QStringList &arguments,
                   const QString &password = QStringLiteral("demo"))
    {
        CliProcess process;
        process.setPasswordVariable(password);
        const CliProcess::Result result = process.run(
            QStringList{QStringLiteral("--server"), server.host(), QStringLiteral("--port"),
                        QString::number(server.port()), QStringLiteral("--http"), QStringLiteral("--user"),
                        QStringLiteral("demo"), QStringLiteral("--verbose")} +
                arguments,
            {}, 120000);
        return {result.exitCode, result.out, result.err};
    }

    static bool start(ReferenceServer &server, const QStringList &extra = {})
    {
        ReferenceServer::Options options;
        options.arguments = QStringList{QStringLiteral("--max-transfer-size"), QString::number(MaxTransfer),
                                        QStringLiteral("--auto-approve")} +
                            extra;
        return server.start(options);
    }

    // Every regular file below the folder, hidden ones left out, by path relative to it.
    static QMap<QString, QByteArray> filesBelow(const QString &folder)
    {
        QMap<QString, QByteArray> files;
        QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly))
                qFatal("cannot read %s", qPrintable(path));
            files.insert(QDir(folder).relativeFilePath(path), file.readAll());
        }
        return files;
    }

    static QStringList foldersBelow(const QString &folder)
    {
        QStringList folders;
        QDirIterator it(folder, QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
        while (it.hasNext())
            folders.append(QDir(folder).relativeFilePath(it.next()));
        folders.sort();
        return folders;
    }

private Q_SLOTS:
    void init()
    {
        QDir(m_local.path()).removeRecursively();
        QDir().mkpath(m_local.path());
    }

    // A tree with nested and empty folders, hidden files, an empty file, awkward names and a file of
    // exactly the largest size arrives as the same tree of albums with the same bytes.
    void treeArrivesIdentically()
    {
        make(QStringLiteral("Trip/a.jpg"), randomBytes(100000, 1));
        make(QStringLiteral("Trip/empty.txt"), {});
        make(QStringLiteral("Trip/.hidden"), "secret");
        make(QStringLiteral("Trip/.cache/inside.bin"), "secret");
        make(QStringLiteral("Trip/Nested/Deeper/file with spaces.bin"), randomBytes(70000, 2));
        make(QStringLiteral("Trip/Nested/quote\"name.txt"), "quoted");
        make(QStringLiteral("Trip/Nested/back\\slash.txt"), "backslash");
        make(QStringLiteral("Trip/Ünïcødé ñame ß.txt"), "unicode");
        make(QStringLiteral("Trip/exact max.bin"), randomBytes(MaxTransfer, 3));
        QVERIFY(QDir().mkpath(m_local.filePath(QStringLiteral("Trip/Empty Folder"))));

        ReferenceServer server;
        QVERIFY2(start(server), qPrintable(server.errorString()));
        const Run run = cli(server, {QStringLiteral("upload"), QStringLiteral("--parallel"),
                                     QStringLiteral("3"), QStringLiteral("--to"), QStringLiteral("Holidays"),
                                     m_local.filePath(QStringLiteral("Trip"))});
        QVERIFY2(run.exitCode == 0, qPrintable(run.out + run.err));
        QVERIFY2(run.out.contains(QStringLiteral("Uploaded 7 of 7 files")), qPrintable(run.out));

        QMap<QString, QByteArray> expected = filesBelow(m_local.filePath(QStringLiteral("Trip")));
        expected.remove(QStringLiteral(".hidden"));
        expected.remove(QStringLiteral(".cache/inside.bin"));
        const QString holidays = QDir::cleanPath(
            server.albumFilePath(QStringLiteral("demo"), QStringLiteral("Holidays"), QString()));
        const QString album = holidays + QStringLiteral("/Trip");
        QCOMPARE(filesBelow(album), expected);
        QCOMPARE(foldersBelow(album), (QStringList{QStringLiteral("Empty Folder"), QStringLiteral("Nested"),
                                                   QStringLiteral("Nested/Deeper")}));

        // The same tree again creates no second album.
        const Run again = cli(server, {QStringLiteral("upload"), QStringLiteral("--to"),
                                       QStringLiteral("Holidays"), m_local.filePath(QStringLiteral("Trip"))});
        QVERIFY2(again.exitCode == 0, qPrintable(again.out + again.err));
        QCOMPARE(QDir(holidays).entryList(QDir::Dirs | QDir::NoDotAndDotDot),
                 (QStringList{QStringLiteral("2019"), QStringLiteral("Trip")}));
        QCOMPARE(foldersBelow(album), (QStringList{QStringLiteral("Empty Folder"), QStringLiteral("Nested"),
                                                   QStringLiteral("Nested/Deeper")}));
    }

    // One byte over the largest size is refused by the client itself; the rest of the batch goes on.
    void overMaximumIsRefusedBeforeSending()
    {
        const QString over = make(QStringLiteral("over.bin"), randomBytes(MaxTransfer + 1, 4));
        const QString fine = make(QStringLiteral("fine.bin"), randomBytes(1000, 5));
        ReferenceServer server;
        QVERIFY2(start(server), qPrintable(server.errorString()));
        const Run run = cli(
            server, {QStringLiteral("upload"), QStringLiteral("--to"), QStringLiteral("Family"), over, fine});
        QCOMPARE(run.exitCode, 1);
        const QString tooLarge =
            messageText(QStringLiteral("Text_FileTooLarge")).arg(QStringLiteral("292.97 KB"));
        QVERIFY2(run.out.contains(QStringLiteral("FAILED     %1: %2").arg(over, tooLarge)),
                 qPrintable(run.out));
        QVERIFY2(run.out.contains(QStringLiteral("Failed files:\n  %1: %2").arg(over, tooLarge)),
                 qPrintable(run.out));
        // The event log has it too.
        QVERIFY2(run.err.contains(QStringLiteral("%1 , %2").arg(tooLarge, over)), qPrintable(run.err));
        QVERIFY(!QFile::exists(server.albumFilePath(QStringLiteral("demo"), QStringLiteral("Family"),
                                                    QStringLiteral("over.bin"))));
        QVERIFY(QFile::exists(server.albumFilePath(QStringLiteral("demo"), QStringLiteral("Family"),
                                                   QStringLiteral("fine.bin"))));
    }

    void wrongArguments_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("password");
        QTest::newRow("no target") << QStringList{QStringLiteral("upload"), QStringLiteral("PATH")} << "demo";
        QTest::newRow("no paths") << QStringList{QStringLiteral("upload"), QStringLiteral("--to"),
                                                 QStringLiteral("Family")}
                                  << "demo";
        QTest::newRow("missing path")
            << QStringList{QStringLiteral("upload"), QStringLiteral("--to"), QStringLiteral("Family"),
                           QStringLiteral("/no/such/file")}
            << "demo";
        QTest::newRow("bad parallel")
            << QStringList{QStringLiteral("upload"), QStringLiteral("--parallel"), QStringLiteral("many"),
                           QStringLiteral("--to"),   QStringLiteral("Family"),     QStringLiteral("PATH")}
            << "demo";
        QTest::newRow("file at the top level")
            << QStringList{QStringLiteral("upload"), QStringLiteral("--to"), QString(),
                           QStringLiteral("PATH")}
            << "demo";
        QTest::newRow("unknown album")
            << QStringList{QStringLiteral("upload"), QStringLiteral("--to"),
                           QStringLiteral("Holidays/Nowhere"), QStringLiteral("PATH")}
            << "demo";
        QTest::newRow("wrong password") << QStringList{QStringLiteral("upload"), QStringLiteral("--to"),
                                                       QStringLiteral("Family"), QStringLiteral("PATH")}
                                        << "wrong";
    }

    // Refused with status 2 and a message; nothing reaches the server.
    void wrongArguments()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, password);
        const QString file = make(QStringLiteral("some file.bin"), "content");
        arguments.replaceInStrings(QStringLiteral("PATH"), file);
        ReferenceServer server;
        QVERIFY2(start(server), qPrintable(server.errorString()));
        const Run run = cli(server, arguments, password);
        QCOMPARE(run.exitCode, 2);
        QVERIFY(run.err.contains(QStringLiteral("vendra-cli: ")));
        QVERIFY(filesBelow(QDir(server.dataDir()).filePath(QStringLiteral("albums"))).isEmpty());
    }

    void foldersAtTheTopLevel()
    {
        make(QStringLiteral("Top/inner/x.bin"), "x");
        ReferenceServer server;
        QVERIFY2(start(server), qPrintable(server.errorString()));
        const Run run = cli(server, {QStringLiteral("upload"), QStringLiteral("--to"), QString(),
                                     m_local.filePath(QStringLiteral("Top"))});
        QVERIFY2(run.exitCode == 0, qPrintable(run.out + run.err));
        QFile stored(server.albumFilePath(QStringLiteral("demo"), QStringLiteral("Top/inner"),
                                          QStringLiteral("x.bin")));
        QVERIFY(stored.open(QIODevice::ReadOnly));
        QCOMPARE(stored.readAll(), QByteArray("x"));
    }

    // When an album cannot be created, the files meant for it fail with a reason and the rest of
    // the batch still arrives.
    void albumRefused()
    {
        make(QStringLiteral("Refused/inside.bin"), "inside");
        const QString loose = make(QStringLiteral("loose.bin"), "loose");
        ReferenceServer server;
        QVERIFY2(start(server, {QStringLiteral("--fault"),
                                QStringLiteral("soap-action=CreateNewSubAlbum:ACCESS_DENIED")}),
                 qPrintable(server.errorString()));
        const Run run =
            cli(server, {QStringLiteral("upload"), QStringLiteral("--to"), QStringLiteral("Family"),
                         m_local.filePath(QStringLiteral("Refused")), loose});
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.out.contains(QStringLiteral("FAILED     album Family/Refused: %1")
                                      .arg(messageText(QStringLiteral("Text_FCreateFolder")))),
                 qPrintable(run.out));
        const QString inside = m_local.filePath(QStringLiteral("Refused/inside.bin"));
        const QString missing = messageText(QStringLiteral("Text_DestAlbumMissing"));
        QVERIFY2(run.out.contains(QStringLiteral("Failed files:\n  %1: %2").arg(inside, missing)),
                 qPrintable(run.out));
        QVERIFY2(run.err.contains(QStringLiteral("%1 , %2").arg(missing, inside)), qPrintable(run.err));
        QVERIFY(QFile::exists(server.albumFilePath(QStringLiteral("demo"), QStringLiteral("Family"),
                                                   QStringLiteral("loose.bin"))));
    }

    void serverFaults_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<bool>("smallArrives");
        QTest::newRow("connection reset mid-body") << "upload-reset=60000" << QString() << true;
        QTest::newRow("error status") << "upload-status=500"
                                      << "File transfer error" << false;
        QTest::newRow("refused by the server")
            << "upload-action=QUOTA_EXCEEDED"
            << messageText(QStringLiteral("Text_Server_Response"))
                   .arg(messageText(QStringLiteral("UPLOAD_QUOTA_EXCEEDED")))
            << false;
    }

    // Under faults every file either arrives byte for byte or is reported failed with a reason, in
    // the command lines, the summary and the event log; nothing failed is counted as uploaded.
    void serverFaults()
    {
        QFETCH(QString, fault);
        QFETCH(QString, reason);
        QFETCH(bool, smallArrives);
        const QString big = make(QStringLiteral("big.bin"), randomBytes(200000, 6));
        const QString small = make(QStringLiteral("small.bin"), randomBytes(20000, 7));
        ReferenceServer server;
        QVERIFY2(start(server, {QStringLiteral("--fault"), fault}), qPrintable(server.errorString()));
        const Run run = cli(
            server, {QStringLiteral("upload"), QStringLiteral("--to"), QStringLiteral("Family"), big, small});
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.out.contains(QStringLiteral("Uploaded %1 of 2 files").arg(smallArrives ? 1 : 0)),
                 qPrintable(run.out));

        const QString failedLine = QStringLiteral("FAILED     %1: ").arg(big);
        QVERIFY2(run.out.contains(failedLine), qPrintable(run.out));
        const QString shownReason =
            run.out.mid(run.out.indexOf(failedLine) + failedLine.size()).section(u'\n', 0, 0);
        QVERIFY(!shownReason.isEmpty());
        if (!reason.isEmpty())
            QCOMPARE(shownReason, reason);
        QVERIFY2(run.out.contains(QStringLiteral("Failed files:\n  %1: %2").arg(big, shownReason)),
                 qPrintable(run.out));
        QVERIFY2(run.err.contains(QStringLiteral("%1 , %2").arg(shownReason, big)), qPrintable(run.err));

        const QString stored =
            server.albumFilePath(QStringLiteral("demo"), QStringLiteral("Family"), QString());
        QMap<QString, QByteArray> expected;
        if (smallArrives) {
            QFile file(small);
            QVERIFY(file.open(QIODevice::ReadOnly));
            expected.insert(QStringLiteral("small.bin"), file.readAll());
        }
        QCOMPARE(filesBelow(stored), expected);
    }
};

VENDRA_TEST_MAIN(TestCliUpload)
#include "tst_cliupload.moc"
