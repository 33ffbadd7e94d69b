#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

// Sends the process's standard error, and with it every diagnostic line, into a fresh file per run
// in the user's log folder, and keeps that folder from growing without bound.
class LogFile
{
public:
    // One entry of a folder listing.
    struct Entry
    {
        QString file; // name within the folder
        QDateTime lastModDate;
    };

    // Prunes the folder, names this run's file and starts capturing.
    LogFile();
    // Stops capturing.
    ~LogFile();
    LogFile(const LogFile &) = delete;
    LogFile &operator=(const LogFile &) = delete;

    // Both do nothing when already in the state asked for.
    void start();
    void stop();
    bool isCapturing() const { return m_stderrSave >= 0; }

    QString fileName() const { return m_fileName; }
    void setFileName(const QString &fileName) { m_fileName = fileName; }

    // The user's logs folder: $XDG_STATE_HOME, by default ~/.local/state.
    static QString userLogsFolder();
    // Where the per-run files go: the program's folder inside the user's logs folder.
    static QString logFolder();

    // The regular files of the folder whose extension is exactly the one given, newest first.
    static QList<Entry> contentsOfDirectoryAtPathByModDate(const QString &path, const QString &extension);
    // True when a goes before b: the later modification date first.
    static bool lastModifiedSort(const Entry &a, const Entry &b);

private:
    // A duplicate of the standard error descriptor from before start; -1 while not capturing.
    int m_stderrSave = -1;
    QString m_fileName;
};
