#pragma once

#include <QString>

class CliSession;

// One command of vendra-cli ("login", "albums", ...). The command line has parsed and applied the
// connection options before run() is called.
class CliCommand
{
public:
    virtual ~CliCommand() = default;

    virtual QString name() const = 0;
    // One line for --help.
    virtual QString summary() const = 0;
    // Returns the exit status (ExitCode).
    virtual int run(CliSession &session) = 0;
};
