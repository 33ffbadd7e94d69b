#pragma once

#include <QFileSystemWatcher>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QTimer>

// Keeps the open folders of the local pane current: one kernel watch per registered folder. When a
// folder's own entries change, every item registered under exactly that path lists its folder again
// and is announced with FileBrowserObjectChanged (on the workspace centre). Changes are collected for
// a short while first, so that a burst (a copy of many files) costs one refresh per folder.
//
// The kernel drops a watch with its folder. A registered folder that is gone is waited for through
// the nearest folder above it that exists; when it is made again it is watched again and refreshed.
class LocalDirWatch : public QObject
{
    Q_OBJECT

public:
    explicit LocalDirWatch(QObject *parent = nullptr);

    // path in the form of FileSystemItem::fullPath(). An object may be registered more than once.
    void addPath(const QString &path, QObject *object);
    // Removes every registration of the object under the path.
    void removePath(const QString &path, QObject *object);
    // At least one folder is registered (and so watched).
    bool isRunning() const { return !m_data.isEmpty(); }
    // The registered folders that are watched now.
    QStringList watchedPaths() const { return m_watcher.directories(); }

    // Handles one change of a folder's entries: refreshes and announces what is registered there.
    void pathAltered(const QString &path);

private:
    void changed(const QString &path);
    void deliverPending();
    // Watches again the registered folders that are back; waits for those still missing.
    void recoverLostWatches();

    QFileSystemWatcher m_watcher;
    // Folders above registered folders that are missing: a change there may bring one back.
    QFileSystemWatcher m_ancestors;
    QHash<QString, QList<QPointer<QObject>>> m_data;
    QSet<QString> m_pending;
    QTimer m_latency;
};
