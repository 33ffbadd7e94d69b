#include "CliProcess.h"
#include "ReferenceServer.h"
#include "TestFiles.h"
#include "VendraTest.h"

#include <QDir>
#include <QElapsedTimer>
#include <QRegularExpression>

#include <csignal>

// The command line's queue features against the reference server: the journal and --resume after
// a kill, automatic retries, refusals that are never retried, and files already on the server.
class TestCliQueue : public QObject
{
    Q_OBJECT

private:
    struct Setup
    {
        ReferenceServer server;
        CliProcess cli;
        QString log;
        QString local;
        QMap<QString, QByteArray> made; // relative path below local -> content
    };

    // A tree of count files of about size bytes below Trip, and a server with the faults.
    static void start(Setup &setup, const QString &folder, int count, qint64 size,
                      const QStringList &faults = {})
    {
        setup.log = QDir(setup.cli.homePath()).filePath(u"server-%1.log"_s.arg(folder));
        setup.local = QDir(setup.cli.homePath()).filePath(folder);
        for (int i = 0; i < count; ++i) {
            const QString relative = u"Trip/part%1/file%2.bin"_s.arg(i % 3).arg(i, 3, 10, QLatin1Char('0'));
            setup.made.insert(relative, TestFiles::randomBytes(size + i, quint32(i + 1)));
            TestFiles::write(QDir(setup.local).filePath(relative), setup.made[relative]);
        }
        QStringList arguments{u"--auto-approve"_s};
        for (const QString &fault : faults)
            arguments << u"--fault"_s << fault;
        setup.cli.setPasswordVariable(u"demo"_s);
        QVERIFY2(setup.server.start({.arguments = arguments, .logFile = setup.log}),
                 qPrintable(setup.server.errorString()));
    }

    static std::unique_ptr<MeasuredProcess> launch(const Setup &setup, const QStringList &arguments)
    {
        return setup.cli.launch((CliProcess::demoOn(setup.server) << u"--verbose"_s << u"upload"_s) +
                                arguments);
    }

    static CliProcess::Result upload(const Setup &setup, const QStringList &arguments)
    {
        return launch(setup, arguments)->finish(180000);
    }

    // The whole tree to Family, after the options.
    static CliProcess::Result uploadTree(const Setup &setup, const QStringList &options = {})
    {
        return upload(setup, options + QStringList{u"--to"_s, u"Family"_s, setup.local + u"/Trip"_s});
    }

    static int uploadsLogged(const Setup &setup)
    {
        return int(QString::fromUtf8(TestFiles::read(setup.log)).count(u"/soapfileupload.hvxr"_s));
    }

    // Every file on the server below Family, by path relative to it.
    static QMap<QString, QByteArray> stored(const Setup &setup)
    {
        return TestFiles::filesBelow(setup.server.albumFilePath(u"demo"_s, u"Family"_s, QString()));
    }

private Q_SLOTS:
    // Killed in the middle of a 300-file tree, then resumed: every file is on the server exactly
    // once and byte for byte, and a second resume finds nothing left.
    void killedRunIsResumedWithoutDoubles()
    {
        Setup setup;
        start(setup, u"kill"_s, 300, 2000, {u"upload-delay=15"_s});
        const auto run = launch(setup, {u"--to"_s, u"Family"_s, setup.local + u"/Trip"_s});
        QVERIFY(QTest::qWaitFor([&] { return uploadsLogged(setup) >= 80; }, 60000));
        ::kill(run->processId(), SIGKILL);
        QCOMPARE(run->finish(10000).exitCode, -1);
        const int before = uploadsLogged(setup);
        QVERIFY2(before < 300, "the run ended before it could be killed");

        QElapsedTimer clock;
        clock.start();
        const CliProcess::Result resumed = upload(setup, {u"--resume"_s});
        QVERIFY2(resumed.exitCode == 0 && resumed.out.contains(u"Resuming"_s), qPrintable(resumed.out));
        QVERIFY(clock.elapsed() < 120000);
        QCOMPARE(stored(setup), setup.made);
        // Only what had not arrived was sent again (a file under way at the kill may go twice,
        // once cut off).
        QVERIFY2(uploadsLogged(setup) <= 300 + 4, qPrintable(QString::number(uploadsLogged(setup))));

        QVERIFY(upload(setup, {u"--resume"_s}).out.contains(u"Nothing from an earlier run"_s));
    }

