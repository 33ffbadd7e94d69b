#include "upload/UploadQueue.h"

#include "albums/soapRemoteFileItem.h"
#include "albums/soapRemoteFolderItem.h"
#include "common/MessageText.h"
#include "diagnostics/DiagnosticLine.h"
#include "events/Log.h"
#include "events/NotificationCenter.h"
#include "events/NotificationNames.h"
#include "session/commsGlobals.h"
#include "settings/Preferences.h"
#include "upload/FailureKind.h"
#include "upload/StoredFileCheck.h"
#include "upload/UploadCreateFolder.h"
#include "upload/UploadFile.h"
#include "upload/UploadGetFolderContents.h"
#include "upload/UploadJournal.h"
#include "upload/UploadRetry.h"

#include <QFileInfo>
#include <QScopedValueRollback>

namespace {

constexpr int TickMilliseconds = 100;
// The registered default of the preference, for a process that has no preferences store.
constexpr qint64 DefaultSimultaneousUploads = 4;

void postQueueStatus(int busy)
{
    NotificationCenter::defaultCenter().postNotificationName(NotificationNames::UploadEventQueueStatusUpdate,
                                                             busy);
}

} // namespace

UploadQueue::UploadQueue(QObject *parent)
    : QObject(parent), m_retry(std::make_unique<UploadRetry>(
                           [this](const UploadStatusPtr &status) { requeueForRetry(status); }))
{
    m_currentFileUploads.reserve(10);
    m_fileQueue.reserve(50);
    start();
}

UploadQueue::~UploadQueue()
{
    quit();
}

void UploadQueue::addFileUpload(const QUrl &file, const QString &toFolder, UploadDelegate *delegate,
                                const QVariant &context, SkipStored skip)
{
    const UploadStatusPtr status = UploadStatus::initWithFile(file, toFolder, delegate, context);
    status->setAlwaysSkipIfStored(skip == SkipStored::Always);
    addRequest(status);
    offerToDelegate(status);
    status->setStatus(UploadStatusWaiting, QStringLiteral("FileUpload"), false);
}

void UploadQueue::addFolderCreate(const QString &folderName, const QString &toParentFolder,
                                  UploadDelegate *delegate, const QVariant &context)
{
    const UploadStatusPtr status =
        UploadStatus::initWithCreateFolder(folderName, toParentFolder, delegate, context);
    addRequest(status);
    offerToDelegate(status);
    status->setStatus(UploadStatusWaiting, QStringLiteral("FolderCreate"), false);
}

void UploadQueue::addGetFolderContents(const QString &fullPath, UploadDelegate *delegate,
                                       const QVariant &context)
{
    const UploadStatusPtr status = UploadStatus::initGetFolderContents(fullPath, delegate, context);
    addRequest(status);
    offerToDelegate(status);
    status->setStatus(UploadStatusWaiting, QStringLiteral("GetFolderContents"), false);
}

void UploadQueue::offerToDelegate(const UploadStatusPtr &status)
{
    if (UploadDelegate *delegate = status->delegate())
        delegate->uploadProgress(status);
}

void UploadQueue::addRequest(const UploadStatusPtr &status)
{
    const QMutexLocker lock(&m_lock);
    // Written before it is acted on: what is queued survives a crash.
    if (m_journal)
        m_journal->commandAdded(*status);
    m_fileQueue.append(status);
    postQueueStatus(1);
    scheduleTick();
}

// An extra pass from the event loop, besides the timer's; requests coalesce until it has run.
void UploadQueue::scheduleTick()
{
    if (m_tickScheduled.exchange(true))
        return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_tickScheduled = false;
            if (isRunning())
                doUploadQueue();
        },
        Qt::QueuedConnection);
}

void UploadQueue::cancelUploadForStatus(const UploadStatusPtr &status)
{
    const QMutexLocker lock(&m_lock);
    const QString cancelled = messageText(QStringLiteral("Text_Cancelled"));
    if (m_fileQueue.removeOne(status) || m_retry->forget(status)) {
        status->setStatus(UploadStatusCancelled, QStringLiteral("CancelUpload"), false, cancelled);
        commandEnded(status);
    }
    for (qsizetype i = 0; i < m_currentFileUploads.size(); ++i) {
        const std::shared_ptr<UploadFile> upload = m_currentFileUploads.at(i);
        if (upload->uploadStatus() != status)
            continue;
        upload->cancel();
        status->setStatus(UploadStatusCancelled, QStringLiteral("CancelUpload"), false, cancelled);
        commandEnded(status);
        m_currentFileUploads.removeAt(i);
        decNumUploadsOccurring();
        break;
    }
}

