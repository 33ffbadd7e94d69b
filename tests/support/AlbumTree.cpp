#include "AlbumTree.h"

#include "albums/remoteFileBrowserHelper.h"
#include "albums/soapRemoteFolderBrowser.h"
#include "albums/wsSoapAsyncOp.h"
#include "common/Error.h"
#include "session/commsGlobals.h"
#include "session/soapResults.h"
#include "session/wsCoreComms.h"

namespace AlbumTree {

void signIn(commsGlobals &globals, Error &error)
{
    wsCoreComms &comms = globals.coreComms();
    globals.results().checkVersion().deserialise(comms.doCheckVersion(error));
    globals.results().login().deserialise(comms.doLogin(error));
}

bool reloadTopLevel(commsGlobals &globals, Error &error)
{
    globals.remoteBrowserHelper().clearData();
    globals.clearRemoteFolderDictionaries();
    return globals.results().remoteFolderBrowser()->deserialise(
        globals.coreComms().doGetTopLevelAlbums(error));
}

soapRemoteFolderItemPtr album(commsGlobals &globals, const QString &path)
{
    return std::dynamic_pointer_cast<soapRemoteFolderItem>(globals.registry().findRemoteAlbumByName(path));
}

QStringList labels(const remoteFileBrowserHelper &model, const QModelIndex &parent)
{
    QStringList names;
    for (int row = 0; row < model.rowCount(parent); ++row)
        names.append(model.index(row, remoteFileBrowserHelper::FileColumn, parent).data().toString());
    return names;
}

bool createAlbum(commsGlobals &globals, const QString &parent, const QString &name)
{
    wsSoapAsyncOp &albumQueue = globals.soapAsyncOp();
    const soapRemoteBasePtr node = parent.isEmpty()
                                       ? soapRemoteBasePtr(globals.results().remoteFolderBrowser())
                                       : album(globals, parent);
    if (const auto folder = std::dynamic_pointer_cast<soapRemoteFolderItem>(node);
        folder && !folder->contentsKnown())
        albumQueue.requestGetFolderContentsFor(folder, nullptr);
    albumQueue.waitForDone();
    albumQueue.requestCreateSubFolderFor(node, name, QString(), nullptr);
    albumQueue.waitForDone();
    return bool(album(globals, parent.isEmpty() ? name : parent + u'/' + name));
}

} // namespace AlbumTree
