#pragma once

#include "upload/FolderUploadPlan.h"
#include "upload/UploadJournal.h"

// The upload plan that finishes what an earlier run left: from the top level down, the contents
// fetch and creation of every album the unfinished commands go into, then their files, each sent
// only when the server does not hold it already. A file left twice is sent once.
namespace ResumePlan {

FolderUploadPlan build(const QList<UploadJournal::Entry> &unfinished);
// How many distinct files the plan of those commands sends at most.
qsizetype fileCount(const QList<UploadJournal::Entry> &unfinished);

} // namespace ResumePlan