void UploadQueue::removeRequests()
{
    const QMutexLocker lock(&m_lock);
    const QString cancelled = messageText(QStringLiteral("Text_Cancelled"));
    const QList<UploadStatusPtr> waiting = std::exchange(m_fileQueue, {}) + m_retry->waiting();
    for (const UploadStatusPtr &status : waiting) {
        status->setStatus(UploadStatusCancelled, QStringLiteral("RemoveRequests"), false, cancelled);
        commandEnded(status);
    }
    // Their records keep the Failed status with the text their own cancel gave them.
    const QList<std::shared_ptr<UploadFile>> running = std::exchange(m_currentFileUploads, {});
    for (const std::shared_ptr<UploadFile> &upload : running) {
        upload->cancel();
        commandEnded(upload->uploadStatus());
        decNumUploadsOccurring();
    }
}

void UploadQueue::cancelAllUploads()
{
    const QMutexLocker lock(&m_lock);
    removeRequests();
    postQueueStatus(0);
}

void UploadQueue::start()
{
    if (isRunning())
        return;
    m_bRequestQuit = false;
    m_uploadState = 0;
    incNumRunningOps();
    // A QTimer keeps firing while menus and modal dialogs run their own loops.
    m_timer = std::make_unique<QTimer>();
    m_timer->setInterval(TickMilliseconds);
    connect(m_timer.get(), &QTimer::timeout, this, &UploadQueue::doUploadQueue);
    m_timer->start();
}

void UploadQueue::quit()
{
    if (!isRunning())
        return;
    {
        const QMutexLocker lock(&m_lock);
        m_timer.reset();
        m_bRequestQuit = true;
        decNumRunningOps();
    }
    VENDRA_DIAG(QStringLiteral("Upload queue - quit end - ops shut down"));
}

quint64 UploadQueue::numUploadsInQueue() const
{
    const QMutexLocker lock(&m_lock);
    return quint64(m_fileQueue.size() + m_retry->waitingCount());
}

quint64 UploadQueue::numUploadsInProgressOrWaiting() const
{
    return numUploadsInQueue() + quint64(qMax(0, m_numUploadsOccurring));
}

QList<UploadStatusPtr> UploadQueue::waitingCommands() const
{
    const QMutexLocker lock(&m_lock);
    return m_fileQueue + m_retry->waiting();
}

QList<UploadStatusPtr> UploadQueue::runningUploads() const
{
    QList<UploadStatusPtr> records;
    for (const std::shared_ptr<UploadFile> &upload : m_currentFileUploads)
        records.append(upload->uploadStatus());
    return records;
}

qint64 UploadQueue::numberSimultaneousUploads() const
{
    qint64 limit = DefaultSimultaneousUploads;
    if (m_simultaneousOverride)
        limit = *m_simultaneousOverride;
    else if (const Preferences *preferences = Preferences::instance())
        limit = preferences->numberSimultaneousUploads();
    return qMax<qint64>(limit, 1);
}

void UploadQueue::setPaused(bool paused)
{
    if (m_paused == paused)
        return;
    m_paused = paused;
    VENDRA_DIAG(paused ? QStringLiteral("Upload queue paused") : QStringLiteral("Upload queue resumed"));
    Q_EMIT pausedChanged(paused);
    if (!paused)
        scheduleTick();
}

bool UploadQueue::skipExisting() const
{
    if (m_skipExistingOverride)
        return *m_skipExistingOverride;
    const Preferences *preferences = Preferences::instance();
    return !preferences || preferences->skipExistingUploads();
}

bool UploadQueue::retryFailedUpload(const UploadStatusPtr &status)
{
    if (!status || status->eUploadType() != UploadCommandFile || status->status() != UploadStatusFailed)
        return false;
    m_retry->forget(status);
    addRequest(status);
    status->setStatus(UploadStatusWaiting, QStringLiteral("RetryUpload"), false);
    return true;
}

