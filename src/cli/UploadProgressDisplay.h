#pragma once

#include "upload/UploadStatus.h"

#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QSet>

class UploadQueue;

// Shows where an upload batch stands. On a terminal: one live line with the files under way, the
// batch's percentage, bytes, speed and time left, with failures printed above it as they happen.
// Otherwise: one line per command as it finishes. At the end a summary and the failed files.
class UploadProgressDisplay
{
public:
    UploadProgressDisplay(const UploadQueue &queue, bool liveLine);

    // A command of the batch was queued.
    void add(const UploadStatusPtr &record);
    // Brings the output up to date; called a few times a second.
    void update();
    // Prints the summary, the failed files and the folders that could not be read. True when every
    // command succeeded and every folder could be read.
    bool finish(const QStringList &skipped, const QStringList &unreadable);

private:
    struct Totals
    {
        quint64 bytesDone = 0; // settled files, whatever their outcome, and the parts under way
        quint64 bytesSent = 0; // bytes that reached the server, for the speed
    };

    void reportSettled(const UploadStatusPtr &record);
    QString commandLine(const UploadStatusPtr &record) const;
    Totals totals() const;
    QString liveLine(int width);
    static QString displayPath(const UploadStatusPtr &record);
    static QString duration(qint64 seconds);
    void clearLiveLine();

    const UploadQueue &m_queue;
    const bool m_liveLine;
    QList<UploadStatusPtr> m_records;
    QList<UploadStatusPtr> m_pending;
    QHash<UploadStatus *, quint64> m_fileSizes;
    QSet<UploadStatus *> m_settled;
    quint64 m_totalBytes = 0;
    QElapsedTimer m_clock;
    QList<QPair<qint64, quint64>> m_samples; // (ms, bytes sent) for the recent speed
    bool m_lineShown = false;
};
