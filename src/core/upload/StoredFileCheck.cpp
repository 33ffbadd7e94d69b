#include "upload/StoredFileCheck.h"

#include "albums/soapRemoteFileItem.h"
#include "albums/soapRemoteFolderItem.h"
#include "session/commsGlobals.h"
#include "upload/UploadStatus.h"

#include <QFileInfo>

#include <algorithm>

bool StoredFileCheck::isAlreadyStored(const UploadStatus &record)
{
    if (!commsGlobal || record.eUploadType() != UploadCommandFile)
        return false;
    const auto album = std::dynamic_pointer_cast<soapRemoteFolderItem>(
        commsGlobal->registry().findRemoteAlbumByName(record.remoteFolderParentName()));
    const QFileInfo local(record.localFilePath().toLocalFile());
    if (!album || !local.isFile())
        return false;
    const QList<RemoteTreeEntryPtr> children = album->childrenSnapshot();
    return std::any_of(children.cbegin(), children.cend(), [&](const RemoteTreeEntryPtr &child) {
        const auto asset = std::dynamic_pointer_cast<soapRemoteFileItem>(child);
        return asset && asset->strFilename() == local.fileName() &&
               asset->nFilesize().toLongLong() == local.size();
    });
}
