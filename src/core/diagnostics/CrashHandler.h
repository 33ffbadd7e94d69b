#pragma once

#include <QString>
#include <QStringList>

// Notices at launch that the previous run did not end in an orderly way, and on request leaves a
// report for support on the Desktop: the host description, the log files, the newest crash report
// of the program and what the system's core-dump service knows of its newest dump, as a zip archive
// and as a single-file tar copy.
// One per process, main thread only; there is none inside an application sandbox.
class CrashHandler
{
public:
    // The defaults key that is true from launch until an orderly end.
    static inline const QString LaunchedKey = QStringLiteral("CrashDetection_ApplictionLaunched");

    // Where the desktop keeps crash reports: apport's folder. Its reports are text named after the
    // executable's path ("_usr_bin_vendra-uploader.1000.crash"). systemd-coredump's folder is not
    // searched: it holds bare memory images, and memory holds the password and the session cookie;
    // its dumps are described through coredumpctl instead.
    static QStringList crashReportFolders();
    // Reports named alike in one minute: "Halvane Report 26-03-09 14-05", then "... (2)" and so on.
    static constexpr int MaxReportsPerMinute = 99;
    static constexpr int CoreDumpToolMilliseconds = 15000;

    // Reads and then sets the launch flag, or returns the handler that exists; nullptr when sandboxed.
    static CrashHandler *init();
    // nullptr after close(): windows (the crash sheet's answer) ask here at each use.
    static CrashHandler *instance();
    // Marks the run as ended cleanly and forgets the handler.
    static void close();

    CrashHandler(const CrashHandler &) = delete;
    CrashHandler &operator=(const CrashHandler &) = delete;

    bool didCrashAtLastSession() const { return m_didCrashAtLastSession; }
    void setDidCrashAtLastSession(bool didCrash) { m_didCrashAtLastSession = didCrash; }

    // Builds the report and returns the path of the zip archive on the Desktop, or an empty string
    // when no report could be made.
    QString sendCrashDataToDesktop();

    // Where reports go.
    static QString desktopFolder();
    // "Halvane Report yy-MM-dd HH-mm" in the temporary folder, readable by the user only, numbered
    // " (2)", " (3)"... while a report of that name is on the Desktop; empty when it cannot be made,
    // also when it exists already.
    QString createTempDir() const;
    void removeTempDir(const QString &path) const;
    void gatherSystemInformation(const QString &path) const;
    void gatherCrashLog(const QString &path) const;
    void gatherCrashDumps(const QString &path) const;
    // Returns the zip archive's path, or an empty string when it could not be written.
    QString compressTempDir(const QString &path) const;

    // Of the files in the folders whose name contains programName, the one modified last.
    static QString newestCrashReport(const QStringList &folders, const QString &programName);
    // Copies a crash report without its "CoreDump" field, the process memory (passwords, cookies).
    static bool copyCrashReport(const QString &source, const QString &destination);
    // "coredumpctl info" of the program's newest dump; empty when there is no such service or dump.
    static QByteArray coreDumpDescription(const QString &programName);

private:
    explicit CrashHandler(bool didCrashAtLastSession) : m_didCrashAtLastSession(didCrashAtLastSession) {}

    bool m_didCrashAtLastSession = false;
};
