#include "LoginCommand.h"

#include "CliOutput.h"
#include "CliSession.h"
#include "ExitCode.h"

QString LoginCommand::summary() const
{
    return QStringLiteral("sign in and print the status line of every step");
}

int LoginCommand::runInSession(CliSession &session)
{
    Error error;
    if (!session.signIn(true, error)) {
        CliOutput::printError(error);
        return ExitSignInFailed;
    }
    session.signOut();
    return ExitSuccess;
}
