#include "diagnostics/CrashHandler.h"

#include "diagnostics/CSCodeSigningInfo.h"
#include "diagnostics/DiagnosticLine.h"
#include "diagnostics/LogFile.h"
#include "diagnostics/ReportArchive.h"
#include "diagnostics/SystemInfo.h"
#include "settings/UserDefaults.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>

#include <memory>

namespace {

std::unique_ptr<CrashHandler> &singleton()
{
    static std::unique_ptr<CrashHandler> handler;
    return handler;
}

void storeLaunchFlag(bool launched)
{
    const auto defaults = UserDefaults::open();
    defaults->setValue(CrashHandler::LaunchedKey, launched);
    // Flushed at once: the flag is only worth something if it survives a crash.
    defaults->sync();
}

void copyInto(const QString &source, const QString &folder)
{
    QFile::copy(source, folder + u'/' + QFileInfo(source).fileName()); // a failed copy is skipped
}

QString programName()
{
    if (!QCoreApplication::instance())
        return QString();
    return QFileInfo(QCoreApplication::applicationFilePath()).fileName();
}

} // namespace

QStringList CrashHandler::crashReportFolders()
{
    return {QStringLiteral("/var/crash")};
}

CrashHandler *CrashHandler::init()
{
    auto &handler = singleton();
    if (handler)
        return handler.get();
    if (CSCodeSigningInfo::cs_isSandboxed())
        return nullptr;
    const bool didCrash = UserDefaults::open()->value(LaunchedKey, false).toBool();
    storeLaunchFlag(true);
    handler.reset(new CrashHandler(didCrash));
    return handler.get();
}

CrashHandler *CrashHandler::instance()
{
    return singleton().get();
}

void CrashHandler::close()
{
    storeLaunchFlag(false);
    singleton().reset();
}

QString CrashHandler::sendCrashDataToDesktop()
{
    const QString folder = createTempDir();
    if (folder.isEmpty())
        return QString();
    gatherSystemInformation(folder);
    gatherCrashLog(folder);
    gatherCrashDumps(folder);
    const QString archive = compressTempDir(folder);
    removeTempDir(folder);
    return archive;
}

QString CrashHandler::desktopFolder()
{
    const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    return desktop.isEmpty() ? QDir::homePath() + QStringLiteral("/Desktop") : desktop;
}

QString CrashHandler::createTempDir() const
{
    const QString name = QStringLiteral("Halvane Report ") +
                         QDateTime::currentDateTime().toString(QStringLiteral("yy-MM-dd HH-mm"));
    // A second report in the same minute gets a number rather than replacing the first on the Desktop.
    const QString desktop = desktopFolder() + u'/';
    QString chosen = name;
    for (int copy = 2; copy <= MaxReportsPerMinute; ++copy) {
        if (!QFileInfo::exists(desktop + chosen + QStringLiteral(".zip")) &&
            !QFileInfo::exists(desktop + chosen + QStringLiteral(".dat")))
            break;
        chosen = QStringLiteral("%1 (%2)").arg(name).arg(copy);
    }
    const QString path = QDir::tempPath() + u'/' + chosen;
    // mkdir fails on an existing name, so a folder planted there by someone else is never used.
    if (!QDir().mkdir(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner))
        return QString();
    return path;
}

void CrashHandler::removeTempDir(const QString &path) const
{
    QDir(path).removeRecursively();
}

void CrashHandler::gatherSystemInformation(const QString &path) const
{
    QSaveFile file(QStringLiteral("%1/SystemInfo.txt").arg(path));
    if (file.open(QIODevice::WriteOnly)) {
        file.write(SystemInfo::info().toUtf8());
        file.commit();
    }
}

void CrashHandler::gatherCrashLog(const QString &path) const
{
    const QString logFolder = LogFile::logFolder();
    const QList<LogFile::Entry> logs =
        LogFile::contentsOfDirectoryAtPathByModDate(logFolder, QStringLiteral("log"));
    for (const LogFile::Entry &log : logs)
        copyInto(logFolder + u'/' + log.file, path);
    const QString logsRoot = LogFile::userLogsFolder();
    copyInto(logsRoot + QStringLiteral("/Halvanebackup.log"), path);
    copyInto(logsRoot + QStringLiteral("/Halvane.log"), path);
}

