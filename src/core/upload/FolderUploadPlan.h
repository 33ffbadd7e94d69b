#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

class UploadDelegate;
class UploadQueue;

// What a drop onto an album (or onto the root) asks of the upload engine: for every local folder
// an album of the same name under the album of its parent folder, and every file into the album of
// its folder. The top plan stands for the drop target itself. Built by walking the local folders
// before anything is submitted, then submitted depth first so that every album is fetched or
// created before anything goes into it.
class FolderUploadPlan
{
public:
    // A local entry the plan does not send, and why.
    struct LeftOut
    {
        QString path;
        QString reason;
        // "path: reason"
        QString text() const;
        friend bool operator==(const LeftOut &, const LeftOut &) = default;
    };

    QList<FolderUploadPlan> folders;
    QStringList files;
    QString localPath;
    // The album that receives this folder's contents.
    QString remoteFullPath;
    // The album to create for this folder, and where.
    QString folderName;
    QString remoteParentFullPath;
    // Entries left out of the walk by choice, each with why (links back up the tree, special files).
    QList<LeftOut> skipped;
    // Folders whose entries could not be listed: what they hold is not uploaded, which is a
    // failure to report, not a choice.
    QStringList unreadable;
    // Files and folders whose names are not valid UTF-8: they cannot be opened under any name a
    // QString holds, so each fails with its reason when the plan is submitted.
    QStringList undecodableNames;
    // Files are sent only when their album does not hold them already, whatever the preference
    // says (a resumed batch, which may have been stored before the last run ended).
    bool onlyWhatIsNotStored = false;

    static FolderUploadPlan createFolderDictionaryForLocalPath(const QString &localPath,
                                                               const QString &remoteFolderName,
                                                               const QString &remoteParentFolderName,
                                                               const QString &remoteFullPath);
    // The plan of a local folder with everything below it; hidden entries are left out.
    static FolderUploadPlan collectFoldersAndFilesFrom(const QString &localPath,
                                                       const QString &remoteFolderName,
                                                       const QString &remoteParentFolderName,
                                                       const QString &remoteFullPath);
    // Adds one dropped item: a folder with everything below it, or a file. Items that do not exist
    // and URLs that are not local files are skipped.
    void addFilesAndFoldersTo(const QUrl &url);

    // Queues a contents fetch of this plan's album, then for each sub-folder its album creation and
    // its own plan, then this folder's files. Each undecodable name becomes a file command that has
    // failed already: offered to the delegate, announced and written to the event log, never queued.
    void uploadFolderAndFiles(UploadQueue &queue, UploadDelegate *delegate) const;

    // A file command that failed before it was queued: a record offered to the delegate (if any),
    // announced as failed with the reason, and an event-log entry.
    static void announceLeftOut(const QString &path, const QString &toFolder, const QString &reason,
                                UploadDelegate *delegate);

    // Every file of the plan and its sub-plans, and every entry left out, however deep.
    qsizetype fileCount() const;
    QList<LeftOut> allSkipped() const;
    QStringList allUnreadable() const;
    QStringList allUndecodableNames() const;

private:
    static FolderUploadPlan collect(const QString &localPath, const QString &remoteFolderName,
                                    const QString &remoteParentFolderName, const QString &remoteFullPath,
                                    QStringList &ancestors);
    void addEntry(const QString &path, QStringList &ancestors);
    void addUndecodableEntries(const QString &folderPath);
};