void UploadQueue::requeueForRetry(const UploadStatusPtr &status)
{
    const QMutexLocker lock(&m_lock);
    m_fileQueue.append(status);
    status->setStatus(UploadStatusWaiting, QStringLiteral("RetryQueued"), false);
    scheduleTick();
}

void UploadQueue::commandEnded(const UploadStatusPtr &status)
{
    if (m_journal)
        m_journal->commandEnded(*status);
    if (status->eUploadType() == UploadCommandFile)
        m_retry->forget(status);
}

void UploadQueue::doUploadQueue()
{
    // An observer that runs a nested event loop (a modal dialog) must not start a pass inside a pass.
    if (m_inTick)
        return;
    const QScopedValueRollback inTick(m_inTick, true);
    const bool wasBusy = m_uploadState != 0;
    m_tookWorkThisTick = false;
    for (;;) {
        if (m_uqCurrentCmdSet == QueueCommandSetNone) {
            if (m_paused)
                break;
            m_uqCurrentCmdSet = checkNextCommandType();
            if (m_uqCurrentCmdSet == QueueCommandSetNone)
                break;
            continue;
        }
        bool done = false;
        switch (m_uqCurrentCmdSet) {
        case QueueCommandSetFileUploads:
            done = continueUploadingFilesCompleted();
            break;
        case QueueCommandSetCreateFolder:
            done = continueCreateFoldersCompleted();
            break;
        case QueueCommandSetGetFolderContents:
            done = continueGetFolderContentsCompleted();
            break;
        default:
            VENDRA_DIAG(QStringLiteral("Unknown upload queue cmd <%1>").arg(m_uqCurrentCmdSet));
            done = true;
            break;
        }
        if (!done)
            break;
        m_uqCurrentCmdSet = QueueCommandSetNone;
    }
    // Work that began and ended within this one tick makes the queue idle again just the same.
    if ((wasBusy || m_tookWorkThisTick) && numUploadsInQueue() == 0 && m_currentFileUploads.isEmpty() &&
        m_uqCurrentCmdSet == QueueCommandSetNone)
        postQueueStatus(0);
}

qint32 UploadQueue::checkNextCommandType() const
{
    const QMutexLocker lock(&m_lock);
    if (m_fileQueue.isEmpty())
        return QueueCommandSetNone;
    switch (m_fileQueue.first()->eUploadType()) {
    case UploadCommandFile:
        return QueueCommandSetFileUploads;
    case UploadCommandCreateFolder:
        return QueueCommandSetCreateFolder;
    case UploadCommandGetFolderContents:
        return QueueCommandSetGetFolderContents;
    }
    VENDRA_DIAG(QStringLiteral("Unexpected cmd type"));
    return QueueCommandSetNone;
}

UploadStatusPtr UploadQueue::getNextStatus()
{
    const QMutexLocker lock(&m_lock);
    if (m_fileQueue.isEmpty())
        return {};
    m_tookWorkThisTick = true;
    return m_fileQueue.takeFirst();
}

UploadStatusPtr UploadQueue::getNextUploadFileStatus()
{
    const QMutexLocker lock(&m_lock);
    if (m_fileQueue.isEmpty() || m_fileQueue.first()->eUploadType() != UploadCommandFile)
        return {};
    m_tookWorkThisTick = true;
    return m_fileQueue.takeFirst();
}

bool UploadQueue::continueUploadingFilesCompleted()
{
    if (!m_paused && m_currentFileUploads.size() < numberSimultaneousUploads()) {
        if (const UploadStatusPtr status = getNextUploadFileStatus())
            startUploadingFile(status);
    }
    const bool done = waitForFileUploadCompleted();
    if (done)
        resetCheck();
    return done;
}

