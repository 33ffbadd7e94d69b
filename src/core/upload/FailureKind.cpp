#include "upload/FailureKind.h"

namespace {

bool isOk(const QString &text)
{
    return text.compare(QLatin1String("ok"), Qt::CaseInsensitive) == 0;
}

} // namespace

FailureKind classifyUploadFailure(const UploadFailureFacts &facts)
{
    if (facts.localFileUnusable || facts.destinationUnusable)
        return FailureKind::Final;
    // A refusal the server named (quota, rights, name, size, session) stands however often it is asked.
    if (!facts.actionResult.isEmpty() && !isOk(facts.actionResult))
        return FailureKind::Final;
    if (!facts.apiResult.isEmpty() && !isOk(facts.apiResult))
        return FailureKind::Final;
    if (facts.httpStatus >= 500)
        return FailureKind::Transient;
    // No answer at all: the connection broke, was refused or timed out.
    if (facts.httpStatus == 0)
        return FailureKind::Transient;
    return FailureKind::Final;
}
