#include "upload/FolderUploadPlan.h"

#include "albums/RemotePath.h"
#include "diagnostics/DiagnosticLine.h"
#include "upload/UploadQueue.h"

#include <QDir>
#include <QFileInfo>

FolderUploadPlan FolderUploadPlan::createFolderDictionaryForLocalPath(const QString &localPath,
                                                                      const QString &remoteFolderName,
                                                                      const QString &remoteParentFolderName,
                                                                      const QString &remoteFullPath)
{
    FolderUploadPlan plan;
    plan.localPath = localPath;
    plan.folderName = remoteFolderName;
    plan.remoteParentFullPath = remoteParentFolderName;
    plan.remoteFullPath = remoteFullPath;
    return plan;
}

FolderUploadPlan FolderUploadPlan::collectFoldersAndFilesFrom(const QString &localPath,
                                                              const QString &remoteFolderName,
                                                              const QString &remoteParentFolderName,
                                                              const QString &remoteFullPath)
{
    QStringList ancestors;
    return collect(localPath, remoteFolderName, remoteParentFolderName, remoteFullPath, ancestors);
}

// ancestors holds the real paths of the folders being walked, from the top down: a link back to
// one of them would repeat the walk without end, so it is left out.
FolderUploadPlan FolderUploadPlan::collect(const QString &localPath, const QString &remoteFolderName,
                                           const QString &remoteParentFolderName,
                                           const QString &remoteFullPath, QStringList &ancestors)
{
    FolderUploadPlan plan = createFolderDictionaryForLocalPath(localPath, remoteFolderName,
                                                               remoteParentFolderName, remoteFullPath);
    const QFileInfo info(localPath);
    ancestors.append(info.canonicalFilePath());
    // A folder that cannot be listed looks empty; its album is still made, but the loss is named.
    if (!info.isReadable() || !info.isExecutable()) {
        VENDRA_DIAG(QStringLiteral("Cannot read the folder %1").arg(localPath));
        plan.unreadable.append(localPath);
    }
    const QDir folder(localPath);
    const QStringList entries =
        folder.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Unsorted);
    for (const QString &entry : entries)
        plan.addEntry(folder.filePath(entry), ancestors);
    ancestors.removeLast();
    return plan;
}

void FolderUploadPlan::addFilesAndFoldersTo(const QUrl &url)
{
    if (!url.isLocalFile())
        return;
    // "Pics/2024/" (what shell completion types, what file managers send for folders) names the
    // folder 2024: without the slash its name is the last component, not the empty string, which
    // would pour the folder's contents into this plan's album.
    const QString path = QDir::cleanPath(url.toLocalFile());
    if (QFileInfo(path).fileName().isEmpty()) {
        skipped.append(QStringLiteral("%1: a folder without a name cannot become an album").arg(path));
        return;
    }
    QStringList ancestors;
    addEntry(path, ancestors);
}

void FolderUploadPlan::addEntry(const QString &path, QStringList &ancestors)
{
    const QFileInfo info(path);
    if (!info.exists()) {
        // Gone since it was listed: nothing to send. A dangling link is worth a word.
        if (info.isSymLink())
            skipped.append(QStringLiteral("%1: a link to nothing").arg(path));
        return;
    }
    if (info.isDir()) {
        if (ancestors.contains(info.canonicalFilePath())) {
            VENDRA_DIAG(
                QStringLiteral("Not following %1: it leads back to a folder being uploaded").arg(path));
            skipped.append(QStringLiteral("%1: leads back to a folder above it").arg(path));
            return;
        }
        const QString name = info.fileName();
        folders.append(
            collect(path, name, remoteFullPath, RemotePath::join(remoteFullPath, name), ancestors));
        return;
    }
    if (!info.isFile()) {
        // A pipe, socket or device has no content to send, and opening a pipe would wait forever.
        VENDRA_DIAG(QStringLiteral("Not uploading %1: not a regular file").arg(path));
        skipped.append(QStringLiteral("%1: not a regular file").arg(path));
        return;
    }
    VENDRA_DIAG(QStringLiteral("is a file url: %1").arg(path));
    files.append(path);
}

void FolderUploadPlan::uploadFolderAndFiles(UploadQueue &queue, UploadDelegate *delegate) const
{
    queue.addGetFolderContents(remoteFullPath, delegate);
    for (const FolderUploadPlan &folder : folders) {
        queue.addFolderCreate(folder.folderName, remoteFullPath, delegate);
        folder.uploadFolderAndFiles(queue, delegate);
    }
    for (const QString &file : files) {
        queue.addFileUpload(QUrl::fromLocalFile(file), remoteFullPath, delegate, {},
                            onlyWhatIsNotStored ? UploadQueue::SkipStored::Always
                                                : UploadQueue::SkipStored::AsSet);
    }
}

qsizetype FolderUploadPlan::fileCount() const
{
    qsizetype count = files.size();
    for (const FolderUploadPlan &folder : folders)
        count += folder.fileCount();
    return count;
}

QStringList FolderUploadPlan::allSkipped() const
{
    QStringList all = skipped;
    for (const FolderUploadPlan &folder : folders)
        all += folder.allSkipped();
    return all;
}

QStringList FolderUploadPlan::allUnreadable() const
{
    QStringList all = unreadable;
    for (const FolderUploadPlan &folder : folders)
        all += folder.allUnreadable();
    return all;
}
