#pragma once

#include "albums/soapRemoteFolderItem.h"

#include <QModelIndex>
#include <QStringList>

class Error;
class commsGlobals;
class remoteFileBrowserHelper;

// Set-up steps and lookups the album tests share, on a session pointed at a reference server.
namespace AlbumTree {

// Checks the version and signs in directly, as the sign-in sequence does; the error says why not.
void signIn(commsGlobals &globals, Error &error);
// What a refresh does to the tree: everything goes, the top level is read again. False when the
// reply could not be read.
bool reloadTopLevel(commsGlobals &globals, Error &error);
soapRemoteFolderItemPtr album(commsGlobals &globals, const QString &path);
// The names the File column shows under a row.
QStringList labels(const remoteFileBrowserHelper &model, const QModelIndex &parent);
// Creates an album through the album queue, listing an unlisted parent first; true once it is
// registered under its path.
bool createAlbum(commsGlobals &globals, const QString &parent, const QString &name);

} // namespace AlbumTree
