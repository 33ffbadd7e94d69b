#include "diagnostics/ReportArchive.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <archive.h>
#include <archive_entry.h>

#include <memory>

namespace {

struct ArchiveDeleter
{
    void operator()(struct archive *a) const { archive_write_free(a); }
};
struct EntryDeleter
{
    void operator()(struct archive_entry *e) const { archive_entry_free(e); }
};
using ArchivePtr = std::unique_ptr<struct archive, ArchiveDeleter>;
using EntryPtr = std::unique_ptr<struct archive_entry, EntryDeleter>;

Error archiveError(struct archive *archive, const QString &what)
{
    const char *reason = archive_error_string(archive);
    return Error(ReportArchive::ErrorDomain, archive_errno(archive),
                 what + QStringLiteral(": ") +
                     (reason ? QString::fromUtf8(reason) : QStringLiteral("unknown error")));
}

EntryPtr entryFor(const QFileInfo &info, const QString &name)
{
    EntryPtr entry(archive_entry_new());
    archive_entry_update_pathname_utf8(entry.get(), name.toUtf8().constData());
    archive_entry_set_mtime(entry.get(), info.lastModified().toSecsSinceEpoch(), 0);
    if (info.isDir()) {
        archive_entry_set_filetype(entry.get(), AE_IFDIR);
        archive_entry_set_perm(entry.get(), 0755);
    } else {
        archive_entry_set_filetype(entry.get(), AE_IFREG);
        archive_entry_set_perm(entry.get(), 0644);
        archive_entry_set_size(entry.get(), info.size());
    }
    return entry;
}

// Writes one entry; a file that can no longer be read is left out rather than spoiling the archive.
bool addEntry(struct archive *archive, const QFileInfo &info, const QString &name, Error &error)
{
    QFile file(info.filePath());
    if (!info.isDir() && !file.open(QIODevice::ReadOnly))
        return true;
    const EntryPtr entry = entryFor(info, name);
    if (archive_write_header(archive, entry.get()) != ARCHIVE_OK) {
        error = archiveError(archive, name);
        return false;
    }
    if (info.isDir())
        return true;
    QByteArray buffer(64 * 1024, Qt::Uninitialized);
    qint64 remaining = info.size();
    // Exactly the announced size: a file that grows meanwhile (a live log) is cut at that size,
    // one that shrinks is padded, so the entry always matches its header.
    while (remaining > 0) {
        qint64 got = file.read(buffer.data(), qMin<qint64>(buffer.size(), remaining));
        if (got <= 0) {
            buffer.fill('\0');
            got = qMin<qint64>(buffer.size(), remaining);
        }
        if (archive_write_data(archive, buffer.constData(), size_t(got)) < 0) {
            error = archiveError(archive, name);
            return false;
        }
        remaining -= got;
    }
    return true;
}

} // namespace

bool ReportArchive::write(Format format, const QString &folder, const QString &archivePath, Error &error)
{
    // Absolute and without a trailing slash, so the top entry always carries the folder's name.
    const QFileInfo top(QDir::cleanPath(QFileInfo(folder).absoluteFilePath()));
    if (!top.isDir() || top.fileName().isEmpty()) {
        error = Error(ErrorDomain, 1, QStringLiteral("%1 is not a folder").arg(folder));
        return false;
    }
    QSaveFile output(archivePath);
    if (!output.open(QIODevice::WriteOnly)) {
        error = Error(ErrorDomain, int(output.error()), output.errorString());
        return false;
    }
    ArchivePtr archive(archive_write_new());
    if (format == Zip)
        archive_write_set_format_zip(archive.get());
    else
        archive_write_set_format_pax_restricted(archive.get());
    if (archive_write_open_fd(archive.get(), output.handle()) != ARCHIVE_OK) {
        error = archiveError(archive.get(), archivePath);
        return false;
    }

    const QString topName = top.fileName();
    const QDir root(top.filePath());
    if (!addEntry(archive.get(), top, topName + u'/', error))
        return false;
    QDirIterator it(root.path(), QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::NoSymLinks,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        if (!info.isDir() && !info.isFile())
            continue;
        QString name = topName + u'/' + root.relativeFilePath(info.absoluteFilePath());
        if (info.isDir())
            name += u'/';
        if (!addEntry(archive.get(), info, name, error))
            return false;
    }
    if (archive_write_close(archive.get()) != ARCHIVE_OK) {
        error = archiveError(archive.get(), archivePath);
        return false;
    }
    if (!output.commit()) {
        error = Error(ErrorDomain, int(output.error()), output.errorString());
        return false;
    }
    return true;
}
