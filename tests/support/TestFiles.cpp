#include "TestFiles.h"

#include <QDirIterator>
#include <QRandomGenerator>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace TestFiles {

QString write(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

QByteArray read(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QByteArray randomBytes(qint64 size, quint32 seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator generator(seed);
    for (qint64 i = 0; i < size; ++i)
        bytes[i] = char(generator.bounded(256));
    return bytes;
}

QMap<QString, QByteArray> filesBelow(const QString &folder)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files.insert(QDir(folder).relativeFilePath(path), read(path));
    }
    return files;
}

HostileEntries addHostileEntries(const QString &tree)
{
    const QByteArray badName = QFile::encodeName(tree) + "/bad\xff\xfe.bin";
    const HostileEntries entries{QFile::decodeName(badName), tree + QStringLiteral("/pipe"),
                                 tree + QStringLiteral("/Sub/up"), tree + QStringLiteral("/Locked")};
    write(entries.locked + QStringLiteral("/inside.bin"), "inside");
    const int fd = ::open(badName.constData(), O_CREAT | O_WRONLY, 0600);
    const bool written = fd >= 0 && ::write(fd, "bad", 3) == 3;
    if (fd >= 0)
        ::close(fd);
    if (!written || mkfifo(QFile::encodeName(entries.pipe).constData(), 0600) != 0 ||
        !QFile::link(tree, entries.loop) || !QFile::setPermissions(entries.locked, {}))
        qFatal("cannot make the hostile entries in %s", qPrintable(tree));
    return entries;
}

} // namespace TestFiles
