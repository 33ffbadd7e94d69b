#include "diagnostics/CrashHandler.h"

#include "diagnostics/LogFile.h"
#include "settings/UserDefaults.h"

#include "ArchiveContents.h"
#include "VendraTest.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <memory>

namespace {

void writeFile(const QString &path, const QByteArray &content, const QDateTime &modified = {})
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    QVERIFY(file.flush()); // a later flush would set the time again
    if (modified.isValid())
        QVERIFY(file.setFileTime(modified, QFileDevice::FileModificationTime));
}

} // namespace

class TestCrashHandler : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_home;

    QString desktop() const { return QStandardPaths::writableLocation(QStandardPaths::DesktopLocation); }

    QProcessEnvironment probeEnvironment() const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), m_home.path());
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"),
                           m_home.filePath(QStringLiteral("probe-config")));
        environment.remove(QStringLiteral("SNAP"));
        return environment;
    }

    QString launch(const QString &how, const QProcessEnvironment &environment)
    {
        QProcess probe;
        probe.setProcessEnvironment(environment);
        probe.start(QStringLiteral(RUN_PROBE_PATH), {QStringLiteral("launch"), how});
        if (!probe.waitForFinished(60000) || probe.exitCode() != 0)
            return QStringLiteral("probe failed");
        return QString::fromUtf8(probe.readAllStandardOutput()).trimmed();
    }

