#pragma once

#include "albums/soapRemoteBase.h"

#include <QHash>
#include <QMutex>
#include <QString>

class soapRemoteFolderBrowser;

// Finds album nodes (and the root, under the empty path and ID 0) by full remote path and by album
// ID. It holds the nodes strongly. The re-expansion worker reads it while the main thread changes it,
// so every operation is atomic with respect to the others.
class RemoteAlbumRegistry
{
public:
    using Map = QHash<QString, soapRemoteBasePtr>;

    RemoteAlbumRegistry();

    // Replaces earlier entries under that path and that ID.
    void addRemoteAlbumNamed(const QString &path, qint64 albumID, const soapRemoteBasePtr &album);
    // Removes the path and the node's ID (each only while it still names that node).
    void deleteRemoteAlbumNamed(const QString &path);
    // Moves the album at path to its new name. Albums and assets loaded below it move along, so
    // their paths keep naming where they are on the server.
    void renameRemoteAlbumPath(const QString &path, const QString &oldName, const QString &newName);

    soapRemoteBasePtr findRemoteAlbumByName(const QString &path) const;
    soapRemoteBasePtr findRemoteAlbumByID(qint64 albumID) const;

    // Empties both maps.
    void clear();

    Map remoteAlbumByName() const;
    Map remoteAlbumByID() const;

    // Consistency check, for diagnosis: the root and every album reachable from it under its path.
    static Map buildValidationDictionary(const std::shared_ptr<soapRemoteFolderBrowser> &root);
    static void debugDumpDictionary(const Map &dictionary, const QString &title);
    static void debugLogMissingKeysIn(const Map &first, const Map &second, const QString &title);
    // Compares the walked tree with the registry and logs the differences. True when every reachable
    // album is registered under its path and its ID, and nothing else is registered.
    bool debugCheckDictionary(const std::shared_ptr<soapRemoteFolderBrowser> &root) const;

private:
    static QString idKey(qint64 albumID) { return QString::number(albumID); }
    void deleteLocked(const QString &path);

    mutable QMutex m_mutex;
    Map m_byName;
    Map m_byID;
};