void CrashHandler::gatherCrashDumps(const QString &path) const
{
    const QString report = newestCrashReport(crashReportFolders(), programName());
    if (!report.isEmpty())
        copyCrashReport(report, path + u'/' + QFileInfo(report).fileName());
    const QByteArray coreDump = coreDumpDescription(programName());
    if (!coreDump.isEmpty()) {
        QSaveFile file(path + QStringLiteral("/coredumpctl.txt"));
        if (file.open(QIODevice::WriteOnly) && file.write(coreDump) == coreDump.size())
            file.commit();
    }
}

QByteArray CrashHandler::coreDumpDescription(const QString &programName)
{
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("coredumpctl"));
    if (tool.isEmpty() || programName.isEmpty())
        return {};
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // Plain text, no pager, and no fetching of debugging symbols from the network.
    environment.insert(QStringLiteral("SYSTEMD_PAGER"), QString());
    environment.insert(QStringLiteral("SYSTEMD_COLORS"), QStringLiteral("0"));
    environment.remove(QStringLiteral("DEBUGINFOD_URLS"));
    process.setProcessEnvironment(environment);
    process.setStandardInputFile(QProcess::nullDevice());
    // "info" describes the newest dump of the program (its signal, time and stack); the memory
    // image, which holds the password and the session cookie, is never asked for. The kernel keeps
    // 15 characters of a command's name.
    process.start(tool, {QStringLiteral("--no-pager"), QStringLiteral("-1"), QStringLiteral("info"),
                         QStringLiteral("COREDUMP_COMM=") + programName.left(15)});
    if (!process.waitForFinished(CoreDumpToolMilliseconds)) {
        process.kill();
        process.waitForFinished();
        VENDRA_DIAG(QStringLiteral("coredumpctl did not answer in time"));
        return {};
    }
    // It fails when no dump matches.
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return {};
    return process.readAllStandardOutput();
}

QString CrashHandler::compressTempDir(const QString &path) const
{
    const QString desktop = desktopFolder();
    QDir().mkpath(desktop);
    const QString base = desktop + u'/' + QFileInfo(path).fileName();

    Error zipError;
    const bool zipped =
        ReportArchive::write(ReportArchive::Zip, path, base + QStringLiteral(".zip"), zipError);
    if (!zipped)
        VENDRA_DIAG(QStringLiteral("Error creating zip archive: ") + zipError.description());
    // The single-file copy is still written when the zip fails.
    Error tarError;
    if (!ReportArchive::write(ReportArchive::Tar, path, base + QStringLiteral(".dat"), tarError))
        VENDRA_DIAG(QStringLiteral("Error write failed: ") + tarError.description());
    return zipped ? base + QStringLiteral(".zip") : QString();
}

QString CrashHandler::newestCrashReport(const QStringList &folders, const QString &programName)
{
    if (programName.isEmpty())
        return QString();
    QString newest;
    QDateTime newestDate;
    for (const QString &folder : folders) {
        const QFileInfoList entries = QDir(folder).entryInfoList(QDir::Files | QDir::Hidden, QDir::NoSort);
        for (const QFileInfo &entry : entries) {
            if (!entry.fileName().contains(programName))
                continue;
            const QDateTime modified = entry.lastModified();
            if (modified.isValid() && (newestDate.isNull() || modified > newestDate)) {
                newest = entry.filePath();
                newestDate = modified;
            }
        }
    }
    return newest;
}

bool CrashHandler::copyCrashReport(const QString &source, const QString &destination)
{
    QFile input(source);
    QSaveFile output(destination);
    if (!input.open(QIODevice::ReadOnly) || !output.open(QIODevice::WriteOnly))
        return false;
    // Fields are "Key: value" lines; a line starting with a blank continues the field before it.
    // Lines of the memory image run to megabytes, so they are read in pieces.
    bool inCoreDump = false;
    bool atLineStart = true;
    while (!input.atEnd()) {
        const QByteArray piece = input.readLine(1024 * 1024);
        if (piece.isEmpty())
            return false;
        if (atLineStart && !piece.startsWith(' '))
            inCoreDump = piece.startsWith("CoreDump:");
        atLineStart = piece.endsWith('\n');
        if (!inCoreDump && output.write(piece) != piece.size())
            return false;
    }
    return output.commit();
}
