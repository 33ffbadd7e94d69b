#include "upload/ResumePlan.h"

#include "albums/RemotePath.h"

#include <QSet>

namespace {

// The plan of the album at path below plan, made with the plans of the albums on the way.
FolderUploadPlan &planAt(FolderUploadPlan &plan, const QStringList &names, qsizetype depth = 0)
{
    if (depth == names.size())
        return plan;
    const QString &name = names.at(depth);
    qsizetype index = 0;
    while (index < plan.folders.size() && plan.folders.at(index).folderName != name)
        ++index;
    if (index == plan.folders.size()) {
        FolderUploadPlan album = FolderUploadPlan::createFolderDictionaryForLocalPath(
            QString(), name, plan.remoteFullPath, RemotePath::join(plan.remoteFullPath, name));
        album.onlyWhatIsNotStored = true;
        plan.folders.append(album);
    }
    return planAt(plan.folders[index], names, depth + 1);
}

QStringList namesOf(const QString &albumPath)
{
    return albumPath.split(u'/', Qt::SkipEmptyParts);
}

QString fileKey(const UploadJournal::Entry &entry)
{
    return entry.album + u'\n' + entry.localFile;
}

} // namespace

FolderUploadPlan ResumePlan::build(const QList<UploadJournal::Entry> &unfinished)
{
    FolderUploadPlan top;
    top.onlyWhatIsNotStored = true;
    QSet<QString> files;
    for (const UploadJournal::Entry &entry : unfinished) {
        if (entry.type == UploadCommandCreateFolder) {
            planAt(top, namesOf(RemotePath::join(entry.album, entry.albumName)));
            continue;
        }
        const QStringList names = namesOf(entry.album);
        // The top level takes no files; nothing of the kind was ever queued.
        if (entry.type != UploadCommandFile || names.isEmpty() || files.contains(fileKey(entry)))
            continue;
        files.insert(fileKey(entry));
        planAt(top, names).files.append(entry.localFile);
    }
    return top;
}

qsizetype ResumePlan::fileCount(const QList<UploadJournal::Entry> &unfinished)
{
    return build(unfinished).fileCount();
}
