#include "diagnostics/CrashHandler.h"

#include "diagnostics/LogFile.h"
#include "settings/UserDefaults.h"

#include "ArchiveContents.h"
#include "TestFiles.h"
#include "VendraTest.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <memory>

namespace {

void writeFile(const QString &path, const QByteArray &content, const QDateTime &modified = {})
{
    QFile file(TestFiles::write(path, content));
    if (modified.isValid())
        QVERIFY(file.open(QIODevice::ReadWrite) &&
                file.setFileTime(modified, QFileDevice::FileModificationTime));
}

} // namespace

class TestCrashHandler : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_home;

    QString desktop() const { return QStandardPaths::writableLocation(QStandardPaths::DesktopLocation); }

    QString launch(const QString &how, const QProcessEnvironment &environment)
    {
        QProcess probe;
        probe.setProcessEnvironment(environment);
        probe.start(QStringLiteral(RUN_PROBE_PATH), {u"launch"_s, how});
        if (!probe.waitForFinished(60000) || probe.exitCode() != 0)
            return u"probe failed"_s;
        return QString::fromUtf8(probe.readAllStandardOutput()).trimmed();
    }

private Q_SLOTS:
    void initTestCase()
    {
        // Everything this test writes, the Desktop and the report folders included, stays in a
        // throw-away home; report folders are made in a private temporary folder, shared with nobody.
        qputenv("HOME", QFile::encodeName(m_home.path()));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.filePath(u"config"_s)));
        qputenv("XDG_STATE_HOME", QFile::encodeName(m_home.filePath(u"state"_s)));
        qunsetenv("SNAP");
        QVERIFY(QDir(m_home.path()).mkdir(u"tmp"_s));
        qputenv("TMPDIR", QFile::encodeName(m_home.filePath(u"tmp"_s)));
        QCOMPARE(QDir::tempPath(), m_home.filePath(u"tmp"_s));
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_home.filePath(u"config"_s));
        QVERIFY(UserDefaults::open()->fileName().startsWith(m_home.path()));
        QVERIFY(desktop().startsWith(m_home.path()));
    }

    void twoLaunchesWithoutACleanCloseReportACrash()
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"HOME"_s, m_home.path());
        environment.insert(u"XDG_CONFIG_HOME"_s, m_home.filePath(u"probe-config"_s));
        QCOMPARE(launch(u"crash"_s, environment), u"didCrash=0"_s); // first ever
        // Sandboxed runs have no handler and leave the flag alone.
        QProcessEnvironment sandboxed = environment;
        sandboxed.insert(u"SNAP"_s, u"/snap/vendra/1"_s);
        QCOMPARE(launch(u"crash"_s, sandboxed), u"sandboxed"_s);
        QCOMPARE(launch(u"close"_s, environment), u"didCrash=1"_s);
        QCOMPARE(launch(u"close"_s, environment), u"didCrash=0"_s);
    }

    // The newest crash report of this program is chosen, and copied without its memory image, whose
    // lines run to megabytes.
    void theNewestReportIsChosenAndCopiedWithoutTheMemoryImage()
    {
        QTemporaryDir first, second;
        const QDateTime now = QDateTime::currentDateTime();
        const QByteArray kept = "ProblemType: Crash\nExecutablePath: /usr/bin/vendra-uploader\nStacktrace:\n"
                                " #0  0x00007f in raise () from /lib/libc.so.6\n";
        const QString newest = second.filePath(u"_usr_bin_vendra-uploader.1000.crash"_s);
        writeFile(first.filePath(u"core.vendra-uploader.42.zst"_s), "b", now.addDays(-3));
        writeFile(newest,
                  "CoreDump: base64\n H4sICAAAAAAC/0NvcmVEdW1wAA==\n " + QByteArray(3 << 20, 'A') +
                      "\n cGFzc3dvcmQ9c2VjcmV0\n" + kept,
                  now.addDays(-1));
        writeFile(second.filePath(u"core.other-program.43.zst"_s), "d", now);
        QCOMPARE(CrashHandler::newestCrashReport({first.path(), second.path()}, u"vendra-uploader"_s),
                 newest);
        QVERIFY(CrashHandler::newestCrashReport({first.filePath(u"none"_s)}, u"vendra-uploader"_s).isEmpty());
        const QString copy = first.filePath(u"copy.crash"_s);
        QVERIFY(CrashHandler::copyCrashReport(newest, copy));
        QCOMPARE(TestFiles::read(copy), kept);
        QVERIFY(!CrashHandler::copyCrashReport(first.filePath(u"missing"_s), copy + u'2'));
        QVERIFY(!QFileInfo::exists(copy + u'2'));
    }

    // A folder of that name made beforehand, by anyone, is never used: no report then.
    void aReportFolderThatExistsAlreadyProducesNothing()
    {
        CrashHandler *handler = CrashHandler::init();
        QString first = handler->createTempDir();
        QString second = handler->createTempDir();
        if (!second.isEmpty()) { // the minute turned between the two calls: once more
            handler->removeTempDir(first);
            handler->removeTempDir(second);
            first = handler->createTempDir();
            second = handler->createTempDir();
        }
        QVERIFY(second.isEmpty());
        QCOMPARE(QFileInfo(first).permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther),
                 QFileDevice::Permissions());
        handler->removeTempDir(first);
        CrashHandler::close();
    }

    // Two reports in one minute are two archives (and their .dat twins), each holding the host
    // description, the log files and what the core dump service says of the newest dump, under a
    // folder of its own.
    void reportsHoldTheHostDescriptionAndTheLogFiles()
    {
        writeFile(LogFile::logFolder() + u"/100.000000.log"_s, "an older run\n");
        writeFile(LogFile::logFolder() + u"/notes.txt"_s, "not a log\n");
        writeFile(LogFile::userLogsFolder() + u"/Halvane.log"_s, "the program's own log\n");
        // A stand-in for systemd's tool on the PATH: it notes how it was asked and answers.
        QTemporaryDir bin(m_home.filePath(u"bin-XXXXXX"_s)); // outside the folder the reports use
        const QString asked = bin.filePath(u"asked"_s);
        const QString tool = TestFiles::write(bin.filePath(u"coredumpctl"_s),
                                              QStringLiteral("#!/bin/sh\nprintf '%s\\n' \"$@\" > '%1'\n"
                                                             "echo '        Signal: 11 (SEGV)'\n")
                                                  .arg(asked)
                                                  .toUtf8());
        QVERIFY(QFile::setPermissions(tool, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(bin.path()) + ':' + path);
        LogFile log;
        const QString runLog = QFileInfo(log.fileName()).fileName();
        CrashHandler *handler = CrashHandler::init();
        const QString zip = handler->sendCrashDataToDesktop();
        const QString second = handler->sendCrashDataToDesktop();
        CrashHandler::close();
        qputenv("PATH", path);
        // Asked about the newest dump of this program, never for the memory image itself.
        const QString program = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
        QCOMPARE(QString::fromUtf8(TestFiles::read(asked)).split(u'\n', Qt::SkipEmptyParts),
                 (QStringList{u"--no-pager"_s, u"-1"_s, u"info"_s, u"COREDUMP_COMM="_s + program.left(15)}));

        QVERIFY(zip.startsWith(desktop() + u"/Halvane Report "_s));
        // A second one in the same minute is numbered, with its .dat twin and a top folder of its own;
        // across a minute it has a name of its own anyway.
        const QString name = QFileInfo(zip).completeBaseName(),
                      secondName = QFileInfo(second).completeBaseName();
        QVERIFY(QFileInfo::exists(second.chopped(4) + u".dat"_s) && secondName != name);
        if (secondName.startsWith(name))
            QCOMPARE(secondName, name + u" (2)"_s);
        QCOMPARE(ArchiveContents::read(second).names.value(0), secondName + u'/');
        QVERIFY(QDir(QDir::tempPath()).entryList(QDir::Dirs | QDir::NoDotAndDotDot).isEmpty());
        const QString top = name + u'/';
        QStringList expected{
            u""_s, u"100.000000.log"_s, u"Halvane.log"_s, u"SystemInfo.txt"_s, u"coredumpctl.txt"_s, runLog};
        expected.sort();
        for (const QString &archive : QStringList{zip, zip.chopped(4) + u".dat"_s}) {
            const ArchiveContents contents = ArchiveContents::read(archive);
            QVERIFY2(contents.ok, qPrintable(archive));
            QCOMPARE(contents.names.first(), top);
            QStringList names = contents.names;
            names.replaceInStrings(top, QString()).sort();
            QCOMPARE(names, expected);
            QVERIFY(contents.files.value(top + u"SystemInfo.txt"_s).startsWith("OS Version\t: "));
            QCOMPARE(contents.files.value(top + u"100.000000.log"_s), QByteArray("an older run\n"));
            QCOMPARE(contents.files.value(top + u"Halvane.log"_s), QByteArray("the program's own log\n"));
            QVERIFY(contents.files.value(top + runLog).contains("Logging Started"));
            QCOMPARE(contents.files.value(top + u"coredumpctl.txt"_s),
                     QByteArray("        Signal: 11 (SEGV)\n"));
        }
    }
};

VENDRA_TEST_MAIN(TestCrashHandler)
#include "tst_crashhandler.moc"
