#pragma once

#include "localfs/FileSystemRoot.h"
#include "localfs/MountTable.h"

// The devices group: "/" and the mounted volumes that can be read. Mounts and unmounts are followed
// through the kernel's mount table; each change of the list is announced with FileBrowserObjectChanged
// (this root as object, on the workspace centre). The list itself is not stored, only its open state.
class FileSystemMountedVolumes : public FileSystemRoot
{
    Q_OBJECT

public:
    explicit FileSystemMountedVolumes(const QString &name,
                                      const QString &mountInfoFile = QStringLiteral("/proc/self/mountinfo"),
                                      QObject *parent = nullptr);

    void handleVolumeDidMount(const QString &devicePath);
    void handleVolumeDidUnmount(const QString &devicePath);
    // Reads the mount table again and turns what changed into mounts and unmounts.
    void reloadMountTable();

private:
    void announce();

    MountTable m_table;
    QStringList m_volumePaths;
};
