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

std::optional<FolderUploadPlan> DropUpload::uploadFiles(const QList<QUrl> &items,
                                                        const soapRemoteBasePtr &target, UploadQueue &queue,
                                                        UploadDelegate *delegate)
{
    std::optional<FolderUploadPlan> plan = planFor(items, target);
    if (!plan)
        return plan;
    plan->uploadFolderAndFiles(queue, delegate);
    // What the walk left out gets a row of its own and an event-log entry, so nothing goes unseen.
    const QList<FolderUploadPlan::LeftOut> skipped = plan->allSkipped();
    for (const FolderUploadPlan::LeftOut &entry : skipped) {
        FolderUploadPlan::announceLeftOut(
            entry.path, QString(), messageText(QStringLiteral("Text_Skipped")).arg(entry.reason), delegate);
    }
    const QStringList unreadable = plan->allUnreadable();
    for (const QString &folder : unreadable) {
        FolderUploadPlan::announceLeftOut(folder, QString(),
                                          messageText(QStringLiteral("Text_FolderUnreadable")), delegate);
    }
    return plan;
}