private Q_SLOTS:
    void initTestCase()
    {
        // Everything this test writes, the Desktop included, stays in a throw-away home.
        QVERIFY(m_home.isValid());
        qputenv("HOME", QFile::encodeName(m_home.path()));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.filePath(QStringLiteral("config"))));
        qputenv("XDG_STATE_HOME", QFile::encodeName(m_home.filePath(QStringLiteral("state"))));
        qunsetenv("SNAP");
        // Report folders are made in the temporary folder: a private one, shared with nobody.
        QVERIFY(QDir(m_home.path()).mkdir(QStringLiteral("tmp")));
        qputenv("TMPDIR", QFile::encodeName(m_home.filePath(QStringLiteral("tmp"))));
        QCOMPARE(QDir::tempPath(), m_home.filePath(QStringLiteral("tmp")));
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                           m_home.filePath(QStringLiteral("config")));
        QVERIFY(UserDefaults::open()->fileName().startsWith(m_home.path()));
        QVERIFY(desktop().startsWith(m_home.path()));
    }

    void twoLaunchesWithoutACleanCloseReportACrash()
    {
        const QProcessEnvironment environment = probeEnvironment();
        QCOMPARE(launch(QStringLiteral("crash"), environment), QStringLiteral("didCrash=0")); // first ever
        QCOMPARE(launch(QStringLiteral("close"), environment), QStringLiteral("didCrash=1"));
        QCOMPARE(launch(QStringLiteral("close"), environment), QStringLiteral("didCrash=0"));
        QCOMPARE(launch(QStringLiteral("crash"), environment), QStringLiteral("didCrash=0"));
        QCOMPARE(launch(QStringLiteral("crash"), environment), QStringLiteral("didCrash=1"));
    }

    void inASandboxThereIsNoHandler()
    {
        QVERIFY(launch(QStringLiteral("close"), probeEnvironment()).startsWith(QStringLiteral("didCrash=")));
        QProcessEnvironment environment = probeEnvironment();
        environment.insert(QStringLiteral("SNAP"), QStringLiteral("/snap/vendra/1"));
        QCOMPARE(launch(QStringLiteral("crash"), environment), QStringLiteral("sandboxed"));
        // Sandboxed runs leave the flag alone, so the next unconfined launch sees nothing.
        QCOMPARE(launch(QStringLiteral("close"), probeEnvironment()), QStringLiteral("didCrash=0"));
    }

    void onlyTheNewestCrashReportOfTheProgramIsChosen()
    {
        QTemporaryDir apport;
        QTemporaryDir coredumps;
        const QDateTime now = QDateTime::currentDateTime();
        writeFile(apport.filePath(QStringLiteral("_usr_bin_vendra-uploader.0.crash")), "a", now.addDays(-3));
        writeFile(coredumps.filePath(QStringLiteral("core.vendra-uploader.0.b00t.42.1700000000.zst")), "b",
                  now.addDays(-1));
        writeFile(coredumps.filePath(QStringLiteral("core.vendra-uploader.0.b00t.41.1600000000.zst")), "c",
                  now.addDays(-2));
        writeFile(coredumps.filePath(QStringLiteral("core.other-program.0.b00t.43.1800000000.zst")), "d",
                  now);
        QCOMPARE(CrashHandler::newestCrashReport({apport.path(), coredumps.path()},
                                                 QStringLiteral("vendra-uploader")),
                 coredumps.filePath(QStringLiteral("core.vendra-uploader.0.b00t.42.1700000000.zst")));
        QVERIFY(CrashHandler::newestCrashReport({apport.path()}, QStringLiteral("nothing")).isEmpty());
        QVERIFY(CrashHandler::newestCrashReport({apport.filePath(QStringLiteral("missing"))},
                                                QStringLiteral("vendra-uploader"))
                    .isEmpty());
    }

    void theCopiedReportLeavesTheMemoryImageOut()
    {
        QTemporaryDir folder;
        const QString source = folder.filePath(QStringLiteral("_usr_bin_vendra-uploader.1000.crash"));
        // Memory image lines run to megabytes; none of it may come through.
        writeFile(source, "ProblemType: Crash\n"
                          "CoreDump: base64\n"
                          " H4sICAAAAAAC/0NvcmVEdW1wAA==\n " +
                              QByteArray(3 * 1024 * 1024, 'A') +
                              "\n"
                              " cGFzc3dvcmQ9c2VjcmV0\n"
                              "ExecutablePath: /usr/bin/vendra-uploader\n"
                              "Stacktrace:\n"
                              " #0  0x00007f in raise () from /lib/libc.so.6\n");
        const QString copy = folder.filePath(QStringLiteral("copy.crash"));
        QVERIFY(CrashHandler::copyCrashReport(source, copy));
        QFile file(copy);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("ProblemType: Crash\n"
                                            "ExecutablePath: /usr/bin/vendra-uploader\n"
                                            "Stacktrace:\n"
                                            " #0  0x00007f in raise () from /lib/libc.so.6\n"));
        QVERIFY(!CrashHandler::copyCrashReport(folder.filePath(QStringLiteral("missing")), copy + u'2'));
        QVERIFY(!QFileInfo::exists(copy + u'2'));
    }

    void aReportFolderThatExistsAlreadyProducesNothing()
    {
        CrashHandler *handler = CrashHandler::init();
        QString first;
        QString second;
        // Two tries at most: the minute may turn between the two calls.
        for (int attempt = 0; attempt < 2; ++attempt) {
            first = handler->createTempDir();
            second = handler->createTempDir();
            if (second.isEmpty() || attempt == 1)
                break;
            handler->removeTempDir(first);
            handler->removeTempDir(second);
        }
        QVERIFY(!first.isEmpty());
        QVERIFY(second.isEmpty());
        QVERIFY(QFileInfo(first).fileName().startsWith(QStringLiteral("Halvane Report ")));
        QCOMPARE(QFileInfo(first).absolutePath(), QDir(QDir::tempPath()).absolutePath());
        QCOMPARE(QFileInfo(first).permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther),
                 QFileDevice::Permissions());
        handler->removeTempDir(first);
        QVERIFY(!QFileInfo::exists(first));
        CrashHandler::close();
    }

    void theReportHoldsTheHostDescriptionAndTheLogFiles()
    {
        // Leftovers of the test above would stop the report from being made this minute.
        for (const QString &name :
             QDir(QDir::tempPath()).entryList({QStringLiteral("Halvane Report *")}, QDir::Dirs))
            QDir(QDir::tempPath() + u'/' + name).removeRecursively();

        const QString logsRoot = LogFile::userLogsFolder();
        QVERIFY(QDir().mkpath(LogFile::logFolder()));
        writeFile(LogFile::logFolder() + QStringLiteral("/100.000000.log"), "an older run\n");
        writeFile(LogFile::logFolder() + QStringLiteral("/notes.txt"), "not a log\n");
        writeFile(logsRoot + QStringLiteral("/Halvane.log"), "the program's own log\n");
        QString runLog;
        QString zip;
        {
            LogFile log;
            runLog = QFileInfo(log.fileName()).fileName();
            CrashHandler *handler = CrashHandler::init();
            zip = handler->sendCrashDataToDesktop();
            CrashHandler::close();
        }
        QVERIFY(!zip.isEmpty());
        QVERIFY(zip.startsWith(desktop() + QStringLiteral("/Halvane Report ")));
        const QString folderName = QFileInfo(zip).completeBaseName();
        QVERIFY(!QFileInfo::exists(QDir::tempPath() + u'/' + folderName)); // the folder is gone again

        for (const QString &archivePath : QStringList{zip, zip.chopped(4) + QStringLiteral(".dat")}) {
            const ArchiveContents contents = ArchiveContents::read(archivePath);
            QVERIFY2(contents.ok, qPrintable(archivePath));
            QCOMPARE(contents.names.first(), folderName + u'/');
            for (const QString &name : contents.names)
                QVERIFY2(name.startsWith(folderName + u'/'), qPrintable(name));
            const QString prefix = folderName + u'/';
            QVERIFY(
                contents.files.value(prefix + QStringLiteral("SystemInfo.txt")).startsWith("OS Version\t: "));
            QVERIFY(
                contents.files.value(prefix + QStringLiteral("SystemInfo.txt")).contains("\nMemory\t\t: "));
            QCOMPARE(contents.files.value(prefix + QStringLiteral("100.000000.log")),
                     QByteArray("an older run\n"));
            QCOMPARE(contents.files.value(prefix + QStringLiteral("Halvane.log")),
                     QByteArray("the program's own log\n"));
            QVERIFY(contents.files.value(prefix + runLog).contains("Logging Started"));
            QVERIFY(!contents.names.contains(prefix + QStringLiteral("notes.txt")));
            QVERIFY(!contents.names.contains(prefix + QStringLiteral("Halvanebackup.log")));
        }
    }
};

VENDRA_TEST_MAIN(TestCrashHandler)
#include "tst_crashhandler.moc"
