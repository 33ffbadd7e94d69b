#pragma once

#include "upload/FolderUploadPlan.h"
#include "upload/UploadJournal.h"

#include <QList>
#include <QString>

class UploadQueue;

// What the last run left unfinished for the account signed in now, offered after sign-in:
// "12 files from your last session were not uploaded." with Resume and Discard. Resuming queues
// the album steps again and the files, each sent only when its album does not hold it already.
class ResumeOffer
{
public:
    explicit ResumeOffer(UploadJournal &journal);

    qsizetype fileCount() const { return m_plan.fileCount(); }
    QString message() const;

    void resume(UploadQueue &queue);
    void discard();

private:
    UploadJournal &m_journal;
    QList<UploadJournal::Entry> m_left;
    FolderUploadPlan m_plan;
};
