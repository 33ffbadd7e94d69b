#pragma once

#include "albums/soapRemoteBase.h"
#include "upload/FolderUploadPlan.h"

#include <QList>
#include <QStringList>
#include <QUrl>

#include <optional>

class UploadDelegate;
class UploadQueue;

// Turning dropped (or chosen) local files and folders into upload commands for an album of the
// remote tree, or for the root, which takes folders only. The album pane's drops, its file panel and
// the command line all go through here.
namespace DropUpload {

// True when every path exists and is a folder (links followed); an empty list gives true.
bool allFolders(const QStringList &paths);

// The plan of a drop onto target: the top plan stands for the target itself, every item below it.
// None when the target is neither the root nor an album.
std::optional<FolderUploadPlan> planFor(const QList<QUrl> &items, const soapRemoteBasePtr &target);

// Builds the plan and submits it to the queue, depth first, and announces every entry the walk left
// out (skipped, or a folder that cannot be read) as a failed file command with its reason and an
// event-log entry; the plan that was submitted, or none when the target takes no uploads.
std::optional<FolderUploadPlan> uploadFiles(const QList<QUrl> &items, const soapRemoteBasePtr &target,
                                            UploadQueue &queue, UploadDelegate *delegate = nullptr);

} // namespace DropUpload
