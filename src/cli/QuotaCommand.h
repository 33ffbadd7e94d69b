#pragma once

#include "SessionCommand.h"

#include <QVariant>

// "quota": signs in and prints the number of files, the space used and the allowance.
class QuotaCommand : public SessionCommand
{
public:
    QString name() const override { return QStringLiteral("quota"); }
    QString summary() const override;

protected:
    int runInSession(CliSession &session) override;

private:
    static QString bytesText(const QVariant &bytes);
};
