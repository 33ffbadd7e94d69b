#pragma once

#include "upload/UploadStatus.h"

#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QPair>

#include <optional>

class UploadQueue;

// Where a batch of upload commands stands: files settled of those queued, bytes done of the batch's
// total, the recent speed and the time left. More commands may join while the batch runs (a dropped
// folder is walked as it uploads); a command offered again (a retry) is counted once. Sampled a few
// times a second by whoever shows it: the command line's live line, the main window's status line.
//
//     UploadBatchProgress progress(queue);
//     progress.add(record);                  // every command of the batch, as it is queued
//     for (const UploadStatusPtr &settled : progress.update()) ...
//     show(progress.figures());
class UploadBatchProgress
{
public:
    struct Figures
    {
        int filesTotal = 0;
        int filesDone = 0;    // settled, whatever their outcome
        int filesArrived = 0; // settled and on the server, sent or found there already
        int filesFailed = 0;
        quint64 bytesTotal = 0;
        quint64 bytesDone = 0;             // settled files whole, and the part sent of the current tries
        double bytesPerSecond = 0;         // over the last few seconds
        std::optional<qint64> secondsLeft; // none while nothing moves
    };

    // The speed is measured over this many milliseconds.
    static constexpr qint64 SpeedWindowMs = 5000;

    // Whatever queue carries the commands; it must outlive this.
    explicit UploadBatchProgress(const UploadQueue &queue);

    // A command of the batch; one already in it is not counted again.
    void add(const UploadStatusPtr &record);
    // Brings the figures up to date and returns the commands, file uploads or album steps, that have
    // settled since the last update, in the order they were added. A command has settled when it
    // has its final status and the queue holds it no longer, neither waiting (for a retry, too) nor
    // under way.
    QList<UploadStatusPtr> update();
    // The same at a given time, in milliseconds since the batch began.
    QList<UploadStatusPtr> updateAt(qint64 elapsedMs);
    const Figures &figures() const { return m_figures; }
    // Milliseconds since the batch began.
    qint64 elapsedMs() const { return m_clock.elapsed(); }
    QList<UploadStatusPtr> records() const;
    // A file upload's size as it was queued (its record counts the request's body once it starts).
    quint64 fileSize(const UploadStatusPtr &record) const;

    // "1:05", "2:03:07".
    static QString duration(qint64 seconds);

private:
    struct Entry
    {
        UploadStatusPtr record;
        quint64 fileSize = 0; // a file upload's size as queued; later the record counts the body
        bool settled = false;
        quint64 counted = 0; // the file's bytes of its current try already counted as sent
    };

    quint64 currentPart(const Entry &entry) const;
    void countSent(Entry &entry, quint64 part);

    const UploadQueue &m_queue;
    QList<Entry> m_entries;
    QHash<const UploadStatus *, qsizetype> m_index;
    QElapsedTimer m_clock;
    quint64 m_sent = 0; // bytes sent over the whole batch, retries included; only ever grows
    QList<QPair<qint64, quint64>> m_samples; // (ms, bytes sent) for the recent speed
    Figures m_figures;
};
