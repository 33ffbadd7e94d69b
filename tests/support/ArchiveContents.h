#pragma once

#include <QMap>
#include <QStringList>

// What an archive file (zip, tar, ...) holds, read back with libarchive.
struct ArchiveContents
{
    QStringList names; // in archive order
    QMap<QString, QByteArray> files;
    bool ok = false; // read to the end without error

    static ArchiveContents read(const QString &path);
};
