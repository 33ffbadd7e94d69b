#include "SessionCommand.h"

#include "CliOutput.h"
#include "CliSession.h"
#include "ConnectionOptions.h"
#include "ExitCode.h"
#include "settings/Preferences.h"

int SessionCommand::run(const ConnectionOptions &given)
{
    ConnectionOptions options = given;
    options.fillFromProfile(*Preferences::instance());
    Error error;
    options.checkServerAndUser(error);
    if (!error)
        options.loadCaCertificates(error);
    if (error) {
        CliOutput::printError(error);
        return usageExitCode();
    }
    const QString password = options.password(error);
    if (error) {
        // Nothing to sign in with is a failed sign-in, found before anything is sent.
        CliOutput::printError(error);
        return ExitSignInFailed;
    }
    CliSession session;
    options.applyTo(session.globals(), password);
    return runInSession(session);
}
