#include "albums/RemoteAlbumRegistry.h"

#include "albums/RemotePath.h"
#include "albums/soapRemoteFileItem.h"
#include "albums/soapRemoteFolderBrowser.h"
#include "albums/soapRemoteFolderItem.h"
#include "diagnostics/DiagnosticLine.h"

#include <QStringList>

namespace {

qint64 registryID(const soapRemoteBasePtr &node)
{
    if (const auto album = std::dynamic_pointer_cast<soapRemoteFolderItem>(node))
        return album->albumID();
    return 0; // the root
}

// Every loaded node below an album, albums and assets alike, depth first.
void collectDescendants(const std::shared_ptr<soapRemoteFolderItem> &album, QList<soapRemoteBasePtr> &nodes)
{
    for (const RemoteTreeEntryPtr &entry : album->childrenSnapshot()) {
        if (const auto node = std::dynamic_pointer_cast<soapRemoteBase>(entry)) {
            nodes.append(node);
            if (const auto child = std::dynamic_pointer_cast<soapRemoteFolderItem>(node))
                collectDescendants(child, nodes);
        }
    }
}

} // namespace

RemoteAlbumRegistry::RemoteAlbumRegistry()
{
    m_byName.reserve(100);
    m_byID.reserve(100);
}

void RemoteAlbumRegistry::addRemoteAlbumNamed(const QString &path, qint64 albumID,
                                              const soapRemoteBasePtr &album)
{
    const QMutexLocker lock(&m_mutex);
    m_byName.insert(path, album);
    m_byID.insert(idKey(albumID), album);
}

void RemoteAlbumRegistry::deleteRemoteAlbumNamed(const QString &path)
{
    const QMutexLocker lock(&m_mutex);
    deleteLocked(path);
}

void RemoteAlbumRegistry::deleteLocked(const QString &path)
{
    const soapRemoteBasePtr node = m_byName.value(path);
    if (!node) {
        VENDRA_DIAG(QStringLiteral("Failed to find object for del <%1>").arg(path));
        return;
    }
    m_byName.remove(path);
    // A newer node may have taken the ID over; its entry stays.
    const QString key = idKey(registryID(node));
    if (m_byID.value(key) == node)
        m_byID.remove(key);
}

void RemoteAlbumRegistry::renameRemoteAlbumPath(const QString &path, const QString &, const QString &newName)
{
    const auto album = std::dynamic_pointer_cast<soapRemoteFolderItem>(findRemoteAlbumByName(path));
    if (!album)
        return;
    const QString newPath = RemotePath::withLastComponentReplaced(path, newName);

    // Node locks are never taken while the registry's lock is held, so the loaded subtree is
    // gathered and moved first.
    QList<soapRemoteBasePtr> descendants;
    collectDescendants(album, descendants);
    struct Move
    {
        QString oldPath;
        QString newPath;
        soapRemoteBasePtr node;
    };
    QList<Move> movedAlbums;
    for (const soapRemoteBasePtr &node : std::as_const(descendants)) {
        const QString oldPath = node->fullRemotePath();
        if (!RemotePath::isAtOrBelow(oldPath, path))
            continue;
        const QString movedPath = newPath + oldPath.mid(path.size());
        node->setFullRemotePath(movedPath);
        if (std::dynamic_pointer_cast<soapRemoteFolderItem>(node))
            movedAlbums.append({oldPath, movedPath, node});
    }
    album->setFullRemotePath(newPath);

    const QMutexLocker lock(&m_mutex);
    deleteLocked(path);
    m_byName.insert(newPath, album);
    m_byID.insert(idKey(album->albumID()), album);
    for (const Move &move : std::as_const(movedAlbums)) {
        if (m_byName.value(move.oldPath) == move.node)
            m_byName.remove(move.oldPath);
        m_byName.insert(move.newPath, move.node);
    }
}

soapRemoteBasePtr RemoteAlbumRegistry::findRemoteAlbumByName(const QString &path) const
{
    const QMutexLocker lock(&m_mutex);
    return m_byName.value(path);
}

soapRemoteBasePtr RemoteAlbumRegistry::findRemoteAlbumByID(qint64 albumID) const
{
    const QMutexLocker lock(&m_mutex);
    return m_byID.value(idKey(albumID));
}

void RemoteAlbumRegistry::clear()
{
    const QMutexLocker lock(&m_mutex);
    m_byName.clear();
    m_byID.clear();
}

RemoteAlbumRegistry::Map RemoteAlbumRegistry::remoteAlbumByName() const
{
    const QMutexLocker lock(&m_mutex);
    return m_byName;
}

RemoteAlbumRegistry::Map RemoteAlbumRegistry::remoteAlbumByID() const
{
    const QMutexLocker lock(&m_mutex);
    return m_byID;
}

RemoteAlbumRegistry::Map
RemoteAlbumRegistry::buildValidationDictionary(const std::shared_ptr<soapRemoteFolderBrowser> &root)
{
    Map walked;
    walked.reserve(200);
    walked.insert(root->fullRemotePath(), root);
    for (const RemoteTreeEntryPtr &entry : root->childrenSnapshot()) {
        if (const auto album = std::dynamic_pointer_cast<soapRemoteFolderItem>(entry))
            album->debugAddValidationDictionary(walked);
    }
    return walked;
}

void RemoteAlbumRegistry::debugDumpDictionary(const Map &dictionary, const QString &title)
{
    VENDRA_DIAG(QStringLiteral("------ %1 ------").arg(title));
    QStringList keys = dictionary.keys();
    keys.sort();
    for (const QString &key : std::as_const(keys))
        VENDRA_DIAG(QStringLiteral("Folder - <%1>").arg(key));
    VENDRA_DIAG(QStringLiteral("---------------------------"));
}

void RemoteAlbumRegistry::debugLogMissingKeysIn(const Map &first, const Map &second, const QString &title)
{
    VENDRA_DIAG(QStringLiteral("------ %1 ------").arg(title));
    for (auto it = first.constBegin(); it != first.constEnd(); ++it) {
        if (!second.contains(it.key()))
            VENDRA_DIAG(QStringLiteral("Key missing: <%1>").arg(it.key()));
    }
}

bool RemoteAlbumRegistry::debugCheckDictionary(const std::shared_ptr<soapRemoteFolderBrowser> &root) const
{
    const Map walked = buildValidationDictionary(root);
    const Map registered = remoteAlbumByName();
    const Map byID = remoteAlbumByID();
    debugDumpDictionary(walked, QStringLiteral("walked"));
    debugDumpDictionary(registered, QStringLiteral("registered"));

    bool consistent = walked.size() == registered.size() && byID.size() == registered.size();
    for (auto it = walked.constBegin(); it != walked.constEnd(); ++it) {
        if (registered.value(it.key()) != it.value() ||
            byID.value(idKey(registryID(it.value()))) != it.value())
            consistent = false;
    }
    if (!consistent) {
        debugLogMissingKeysIn(walked, registered, QStringLiteral("Folders in walked not in dictionary"));
        debugLogMissingKeysIn(registered, walked, QStringLiteral("Folders in dictionary not in walked"));
    }
    return consistent;
}
