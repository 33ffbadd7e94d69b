#include "upload/ResumeOffer.h"

#include "common/MessageText.h"
#include "upload/ResumePlan.h"

ResumeOffer::ResumeOffer(UploadJournal &journal)
    : m_journal(journal), m_left(journal.leftByEarlierRuns(UploadJournal::currentAccount())),
      m_plan(ResumePlan::build(m_left))
{}

QString ResumeOffer::message() const
{
    const qsizetype count = fileCount();
    if (count == 1)
        return messageText(QStringLiteral("Text_ResumeOfferOne"));
    return messageText(QStringLiteral("Text_ResumeOfferMany")).arg(count);
}

void ResumeOffer::resume(UploadQueue &queue)
{
    m_plan.uploadFolderAndFiles(queue, nullptr);
    // Queued anew, and so journalled anew: the old lines are done with.
    m_journal.markEnded(m_left);
}

void ResumeOffer::discard()
{
    m_journal.markEnded(m_left);
}
