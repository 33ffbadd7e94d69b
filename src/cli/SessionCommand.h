#pragma once

#include "CliCommand.h"

class CliSession;

// A command that talks to the server: the session is set up from the connection options, the stored
// profile and the password (standard input, VENDRA_PASSWORD or the keyring) before runInSession().
class SessionCommand : public CliCommand
{
public:
    int run(const ConnectionOptions &options) final;

protected:
    // Returns the exit status (ExitCode).
    virtual int runInSession(CliSession &session) = 0;
};
