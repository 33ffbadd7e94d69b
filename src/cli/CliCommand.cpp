#include "CliCommand.h"

#include "ExitCode.h"
#include "common/MessageText.h"

bool CliCommand::takeArguments(const QCommandLineParser &, const QStringList &arguments, QString &problem)
{
    if (arguments.isEmpty())
        return true;
    problem = messageText(QStringLiteral("Text_CliUnexpectedArguments")).arg(name(), arguments.join(u' '));
    return false;
}

int CliCommand::usageExitCode() const
{
    return ExitFailure;
}
