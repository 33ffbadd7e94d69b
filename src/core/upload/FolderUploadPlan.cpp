#include "upload/FolderUploadPlan.h"

#include "albums/RemotePath.h"
#include "common/MessageText.h"
#include "diagnostics/DiagnosticLine.h"
#include "events/Log.h"
#include "upload/UploadDelegate.h"
#include "upload/UploadQueue.h"

#include <QDir>
#include <QFileInfo>

#include <dirent.h>

#include <memory>

namespace {

// The names in the folder that are not valid UTF-8, as the file system holds them. QDir lists such
// a name with U+FFFD in place of the bad bytes, a name under which it cannot be found again.
QList<QByteArray> undecodableNamesIn(const QString &folderPath)
{
    QList<QByteArray> names;
    const std::unique_ptr<DIR, int (*)(DIR *)> folder(::opendir(QFile::encodeName(folderPath).constData()),
                                                      ::closedir);
    if (!folder)
        return names;
    while (const dirent *entry = ::readdir(folder.get())) {
        const QByteArray name(entry->d_name);
        // Hidden entries are left out as QDir leaves them out; "." and ".." among them.
        if (!name.startsWith('.') && !name.isValidUtf8())
            names.append(name);
    }
    return names;
}

// The path a local file URL names, as the bytes the file system knows it by.
QByteArray localPathBytes(const QUrl &url)
{
    return QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
}

} // namespace

QString FolderUploadPlan::LeftOut::text() const
{
    return QStringLiteral("%1: %2").arg(path, reason);
}

void FolderUploadPlan::announceLeftOut(const QString &path, const QString &toFolder, const QString &reason,
                                       UploadDelegate *delegate)
{
    const UploadStatusPtr status = UploadStatus::initWithFile(QUrl::fromLocalFile(path), toFolder, delegate);
    if (delegate)
        delegate->uploadProgress(status);
    status->setStatus(UploadStatusFailed, QStringLiteral("FileUpload"), true, reason);
    if (Log *log = Log::instance())
        log->add(reason, path);
}

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
    plan.addUndecodableEntries(localPath);
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
    if (!localPathBytes(url).isValidUtf8()) {
        VENDRA_DIAG(QStringLiteral("Cannot upload %1: the name is not valid UTF-8").arg(path));
        undecodableNames.append(path);
        return;
    }
    if (QFileInfo(path).fileName().isEmpty()) {
        skipped.append({path, QStringLiteral("a folder without a name cannot become an album")});
        return;
    }
    // What was dropped or named is expected to exist; an entry found by the walk may just have gone.
    if (!QFileInfo::exists(path) && !QFileInfo(path).isSymLink()) {
        skipped.append({path, QStringLiteral("does not exist")});
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
            skipped.append({path, QStringLiteral("a link to nothing")});
        return;
    }
    if (info.isDir()) {
        if (ancestors.contains(info.canonicalFilePath())) {
            VENDRA_DIAG(
                QStringLiteral("Not following %1: it leads back to a folder being uploaded").arg(path));
            skipped.append({path, QStringLiteral("leads back to a folder above it")});
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
        skipped.append({path, QStringLiteral("not a regular file")});
        return;
    }
    VENDRA_DIAG(QStringLiteral("is a file url: %1").arg(path));
    files.append(path);
}

void FolderUploadPlan::addUndecodableEntries(const QString &folderPath)
{
    const QList<QByteArray> names = undecodableNamesIn(folderPath);
    for (const QByteArray &name : names) {
        const QString path = QDir(folderPath).filePath(QFile::decodeName(name));
        VENDRA_DIAG(QStringLiteral("Cannot upload %1: the name is not valid UTF-8").arg(path));
        undecodableNames.append(path);
    }
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
    for (const QString &path : undecodableNames)
        announceLeftOut(path, remoteFullPath, messageText(QStringLiteral("Text_NameNotUtf8")), delegate);
}

qsizetype FolderUploadPlan::fileCount() const
{
    qsizetype count = files.size();
    for (const FolderUploadPlan &folder : folders)
        count += folder.fileCount();
    return count;
}

QList<FolderUploadPlan::LeftOut> FolderUploadPlan::allSkipped() const
{
    QList<LeftOut> all = skipped;
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

QStringList FolderUploadPlan::allUndecodableNames() const
{
    QStringList all = undecodableNames;
    for (const FolderUploadPlan &folder : folders)
        all += folder.allUndecodableNames();
    return all;
}
