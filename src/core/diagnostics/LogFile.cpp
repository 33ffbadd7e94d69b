#include "diagnostics/LogFile.h"

#include "diagnostics/DiagnosticLine.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimeZone>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

const int KeptLogFiles = 9;
const int PruneAbove = 10;

QString now()
{
    return QDateTime::currentDateTime().toString(Qt::ISODate);
}

} // namespace

QString LogFile::userLogsFolder()
{
    const QString stateHome = qEnvironmentVariable("XDG_STATE_HOME");
    // Relative paths are invalid there and must be ignored.
    if (!stateHome.isEmpty() && QDir::isAbsolutePath(stateHome))
        return QDir::cleanPath(stateHome);
    return QDir::homePath() + QStringLiteral("/.local/state");
}

QString LogFile::logFolder()
{
    return userLogsFolder() + QStringLiteral("/Halvane-ZRM");
}

LogFile::LogFile()
{
    const QString folder = logFolder();
    if (!QFileInfo(folder).isDir() && !QDir().mkpath(folder))
        VENDRA_DIAG(QStringLiteral("Failed to create Halvane log Directory."));

    const QList<Entry> logs = contentsOfDirectoryAtPathByModDate(folder, QStringLiteral("log"));
    if (logs.size() > PruneAbove) {
        for (qsizetype i = KeptLogFiles; i < logs.size(); ++i)
            QFile::remove(folder + u'/' + logs.at(i).file); // one that cannot go stays
    }

    // Seconds since 1 January 2001 UTC: names sort by time and never repeat between runs.
    static const QDateTime referenceDate(QDate(2001, 1, 1), QTime(0, 0), QTimeZone::utc());
    const double seconds = double(referenceDate.msecsTo(QDateTime::currentDateTimeUtc())) / 1000.0;
    m_fileName = folder + u'/' + QString::asprintf("%f.log", seconds);
    start();
}

LogFile::~LogFile()
{
    stop();
}

void LogFile::start()
{
    if (isCapturing())
        return;
    const QByteArray path = QFile::encodeName(m_fileName);
    const int fd = ::open(path.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        // Without a file the lines keep going where they went before.
        VENDRA_DIAG(QStringLiteral("Could not open the log file %1: %2")
                        .arg(m_fileName, QString::fromLocal8Bit(std::strerror(errno))));
        return;
    }
    std::fflush(stderr);
    m_stderrSave = ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 0);
    if (m_stderrSave < 0 || ::dup2(fd, STDERR_FILENO) < 0) {
        const QString reason = QString::fromLocal8Bit(std::strerror(errno));
        if (m_stderrSave >= 0)
            ::close(m_stderrSave);
        m_stderrSave = -1;
        ::close(fd);
        VENDRA_DIAG(QStringLiteral("Could not send standard error to %1: %2").arg(m_fileName, reason));
        return;
    }
    ::close(fd);
    VENDRA_DIAG(QStringLiteral("Logging Started : %1 ....\n\n").arg(now()));
}

void LogFile::stop()
{
    if (!isCapturing())
        return;
    VENDRA_DIAG(QStringLiteral("Logging Stopped : %1 ....\n\n").arg(now()));
    std::fflush(stderr);
    ::dup2(m_stderrSave, STDERR_FILENO);
    ::close(m_stderrSave);
    m_stderrSave = -1;
}

QList<LogFile::Entry> LogFile::contentsOfDirectoryAtPathByModDate(const QString &path,
                                                                  const QString &extension)
{
    const QFileInfo folder(path);
    if (!folder.isDir() || !folder.isReadable()) {
        VENDRA_DIAG(QStringLiteral("Encountered error while accessing contents of %1: %2")
                        .arg(path, folder.exists() ? QStringLiteral("not a readable folder")
                                                   : QStringLiteral("no such folder")));
        return {};
    }
    QList<Entry> entries;
    // Only regular files: pruning must never take a folder, or what a link points at, with it.
    const QFileInfoList infos =
        QDir(path).entryInfoList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks, QDir::NoSort);
    for (const QFileInfo &info : infos) {
        if (info.suffix() != extension)
            continue;
        const QDateTime modified = info.lastModified();
        if (modified.isValid())
            entries.append({info.fileName(), modified});
    }
    std::stable_sort(entries.begin(), entries.end(), lastModifiedSort);
    return entries;
}

bool LogFile::lastModifiedSort(const Entry &a, const Entry &b)
{
    return b.lastModDate < a.lastModDate;
}
