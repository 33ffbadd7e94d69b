#include "CliProcess.h"
#include "ReferenceServer.h"
#include "TestFiles.h"
#include "VendraTest.h"
#include "common/MessageText.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <csignal>
#include <unistd.h>

namespace {

// The server's largest upload in these tests; small, so that the edge is cheap to reach.
constexpr qint64 MaxTransfer = 300000;
// More than the sockets between client and server hold while the server does not read, so that
// most of such a body is still to be read when the test acts.
constexpr qint64 LargeSize = 24 << 20;

} // namespace

class TestCliUpload : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_local;
    CliProcess m_cli;                 // a home folder of its own for the runs of this file
    QMap<QString, QByteArray> m_made; // every file make() wrote, with its content

    QString make(const QString &relative, const QByteArray &content)
    {
        m_made.insert(m_local.filePath(relative), content);
        return TestFiles::write(m_local.filePath(relative), content);
    }

    std::unique_ptr<MeasuredProcess> launch(const ReferenceServer &server, const QStringList &arguments)
    {
        return m_cli.launch((CliProcess::demoOn(server) << u"--verbose"_s) + arguments);
    }

    // Waits until standard error holds the text count times.
    static bool waitForDiagnostic(const MeasuredProcess &process, const QString &text, int count = 1)
    {
        return QTest::qWaitFor([&] { return process.errorSoFar().count(text) >= count; }, 60000);
    }

    CliProcess::Result cli(const ReferenceServer &server, const QStringList &arguments)
    {
        return launch(server, arguments)->finish(120000);
    }

    // With a delay, the server takes large files and waits before reading each upload's body, so a
    // test can act mid-batch.
    static void start(ReferenceServer &server, const QStringList &extra = {}, int delayMs = 0)
    {
        QStringList arguments{u"--max-transfer-size"_s, QString::number(delayMs ? LargeSize : MaxTransfer),
                              u"--auto-approve"_s};
        if (delayMs)
            arguments << u"--fault"_s << u"upload-delay=%1"_s.arg(delayMs);
        QVERIFY2(server.start({.arguments = arguments + extra}), qPrintable(server.errorString()));
    }

    // Checks that every file make() wrote either arrived below the album byte for byte, or failed
    // with a reason in its command line, the summary and the event log and left nothing on the
    // server, as expected (file to reason; an empty reason stands for any). Returns what does not hold,
    // one line each.
    QString unaccounted(const CliProcess::Result &run, const ReferenceServer &server,
                        const QMap<QString, QString> &failures, const QString &album = u"Family"_s) const
    {
        QStringList problems;
        for (auto it = m_made.cbegin(); it != m_made.cend(); ++it) {
            const QString &path = it.key();
            const QString stored =
                server.albumFilePath(u"demo"_s, album, QDir(m_local.path()).relativeFilePath(path));
            const QString line = u"FAILED     %1: "_s.arg(path);
            const qsizetype at = run.out.indexOf(line);
            const QString reason = at < 0 ? QString() : run.out.mid(at + line.size()).section(u'\n', 0, 0);
            if (at >= 0 ? QFile::exists(stored) : TestFiles::read(stored) != it.value())
                problems << path + u" stored wrongly or failed and stored"_s;
            if (at >= 0 && !(run.out.contains(u"\n  %1: %2"_s.arg(path, reason)) &&
                             run.err.contains(u"%1 , %2"_s.arg(reason, path))))
                problems << path + u" failed without its reason in the summary and the log"_s;
            if ((at >= 0) != failures.contains(path) || (at >= 0 && reason.isEmpty()) ||
                (!failures.value(path).isEmpty() && failures.value(path) != reason))
                problems << u"%1 failed with \"%2\", expected \"%3\""_s.arg(path, reason,
                                                                            failures.value(path));
        }
        const QString summary =
            u"Uploaded %1 of %2 files"_s.arg(m_made.size() - failures.size()).arg(m_made.size());
        if (!run.out.contains(summary))
            problems << u"no \"%1\" in: %2"_s.arg(summary, run.out);
        return problems.join(u'\n');
    }

