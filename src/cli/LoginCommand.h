#pragma once

#include "CliCommand.h"

// "login": signs in, printing the status line of every step, then signs out.
class LoginCommand : public CliCommand
{
public:
    QString name() const override { return QStringLiteral("login"); }
    QString summary() const override;
    int run(CliSession &session) override;
};
