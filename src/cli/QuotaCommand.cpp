#include "QuotaCommand.h"

#include "CliOutput.h"
#include "CliSession.h"
#include "ExitCode.h"
#include "session/commsGlobals.h"
#include "session/soapResults.h"
#include "session/wsCoreComms.h"

QString QuotaCommand::summary() const
{
    return QStringLiteral("sign in and print the quota: files, space used, allowance");
}

QString QuotaCommand::bytesText(const QVariant &bytes)
{
    if (!bytes.isValid())
        return QStringLiteral("unknown");
    const qint64 count = qMax<qint64>(0, bytes.toLongLong());
    return QStringLiteral("%1 (%2 bytes)").arg(commsGlobals::convertBytesToString(quint64(count))).arg(count);
}

int QuotaCommand::runInSession(CliSession &session)
{
    Error error;
    if (!session.signIn(false, error)) {
        CliOutput::printError(error);
        return ExitSignInFailed;
    }
    // Like the quota window, the fetch runs on the main thread and waits for the reply.
    const QVariantMap reply = session.globals().coreComms().doGetQuotaDetails(error);
    if (error) {
        CliOutput::printError(error);
        session.signOut();
        return ExitFailure;
    }
    soapGetQuotaDetails &quota = session.globals().results().quotaDetails();
    quota.deserialise(reply);
    const QVariant files = quota.nNumberOfFiles();
    CliOutput::printLine(
        QStringLiteral("Files: %1")
            .arg(files.isValid() ? QString::number(files.toLongLong()) : QStringLiteral("unknown")));
    CliOutput::printLine(QStringLiteral("Used: %1").arg(bytesText(quota.nUsed())));
    CliOutput::printLine(QStringLiteral("Total: %1").arg(bytesText(quota.nTotal())));
    session.signOut();
    return ExitSuccess;
}
