#include "upload/UploadBatchProgress.h"

#include "upload/UploadQueue.h"

#include <QSet>

namespace {

bool isFinal(UploadStatusCode status)
{
    return status == UploadStatusEnd || status == UploadStatusFailed || status == UploadStatusCancelled;
}

} // namespace

UploadBatchProgress::UploadBatchProgress(const UploadQueue &queue) : m_queue(queue)
{
    m_clock.start();
}

void UploadBatchProgress::add(const UploadStatusPtr &record)
{
    if (!record || m_index.contains(record.get()))
        return;
    m_index.insert(record.get(), m_entries.size());
    // Until it starts, a file upload's record counts the file's own size.
    m_entries.append({record, record->eUploadType() == UploadCommandFile ? record->numBytesTotal() : 0});
}

QList<UploadStatusPtr> UploadBatchProgress::records() const
{
    QList<UploadStatusPtr> records;
    records.reserve(m_entries.size());
    for (const Entry &entry : m_entries)
        records.append(entry.record);
    return records;
}

quint64 UploadBatchProgress::fileSize(const UploadStatusPtr &record) const
{
    const qsizetype at = m_index.value(record.get(), -1);
    return at < 0 ? 0 : m_entries.at(at).fileSize;
}

QList<UploadStatusPtr> UploadBatchProgress::update()
{
    return updateAt(m_clock.elapsed());
}

QList<UploadStatusPtr> UploadBatchProgress::updateAt(qint64 elapsedMs)
{
    QSet<const UploadStatus *> held;
    for (const UploadStatusPtr &record : m_queue.waitingCommands())
        held.insert(record.get());
    for (const UploadStatusPtr &record : m_queue.runningUploads())
        held.insert(record.get());
    if (const UploadStatusPtr current = m_queue.currentAlbumCommand())
        held.insert(current.get());

    QList<UploadStatusPtr> settledNow;
    Figures figures;
    for (Entry &entry : m_entries) {
        const UploadStatusCode status = entry.record->status();
        const bool settled = isFinal(status) && !held.contains(entry.record.get());
        if (settled && !entry.settled)
            settledNow.append(entry.record);
        entry.settled = settled;
        if (entry.record->eUploadType() != UploadCommandFile)
            continue;

        ++figures.filesTotal;
        figures.bytesTotal += entry.fileSize;
        if (!settled) {
            const quint64 part = currentPart(entry);
            figures.bytesDone += part;
            countSent(entry, part);
            continue;
        }
        ++figures.filesDone;
        figures.bytesDone += entry.fileSize;
        const bool arrived = status == UploadStatusEnd && entry.record->bSucceeded();
        if (arrived)
            ++figures.filesArrived;
        else if (status == UploadStatusFailed)
            ++figures.filesFailed;
        // A file found on the server was not sent; one that failed sent what was counted already.
        if (arrived && !entry.record->bAlreadyStored())
            countSent(entry, entry.fileSize);
    }

    m_samples.append({elapsedMs, m_sent});
    while (m_samples.size() > 2 && elapsedMs - m_samples.at(1).first >= SpeedWindowMs)
        m_samples.removeFirst();
    const auto &oldest = m_samples.constFirst();
    const double seconds = double(elapsedMs - oldest.first) / 1000.0;
    // Too short a span says nothing about the speed.
    if (seconds > 0.2)
        figures.bytesPerSecond = double(m_sent - oldest.second) / seconds;
    if (figures.bytesPerSecond > 0)
        figures.secondsLeft =
            qint64(double(figures.bytesTotal - figures.bytesDone) / figures.bytesPerSecond + 0.5);
    m_figures = figures;
    return settledNow;
}

// The file's share of the body sent by the try under way; a command waiting, for its first try or
// its next, has sent nothing that counts.
quint64 UploadBatchProgress::currentPart(const Entry &entry) const
{
    if (entry.record->status() == UploadStatusWaiting)
        return 0;
    const quint64 body = entry.record->numBytesTotal();
    const quint64 sent = entry.record->numBytesSent();
    if (body == 0 || sent == 0)
        return 0;
    return quint64(double(entry.fileSize) * double(qMin(sent, body)) / double(body));
}

// What the batch has sent only grows: a new try starting over counts its bytes again, as they
// cross the line again, rather than taking back those of the try before.
void UploadBatchProgress::countSent(Entry &entry, quint64 part)
{
    m_sent += part >= entry.counted ? part - entry.counted : part;
    entry.counted = part;
}

QString UploadBatchProgress::duration(qint64 seconds)
{
    if (seconds >= 3600)
        return QStringLiteral("%1:%2:%3")
            .arg(seconds / 3600)
            .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
            .arg(seconds % 60, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}
