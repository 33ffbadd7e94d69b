#include "CliProcess.h"
#include "ReferenceServer.h"
#include "TestFiles.h"
#include "VendraTest.h"
#include "common/MessageText.h"

#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QTemporaryDir>

#include <csignal>

namespace {

// The server's largest upload in these tests; small, so that the edge is cheap to reach.
constexpr qint64 MaxTransfer = 300000;

} // namespace

class TestCliUpload : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_local;

    QString make(const QString &relative, const QByteArray &content)
    {
        return TestFiles::write(m_local.filePath(relative), content);
    }

    // A home folder of its own for every vendra-cli run of this file.
    CliProcess m_cli;

    // Starts vendra-cli against the server.
    void launch(QProcess &process, const ReferenceServer &server, const QStringList &arguments,
                const QString &password = QStringLiteral("demo"))
    {
        m_cli.setPasswordVariable(password);
        process.setReadChannel(QProcess::StandardError);
        m_cli.start(process, QStringList{QStringLiteral("--server"), server.host(), QStringLiteral("--port"),
                                         QString::number(server.port()), QStringLiteral("--http"),
                                         QStringLiteral("--user"), QStringLiteral("demo"),
                                         QStringLiteral("--verbose")} +
                                 arguments);
    }

    // Waits until standard error (kept in seen) holds the text count times.
    static bool waitForDiagnostic(QProcess &process, QByteArray &seen, const QString &text, int count = 1)
    {
        const QByteArray wanted = text.toUtf8();
        QDeadlineTimer deadline(60000);
        while (seen.count(wanted) < count) {
            if (!process.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime()))))
                return false;
            seen += process.readAllStandardError();
        }
        return true;
    }

    static CliProcess::Result finish(QProcess &process, const QByteArray &seen = {})
    {
        CliProcess::Result run;
        if (!process.waitForFinished(120000)) {
            process.kill();
            process.waitForFinished();
            return run;
        }
        run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        run.out = QString::fromUtf8(process.readAllStandardOutput());
        run.err = QString::fromUtf8(seen + process.readAllStandardError());
        return run;
    }

    CliProcess::Result cli(const ReferenceServer &server, const QStringList &arguments,
                           const QString &password = QStringLiteral("demo"))
    {
        QProcess process;
        launch(process, server, arguments, password);
        return finish(process);
    }

    static bool start(ReferenceServer &server, const QStringList &extra = {}, const QString &logFile = {})
    {
        ReferenceServer::Options options;
        options.arguments = QStringList{QStringLiteral("--max-transfer-size"), QString::number(MaxTransfer),
                                        QStringLiteral("--auto-approve")} +
                            extra;
        options.logFile = logFile;
        return server.start(options);
    }

    // Every regular file below the folder, hidden ones left out, by path relative to it.
    static QMap<QString, QByteArray> filesBelow(const QString &folder)
    {
        QMap<QString, QByteArray> files;
        QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            files.insert(QDir(folder).relativeFilePath(path), TestFiles::read(path));
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
        make(QStringLiteral("Trip/a.jpg"), TestFiles::randomBytes(100000, 1));
        make(QStringLiteral("Trip/empty.txt"), {});
        make(QStringLiteral("Trip/.hidden"), "secret");
        make(QStringLiteral("Trip/.cache/inside.bin"), "secret");
        make(QStringLiteral("Trip/Nested/Deeper/file with spaces.bin"), TestFiles::randomBytes(70000, 2));
        make(QStringLiteral("Trip/Nested/quote\"name.txt"), "quoted");
        make(QStringLiteral("Trip/Nested/back\\slash.txt"), "backslash");
        make(QStringLiteral("Trip/Ünïcødé ñame ß.txt"), "unicode");
        make(QStringLiteral("Trip/exact max.bin"), TestFiles::randomBytes(MaxTransfer, 3));
        QVERIFY(QDir().mkpath(m_local.filePath(QStringLiteral("Trip/Empty Folder"))));

        ReferenceServer server;
        QVERIFY2(start(server), qPrintable(server.errorString()));
        const CliProcess::Result run =
            cli(server, {QStringLiteral("upload"), QStringLiteral("--parallel"), QStringLiteral("3"),
                         QStringLiteral("--to"), QStringLiteral("Holidays"),
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
        const CliProcess::Result again =
            cli(server, {QStringLiteral("upload"), QStringLiteral("--to"), QStringLiteral("Holidays"),
                         m_local.filePath(QStringLiteral("Trip"))});
        QVERIFY2(again.exitCode == 0, qPrintable(again.out + again.err));
        QCOMPARE(QDir(holidays).entryList(QDir::Dirs | QDir::NoDotAndDotDot),
                 (QStringList{QStringLiteral("2019"), QStringLiteral("Trip")}));
        QCOMPARE(foldersBelow(album), (QStringList{QStringLiteral("Empty Folder"), QStringLiteral("Nested"),
                                                   QStringLiteral("Nested/Deeper")}));
        // The server's own list of albums agrees: each album of the tree once.
        const CliProcess::Result albums = cli(server, {QStringLiteral("albums")});
        QCOMPARE(albums.exitCode, 0);
        QStringList trip = albums.out.split(u'\n').filter(QStringLiteral("Holidays/Trip"));
        trip.sort();
        QCOMPARE(trip,
                 (QStringList{QStringLiteral("Holidays/Trip"), QStringLiteral("Holidays/Trip/Empty Folder"),
                              QStringLiteral("Holidays/Trip/Nested"),
                              QStringLiteral("Holidays/Trip/Nested/Deeper")}));
    }

    // One byte over the largest size is refused by the client itself; the rest of the batch goes on.
    void overMaximumIsRefusedBeforeSending()
    {
        const QString over = make(QStringLiteral("over.bin"), TestFiles::randomBytes(MaxTransfer + 1, 4));
        const QString fine = make(QStringLiteral("fine.bin"), TestFiles::randomBytes(1000, 5));
        ReferenceServer server;
        const QString log = m_local.filePath(QStringLiteral("requests.log"));
        QVERIFY2(start(server, {}, log), qPrintable(server.errorString()));
        const CliProcess::Result run = cli(
            server, {QStringLiteral("upload"), QStringLiteral("--to"), QStringLiteral("Family"), over, fine});
        QCOMPARE(run.exitCode, 1);
        // Only the file that fits was ever sent.
        QCOMPARE(QString::fromUtf8(TestFiles::read(log)).count(QStringLiteral("/soapfileupload.hvxr")), 1);
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
        const CliProcess::Result run = cli(server, arguments, password);
        QCOMPARE(run.exitCode, 2);
        QVERIFY(run.err.contains(QStringLiteral("vendra-cli: ")));
        QVERIFY(filesBelow(QDir(server.dataDir()).filePath(QStringLiteral("albums"))).isEmpty());
    }

    void foldersAtTheTopLevel()
    {
        make(QStringLiteral("Top/inner/x.bin"), "x");
        ReferenceServer server;
        QVERIFY2(start(server), qPrintable(server.errorString()));
        const CliProcess::Result run = cli(server, {QStringLiteral("upload"), QStringLiteral("--to"),
                                                    QString(), m_local.filePath(QStringLiteral("Top"))});
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
        const CliProcess::Result run =
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
        const QString big = make(QStringLiteral("big.bin"), TestFiles::randomBytes(200000, 6));
        const QString small = make(QStringLiteral("small.bin"), TestFiles::randomBytes(20000, 7));
        ReferenceServer server;
        QVERIFY2(start(server, {QStringLiteral("--fault"), fault}), qPrintable(server.errorString()));
        const CliProcess::Result run = cli(
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
        if (smallArrives)
            expected.insert(QStringLiteral("small.bin"), TestFiles::read(small));
        QCOMPARE(filesBelow(stored), expected);
    }

    // Files that go away, become unreadable or turn into a folder after the batch was queued fail
    // at their turn with a reason, everywhere a failure is shown; the others still arrive.
    void filesChangedAfterQueuing()
    {
        const QString first = make(QStringLiteral("first.bin"), TestFiles::randomBytes(20000, 8));
        const QString gone = make(QStringLiteral("gone.bin"), "gone");
        const QString locked = make(QStringLiteral("locked.bin"), "locked");
        const QString swapped = make(QStringLiteral("swapped.bin"), "swapped");
        const QString later = make(QStringLiteral("later.bin"), TestFiles::randomBytes(30000, 9));
        ReferenceServer server;
        // Each body waits on the server, so the first upload is still under way when the files change.
        QVERIFY2(start(server, {QStringLiteral("--fault"), QStringLiteral("upload-delay=2500")}),
                 qPrintable(server.errorString()));
        QProcess process;
        launch(process, server,
               {QStringLiteral("upload"), QStringLiteral("--parallel"), QStringLiteral("1"),
                QStringLiteral("--to"), QStringLiteral("Family"), first, gone, locked, swapped, later});
        QByteArray seen;
        QVERIFY(waitForDiagnostic(process, seen, QStringLiteral("Loading up file %1").arg(first)));
        QVERIFY(QFile::remove(gone));
        QVERIFY(QFile::setPermissions(locked, {}));
        QVERIFY(QFile::remove(swapped));
        QVERIFY(QDir().mkdir(swapped));
        const CliProcess::Result run = finish(process, seen);

        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.out.contains(QStringLiteral("Uploaded 2 of 5 files")), qPrintable(run.out));
        const QList<QPair<QString, QString>> failures{
            {gone, messageText(QStringLiteral("Text_FileMissing"))},
            {locked, QStringLiteral("File read error")},
            {swapped, messageText(QStringLiteral("Text_NotAFile"))}};
        for (const auto &[path, reason] : failures) {
            QVERIFY2(run.out.contains(QStringLiteral("FAILED     %1: %2\n").arg(path, reason)),
                     qPrintable(run.out));
            QVERIFY2(run.out.contains(QStringLiteral("\n  %1: %2").arg(path, reason)), qPrintable(run.out));
            QVERIFY2(run.err.contains(QStringLiteral("%1 , %2").arg(reason, path)), qPrintable(run.err));
        }
        const QString album =
            server.albumFilePath(QStringLiteral("demo"), QStringLiteral("Family"), QString());
        QCOMPARE(filesBelow(album),
                 (QMap<QString, QByteArray>{{QStringLiteral("first.bin"), TestFiles::read(first)},
                                            {QStringLiteral("later.bin"), TestFiles::read(later)}}));
    }

    void fileChangedWhileSending_data()
    {
        QTest::addColumn<bool>("shrink");
        QTest::newRow("cut short") << true;
        QTest::newRow("rewritten, same size") << false;
    }

    // A file that changes while its body is on the way must not arrive as a mixture: the upload
    // fails with a reason and the server keeps nothing of it.
    void fileChangedWhileSending()
    {
        QFETCH(bool, shrink);
        // More than the sockets hold while the server does not read, so most is read after the change.
        constexpr qint64 Size = 24 << 20;
        const QString path = make(QStringLiteral("changing.bin"), {});
        QVERIFY(QFile::resize(path, Size));
        ReferenceServer server;
        QVERIFY2(start(server, {QStringLiteral("--max-transfer-size"), QString::number(Size),
                                QStringLiteral("--fault"), QStringLiteral("upload-delay=1000")}),
                 qPrintable(server.errorString()));
        QProcess process;
        launch(process, server,
               {QStringLiteral("upload"), QStringLiteral("--to"), QStringLiteral("Family"), path});
        QByteArray seen;
        QVERIFY(waitForDiagnostic(process, seen, QStringLiteral("Loading up file %1").arg(path)));
        // The server is receiving once its incoming file exists: the client has taken the file's size.
        const QDir incoming(QDir(server.dataDir()).filePath(QStringLiteral("incoming")));
        QTRY_VERIFY_WITH_TIMEOUT(!incoming.entryList({QStringLiteral("*.part")}, QDir::Files).isEmpty(),
                                 30000);
        if (shrink) {
            QVERIFY(QFile::resize(path, Size / 2));
        } else {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QCOMPARE(file.write(QByteArray(Size, 'x')), Size);
        }
        const CliProcess::Result run = finish(process, seen);

        QCOMPARE(run.exitCode, 1);
        const QString reason = QStringLiteral("File read error");
        QVERIFY2(run.out.contains(QStringLiteral("Uploaded 0 of 1 files")), qPrintable(run.out));
        QVERIFY2(run.out.contains(QStringLiteral("FAILED     %1: %2\n").arg(path, reason)),
                 qPrintable(run.out));
        QVERIFY2(run.err.contains(QStringLiteral("%1 , %2").arg(reason, path)), qPrintable(run.err));
        QVERIFY(server.stop());
        QVERIFY(filesBelow(server.albumFilePath(QStringLiteral("demo"), QStringLiteral("Family"), QString()))
                    .isEmpty());
    }

    // A folder that cannot be listed is not taken for an empty one: the run fails and names it.
    void unreadableFolder()
    {
        const QString ok = make(QStringLiteral("Mixed/ok.bin"), "ok");
        make(QStringLiteral("Mixed/Locked/inside.bin"), "inside");
        const QString locked = m_local.filePath(QStringLiteral("Mixed/Locked"));
        QVERIFY(QFile::setPermissions(locked, {}));
        ReferenceServer server;
        QVERIFY2(start(server), qPrintable(server.errorString()));
        const CliProcess::Result run =
            cli(server, {QStringLiteral("upload"), QStringLiteral("--to"), QStringLiteral("Family"),
                         m_local.filePath(QStringLiteral("Mixed"))});
        QVERIFY(QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

        QCOMPARE(run.exitCode, 1);
        const QString reason = messageText(QStringLiteral("Text_FolderUnreadable"));
        QVERIFY2(run.out.contains(QStringLiteral("Uploaded 1 of 1 files")), qPrintable(run.out));
        QVERIFY2(run.out.contains(QStringLiteral("1 folders could not be read")), qPrintable(run.out));
        QVERIFY2(
            run.out.contains(QStringLiteral("Folders that could not be read:\n  %1: %2").arg(locked, reason)),
            qPrintable(run.out));
        QVERIFY2(run.err.contains(QStringLiteral("%1 , %2").arg(reason, locked)), qPrintable(run.err));
        QCOMPARE(TestFiles::read(server.albumFilePath(QStringLiteral("demo"), QStringLiteral("Family/Mixed"),
                                                      QStringLiteral("ok.bin"))),
                 TestFiles::read(ok));
    }

    // An interrupt cancels the batch: uploads under way end failed with "Cancelled", waiting ones
    // are cancelled, none of them counts as uploaded or reaches the event log, and the run ends.
    void interruptCancelsWaitingAndRunning()
    {
        // Larger than what the sockets between client and server can hold while the server does not
        // read: a body that had gone whole before the cancel could not be called back.
        constexpr qint64 Size = 24 << 20;
        QStringList paths;
        for (int i = 0; i < 4; ++i) {
            paths.append(make(QStringLiteral("c%1.bin").arg(i), {}));
            QVERIFY(QFile::resize(paths.last(), Size));
        }
        ReferenceServer server;
        QVERIFY2(start(server, {QStringLiteral("--max-transfer-size"), QString::number(Size),
                                QStringLiteral("--fault"), QStringLiteral("upload-delay=2000")}),
                 qPrintable(server.errorString()));
        QProcess process;
        launch(process, server,
               QStringList{QStringLiteral("upload"), QStringLiteral("--parallel"), QStringLiteral("2"),
                           QStringLiteral("--to"), QStringLiteral("Family")} +
                   paths);
        QByteArray seen;
        QVERIFY(waitForDiagnostic(process, seen, QStringLiteral("Loading up file"), 2));
        QCOMPARE(::kill(pid_t(process.processId()), SIGINT), 0);
        const CliProcess::Result run = finish(process, seen);

        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.out.contains(QStringLiteral("Uploaded 0 of 4 files")), qPrintable(run.out));
        const QString cancelled = messageText(QStringLiteral("Cancelled"));
        for (int i = 0; i < 4; ++i) {
            const QString &path = paths.at(i);
            if (i < 2)
                QVERIFY2(run.out.contains(QStringLiteral("FAILED     %1: %2\n").arg(path, cancelled)),
                         qPrintable(run.out));
            else
                QVERIFY2(run.out.contains(QStringLiteral("cancelled  %1\n").arg(path)), qPrintable(run.out));
            QVERIFY2(!run.err.contains(QStringLiteral(" , %1").arg(path)), qPrintable(run.err));
        }
        // Once the server has read what there was of the bodies, nothing of them is kept.
        QVERIFY(server.stop());
        QVERIFY(filesBelow(server.albumFilePath(QStringLiteral("demo"), QStringLiteral("Family"), QString()))
                    .isEmpty());
    }

    void parallelLimit_data()
    {
        QTest::addColumn<QString>("parallel");
        QTest::addColumn<int>("expected");
        QTest::newRow("zero counts as one") << "0" << 1;
        QTest::newRow("negative counts as one") << "-3" << 1;
        QTest::newRow("two") << "2" << 2;
    }

    // The number of uploads under way at once, as the client's own start and end lines show it.
    void parallelLimit()
    {
        QFETCH(QString, parallel);
        QFETCH(int, expected);
        QStringList paths;
        for (int i = 0; i < 3; ++i)
            paths.append(
                make(QStringLiteral("p%1.bin").arg(i), TestFiles::randomBytes(5000, quint32(20 + i))));
        ReferenceServer server;
        // Held bodies keep each upload under way long enough for the next to start, if it may.
        QVERIFY2(start(server, {QStringLiteral("--fault"), QStringLiteral("upload-delay=600")}),
                 qPrintable(server.errorString()));
        const CliProcess::Result run =
            cli(server, QStringList{QStringLiteral("upload"), QStringLiteral("--parallel"), parallel,
                                    QStringLiteral("--to"), QStringLiteral("Family")} +
                            paths);
        QVERIFY2(run.exitCode == 0, qPrintable(run.out + run.err));

        int running = 0, most = 0, ended = 0;
        for (const QString &line : run.err.split(u'\n')) {
            if (line.contains(QStringLiteral("Loading up file ")))
                most = qMax(most, ++running);
            else if (line.contains(QStringLiteral("Action UploadStatus Upload Status")))
                --running, ++ended;
        }
        QCOMPARE(ended, 3);
        QCOMPARE(most, expected);
        const QString album =
            server.albumFilePath(QStringLiteral("demo"), QStringLiteral("Family"), QString());
        QMap<QString, QByteArray> expectedFiles;
        for (const QString &path : paths)
            expectedFiles.insert(QFileInfo(path).fileName(), TestFiles::read(path));
        QCOMPARE(filesBelow(album), expectedFiles);
    }
};

VENDRA_TEST_MAIN(TestCliUpload)
#include "tst_cliupload.moc"
