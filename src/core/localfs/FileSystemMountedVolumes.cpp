#include "localfs/FileSystemMountedVolumes.h"

#include "events/NotificationCenter.h"
#include "events/NotificationNames.h"
#include "settings/Preferences.h"

#include <QFileInfo>

FileSystemMountedVolumes::FileSystemMountedVolumes(const QString &name, const QString &mountInfoFile,
                                                   QObject *parent)
    : FileSystemRoot(name, Preferences::KeyMountsSave, parent), m_table(mountInfoFile)
{
    m_volumePaths = m_table.volumePaths();
    QStringList readable = m_volumePaths;
    readable.removeIf([](const QString &path) {
        const QFileInfo info(path);
        return !info.exists() || !info.isReadable();
    });
    offerChildPaths(readable);
    connect(&m_table, &MountTable::changed, this, &FileSystemMountedVolumes::reloadMountTable);
}

void FileSystemMountedVolumes::reloadMountTable()
{
    const QStringList now = m_table.volumePaths();
    for (const QString &path : std::as_const(m_volumePaths)) {
        if (!now.contains(path))
            handleVolumeDidUnmount(path);
    }
    for (const QString &path : now) {
        if (!m_volumePaths.contains(path))
            handleVolumeDidMount(path);
    }
    m_volumePaths = now;
}

void FileSystemMountedVolumes::handleVolumeDidMount(const QString &devicePath)
{
    if (addChildPath(QUrl::fromLocalFile(devicePath)))
        announce();
}

void FileSystemMountedVolumes::handleVolumeDidUnmount(const QString &devicePath)
{
    if (removeChildPath(QUrl::fromLocalFile(devicePath)))
        announce();
}

void FileSystemMountedVolumes::announce()
{
    NotificationCenter::workspaceCenter().postNotificationName(NotificationNames::FileBrowserObjectChanged,
                                                               QVariant::fromValue<QObject *>(this));
}
