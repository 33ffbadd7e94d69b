#include "upload/FailedUploadsCsv.h"

namespace {

QString field(const QString &value)
{
    if (!value.contains(u',') && !value.contains(u'"') && !value.contains(u'\n') && !value.contains(u'\r'))
        return value;
    QString quoted = value;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

} // namespace

QString FailedUploadsCsv::text(const QList<UploadStatusPtr> &failed)
{
    QString csv = QStringLiteral("file,album,reason\r\n");
    for (const UploadStatusPtr &record : failed) {
        csv += field(record->localFilePath().toLocalFile()) + u',' + field(record->remoteFolderParentName()) +
               u',' + field(record->error()) + QStringLiteral("\r\n");
    }
    return csv;
}
