#include "ArchiveContents.h"

#include <QFile>

#include <archive.h>
#include <archive_entry.h>

ArchiveContents ArchiveContents::read(const QString &path)
{
    ArchiveContents contents;
    struct archive *archive = archive_read_new();
    archive_read_support_format_all(archive);
    archive_read_support_filter_all(archive);
    int status = archive_read_open_filename(archive, QFile::encodeName(path).constData(), 16384);
    struct archive_entry *entry = nullptr;
    while (status == ARCHIVE_OK && (status = archive_read_next_header(archive, &entry)) == ARCHIVE_OK) {
        const QString name = QString::fromUtf8(archive_entry_pathname_utf8(entry));
        contents.names.append(name);
        QByteArray data;
        char buffer[8192];
        la_ssize_t got = 0;
        while ((got = archive_read_data(archive, buffer, sizeof buffer)) > 0)
            data.append(buffer, got);
        if (got < 0)
            break;
        contents.files.insert(name, data);
    }
    contents.ok = status == ARCHIVE_EOF;
    archive_read_free(archive);
    return contents;
}
