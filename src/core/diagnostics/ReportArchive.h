#pragma once

#include "common/Error.h"

#include <QString>

// Packs a folder into one file whose top-level entry is the folder itself. The archive appears at
// its path only when it is complete: it is written beside it and renamed into place.
class ReportArchive
{
public:
    static inline const QString ErrorDomain = QStringLiteral("ReportArchive");

    enum Format { Zip, Tar };

    static bool write(Format format, const QString &folder, const QString &archivePath, Error &error);
};
