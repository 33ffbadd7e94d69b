#pragma once

#include "SessionCommand.h"

// "login": signs in, printing the status line of every step, then signs out.
class LoginCommand : public SessionCommand
{
public:
    QString name() const override { return QStringLiteral("login"); }
    QString summary() const override;

protected:
    int runInSession(CliSession &session) override;
};