void UploadQueue::startUploadingFile(const UploadStatusPtr &status)
{
    m_uploadState = 1;
    if (!status->prepareToUpload()) {
        status->setStatus(UploadStatusFailed, QStringLiteral("StartUploadingFile"), true,
                          messageText(QStringLiteral("Text_DestAlbumMissing")));
        if (Log *log = Log::instance())
            log->add(status->error(), status->localFilePath().toLocalFile());
        commandEnded(status);
        m_uploadState = 0;
        return;
    }
    if ((status->alwaysSkipIfStored() || skipExisting()) && StoredFileCheck::isAlreadyStored(*status)) {
        status->endAsAlreadyStored();
        commandEnded(status);
        if (m_currentFileUploads.isEmpty())
            m_uploadState = 0;
        return;
    }
    m_retry->tryStarted(status);
    status->setStatus(UploadStatusStart, QStringLiteral("StartUploadingFile"), false);
    // Deleted from the event loop: a cancel may come from inside one of its own callbacks.
    std::shared_ptr<UploadFile> upload(new UploadFile(status, this),
                                       [](UploadFile *file) { file->deleteLater(); });
    m_currentFileUploads.append(upload);
    incNumUploadsOccurring();
    upload->start();
}

bool UploadQueue::waitForFileUploadCompleted()
{
    bool done = true;
    QList<std::shared_ptr<UploadFile>> finished;
    for (const std::shared_ptr<UploadFile> &upload : std::as_const(m_currentFileUploads)) {
        if (!upload->isFinished()) {
            done = false;
            continue;
        }
        finished.append(upload);
        const UploadStatusPtr status = upload->uploadStatus();
        if (status->bSucceeded() && upload->bSucceeded()) {
            if (const auto asset = soapRemoteFileItem::initWithUploadDictionary(upload->replyDictionary())) {
                const auto album = std::dynamic_pointer_cast<soapRemoteFolderItem>(
                    commsGlobal->registry().findRemoteAlbumByName(status->remoteFolderParentName()));
                if (album)
                    album->addUloadedFile(asset);
                status->setStatus(UploadStatusEnd, QStringLiteral("FileUploadComplete"), false);
            } else {
                status->setStatus(UploadStatusFailed, QStringLiteral("FileUploadComplete"), true,
                                  QStringLiteral("Failed to get Remote File Item"));
            }
            commandEnded(status);
        } else if (status->status() != UploadStatusCancelled) {
            settleFailedUpload(*upload);
        } else {
            commandEnded(status);
        }
    }
    for (const std::shared_ptr<UploadFile> &upload : std::as_const(finished)) {
        m_currentFileUploads.removeOne(upload);
        decNumUploadsOccurring();
    }
    if (m_currentFileUploads.isEmpty())
        m_uploadState = 0;
    return done;
}

// A transient failure waits for its next try while tries are left; anything else fails for good.
void UploadQueue::settleFailedUpload(const UploadFile &upload)
{
    const UploadStatusPtr status = upload.uploadStatus();
    const QVariantMap reply = upload.replyDictionary();
    UploadFailureFacts facts;
    facts.httpStatus = upload.httpResponseCode();
    facts.actionResult = reply.value(QStringLiteral("actionresult")).toString();
    facts.apiResult = reply.value(QStringLiteral("apiresult")).toString();
    const QFileInfo local(status->localFilePath().toLocalFile());
    const QVariant maximum = commsGlobal ? commsGlobal->maxTransferSize() : QVariant();
    facts.localFileUnusable = !local.isFile() || !local.isReadable() ||
                              m_retry->fileChangedSinceTryStarted(status) ||
                              (maximum.isValid() && double(local.size()) > maximum.toDouble());
    facts.destinationUnusable = !std::dynamic_pointer_cast<soapRemoteFolderItem>(
        commsGlobal ? commsGlobal->registry().findRemoteAlbumByName(status->remoteFolderParentName())
                    : soapRemoteBasePtr());
    if (classifyUploadFailure(facts) == FailureKind::Transient && m_retry->scheduleRetry(status)) {
        VENDRA_DIAG(QStringLiteral("Upload of %1 failed (%2); trying again")
                        .arg(status->localFilePath().toLocalFile(), upload.error()));
        return;
    }
    status->setStatus(UploadStatusFailed, QStringLiteral("FileUploadComplete"), true, upload.error());
    if (Log *log = Log::instance())
        log->add(status->error(), status->localFilePath().toLocalFile());
    commandEnded(status);
}

