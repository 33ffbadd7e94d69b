#include "upload/DropUpload.h"

#include "albums/soapRemoteFolderBrowser.h"
#include "albums/soapRemoteFolderItem.h"
#include "common/MessageText.h"

#include <QFileInfo>

bool DropUpload::allFolders(const QStringList &paths)
{
    return std::all_of(paths.begin(), paths.end(),
                       [](const QString &path) { return QFileInfo(path).isDir(); });
}

std::optional<FolderUploadPlan> DropUpload::planFor(const QList<QUrl> &items, const soapRemoteBasePtr &target)
{
    FolderUploadPlan plan;
    if (const auto album = std::dynamic_pointer_cast<soapRemoteFolderItem>(target))
        plan = FolderUploadPlan::createFolderDictionaryForLocalPath(QString(), album->strName(), QString(),
                                                                    album->fullRemotePath());
    else if (!std::dynamic_pointer_cast<soapRemoteFolderBrowser>(target))
        return std::nullopt;
    for (const QUrl &item : items)
        plan.addFilesAndFoldersTo(item);
    return plan;
}

namespace {

// What the walk left out gets a row of its own, with the album it would have gone into, and an
// event-log entry, so that nothing goes unseen.
void announceLeftOut(const FolderUploadPlan &plan, UploadDelegate *delegate)
{
    for (const FolderUploadPlan::LeftOut &entry : plan.skipped) {
        FolderUploadPlan::announceLeftOut(entry.path, plan.remoteFullPath,
                                          messageText(QStringLiteral("Text_Skipped")).arg(entry.reason),
                                          delegate);
    }
    for (const QString &folder : plan.unreadable) {
        FolderUploadPlan::announceLeftOut(folder, plan.remoteFullPath,
                                          messageText(QStringLiteral("Text_FolderUnreadable")), delegate);
    }
    for (const FolderUploadPlan &folder : plan.folders)
        announceLeftOut(folder, delegate);
}

} // namespace

std::optional<FolderUploadPlan> DropUpload::uploadFiles(const QList<QUrl> &items,
                                                        const soapRemoteBasePtr &target, UploadQueue &queue,
                                                        UploadDelegate *delegate)
{
    std::optional<FolderUploadPlan> plan = planFor(items, target);
    if (!plan)
        return plan;
    plan->uploadFolderAndFiles(queue, delegate);
    announceLeftOut(*plan, delegate);
    return plan;
}
