#include "localfs/LocalDirWatch.h"

#include "events/NotificationCenter.h"
#include "events/NotificationNames.h"
#include "localfs/FileSystemItem.h"

#include <QFileInfo>

namespace {

// Long enough to gather a burst, short enough that a change shows within about a second.
constexpr int LatencyMilliseconds = 700;

QString nearestExistingFolder(QString path)
{
    do
        path = QFileInfo(path).path();
    while (!QFileInfo(path).isDir() && path != u'/');
    return path;
}

} // namespace

LocalDirWatch::LocalDirWatch(QObject *parent) : QObject(parent)
{
    m_data.reserve(10);
    m_latency.setSingleShot(true);
    m_latency.setInterval(LatencyMilliseconds);
    connect(&m_latency, &QTimer::timeout, this, &LocalDirWatch::deliverPending);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &LocalDirWatch::changed);
    connect(&m_ancestors, &QFileSystemWatcher::directoryChanged, this, [this] {
        if (!m_latency.isActive())
            m_latency.start();
    });
}

void LocalDirWatch::changed(const QString &path)
{
    m_pending.insert(path);
    if (!m_latency.isActive())
        m_latency.start();
}

void LocalDirWatch::addPath(const QString &path, QObject *object)
{
    auto found = m_data.find(path);
    if (found == m_data.end()) {
        found = m_data.insert(path, {});
        if (!m_watcher.addPath(path))
            recoverLostWatches();
    }
    found->append(object);
}

void LocalDirWatch::removePath(const QString &path, QObject *object)
{
    const auto found = m_data.find(path);
    if (found == m_data.end())
        return;
    found->removeIf([object](const QPointer<QObject> &registered) {
        return registered.isNull() || registered.data() == object;
    });
    if (found->isEmpty()) {
        m_data.erase(found);
        if (m_watcher.directories().contains(path))
            m_watcher.removePath(path);
        m_pending.remove(path);
        recoverLostWatches();
    }
}

void LocalDirWatch::deliverPending()
{
    recoverLostWatches();
    const QSet<QString> pending = std::exchange(m_pending, {});
    for (const QString &path : pending)
        pathAltered(path);
}

void LocalDirWatch::recoverLostWatches()
{
    const QStringList watched = m_watcher.directories();
    QSet<QString> ancestors;
    for (auto entry = m_data.cbegin(); entry != m_data.cend(); ++entry) {
        const QString &path = entry.key();
        if (watched.contains(path))
            continue;
        if (QFileInfo(path).isDir() && m_watcher.addPath(path)) {
            // Made again: what it holds now is news.
            m_pending.insert(path);
            continue;
        }
        ancestors.insert(nearestExistingFolder(path));
    }
    const QStringList previous = m_ancestors.directories();
    for (const QString &folder : previous) {
        if (!ancestors.contains(folder))
            m_ancestors.removePath(folder);
    }
    for (const QString &folder : std::as_const(ancestors)) {
        if (!previous.contains(folder))
            m_ancestors.addPath(folder);
    }
}

void LocalDirWatch::pathAltered(const QString &path)
{
    const QString normalised = FileSystemItem::normalisedPath(path);
    // A copy: the announcement may make the pane unregister (or register) items under this path.
    const QList<QPointer<QObject>> objects = m_data.value(normalised);
    for (const QPointer<QObject> &object : objects) {
        auto *item = qobject_cast<FileSystemItem *>(object.data());
        if (!item)
            continue;
        item->refreshChildren();
        NotificationCenter::workspaceCenter().postNotificationName(
            NotificationNames::FileBrowserObjectChanged, QVariant::fromValue<QObject *>(item));
    }
}
