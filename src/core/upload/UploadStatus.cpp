#include "upload/UploadStatus.h"

#include "common/MessageText.h"
#include "diagnostics/DiagnosticLine.h"
#include "events/NotificationCenter.h"
#include "events/NotificationNames.h"
#include "session/commsGlobals.h"

#include <QFileInfo>

UploadStatus::UploadStatus(UploadCommandType type, UploadDelegate *delegate, const QVariant &context)
    : m_eUploadType(type), m_context(context), m_delegate(delegate)
{}

UploadStatusPtr UploadStatus::initWithFile(const QUrl &file, const QString &toFolder,
                                           UploadDelegate *delegate, const QVariant &context)
{
    UploadStatusPtr record(new UploadStatus(UploadCommandFile, delegate, context));
    record->m_localFilePath = file;
    record->m_remoteFolderParentName = toFolder;
    const QFileInfo info(file.toLocalFile());
    record->m_strFilename = info.fileName();
    // A file that cannot be read has no size; progress then goes unthrottled.
    record->m_numBytesTotal = info.isFile() ? quint64(info.size()) : 0;
    return record;
}

UploadStatusPtr UploadStatus::initWithCreateFolder(const QString &folderName, const QString &toFolder,
                                                   UploadDelegate *delegate, const QVariant &context)
{
    UploadStatusPtr record(new UploadStatus(UploadCommandCreateFolder, delegate, context));
    record->m_remoteFolderCreateName = folderName;
    record->m_remoteFolderParentName = toFolder;
    return record;
}

UploadStatusPtr UploadStatus::initGetFolderContents(const QString &fullPath, UploadDelegate *delegate,
                                                    const QVariant &context)
{
    UploadStatusPtr record(new UploadStatus(UploadCommandGetFolderContents, delegate, context));
    record->m_getRemoteFolderContentsFullPath = fullPath;
    return record;
}

void UploadStatus::setStatus(UploadStatusCode status, const QString &action, bool failed,
                             const QString &description)
{
    bool throttled;
    {
        const QMutexLocker lock(&m_mutex);
        m_status = status;
        m_bSucceeded = !failed;

        if (failed) {
            if (description.isEmpty())
                VENDRA_DIAG(QStringLiteral("Action %1 Upload Status ERROR : Unknown").arg(action));
            else if (m_error.isEmpty())
                VENDRA_DIAG(QStringLiteral("Action %1 Upload Status ERROR : %2").arg(action, description));
            else if (m_error.compare(description, Qt::CaseInsensitive) != 0)
                VENDRA_DIAG(
                    QStringLiteral("Action %1 Upload Status another ERROR : %2").arg(action, description));
        } else if (status == UploadStatusEnd) {
            VENDRA_DIAG(QStringLiteral("Action %1 Upload Status : Success").arg(action));
        }

        if (!description.isEmpty())
            m_error = description;
        m_note.clear();
        if (status != UploadStatusEnd)
            m_bAlreadyStored = false;
        throttled = isThrottled(status, failed);
    }
    if (!throttled) {
        NotificationCenter::defaultCenter().postNotificationName(NotificationNames::UploadEventStatusUpdate,
                                                                 QVariant::fromValue(sharedFromThis()));
    }
}

void UploadStatus::setStatus(UploadStatusCode status, bool success, quint64 numBytesSent,
                             quint64 numBytesTotal, bool pending, const QString &errorStr)
{
    {
        const QMutexLocker lock(&m_mutex);
        m_numBytesSent = numBytesSent;
        m_numBytesTotal = numBytesTotal;
        m_bPending = pending;
    }
    setStatus(status, QStringLiteral("UploadStatus"), !success, errorStr);
    NotificationCenter::defaultCenter().postNotificationName(NotificationNames::UploadEventQueuePendingUpdate,
                                                             QVariant::fromValue(sharedFromThis()));
}

// While a file is moving, a progress notification goes out only when at least 0.2 % more of it has
// gone since the views last drew it; the first and last reports and every ending always go out.
bool UploadStatus::isThrottled(UploadStatusCode status, bool failed) const
{
    if (status != UploadStatusWaiting && status != UploadStatusStart && status != UploadStatusProgress)
        return false;
    if (m_numBytesTotal == 0 || m_lastReportedPercentage == 0 || failed || m_numBytesSent == m_numBytesTotal)
        return false;
    const float fraction = float(m_numBytesSent) / float(m_numBytesTotal);
    return fraction - m_lastReportedPercentage < 0.002f;
}

