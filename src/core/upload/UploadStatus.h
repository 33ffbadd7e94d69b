#pragma once

#include "albums/soapRemoteBase.h"

#include <QEnableSharedFromThis>
#include <QMetaType>
#include <QMutex>
#include <QSharedPointer>
#include <QString>
#include <QUrl>
#include <QVariant>

class UploadDelegate;

// The kinds of command the upload queue carries out; the numbers are compared by the views.
enum UploadCommandType : qint32 {
    UploadCommandFile = 0,
    UploadCommandCreateFolder = 1,
    UploadCommandGetFolderContents = 2,
};

enum UploadStatusCode : qint32 {
    UploadStatusWaiting = 0,
    UploadStatusStart = 1,
    UploadStatusProgress = 2,
    UploadStatusEnd = 3,
    UploadStatusFailed = 4,
    UploadStatusCancelled = 5,
};

class UploadStatus;
using UploadStatusPtr = QSharedPointer<UploadStatus>;

// The record of one upload command from the moment it is queued until the views forget it. It is
// the object of every "UploadEventStatusUpdate"; the engine drives it through the two setStatus
// overloads. Album steps change it from worker threads while views read it on the main thread, so
// every field sits behind the record's own lock.
class UploadStatus : public QEnableSharedFromThis<UploadStatus>
{
public:
    static UploadStatusPtr initWithFile(const QUrl &file, const QString &toFolder, UploadDelegate *delegate,
                                        const QVariant &context = {});
    static UploadStatusPtr initWithCreateFolder(const QString &folderName, const QString &toFolder,
                                                UploadDelegate *delegate, const QVariant &context = {});
    static UploadStatusPtr initGetFolderContents(const QString &fullPath, UploadDelegate *delegate,
                                                 const QVariant &context = {});

    // The central setter: records the change, writes its diagnostic line and posts
    // "UploadEventStatusUpdate" unless the progress throttle holds it back.
    void setStatus(UploadStatusCode status, const QString &action, bool failed,
                   const QString &description = {});
    // Completion of a file upload: the transfer figures, then the central setter, then
    // "UploadEventQueuePendingUpdate" whatever the outcome.
    void setStatus(UploadStatusCode status, bool success, quint64 numBytesSent, quint64 numBytesTotal,
                   bool pending, const QString &errorStr);

    // Looks the destination (parent) album up in the album registry and keeps it as remoteFolder;
    // false, with remoteFolder cleared, when the registry does not know it.
    bool prepareToUpload();
    soapRemoteBasePtr remoteFolder() const;

    void setBytesSent(quint64 bytes);
    void setBytesTotal(quint64 bytes);
    void setLastReportedPercentage(float fraction);

    bool bSucceeded() const;
    UploadCommandType eUploadType() const { return m_eUploadType; }
    UploadStatusCode status() const;
    float lastReportedPercentage() const;
    bool bPending() const;
    quint64 numBytesSent() const;
    quint64 numBytesTotal() const;
    QVariant context() const { return m_context; }
    QUrl localFilePath() const { return m_localFilePath; }
    UploadDelegate *delegate() const { return m_delegate; }
    QString remoteFolderParentName() const { return m_remoteFolderParentName; }
    QString remoteFolderCreateName() const { return m_remoteFolderCreateName; }
    QString getRemoteFolderContentsFullPath() const { return m_getRemoteFolderContentsFullPath; }
    QString strFilename() const { return m_strFilename; }
    QString error() const;

    // A word the list shows instead of the usual status text: a retry's countdown, "Already on
    // the server". Set together with a status; cleared by the next status without one.
    QString note() const;
    void setStatusWithNote(UploadStatusCode status, const QString &action, const QString &note);
    // The file stood in its album already, name and size alike, and was not sent: ends the command
    // as a success that the list keeps showing.
    void endAsAlreadyStored();
    bool bAlreadyStored() const;
    // Whether the queue checks the album for the file before sending it, whatever the preference.
    void setAlwaysSkipIfStored(bool skip) { m_alwaysSkipIfStored = skip; }
    bool alwaysSkipIfStored() const { return m_alwaysSkipIfStored; }

    QString eUploadTypeAsString() const;
    QString statusAsString() const;
    static QString eUploadTypeAsString(qint32 type);
    static QString statusAsString(qint32 status);

private:
    UploadStatus(UploadCommandType type, UploadDelegate *delegate, const QVariant &context);

    bool isThrottled(UploadStatusCode status, bool failed) const;
    void setNoteStatus(UploadStatusCode status, const QString &action, const QString &note,
                       bool alreadyStored);

    mutable QMutex m_mutex;
    bool m_bSucceeded = false;
    const UploadCommandType m_eUploadType;
    UploadStatusCode m_status = UploadStatusWaiting;
    float m_lastReportedPercentage = 0;
    bool m_bPending = false;
    quint64 m_numBytesSent = 0;
    quint64 m_numBytesTotal = 0;
    const QVariant m_context;
    QUrl m_localFilePath;
    UploadDelegate *const m_delegate;
    QString m_remoteFolderParentName;
    QString m_remoteFolderCreateName;
    QString m_getRemoteFolderContentsFullPath;
    soapRemoteBasePtr m_remoteFolder;
    QString m_strFilename;
    QString m_error;
    QString m_note;
    bool m_bAlreadyStored = false;
    bool m_alwaysSkipIfStored = false;
};

Q_DECLARE_METATYPE(UploadStatusPtr)
