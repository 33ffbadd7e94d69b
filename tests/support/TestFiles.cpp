#include "TestFiles.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
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
    HostileEntries entries;
    const QByteArray badName = QFile::encodeName(tree) + "/bad\xff\xfe.bin";
    const int fd = ::open(badName.constData(), O_CREAT | O_WRONLY, 0600);
    if (fd < 0 || ::write(fd, "bad", 3) != 3)
        qFatal("cannot write a file with a name that is not UTF-8 in %s", qPrintable(tree));
    ::close(fd);
    entries.badName = QFile::decodeName(badName);
    entries.pipe = tree + QStringLiteral("/pipe");
    if (mkfifo(QFile::encodeName(entries.pipe).constData(), 0600) != 0)
        qFatal("cannot make the pipe %s", qPrintable(entries.pipe));
    entries.loop = tree + QStringLiteral("/Sub/up");
    if (!QFile::link(tree, entries.loop))
        qFatal("cannot make the link %s", qPrintable(entries.loop));
    entries.locked = tree + QStringLiteral("/Locked");
    write(entries.locked + QStringLiteral("/inside.bin"), "inside");
    if (!QFile::setPermissions(entries.locked, {}))
        qFatal("cannot lock %s", qPrintable(entries.locked));
    return entries;
}

} // namespace TestFiles
