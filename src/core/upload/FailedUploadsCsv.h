#pragma once

#include "upload/UploadStatus.h"

#include <QList>
#include <QString>

// The failed uploads as a CSV list that spreadsheets read: a header "file,album,reason", then one
// line per failure with the local file, the destination album and why, quoted where needed.
namespace FailedUploadsCsv {

QString text(const QList<UploadStatusPtr> &failed);

} // namespace FailedUploadsCsv
