#pragma once

#include "CliCommand.h"

#include <QVariant>

// "quota": signs in and prints the number of files, the space used and the allowance.
class QuotaCommand : public CliCommand
{
public:
    QString name() const override { return QStringLiteral("quota"); }
    QString summary() const override;
    int run(CliSession &session) override;

private:
    static QString bytesText(const QVariant &bytes);
};
