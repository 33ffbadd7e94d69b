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
                const QString &password = u"demo"_s)
    {
        m_cli.setPasswordVariable(password);
        process.setReadChannel(QProcess::StandardError);
        m_cli.start(process,
                    QStringList{u"--server"_s, server.host(), u"--port"_s, QString::number(server.port()),
                                u"--http"_s, u"--user"_s, u"demo"_s, u"--verbose"_s} +
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
                           const QString &password = u"demo"_s)
    {
        QProcess process;
        launch(process, server, arguments, password);
        return finish(process);
    }

    static bool start(ReferenceServer &server, const QStringList &extra = {}, const QString &logFile = {})
    {
        ReferenceServer::Options options;
        options.arguments =
            QStringList{u"--max-transfer-size"_s, QString::number(MaxTransfer), u"--auto-approve"_s} + extra;
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
        make(u"Trip/a.jpg"_s, TestFiles::randomBytes(100000, 1));
        make(u"Trip/empty.txt"_s, {});
        make(u"Trip/.hidden"_s, "secret");
        make(u"Trip/.cache/inside.bin"_s, "secret");
        make(u"Trip/Nested/Deeper/file with spaces.bin"_s, TestFiles::randomBytes(70000, 2));
        make(u"Trip/Nested/quote\"name.txt"_s, "quoted");
        make(u"Trip/Nested/back\\slash.txt"_s, "backslash");
        make(u"Trip/Ünïcødé ñame ß.txt"_s, "unicode");
        make(u"Trip/exact max.bin"_s, TestFiles::randomBytes(MaxTransfer, 3));
        QVERIFY(QDir().mkpath(m_local.filePath(u"Trip/Empty Folder"_s)));

        ReferenceServer server;
        QVERIFY2(start(server), qPrintable(server.errorString()));
        const CliProcess::Result run = cli(server, {u"upload"_s, u"--parallel"_s, u"3"_s, u"--to"_s,
                                                    u"Holidays"_s, m_local.filePath(u"Trip"_s)});
        QVERIFY2(run.exitCode == 0, qPrintable(run.out + run.err));
        QVERIFY2(run.out.contains(u"Uploaded 7 of 7 files"_s), qPrintable(run.out));

        QMap<QString, QByteArray> expected = filesBelow(m_local.filePath(u"Trip"_s));
        expected.remove(u".hidden"_s);
        expected.remove(u".cache/inside.bin"_s);
        const QString holidays = QDir::cleanPath(server.albumFilePath(u"demo"_s, u"Holidays"_s, QString()));
        const QString album = holidays + u"/Trip"_s;
        QCOMPARE(filesBelow(album), expected);
        QCOMPARE(foldersBelow(album), (QStringList{u"Empty Folder"_s, u"Nested"_s, u"Nested/Deeper"_s}));

        // The same tree again creates no second album.
        const CliProcess::Result again =
            cli(server, {u"upload"_s, u"--to"_s, u"Holidays"_s, m_local.filePath(u"Trip"_s)});
        QVERIFY2(again.exitCode == 0, qPrintable(again.out + again.err));
        QCOMPARE(QDir(holidays).entryList(QDir::Dirs | QDir::NoDotAndDotDot),
                 (QStringList{u"2019"_s, u"Trip"_s}));
        QCOMPARE(foldersBelow(album), (QStringList{u"Empty Folder"_s, u"Nested"_s, u"Nested/Deeper"_s}));
        // The server's own list of albums agrees: each album of the tree once.
        const CliProcess::Result albums = cli(server, {u"albums"_s});
        QCOMPARE(albums.exitCode, 0);
        QStringList trip = albums.out.split(u'\n').filter(u"Holidays/Trip"_s);
        trip.sort();
        QCOMPARE(trip, (QStringList{u"Holidays/Trip"_s, u"Holidays/Trip/Empty Folder"_s,
                                    u"Holidays/Trip/Nested"_s, u"Holidays/Trip/Nested/Deeper"_s}));
    }

    // One byte over the largest size is refused by the client itself; the rest of the batch goes on.
    void overMaximumIsRefusedBeforeSending()
    {
        const QString over = make(u"over.bin"_s, TestFiles::randomBytes(MaxTransfer + 1, 4));
        const QString fine = make(u"fine.bin"_s, TestFiles::randomBytes(1000, 5));
        ReferenceServer server;
        const QString log = m_local.filePath(u"requests.log"_s);
        QVERIFY2(start(server, {}, log), qPrintable(server.errorString()));
        const CliProcess::Result run = cli(server, {u"upload"_s, u"--to"_s, u"Family"_s, over, fine});
        QCOMPARE(run.exitCode, 1);
        // Only the file that fits was ever sent.
        QCOMPARE(QString::fromUtf8(TestFiles::read(log)).count(u"/soapfileupload.hvxr"_s), 1);
        const QString tooLarge = messageText(u"Text_FileTooLarge"_s).arg(u"292.97 KB"_s);
        QVERIFY2(run.out.contains(u"FAILED     %1: %2"_s.arg(over, tooLarge)), qPrintable(run.out));
        QVERIFY2(run.out.contains(u"Failed files:\n  %1: %2"_s.arg(over, tooLarge)), qPrintable(run.out));
        // The event log has it too.
        QVERIFY2(run.err.contains(u"%1 , %2"_s.arg(tooLarge, over)), qPrintable(run.err));
        QVERIFY(!QFile::exists(server.albumFilePath(u"demo"_s, u"Family"_s, u"over.bin"_s)));
        QVERIFY(QFile::exists(server.albumFilePath(u"demo"_s, u"Family"_s, u"fine.bin"_s)));
    }

    void wrongArguments_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("password");
        QTest::newRow("no target") << QStringList{u"upload"_s, u"PATH"_s} << "demo";
        QTest::newRow("no paths") << QStringList{u"upload"_s, u"--to"_s, u"Family"_s} << "demo";
        QTest::newRow("missing path")
            << QStringList{u"upload"_s, u"--to"_s, u"Family"_s, u"/no/such/file"_s} << "demo";
        QTest::newRow("bad parallel")
            << QStringList{u"upload"_s, u"--parallel"_s, u"many"_s, u"--to"_s, u"Family"_s, u"PATH"_s}
            << "demo";
        QTest::newRow("file at the top level")
            << QStringList{u"upload"_s, u"--to"_s, QString(), u"PATH"_s} << "demo";
        QTest::newRow("unknown album")
            << QStringList{u"upload"_s, u"--to"_s, u"Holidays/Nowhere"_s, u"PATH"_s} << "demo";
        QTest::newRow("wrong password")
            << QStringList{u"upload"_s, u"--to"_s, u"Family"_s, u"PATH"_s} << "wrong";
    }

    // Refused with status 2 and a message; nothing reaches the server.
    void wrongArguments()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, password);
        const QString file = make(u"some file.bin"_s, "content");
        arguments.replaceInStrings(u"PATH"_s, file);
        ReferenceServer server;
        QVERIFY2(start(server), qPrintable(server.errorString()));
        const CliProcess::Result run = cli(server, arguments, password);
        QCOMPARE(run.exitCode, 2);
        QVERIFY(run.err.contains(u"vendra-cli: "_s));
        QVERIFY(filesBelow(QDir(server.dataDir()).filePath(u"albums"_s)).isEmpty());
    }

    void foldersAtTheTopLevel()
    {
        make(u"Top/inner/x.bin"_s, "x");
        ReferenceServer server;
        QVERIFY2(start(server), qPrintable(server.errorString()));
        const CliProcess::Result run =
            cli(server, {u"upload"_s, u"--to"_s, QString(), m_local.filePath(u"Top"_s)});
        QVERIFY2(run.exitCode == 0, qPrintable(run.out + run.err));
        QFile stored(server.albumFilePath(u"demo"_s, u"Top/inner"_s, u"x.bin"_s));
        QVERIFY(stored.open(QIODevice::ReadOnly));
        QCOMPARE(stored.readAll(), QByteArray("x"));
    }

    // When an album cannot be created, the files meant for it fail with a reason and the rest of
    // the batch still arrives.
    void albumRefused()
    {
        make(u"Refused/inside.bin"_s, "inside");
        const QString loose = make(u"loose.bin"_s, "loose");
        ReferenceServer server;
        QVERIFY2(start(server, {u"--fault"_s, u"soap-action=CreateNewSubAlbum:ACCESS_DENIED"_s}),
                 qPrintable(server.errorString()));
        const CliProcess::Result run =
            cli(server, {u"upload"_s, u"--to"_s, u"Family"_s, m_local.filePath(u"Refused"_s), loose});
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.out.contains(
                     u"FAILED     album Family/Refused: %1"_s.arg(messageText(u"Text_FCreateFolder"_s))),
                 qPrintable(run.out));
        const QString inside = m_local.filePath(u"Refused/inside.bin"_s);
        const QString missing = messageText(u"Text_DestAlbumMissing"_s);
        QVERIFY2(run.out.contains(u"Failed files:\n  %1: %2"_s.arg(inside, missing)), qPrintable(run.out));
        QVERIFY2(run.err.contains(u"%1 , %2"_s.arg(missing, inside)), qPrintable(run.err));
        QVERIFY(QFile::exists(server.albumFilePath(u"demo"_s, u"Family"_s, u"loose.bin"_s)));
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
            << messageText(u"Text_Server_Response"_s).arg(messageText(u"UPLOAD_QUOTA_EXCEEDED"_s)) << false;
    }

    // Under faults every file either arrives byte for byte or is reported failed with a reason, in
    // the command lines, the summary and the event log; nothing failed is counted as uploaded.
    void serverFaults()
    {
        QFETCH(QString, fault);
        QFETCH(QString, reason);
        QFETCH(bool, smallArrives);
        const QString big = make(u"big.bin"_s, TestFiles::randomBytes(200000, 6));
        const QString small = make(u"small.bin"_s, TestFiles::randomBytes(20000, 7));
        ReferenceServer server;
        QVERIFY2(start(server, {u"--fault"_s, fault}), qPrintable(server.errorString()));
        const CliProcess::Result run = cli(server, {u"upload"_s, u"--to"_s, u"Family"_s, big, small});
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.out.contains(u"Uploaded %1 of 2 files"_s.arg(smallArrives ? 1 : 0)),
                 qPrintable(run.out));

        const QString failedLine = u"FAILED     %1: "_s.arg(big);
        QVERIFY2(run.out.contains(failedLine), qPrintable(run.out));
        const QString shownReason =
            run.out.mid(run.out.indexOf(failedLine) + failedLine.size()).section(u'\n', 0, 0);
        QVERIFY(!shownReason.isEmpty());
        if (!reason.isEmpty())
            QCOMPARE(shownReason, reason);
        QVERIFY2(run.out.contains(u"Failed files:\n  %1: %2"_s.arg(big, shownReason)), qPrintable(run.out));
        QVERIFY2(run.err.contains(u"%1 , %2"_s.arg(shownReason, big)), qPrintable(run.err));

        const QString stored = server.albumFilePath(u"demo"_s, u"Family"_s, QString());
        QMap<QString, QByteArray> expected;
        if (smallArrives)
            expected.insert(u"small.bin"_s, TestFiles::read(small));
        QCOMPARE(filesBelow(stored), expected);
    }

    // Files that go away, become unreadable or turn into a folder after the batch was queued fail
    // at their turn with a reason, everywhere a failure is shown; the others still arrive.
    void filesChangedAfterQueuing()
    {
        const QString first = make(u"first.bin"_s, TestFiles::randomBytes(20000, 8));
        const QString gone = make(u"gone.bin"_s, "gone");
        const QString locked = make(u"locked.bin"_s, "locked");
        const QString swapped = make(u"swapped.bin"_s, "swapped");
        const QString later = make(u"later.bin"_s, TestFiles::randomBytes(30000, 9));
        ReferenceServer server;
        // Each body waits on the server, so the first upload is still under way when the files change.
        QVERIFY2(start(server, {u"--fault"_s, u"upload-delay=2500"_s}), qPrintable(server.errorString()));
        QProcess process;
        launch(process, server,
               {u"upload"_s, u"--parallel"_s, u"1"_s, u"--to"_s, u"Family"_s, first, gone, locked, swapped,
                later});
        QByteArray seen;
        QVERIFY(waitForDiagnostic(process, seen, u"Loading up file %1"_s.arg(first)));
        QVERIFY(QFile::remove(gone));
        QVERIFY(QFile::setPermissions(locked, {}));
        QVERIFY(QFile::remove(swapped));
        QVERIFY(QDir().mkdir(swapped));
        const CliProcess::Result run = finish(process, seen);

        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.out.contains(u"Uploaded 2 of 5 files"_s), qPrintable(run.out));
        const QList<QPair<QString, QString>> failures{{gone, messageText(u"Text_FileMissing"_s)},
                                                      {locked, u"File read error"_s},
                                                      {swapped, messageText(u"Text_NotAFile"_s)}};
        for (const auto &[path, reason] : failures) {
            QVERIFY2(run.out.contains(u"FAILED     %1: %2\n"_s.arg(path, reason)), qPrintable(run.out));
            QVERIFY2(run.out.contains(u"\n  %1: %2"_s.arg(path, reason)), qPrintable(run.out));
            QVERIFY2(run.err.contains(u"%1 , %2"_s.arg(reason, path)), qPrintable(run.err));
        }
        const QString album = server.albumFilePath(u"demo"_s, u"Family"_s, QString());
        QCOMPARE(filesBelow(album), (QMap<QString, QByteArray>{{u"first.bin"_s, TestFiles::read(first)},
                                                               {u"later.bin"_s, TestFiles::read(later)}}));
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
        const QString path = make(u"changing.bin"_s, {});
        QVERIFY(QFile::resize(path, Size));
        ReferenceServer server;
        QVERIFY2(start(server, {u"--max-transfer-size"_s, QString::number(Size), u"--fault"_s,
                                u"upload-delay=1000"_s}),
                 qPrintable(server.errorString()));
        QProcess process;
        launch(process, server, {u"upload"_s, u"--to"_s, u"Family"_s, path});
        QByteArray seen;
        QVERIFY(waitForDiagnostic(process, seen, u"Loading up file %1"_s.arg(path)));
        // The server is receiving once its incoming file exists: the client has taken the file's size.
        const QDir incoming(QDir(server.dataDir()).filePath(u"incoming"_s));
        QTRY_VERIFY_WITH_TIMEOUT(!incoming.entryList({u"*.part"_s}, QDir::Files).isEmpty(), 30000);
        if (shrink) {
            QVERIFY(QFile::resize(path, Size / 2));
        } else {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QCOMPARE(file.write(QByteArray(Size, 'x')), Size);
        }
        const CliProcess::Result run = finish(process, seen);

        QCOMPARE(run.exitCode, 1);
        const QString reason = u"File read error"_s;
        QVERIFY2(run.out.contains(u"Uploaded 0 of 1 files"_s), qPrintable(run.out));
        QVERIFY2(run.out.contains(u"FAILED     %1: %2\n"_s.arg(path, reason)), qPrintable(run.out));
        QVERIFY2(run.err.contains(u"%1 , %2"_s.arg(reason, path)), qPrintable(run.err));
        QVERIFY(server.stop());
        QVERIFY(filesBelow(server.albumFilePath(u"demo"_s, u"Family"_s, QString())).isEmpty());
    }

    // A folder that cannot be listed is not taken for an empty one: the run fails and names it.
    void unreadableFolder()
    {
        const QString ok = make(u"Mixed/ok.bin"_s, "ok");
        make(u"Mixed/Locked/inside.bin"_s, "inside");
        const QString locked = m_local.filePath(u"Mixed/Locked"_s);
        QVERIFY(QFile::setPermissions(locked, {}));
        ReferenceServer server;
        QVERIFY2(start(server), qPrintable(server.errorString()));
        const CliProcess::Result run =
            cli(server, {u"upload"_s, u"--to"_s, u"Family"_s, m_local.filePath(u"Mixed"_s)});
        QVERIFY(QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

        QCOMPARE(run.exitCode, 1);
        const QString reason = messageText(u"Text_FolderUnreadable"_s);
        QVERIFY2(run.out.contains(u"Uploaded 1 of 1 files"_s), qPrintable(run.out));
        QVERIFY2(run.out.contains(u"1 folders could not be read"_s), qPrintable(run.out));
        QVERIFY2(run.out.contains(u"Folders that could not be read:\n  %1: %2"_s.arg(locked, reason)),
                 qPrintable(run.out));
        QVERIFY2(run.err.contains(u"%1 , %2"_s.arg(reason, locked)), qPrintable(run.err));
        QCOMPARE(TestFiles::read(server.albumFilePath(u"demo"_s, u"Family/Mixed"_s, u"ok.bin"_s)),
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
            paths.append(make(u"c%1.bin"_s.arg(i), {}));
            QVERIFY(QFile::resize(paths.last(), Size));
        }
        ReferenceServer server;
        QVERIFY2(start(server, {u"--max-transfer-size"_s, QString::number(Size), u"--fault"_s,
                                u"upload-delay=2000"_s}),
                 qPrintable(server.errorString()));
        QProcess process;
        launch(process, server,
               QStringList{u"upload"_s, u"--parallel"_s, u"2"_s, u"--to"_s, u"Family"_s} + paths);
        QByteArray seen;
        QVERIFY(waitForDiagnostic(process, seen, u"Loading up file"_s, 2));
        QCOMPARE(::kill(pid_t(process.processId()), SIGINT), 0);
        const CliProcess::Result run = finish(process, seen);

        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.out.contains(u"Uploaded 0 of 4 files"_s), qPrintable(run.out));
        const QString cancelled = messageText(u"Cancelled"_s);
        for (int i = 0; i < 4; ++i) {
            const QString &path = paths.at(i);
            if (i < 2)
                QVERIFY2(run.out.contains(u"FAILED     %1: %2\n"_s.arg(path, cancelled)),
                         qPrintable(run.out));
            else
                QVERIFY2(run.out.contains(u"cancelled  %1\n"_s.arg(path)), qPrintable(run.out));
            QVERIFY2(!run.err.contains(u" , %1"_s.arg(path)), qPrintable(run.err));
        }
        // Once the server has read what there was of the bodies, nothing of them is kept.
        QVERIFY(server.stop());
        QVERIFY(filesBelow(server.albumFilePath(u"demo"_s, u"Family"_s, QString())).isEmpty());
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
            paths.append(make(u"p%1.bin"_s.arg(i), TestFiles::randomBytes(5000, quint32(20 + i))));
        ReferenceServer server;
        // Held bodies keep each upload under way long enough for the next to start, if it may.
        QVERIFY2(start(server, {u"--fault"_s, u"upload-delay=600"_s}), qPrintable(server.errorString()));
        const CliProcess::Result run =
            cli(server, QStringList{u"upload"_s, u"--parallel"_s, parallel, u"--to"_s, u"Family"_s} + paths);
        QVERIFY2(run.exitCode == 0, qPrintable(run.out + run.err));

        int running = 0, most = 0, ended = 0;
        for (const QString &line : run.err.split(u'\n')) {
            if (line.contains(u"Loading up file "_s))
                most = qMax(most, ++running);
            else if (line.contains(u"Action UploadStatus Upload Status"_s))
                --running, ++ended;
        }
        QCOMPARE(ended, 3);
        QCOMPARE(most, expected);
        const QString album = server.albumFilePath(u"demo"_s, u"Family"_s, QString());
        QMap<QString, QByteArray> expectedFiles;
        for (const QString &path : paths)
            expectedFiles.insert(QFileInfo(path).fileName(), TestFiles::read(path));
        QCOMPARE(filesBelow(album), expectedFiles);
    }
};

VENDRA_TEST_MAIN(TestCliUpload)
#include "tst_cliupload.moc"
