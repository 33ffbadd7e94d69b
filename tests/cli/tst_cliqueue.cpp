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
    static bool start(Setup &setup, const QString &folder, int count, qint64 size,
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
        return setup.server.start({.arguments = arguments, .logFile = setup.log});
    }

    static QStringList connection(const Setup &setup)
    {
        return CliProcess::demoOn(setup.server) << u"--verbose"_s;
    }

    static CliProcess::Result upload(const Setup &setup, const QStringList &arguments)
    {
        return setup.cli.run(connection(setup) + QStringList{u"upload"_s} + arguments, {}, 180000);
    }

    static QStringList tree(const Setup &setup)
    {
        return {u"--to"_s, u"Family"_s, QDir(setup.local).filePath(u"Trip"_s)};
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
        QVERIFY2(start(setup, u"kill"_s, 300, 2000, {u"upload-delay=15"_s}),
                 qPrintable(setup.server.errorString()));

        const auto run = setup.cli.launch(connection(setup) + QStringList{u"upload"_s} + tree(setup));
        QVERIFY(QTest::qWaitFor([&] { return uploadsLogged(setup) >= 80; }, 60000));
        ::kill(run->processId(), SIGKILL);
        QCOMPARE(run->finish(10000).exitCode, -1);
        const int before = uploadsLogged(setup);
        QVERIFY2(before < 300, "the run ended before it could be killed");

        QElapsedTimer clock;
        clock.start();
        const CliProcess::Result resumed = upload(setup, {u"--resume"_s});
        QVERIFY2(resumed.exitCode == 0, qPrintable(resumed.out + resumed.err));
        QVERIFY(clock.elapsed() < 120000);
        QVERIFY2(resumed.out.contains(u"Resuming"_s), qPrintable(resumed.out));
        QCOMPARE(stored(setup), setup.made);
        // Only what had not arrived was sent again (a file under way at the kill may go twice,
        // once cut off).
        QVERIFY2(uploadsLogged(setup) <= 300 + 4, qPrintable(QString::number(uploadsLogged(setup))));

        const CliProcess::Result again = upload(setup, {u"--resume"_s});
        QCOMPARE(again.exitCode, 0);
        QVERIFY2(again.out.contains(u"Nothing from an earlier run"_s), qPrintable(again.out));
    }

    // A journal that missed its end lines (the files were stored, the run died before writing so)
    // resumes without sending anything twice. Bad --resume and --retries are the upload test's.
    void resumeSendsNothingTwice()
    {
        Setup setup;
        QVERIFY2(start(setup, u"done"_s, 6, 100), qPrintable(setup.server.errorString()));
        // As if the run had died after the server stored every file but before it wrote that down:
        // the journal without its end lines. Resuming sends nothing again.
        const QString journal =
            QDir(setup.cli.homePath()).filePath(u".local/state/Halvane-ZRM/cli-upload-queue.journal"_s);
        QVERIFY(upload(setup, tree(setup)).exitCode == 0);
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
        QVERIFY2(start(setup, u"retry"_s, 9, 5000, {u"upload-reset-first=3"_s}),
                 qPrintable(setup.server.errorString()));
        QElapsedTimer clock;
        clock.start();
        const CliProcess::Result run = upload(setup, tree(setup));
        QVERIFY2(run.exitCode == 0, qPrintable(run.out + run.err));
        QVERIFY(clock.elapsed() < 60000);
        QCOMPARE(run.err.count(u"trying again"_s), 3);
        QVERIFY2(run.err.contains(u"Retrying in 4 s (try 2 of 3)"_s), qPrintable(run.err));
        QCOMPARE(stored(setup), setup.made);

        Setup none;
        QVERIFY2(start(none, u"noretry"_s, 9, 5000, {u"upload-reset-first=3"_s}),
                 qPrintable(none.server.errorString()));
        const CliProcess::Result failing = upload(none, QStringList{u"--retries"_s, u"0"_s} + tree(none));
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
        QVERIFY2(start(setup, u"quota"_s, 2, 100, {u"upload-action=QUOTA_EXCEEDED"_s}),
                 qPrintable(setup.server.errorString()));
        const CliProcess::Result run = upload(setup, tree(setup));
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
        QVERIFY2(start(setup, u"skip"_s, 5, 300), qPrintable(setup.server.errorString()));
        QCOMPARE(upload(setup, tree(setup)).exitCode, 0);
        QCOMPARE(uploadsLogged(setup), 5);

        const CliProcess::Result second = upload(setup, tree(setup));
        QVERIFY2(second.exitCode == 0, qPrintable(second.out + second.err));
        QCOMPARE(uploadsLogged(setup), 5);
        QCOMPARE(second.out.count(u"Already on the server"_s), 5);
        QVERIFY2(second.out.contains(u"5 already on the server"_s), qPrintable(second.out));

        const QString changed = u"Trip/part1/file001.bin"_s;
        TestFiles::write(QDir(setup.local).filePath(changed), "shorter now");
        const CliProcess::Result third = upload(setup, tree(setup));
        QCOMPARE(third.exitCode, 0);
        QCOMPARE(uploadsLogged(setup), 6);
        QCOMPARE(third.out.count(u"Already on the server"_s), 4);

        const CliProcess::Result forced = upload(setup, QStringList{u"--no-skip-existing"_s} + tree(setup));
        QCOMPARE(forced.exitCode, 0);
        QCOMPARE(uploadsLogged(setup), 11);
        QCOMPARE(forced.out.count(u"Already on the server"_s), 0);
    }
};

VENDRA_TEST_MAIN(TestCliQueue)
#include "tst_cliqueue.moc"
