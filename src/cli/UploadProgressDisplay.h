#pragma once

#include "upload/UploadBatchProgress.h"
#include "upload/UploadStatus.h"

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
    void reportSettled(const UploadStatusPtr &record);
    QString commandLine(const UploadStatusPtr &record) const;
    QString liveLine(int width) const;
    static QString displayPath(const UploadStatusPtr &record);
    void clearLiveLine();

    const UploadQueue &m_queue;
    const bool m_liveLine;
    UploadBatchProgress m_progress;
    bool m_lineShown = false;
};
