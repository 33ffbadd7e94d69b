#include "albums/RemoteBrowserMenuRules.h"

#include "albums/remoteFileBrowserHelper.h"
#include "albums/soapRemoteFileItem.h"
#include "albums/soapRemoteFolderItem.h"
#include "session/commsGlobals.h"
#include "session/soapResults.h"

namespace {

using Kind = remoteFileBrowserHelper::NodeKind;

const soapLogin *rights()
{
    return commsGlobal ? &commsGlobal->results().login() : nullptr;
}

Kind kindOfRow(const remoteFileBrowserHelper &helper, const QModelIndex &row)
{
    return remoteFileBrowserHelper::kindOf(helper.nodeForIndex(row).get());
}

} // namespace

bool RemoteBrowserMenuRules::validateMenuItem(int tag, const remoteFileBrowserHelper &helper,
                                              const QModelIndexList &rows)
{
    switch (tag) {
    case CreateFolderTag:
        return canCreateFolder(helper, rows);
    case RenameTag:
        return canRename(helper, rows);
    case DeleteTag:
        return canDelete(helper, rows);
    case UploadTag:
        return canUpload(helper, rows);
    default:
        return true;
    }
}

bool RemoteBrowserMenuRules::canCreateFolder(const remoteFileBrowserHelper &helper,
                                             const QModelIndexList &rows)
{
    const soapLogin *login = rights();
    if (rows.size() != 1 || !login)
        return false;
    const RemoteTreeEntryPtr node = helper.nodeForIndex(rows.front());
    switch (remoteFileBrowserHelper::kindOf(node.get())) {
    case Kind::Root:
        return login->bCreateTopLevelAlbum();
    case Kind::Album:
        return login->bCreateSubAlbum() &&
               static_cast<const soapRemoteFolderItem *>(node.get())->bCanCreateUnder();
    case Kind::Placeholder:
        return true;
    case Kind::Asset:
    case Kind::None:
        break;
    }
    return false;
}

bool RemoteBrowserMenuRules::canRename(const remoteFileBrowserHelper &helper, const QModelIndexList &rows)
{
    return rows.size() == 1 && helper.nameEditableForItem(helper.nodeForIndex(rows.front()).get());
}

bool RemoteBrowserMenuRules::canDelete(const remoteFileBrowserHelper &helper, const QModelIndexList &rows)
{
    const soapLogin *login = rights();
    for (const QModelIndex &row : rows) {
        const RemoteTreeEntryPtr node = helper.nodeForIndex(row);
        switch (remoteFileBrowserHelper::kindOf(node.get())) {
        case Kind::Root:
            return false;
        case Kind::Album: {
            const auto *album = static_cast<const soapRemoteFolderItem *>(node.get());
            const bool right = album->bIsTopLevel() ? login && login->bDeleteTopLevelAlbum()
                                                    : login && login->bDeleteSubAlbum();
            if (!right || !album->bCanDelete())
                return false;
            break;
        }
        case Kind::Asset:
            if (!login || !login->bDeleteAsset() ||
                !static_cast<const soapRemoteFileItem *>(node.get())->bCanDelete())
                return false;
            break;
        case Kind::Placeholder:
        case Kind::None:
            break;
        }
    }
    return true;
}

bool RemoteBrowserMenuRules::canUpload(const remoteFileBrowserHelper &helper, const QModelIndexList &rows)
{
    return rows.size() == 1 && kindOfRow(helper, rows.front()) == Kind::Album;
}
