#pragma once

#include <QByteArray>
#include <QString>

// Files for tests: written whole (with their folders) or read whole, and reproducible random content.
namespace TestFiles {

// Writes the bytes to path, making missing folders; a test cannot go on without it, so failing aborts.
QString write(const QString &path, const QByteArray &content);
// The whole file; "<missing>" when it cannot be read, so that a comparison fails visibly.
QByteArray read(const QString &path);
// The same bytes for the same seed, so that a piece out of place shows.
QByteArray randomBytes(qint64 size, quint32 seed);

} // namespace TestFiles
