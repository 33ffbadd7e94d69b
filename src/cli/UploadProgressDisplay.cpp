#include "UploadProgressDisplay.h"

#include "CliOutput.h"
#include "albums/RemotePath.h"
#include "common/MessageText.h"
#include "session/commsGlobals.h"
#include "upload/UploadQueue.h"

#include <QDir>

#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdio>

namespace {

QString bytes(quint64 count)
{
    return commsGlobals::convertBytesToString(count);
}

int terminalWidth()
{
    winsize size{};
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 20)
        return size.ws_col;
    return 80;
}

void writeRaw(const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    std::fwrite(utf8.constData(), 1, size_t(utf8.size()), stdout);
    std::fflush(stdout);
}

} // namespace

UploadProgressDisplay::UploadProgressDisplay(const UploadQueue &queue, bool liveLine)
    : m_queue(queue), m_liveLine(liveLine), m_progress(queue)
{}

void UploadProgressDisplay::add(const UploadStatusPtr &record)
{
    m_progress.add(record);
}

void UploadProgressDisplay::update()
{
    const QList<UploadStatusPtr> settled = m_progress.update();
    for (const UploadStatusPtr &record : settled)
        reportSettled(record);
    if (m_liveLine) {
        const int width = terminalWidth();
        writeRaw(QStringLiteral("\r\x1b[K") + liveLine(width));
        m_lineShown = true;
    }
}

void UploadProgressDisplay::reportSettled(const UploadStatusPtr &record)
{
    const bool failed = !record->bSucceeded() || record->status() != UploadStatusEnd;
    // On a terminal only failures interrupt the live line; otherwise every command gets its line.
    if (m_liveLine && !failed)
        return;
    clearLiveLine();
    CliOutput::printLine(commandLine(record));
}

QString UploadProgressDisplay::commandLine(const UploadStatusPtr &record) const
{
    const UploadStatusCode status = record->status();
    const bool succeeded = record->bSucceeded() && status == UploadStatusEnd;
    const QString reason =
        record->error().isEmpty() ? messageText(QStringLiteral("Text_CliNoReason")) : record->error();
    switch (record->eUploadType()) {
    case UploadCommandFile:
        if (succeeded && record->bAlreadyStored())
            return QStringLiteral("stored     %1: %2").arg(displayPath(record), record->note());
        if (succeeded)
            return QStringLiteral("uploaded   %1 (%2)")
                .arg(displayPath(record), bytes(m_progress.fileSize(record)));
        if (status == UploadStatusCancelled)
            return QStringLiteral("cancelled  %1").arg(record->localFilePath().toLocalFile());
        return QStringLiteral("FAILED     %1: %2").arg(record->localFilePath().toLocalFile(), reason);
    case UploadCommandCreateFolder: {
        const QString album =
            RemotePath::join(record->remoteFolderParentName(), record->remoteFolderCreateName());
        if (succeeded)
            return QStringLiteral("album      %1").arg(album);
        if (status == UploadStatusCancelled)
            return QStringLiteral("cancelled  album %1").arg(album);
        return QStringLiteral("FAILED     album %1: %2").arg(album, reason);
    }
    case UploadCommandGetFolderContents: {
        const QString album = record->getRemoteFolderContentsFullPath();
        const QString shown = album.isEmpty() ? QStringLiteral("(top level)") : album;
        if (succeeded)
            return QStringLiteral("checked    %1").arg(shown);
        if (status == UploadStatusCancelled)
            return QStringLiteral("cancelled  check of %1").arg(shown);
        return QStringLiteral("FAILED     check of %1: %2").arg(shown, reason);
    }
    }
    return {};
}

QString UploadProgressDisplay::displayPath(const UploadStatusPtr &record)
{
    return RemotePath::join(record->remoteFolderParentName(), record->strFilename());
}

