#pragma once

#include "upload/UploadDelegate.h"
#include "upload/UploadStatus.h"

#include <QList>
#include <QObject>
#include <QRecursiveMutex>
#include <QTimer>

#include <atomic>
#include <memory>
#include <optional>

class UploadCreateFolder;
class UploadFile;
class UploadGetFolderContents;
class UploadJournal;
class UploadRetry;

// The upload engine. Commands (fetch an album's contents, create an album, upload a file) are
// carried out in the order added, except that a run of file uploads at the head of the queue goes
// in parallel, up to the user's limit. Album commands are barriers: they run alone, after every
// upload before them has finished and before any upload after them starts, so every album exists
// before a file is sent into it. Driven by a 0.1-second timer on the thread that created it.
class UploadQueue : public QObject, public UploadDelegate
{
    Q_OBJECT

public:
    enum QueueCommandSet : qint32 {
        QueueCommandSetNone = 0,
        QueueCommandSetFileUploads = 1,
        QueueCommandSetCreateFolder = 2,
        QueueCommandSetGetFolderContents = 3,
    };

    // Whether a file upload first looks for the file in its album: as the preference (or its
    // override) says, or always (a resumed batch).
    enum class SkipStored { AsSet, Always };

    // Starts at once.
    explicit UploadQueue(QObject *parent = nullptr);
    ~UploadQueue() override;

    void addFileUpload(const QUrl &file, const QString &toFolder, UploadDelegate *delegate,
                       const QVariant &context = {}, SkipStored skip = SkipStored::AsSet);
    void addFolderCreate(const QString &folderName, const QString &toParentFolder, UploadDelegate *delegate,
                         const QVariant &context = {});
    void addGetFolderContents(const QString &fullPath, UploadDelegate *delegate,
                              const QVariant &context = {});
    void addRequest(const UploadStatusPtr &status);

    // Cancels a waiting command, or a running file upload; running album commands run to their end.
    void cancelUploadForStatus(const UploadStatusPtr &status);
    void removeRequests();
    void cancelAllUploads();

    void start();
    void quit();
    bool isRunning() const { return m_numOpsRunning > 0; }
    bool isQuit() const { return m_bRequestQuit; }

    // Nothing new starts while paused; uploads under way run to their end.
    void setPaused(bool paused);
    bool isPaused() const { return m_paused; }

    // Every command added and ended from now on is written to journal (none: no journal). The
    // journal must outlive the queue or be taken away first.
    void setJournal(UploadJournal *journal) { m_journal = journal; }
    UploadJournal *journal() const { return m_journal; }

    // Whether files already in their album are skipped, instead of the stored preference.
    void setSkipExistingOverride(std::optional<bool> skip) { m_skipExistingOverride = skip; }
    bool skipExisting() const;
    // The automatic retries of transient failures.
    UploadRetry &retry() const { return *m_retry; }
    // Queues a failed file upload again with its tries counted anew; false when the record is not
    // a failed file upload.
    bool retryFailedUpload(const UploadStatusPtr &status);

    // Waiting commands, those waiting for a retry among them.
    quint64 numUploadsInQueue() const;
    // Commands being carried out: running file uploads and a running album command.
    qint32 numUploadsInProgress() const { return m_numUploadsOccurring; }
    quint64 numUploadsInProgressOrWaiting() const;
    void incNumUploadsOccurring() { ++m_numUploadsOccurring; }
    void decNumUploadsOccurring() { --m_numUploadsOccurring; }
    qint32 numUploadsOccurring() const { return m_numUploadsOccurring; }
    void incNumRunningOps() { ++m_numOpsRunning; }
    void decNumRunningOps() { --m_numOpsRunning; }
    qint32 numOpsRunning() const { return m_numOpsRunning; }

    // The waiting commands, oldest first, then those waiting for a retry.
    QList<UploadStatusPtr> waitingCommands() const;
    // The records of the file uploads under way.
    QList<UploadStatusPtr> runningUploads() const;
    // The record of the album command under way, if any.
    UploadStatusPtr currentAlbumCommand() const { return m_currentStatus; }

    // The number of simultaneous uploads to use instead of the stored preference (for a run of the
    // command line that names its own); nothing goes back to the preference.
    void setNumberSimultaneousUploadsOverride(std::optional<qint64> count) { m_simultaneousOverride = count; }
    // The limit that applies now: the override or the preference, never below 1.
    qint64 numberSimultaneousUploads() const;

    // The queue is the delegate of its uploads and album steps: whatever they report, the next pass
    // is brought forward, so that a finished command is followed at once rather than a tick later.
    // Called from the album steps' worker threads as well.
    void uploadStatusUpdate(const UploadStatusPtr &) override { scheduleTick(); }

Q_SIGNALS:
    void pausedChanged(bool paused);

private:
    void scheduleTick();
    void doUploadQueue();
    qint32 checkNextCommandType() const;
    UploadStatusPtr getNextStatus();
    UploadStatusPtr getNextUploadFileStatus();

    bool continueUploadingFilesCompleted();
    void startUploadingFile(const UploadStatusPtr &status);
    bool waitForFileUploadCompleted();

    bool continueCreateFoldersCompleted();
    bool startCreateFolder();
    bool waitCreateFolderCompleted();

    bool continueGetFolderContentsCompleted();
    void startGetFolderContents();
    bool waitGetFolderContentsCompleted();

    void finishAlbumCommand();
    void resetCheck();
    void offerToDelegate(const UploadStatusPtr &status);
    // A command has its final outcome: the journal hears of it and its retries are forgotten.
    void commandEnded(const UploadStatusPtr &status);
    void requeueForRetry(const UploadStatusPtr &status);
    void settleFailedUpload(const UploadFile &upload);

    qint32 m_uqCurrentCmdSet = QueueCommandSetNone;
    qint32 m_uploadState = 0;
    UploadStatusPtr m_currentStatus;
    QList<std::shared_ptr<UploadFile>> m_currentFileUploads;
    std::shared_ptr<UploadCreateFolder> m_currentCreateFolder;
    std::shared_ptr<UploadGetFolderContents> m_currentGetFolderContents;
    std::unique_ptr<QTimer> m_timer;
    qint32 m_numOpsRunning = 0;
    qint32 m_numUploadsOccurring = 0;
    bool m_bRequestQuit = false;
    QList<UploadStatusPtr> m_fileQueue;
    mutable QRecursiveMutex m_lock;
    std::optional<qint64> m_simultaneousOverride;
    bool m_tookWorkThisTick = false;
    bool m_inTick = false;
    std::atomic<bool> m_tickScheduled = false;
    bool m_paused = false;
    UploadJournal *m_journal = nullptr;
    std::optional<bool> m_skipExistingOverride;
    std::unique_ptr<UploadRetry> m_retry;
};