private Q_SLOTS:
    void initTestCase() { m_cli.setPasswordVariable(u"demo"_s); }

    void init()
    {
        QDir(m_local.path()).removeRecursively();
        QDir().mkpath(m_local.path());
        m_made.clear();
    }

    // A tree with nested and empty folders, hidden files, an empty file, awkward names and a file of
    // exactly the largest size arrives as the same tree of albums with the same bytes, once.
    void treeArrivesIdentically()
    {
        make(u"Trip/a.jpg"_s, TestFiles::randomBytes(100000, 1));
        make(u"Trip/empty.txt"_s, {});
        make(u"Trip/Nested/Deeper/file with spaces.bin"_s, TestFiles::randomBytes(70000, 2));
        make(u"Trip/Nested/quote\"name.txt"_s, "quoted");
        make(u"Trip/Nested/back\\slash.txt"_s, "backslash");
        make(u"Trip/Ünïcødé ñame ß.txt"_s, "unicode");
        make(u"Trip/exact max.bin"_s, TestFiles::randomBytes(MaxTransfer, 3));
        const QMap<QString, QByteArray> expected = TestFiles::filesBelow(m_local.filePath(u"Trip"_s));
        TestFiles::write(m_local.filePath(u"Trip/.hidden"_s), "secret");
        TestFiles::write(m_local.filePath(u"Trip/.cache/inside.bin"_s), "secret");
        QVERIFY(QDir().mkpath(m_local.filePath(u"Trip/Empty Folder"_s)));

        ReferenceServer server;
        start(server);
        const QStringList upload{u"upload"_s, u"--to"_s, u"Holidays"_s, m_local.filePath(u"Trip"_s)};
        const CliProcess::Result run = cli(server, upload + QStringList{u"--parallel"_s, u"3"_s});
        QVERIFY2(run.exitCode == 0 && run.out.contains(u"Uploaded 7 of 7 files"_s), qPrintable(run.out));
        QCOMPARE(TestFiles::filesBelow(server.albumFilePath(u"demo"_s, u"Holidays/Trip"_s, QString())),
                 expected);

        // Again as shell completion types it, "Trip/": the same album Trip, not Trip's albums poured
        // into Holidays.
        QCOMPARE(cli(server, QStringList(upload).replaceInStrings(u"/Trip"_s, u"/Trip//"_s)).exitCode, 0);
        // The server's own list of albums: each album of the tree once, the empty one included.
        QStringList listed = cli(server, {u"albums"_s}).outLines();
        listed.sort();
        QCOMPARE(listed, (QStringList{u"Family"_s, u"Holidays"_s, u"Holidays/2019"_s, u"Holidays/Trip"_s,
                                      u"Holidays/Trip/Empty Folder"_s, u"Holidays/Trip/Nested"_s,
                                      u"Holidays/Trip/Nested/Deeper"_s}));
    }

    void wrongArguments_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");
        const QStringList upload{u"upload"_s, u"--to"_s};
        const QStringList toFamily{u"--to"_s, u"Family"_s, u"PATH"_s};
        QTest::newRow("no target") << QStringList{u"upload"_s, u"PATH"_s} << u"vendra-cli: "_s;
        QTest::newRow("missing path")
            << upload + QStringList{u"Family"_s, u"/no/such/file"_s} << u"vendra-cli: "_s;
        QTest::newRow("bad parallel")
            << QStringList{u"upload"_s, u"--parallel"_s, u"many"_s} + toFamily << u"many"_s;
        QTest::newRow("bad speed") << QStringList{u"upload"_s, u"--limit-rate"_s, u"fast"_s} + toFamily
                                   << u"--limit-rate"_s;
        QTest::newRow("resume with paths")
            << QStringList{u"upload"_s, u"--resume"_s} + toFamily << u"--resume takes no paths"_s;
        QTest::newRow("file at the top level")
            << upload + QStringList{QString(), u"PATH"_s} << u"vendra-cli: "_s;
        QTest::newRow("unknown album")
            << upload + QStringList{u"Holidays/Nowhere"_s, u"PATH"_s} << u"vendra-cli: "_s;
    }

    // Refused with status 2 and a message; nothing reaches the server.
    void wrongArguments()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        arguments.replaceInStrings(u"PATH"_s, make(u"some file.bin"_s, "content"));
        ReferenceServer server;
        start(server);
        const CliProcess::Result run = cli(server, arguments);
        QCOMPARE(run.exitCode, 2);
        QVERIFY2(run.err.contains(u"vendra-cli: "_s) && run.err.contains(message), qPrintable(run.err));
        QVERIFY(TestFiles::filesBelow(QDir(server.dataDir()).filePath(u"albums"_s)).isEmpty());
    }

    void serverFaults_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QStringList>("failing");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<QString>("albumLine");
        const QStringList all{u"big.bin"_s, u"small.bin"_s, u"Sub/inside.bin"_s};
        QTest::newRow("connection reset mid-body")
            << "upload-reset=60000" << QStringList{u"big.bin"_s} << QString() << QString();
        QTest::newRow("error status")
            << "upload-status=500" << all << messageText(u"Text_UploadHttpStatus"_s).arg(500) << QString();
        QTest::newRow("refused by the server")
            << "upload-action=QUOTA_EXCEEDED" << all
            << messageText(u"Text_Server_Response"_s).arg(messageText(u"UPLOAD_QUOTA_EXCEEDED"_s))
            << QString();
        // The files meant for an album that cannot be created fail; the rest of the batch arrives.
        QTest::newRow("album refused")
            << "soap-action=CreateNewSubAlbum:ACCESS_DENIED" << QStringList{u"Sub/inside.bin"_s}
            << messageText(u"Text_DestAlbumMissing"_s)
            << u"FAILED     album Family/Sub: "_s + messageText(u"Text_FCreateFolder"_s);
    }

    // Under faults every file either arrives byte for byte or is reported failed with a reason;
    // nothing failed is counted as uploaded. One byte over the largest size is refused by the client
    // itself, with its own reason, whatever the server does.
    void serverFaults()
    {
        QFETCH(QString, fault);
        QFETCH(QStringList, failing);
        QFETCH(QString, reason);
        QFETCH(QString, albumLine);
        const QString big = make(u"big.bin"_s, TestFiles::randomBytes(200000, 6));
        const QString small = make(u"small.bin"_s, TestFiles::randomBytes(20000, 7));
        const QString over = make(u"over.bin"_s, TestFiles::randomBytes(MaxTransfer + 1, 4));
        make(u"Sub/inside.bin"_s, "inside");
        ReferenceServer server;
        start(server, {u"--fault"_s, fault});
        const CliProcess::Result run =
            cli(server, {u"upload"_s, u"--to"_s, u"Family"_s, big, small, over, m_local.filePath(u"Sub"_s)});
        QCOMPARE(run.exitCode, 1);
        QMap<QString, QString> failures{{over, messageText(u"Text_FileTooLarge"_s).arg(u"292.97 KB"_s)}};
        for (const QString &name : failing)
            failures.insert(m_local.filePath(name), reason);
        QCOMPARE(unaccounted(run, server, failures), QString());
        QVERIFY2(run.out.contains(albumLine), qPrintable(run.out));
    }

    // Files that change after the batch was queued fail at their turn with a reason, everywhere a
    // failure is shown, and the others still arrive. The one being sent is cut short: it must not
    // arrive as a mixture.
    void filesChangedAfterQueuing()
    {
        const QString changing = make(u"changing.bin"_s, QByteArray(LargeSize, '\0'));
        const QString gone = make(u"gone.bin"_s, "gone");
        const QString locked = make(u"locked.bin"_s, "locked");
        const QString swapped = make(u"swapped.bin"_s, "swapped");
        make(u"later.bin"_s, TestFiles::randomBytes(30000, 9));
        ReferenceServer server;
        start(server, {}, 1000);
        // A limit of 0 counts as one: the others wait while the first is under way.
        const auto process =
            launch(server,
                   QStringList{u"upload"_s, u"--parallel"_s, u"0"_s, u"--to"_s, u"Family"_s} + m_made.keys());
        QVERIFY(waitForDiagnostic(*process, u"Loading up file %1"_s.arg(changing)));
        // The server is receiving once its incoming file exists: the client has taken the file's size.
        const QDir incoming(QDir(server.dataDir()).filePath(u"incoming"_s));
        QTRY_VERIFY_WITH_TIMEOUT(!incoming.entryList({u"*.part"_s}, QDir::Files).isEmpty(), 30000);
        QVERIFY(QFile::resize(changing, LargeSize / 2));
        QVERIFY(QFile::remove(gone));
        QVERIFY(QFile::setPermissions(locked, {}));
        QVERIFY(QFile::remove(swapped) && QDir().mkdir(swapped));
        const CliProcess::Result run = process->finish(120000);
        QVERIFY(server.stop()); // done with what there was of the cut body

        QCOMPARE(run.exitCode, 1);
        QCOMPARE(unaccounted(run, server,
                             {{changing, u"File read error"_s},
                              {gone, messageText(u"Text_FileMissing"_s)},
                              {locked, u"File read error"_s},
                              {swapped, messageText(u"Text_NotAFile"_s)}}),
                 QString());
    }

    // The server killed (SIGKILL) mid-batch and back at the same address a moment later: the upload
    // it cut off is tried again, and every file arrives whole and once.
    void serverKilledAndRestartedMidBatch()
    {
        QStringList paths;
        for (int i = 0; i < 4; ++i)
            paths.append(make(u"k%1.bin"_s.arg(i), TestFiles::randomBytes(LargeSize / 8, 40 + i)));
        ReferenceServer server;
        start(server, {}, 1000);
        const auto process =
            launch(server, QStringList{u"upload"_s, u"--parallel"_s, u"1"_s, u"--to"_s, u"Family"_s} + paths);
        QVERIFY(waitForDiagnostic(*process, u"Loading up file %1"_s.arg(paths[1])));
        QVERIFY(server.kill());
        QVERIFY2(server.startAgain(), qPrintable(server.errorString()));
        const CliProcess::Result run = process->finish(120000);

        QCOMPARE(unaccounted(run, server, {}), QString());
        QCOMPARE(run.exitCode, 0);
    }

    // A tree with a name that is not UTF-8, a pipe, a link back up the tree and a folder that cannot
    // be read (not taken for an empty one): every regular file arrives byte for byte, the one with
    // the bad name fails with its reason, the rest is named as skipped or unreadable, and the exit
    // status says not all arrived. The tree goes to the top level, which takes folders.
    void treeLeavesNothingOutInSilence()
    {
        make(u"Tree/a.bin"_s, TestFiles::randomBytes(40000, 11));
        make(u"Tree/Sub/b.bin"_s, TestFiles::randomBytes(30000, 12));
        const QString tree = m_local.filePath(u"Tree"_s);
        const auto [badPath, pipe, loop, locked] = TestFiles::addHostileEntries(tree);
        m_made.insert(badPath, "bad");
        ReferenceServer server;
        start(server);
        const CliProcess::Result run = cli(server, {u"upload"_s, u"--to"_s, QString(), tree});
        QVERIFY(QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

        QCOMPARE(run.exitCode, 1);
        QCOMPARE(unaccounted(run, server, {{badPath, messageText(u"Text_NameNotUtf8"_s)}}, QString()),
                 QString());
        const QString unreadable = messageText(u"Text_FolderUnreadable"_s);
        for (const QString &line :
             {u"Skipped: %1: not a regular file\n"_s.arg(pipe),
              u"Skipped: %1: leads back to a folder above it\n"_s.arg(loop), u"1 folders could not be read"_s,
              u"Folders that could not be read:\n  %1: %2"_s.arg(locked, unreadable)})
            QVERIFY2(run.out.contains(line), qPrintable(run.out));
        QVERIFY2(run.err.contains(u"%1 , %2"_s.arg(unreadable, locked)), qPrintable(run.err));
        // Nothing but the two regular files reached the server.
        QCOMPARE(TestFiles::filesBelow(server.albumFilePath(u"demo"_s, u"Tree"_s, QString())).keys(),
                 (QStringList{u"Sub/b.bin"_s, u"a.bin"_s}));
    }

    // An interrupt cancels what waits and lets what is under way finish with its real result: the
    // two being sent arrive whole and count as uploaded, the two waiting are cancelled, the summary
    // is printed and the run ends with the status of an interrupt. Two run at once, as --parallel says.
    void interruptCancelsWaitingAndFinishesRunning()
    {
        QStringList paths;
        for (int i = 0; i < 4; ++i)
            paths.append(make(u"c%1.bin"_s.arg(i), TestFiles::randomBytes(LargeSize, 20 + i)));
        ReferenceServer server;
        start(server, {}, 2000);
        const auto process =
            launch(server, QStringList{u"upload"_s, u"--parallel"_s, u"2"_s, u"--to"_s, u"Family"_s} + paths);
        QVERIFY(waitForDiagnostic(*process, u"Loading up file"_s, 2));
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(::kill(process->processId(), SIGINT), 0);
        const CliProcess::Result run = process->finish(120000);
        QVERIFY2(clock.elapsed() < 60000, "the run did not end within a minute of the interrupt");

        QCOMPARE(run.exitCode, 130);
        for (const QString &line : {u"Uploaded 2 of 4 files"_s, u"cancelled  %1\n"_s.arg(paths[2]),
                                    u"cancelled  %1\n"_s.arg(paths[3])})
            QVERIFY2(run.out.contains(line), qPrintable(run.out));
        QVERIFY2(run.err.contains(u"Interrupted: 2 waiting commands cancelled"_s), qPrintable(run.err));
        QVERIFY(server.stop());
        const QMap<QString, QByteArray> stored =
            TestFiles::filesBelow(server.albumFilePath(u"demo"_s, u"Family"_s, QString()));
        QCOMPARE(stored.size(), 2);
        for (int i = 0; i < 2; ++i)
            QCOMPARE(stored.value(u"c%1.bin"_s.arg(i)), m_made.value(paths[i]));
    }
};

VENDRA_TEST_MAIN(TestCliUpload)
#include "tst_cliupload.moc"