QString UploadProgressDisplay::liveLine(int width) const
{
    const UploadBatchProgress::Figures &now = m_progress.figures();
    const double percent = now.bytesTotal > 0 ? 100.0 * double(now.bytesDone) / double(now.bytesTotal) : 0.0;
    const QString left =
        now.secondsLeft ? UploadBatchProgress::duration(*now.secondsLeft) : QStringLiteral("--:--");

    QStringList current;
    for (const UploadStatusPtr &record : m_queue.runningUploads())
        current.append(record->strFilename());
    QString line =
        QStringLiteral("%1% %2 / %3  %4/s  %5 left")
            .arg(percent, 5, 'f', 1)
            .arg(bytes(now.bytesDone), bytes(now.bytesTotal), bytes(quint64(now.bytesPerSecond)), left);
    if (!current.isEmpty())
        line += QStringLiteral("  ") + current.join(QStringLiteral(", "));
    if (line.size() > width - 1)
        line = line.left(width - 2) + QChar(0x2026);
    return line;
}

void UploadProgressDisplay::clearLiveLine()
{
    if (m_lineShown) {
        writeRaw(QStringLiteral("\r\x1b[K"));
        m_lineShown = false;
    }
}

bool UploadProgressDisplay::finish(const QStringList &skipped, const QStringList &unreadable)
{
    update();
    clearLiveLine();

    int files = 0, uploaded = 0, alreadyStored = 0, albumsFailed = 0;
    quint64 uploadedBytes = 0;
    QList<UploadStatusPtr> failedFiles;
    bool allSucceeded = true;
    const QList<UploadStatusPtr> records = m_progress.records();
    for (const UploadStatusPtr &record : records) {
        const bool succeeded = record->bSucceeded() && record->status() == UploadStatusEnd;
        allSucceeded = allSucceeded && succeeded;
        if (record->eUploadType() == UploadCommandFile) {
            ++files;
            if (succeeded && record->bAlreadyStored()) {
                ++alreadyStored;
            } else if (succeeded) {
                ++uploaded;
                uploadedBytes += m_progress.fileSize(record);
            } else {
                failedFiles.append(record);
            }
        } else if (!succeeded) {
            ++albumsFailed;
        }
    }
    const double seconds = double(m_progress.elapsedMs()) / 1000.0;
    CliOutput::printLine(
        QStringLiteral("Uploaded %1 of %2 files (%3) in %4 s; %5%6 failed%7%8.")
            .arg(uploaded)
            .arg(files)
            .arg(bytes(uploadedBytes))
            .arg(seconds, 0, 'f', 1)
            .arg(alreadyStored > 0 ? QStringLiteral("%1 already on the server, ").arg(alreadyStored)
                                   : QString())
            .arg(failedFiles.size())
            .arg(albumsFailed > 0 ? QStringLiteral(", %1 album steps failed").arg(albumsFailed) : QString())
            .arg(unreadable.isEmpty()
                     ? QString()
                     : QStringLiteral(", %1 folders could not be read").arg(unreadable.size())));
    for (const QString &entry : skipped)
        CliOutput::printLine(QStringLiteral("Skipped: %1").arg(entry));
    if (!unreadable.isEmpty()) {
        CliOutput::printLine(QStringLiteral("Folders that could not be read:"));
        for (const QString &folder : unreadable)
            CliOutput::printLine(QStringLiteral("  %1: %2")
                                     .arg(QDir::toNativeSeparators(folder),
                                          messageText(QStringLiteral("Text_FolderUnreadable"))));
        allSucceeded = false;
    }
    if (!failedFiles.isEmpty()) {
        CliOutput::printLine(QStringLiteral("Failed files:"));
        for (const UploadStatusPtr &record : std::as_const(failedFiles)) {
            const QString reason =
                record->error().isEmpty() ? messageText(QStringLiteral("Text_CliNoReason")) : record->error();
            CliOutput::printLine(
                QStringLiteral("  %1: %2")
                    .arg(QDir::toNativeSeparators(record->localFilePath().toLocalFile()), reason));
        }
    }
    return allSucceeded;
}
