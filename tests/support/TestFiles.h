#pragma once

#include <QMap>
#include <QString>

// Files for tests: written whole (with their folders) or read whole, and reproducible random content.
namespace TestFiles {

// Writes the bytes to path, making missing folders; failing aborts. Returns the path.
QString write(const QString &path, const QByteArray &content);
// The whole file; "<missing>" when it cannot be read, so that a comparison fails visibly.
QByteArray read(const QString &path);
// The same bytes for the same seed, so that a piece out of place shows.
QByteArray randomBytes(qint64 size, quint32 seed);
// Every regular file below the folder with its content, by path relative to the folder.
QMap<QString, QByteArray> filesBelow(const QString &folder);

// What a walk of a folder must not leave out in silence, made below tree (which must hold a folder
// Sub): a file whose name is not UTF-8 (content "bad"), a pipe, a link from Sub back up to tree and a
// folder Locked that cannot be read. Failing aborts; the caller makes Locked readable again.
struct HostileEntries
{
    QString badName;
    QString pipe;
    QString loop;
    QString locked;
};
HostileEntries addHostileEntries(const QString &tree);

} // namespace TestFiles