bool UploadQueue::continueCreateFoldersCompleted()
{
    if (m_currentCreateFolder) {
        const bool done = waitCreateFolderCompleted();
        if (done) {
            finishAlbumCommand();
            m_currentCreateFolder.reset();
            resetCheck();
        }
        return done;
    }
    m_currentStatus = getNextStatus();
    if (!m_currentStatus)
        return true;
    if (m_currentStatus->eUploadType() != UploadCommandCreateFolder) {
        VENDRA_DIAG(QStringLiteral("Create Folder - unexpected type request <%1> status <%2>")
                        .arg(m_currentStatus->eUploadTypeAsString(), m_currentStatus->statusAsString()));
        m_currentStatus.reset();
        return true;
    }
    incNumUploadsOccurring();
    if (!startCreateFolder()) {
        finishAlbumCommand();
        return true;
    }
    return false;
}

bool UploadQueue::startCreateFolder()
{
    if (m_currentStatus->prepareToUpload()) {
        m_uploadState = 3;
        m_currentCreateFolder = std::make_shared<UploadCreateFolder>(m_currentStatus, this);
        m_currentCreateFolder->start();
        return true;
    }
    m_currentStatus->setStatus(UploadStatusFailed, QStringLiteral("StartCreateFolder"), true,
                               QStringLiteral("Parent Folder is missing."));
    m_uploadState = 0;
    return false;
}

bool UploadQueue::waitCreateFolderCompleted()
{
    if (!m_currentCreateFolder->isFinished())
        return false;
    const bool failed = !m_currentStatus->bSucceeded();
    if (!m_currentCreateFolder->bSucceeded())
        m_currentStatus->setStatus(UploadStatusFailed, QStringLiteral("CreateFolderCompleted"), failed,
                                   messageText(QStringLiteral("Text_FCreateFolder")));
    else
        m_currentStatus->setStatus(UploadStatusEnd, QStringLiteral("CreateFolderCompleted"), failed);
    m_uploadState = 0;
    return true;
}

bool UploadQueue::continueGetFolderContentsCompleted()
{
    if (m_currentGetFolderContents) {
        const bool done = waitGetFolderContentsCompleted();
        if (done) {
            finishAlbumCommand();
            m_currentGetFolderContents.reset();
            resetCheck();
        }
        return done;
    }
    m_currentStatus = getNextStatus();
    if (!m_currentStatus)
        return true;
    if (m_currentStatus->eUploadType() != UploadCommandGetFolderContents) {
        VENDRA_DIAG(QStringLiteral("Get Contents - unexpacted type request <%1>")
                        .arg(m_currentStatus->eUploadTypeAsString()));
        m_currentStatus.reset();
        return true;
    }
    incNumUploadsOccurring();
    startGetFolderContents();
    return false;
}

void UploadQueue::startGetFolderContents()
{
    m_uploadState = 2;
    m_currentGetFolderContents = std::make_shared<UploadGetFolderContents>(m_currentStatus, this);
    m_currentGetFolderContents->start();
}

bool UploadQueue::waitGetFolderContentsCompleted()
{
    m_currentGetFolderContents->retryStartIfRequired();
    if (!m_currentGetFolderContents->isFinished())
        return false;
    const bool failed = !m_currentStatus->bSucceeded();
    if (!m_currentGetFolderContents->bSucceeded())
        m_currentStatus->setStatus(UploadStatusFailed, QStringLiteral("GetFolderContentsCompleted"), failed,
                                   messageText(QStringLiteral("Text_FCreateFContents")));
    else
        m_currentStatus->setStatus(UploadStatusEnd, QStringLiteral("GetFolderContentsCompleted"), failed);
    m_uploadState = 0;
    return true;
}

// An album command has ended: it no longer counts as under way.
void UploadQueue::finishAlbumCommand()
{
    if (m_currentStatus)
        commandEnded(m_currentStatus);
    m_currentStatus.reset();
    decNumUploadsOccurring();
}

void UploadQueue::resetCheck()
{
    if (m_currentStatus)
        VENDRA_DIAG(QStringLiteral("current status not nil"));
    if (!m_currentFileUploads.isEmpty())
        VENDRA_DIAG(QStringLiteral("current upload file queue not empty"));
    if (m_currentGetFolderContents)
        VENDRA_DIAG(QStringLiteral("current folder contents not nil"));
    if (m_currentCreateFolder)
        VENDRA_DIAG(QStringLiteral("current create folder not nil"));
}