void UploadStatus::setStatusWithNote(UploadStatusCode status, const QString &action, const QString &note)
{
    setNoteStatus(status, action, note, false);
}

void UploadStatus::endAsAlreadyStored()
{
    setNoteStatus(UploadStatusEnd, QStringLiteral("AlreadyStored"),
                  messageText(QStringLiteral("Text_AlreadyOnServer")), true);
}

void UploadStatus::setNoteStatus(UploadStatusCode status, const QString &action, const QString &note,
                                 bool alreadyStored)
{
    {
        const QMutexLocker lock(&m_mutex);
        m_status = status;
        m_bSucceeded = true;
        m_bAlreadyStored = alreadyStored;
        m_note = note;
    }
    VENDRA_DIAG(QStringLiteral("Action %1 Upload Status : %2").arg(action, note));
    NotificationCenter::defaultCenter().postNotificationName(NotificationNames::UploadEventStatusUpdate,
                                                             QVariant::fromValue(sharedFromThis()));
}

QString UploadStatus::note() const
{
    const QMutexLocker lock(&m_mutex);
    return m_note;
}

bool UploadStatus::bAlreadyStored() const
{
    const QMutexLocker lock(&m_mutex);
    return m_bAlreadyStored;
}

bool UploadStatus::prepareToUpload()
{
    const soapRemoteBasePtr album =
        commsGlobal ? commsGlobal->registry().findRemoteAlbumByName(m_remoteFolderParentName) : nullptr;
    const QMutexLocker lock(&m_mutex);
    m_remoteFolder = album;
    return album != nullptr;
}

soapRemoteBasePtr UploadStatus::remoteFolder() const
{
    const QMutexLocker lock(&m_mutex);
    return m_remoteFolder;
}

void UploadStatus::setBytesSent(quint64 bytes)
{
    const QMutexLocker lock(&m_mutex);
    m_numBytesSent = bytes;
}

void UploadStatus::setBytesTotal(quint64 bytes)
{
    const QMutexLocker lock(&m_mutex);
    m_numBytesTotal = bytes;
}

void UploadStatus::setLastReportedPercentage(float fraction)
{
    const QMutexLocker lock(&m_mutex);
    m_lastReportedPercentage = fraction;
}

bool UploadStatus::bSucceeded() const
{
    const QMutexLocker lock(&m_mutex);
    return m_bSucceeded;
}

UploadStatusCode UploadStatus::status() const
{
    const QMutexLocker lock(&m_mutex);
    return m_status;
}

float UploadStatus::lastReportedPercentage() const
{
    const QMutexLocker lock(&m_mutex);
    return m_lastReportedPercentage;
}

bool UploadStatus::bPending() const
{
    const QMutexLocker lock(&m_mutex);
    return m_bPending;
}

quint64 UploadStatus::numBytesSent() const
{
    const QMutexLocker lock(&m_mutex);
    return m_numBytesSent;
}

quint64 UploadStatus::numBytesTotal() const
{
    const QMutexLocker lock(&m_mutex);
    return m_numBytesTotal;
}

QString UploadStatus::error() const
{
    const QMutexLocker lock(&m_mutex);
    return m_error;
}

QString UploadStatus::eUploadTypeAsString() const
{
    return eUploadTypeAsString(m_eUploadType);
}

QString UploadStatus::statusAsString() const
{
    return statusAsString(status());
}

QString UploadStatus::eUploadTypeAsString(qint32 type)
{
    switch (type) {
    case UploadCommandFile:
        return QStringLiteral("Upload File");
    case UploadCommandCreateFolder:
        return QStringLiteral("Create Folder");
    case UploadCommandGetFolderContents:
        return QStringLiteral("Get Folder Contents");
    default:
        return QStringLiteral("Unkown Type %1").arg(type);
    }
}

QString UploadStatus::statusAsString(qint32 status)
{
    switch (status) {
    case UploadStatusWaiting:
        return QStringLiteral("Upload Waiting");
    case UploadStatusStart:
        return QStringLiteral("Upload Start");
    case UploadStatusProgress:
        return QStringLiteral("Upload Progress");
    case UploadStatusEnd:
        return QStringLiteral("Upload End");
    case UploadStatusFailed:
        return QStringLiteral("Upload Failed");
    case UploadStatusCancelled:
        return QStringLiteral("Upload Cancelled");
    default:
        return QStringLiteral("Unkown Status %1").arg(status);
    }
}