    // A journal that missed its end lines (the files were stored, the run died before writing so)
    // resumes without sending anything twice. Bad --resume and --retries are the upload test's.
    void resumeSendsNothingTwice()
    {
        Setup setup;
        start(setup, u"done"_s, 6, 100);
        const QString journal =
            setup.cli.homePath() + u"/.local/state/Halvane-ZRM/cli-upload-queue.journal"_s;
        QCOMPARE(uploadTree(setup).exitCode, 0);
        QVERIFY(TestFiles::read(journal).contains("\"op\":\"end\""));
        QByteArray addsOnly;
        for (const QByteArray &line : TestFiles::read(journal).split('\n'))
            addsOnly += line.contains("\"op\":\"add\"") ? line + '\n' : QByteArray();
        TestFiles::write(journal, addsOnly);
        const int before = uploadsLogged(setup);
        const CliProcess::Result again = upload(setup, {u"--resume"_s});
        QVERIFY2(again.exitCode == 0, qPrintable(again.out + again.err));
        QCOMPARE(uploadsLogged(setup), before);
        QCOMPARE(again.out.count(u"Already on the server"_s), 6);
    }

    // The first try of every third file is reset: with retries every file arrives, each of those
    // after one retry; with --retries 0 exactly those fail with their reason.
    void transientFailuresAreRetried()
    {
        Setup setup;
        start(setup, u"retry"_s, 9, 5000, {u"upload-reset-first=3"_s});
        const CliProcess::Result run = uploadTree(setup);
        QVERIFY2(run.exitCode == 0, qPrintable(run.out + run.err));
        QVERIFY(run.ms < 60000);
        QCOMPARE(run.err.count(u"trying again"_s), 3);
        QVERIFY2(run.err.contains(u"Retrying in 4 s (try 2 of 3)"_s), qPrintable(run.err));
        QCOMPARE(stored(setup), setup.made);

        Setup none;
        start(none, u"noretry"_s, 9, 5000, {u"upload-reset-first=3"_s});
        const CliProcess::Result failing = uploadTree(none, {u"--retries"_s, u"0"_s});
        QCOMPARE(failing.exitCode, 1);
        QCOMPARE(failing.out.count(u"FAILED     "_s), 3);
        QCOMPARE(failing.err.count(u"trying again"_s), 0);
        QCOMPARE(stored(none).size(), 6);
        for (const QString &line : failing.out.split(u'\n').filter(QRegularExpression(u"^FAILED     "_s)))
            QVERIFY2(!line.section(u": "_s, 1).trimmed().isEmpty(), qPrintable(line));
    }

    // A quota refusal is final: one try per file, as the server's log counts.
    void refusalsAreNeverRetried()
    {
        Setup setup;
        start(setup, u"quota"_s, 2, 100, {u"upload-action=QUOTA_EXCEEDED"_s});
        const CliProcess::Result run = uploadTree(setup);
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(uploadsLogged(setup), 2);
        QCOMPARE(run.out.count(u"FAILED     "_s), 2);
        QCOMPARE(run.err.count(u"trying again"_s), 0);
    }

    // The same tree twice sends nothing the second time; a file whose size changed is sent;
    // --no-skip-existing sends everything.
    void filesAlreadyStoredAreSkipped()
    {
        Setup setup;
        start(setup, u"skip"_s, 5, 300);
        QCOMPARE(uploadTree(setup).exitCode, 0);
        const CliProcess::Result second = uploadTree(setup);
        QVERIFY2(second.exitCode == 0 && second.out.contains(u"5 already on the server"_s),
                 qPrintable(second.out));
        // Uploads sent so far, and the files the last run found on the server.
        const auto sentAndSkipped = [&](const CliProcess::Result &run) {
            return qMakePair(uploadsLogged(setup), run.out.count(u"Already on the server"_s));
        };
        QCOMPARE(sentAndSkipped(second), qMakePair(5, qsizetype(5)));
        TestFiles::write(setup.local + u"/Trip/part1/file001.bin"_s, "shorter now");
        QCOMPARE(sentAndSkipped(uploadTree(setup)), qMakePair(6, qsizetype(4)));
        QCOMPARE(sentAndSkipped(uploadTree(setup, {u"--no-skip-existing"_s})), qMakePair(11, qsizetype(0)));
    }
};

VENDRA_TEST_MAIN(TestCliQueue)
#include "tst_cliqueue.moc"
