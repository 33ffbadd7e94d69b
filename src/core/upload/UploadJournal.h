#pragma once

#include "upload/UploadStatus.h"

#include <QFile>
#include <QHash>
#include <QList>
#include <QLockFile>
#include <QMap>
#include <QMutex>
#include <QString>

// The crash-safe record of the upload queue: one line per command added and one per command ended,
// appended and flushed each time, so that a crash, a kill or a quit with work left leaves the
// commands that never ended for the next run to offer again. A torn last line (the process died
// while writing it) is ignored. Commands are kept per server and user: a journal is only ever
// resumed by the same sign-in.
//
//     UploadJournal journal(UploadJournal::desktopPath());
//     queue.setJournal(&journal);                     // every command is written from now on
//     auto left = journal.unfinished(UploadJournal::currentAccount());
//     ...
//     journal.markEnded(left);                        // once resumed anew, or discarded
class UploadJournal
{
public:
    // One command that was added and never ended.
    struct Entry
    {
        QString id;
        UploadCommandType type = UploadCommandFile;
        QString account;
        QString localFile; // files: the local path
        QString album;     // files: the destination album; album steps: the parent or the album
        QString albumName; // album creations: the new album's name
    };

    // Opens (creating it and its folder) the journal at path and reads what the last runs left.
    // The first run to open it holds it (a lock file beside it) until it ends: it writes the file
    // anew with only what is unfinished, which also drops a torn last line, and only it offers
    // what earlier runs left. A run beside it just appends, so neither loses the other's lines
    // nor resumes what the other is still sending.
    explicit UploadJournal(const QString &path);
    ~UploadJournal();

    UploadJournal(const UploadJournal &) = delete;
    UploadJournal &operator=(const UploadJournal &) = delete;

    // The journals of the desktop program and of the command line, under the user's state folder.
    static QString desktopPath();
    static QString commandLinePath();
    // The signed-in account as the journal keys it: scheme, server, port and user.
    static QString currentAccount();

    // Records that a command was queued (for the account signed in now); false when the line could
    // not be written.
    bool commandAdded(const UploadStatus &record);
    // Records that a queued command ended, whatever the outcome.
    void commandEnded(const UploadStatus &record);

    // The commands of account that were added, by this run or an earlier one, and never ended.
    QList<Entry> unfinished(const QString &account) const;
    // Those commands of an earlier run only (what this run may offer to resume); none unless this
    // run holds the journal.
    QList<Entry> leftByEarlierRuns(const QString &account) const;
    void markEnded(const QList<Entry> &entries);

    QString path() const { return m_file.fileName(); }
    QString errorString() const { return m_error; }

private:
    static QString folder();
    void load();
    void keepOpen(const Entry &entry);
    void forget(const QString &id);
    bool rewrite();
    bool append(const QByteArray &line);

    mutable QMutex m_mutex;
    QFile m_file;
    QLockFile m_lock;
    bool m_holdsJournal = false;
    bool m_tornTail = false; // the file ends in a line a killed run left half-written
    QString m_error;
    // Unfinished commands by the order they were added in, and that order by their ids.
    QMap<quint64, Entry> m_open;
    QHash<QString, quint64> m_orderOf;
    quint64 m_nextOrder = 0;
    QHash<const UploadStatus *, QString> m_idOf;
    QString m_runPrefix;
    quint64 m_nextNumber = 0;
};
