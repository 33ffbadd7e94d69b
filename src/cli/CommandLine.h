#pragma once

#include "CliCommand.h"

#include <QStringList>

class QCommandLineParser;

#include <memory>
#include <vector>

// Parses the arguments of vendra-cli, picks the command and runs it with the connection options.
// A new command is one more entry in the list that the constructor fills.
class CommandLine
{
public:
    CommandLine();
    ~CommandLine();

    // Returns the exit status.
    int run(const QStringList &arguments);

private:
    QString helpDescription() const;
    CliCommand *findCommand(const QString &name) const;
    // The first option given that belongs to a command other than the chosen one.
    QString optionOfOtherCommand(const QCommandLineParser &parser, const CliCommand *chosen) const;

    std::vector<std::unique_ptr<CliCommand>> m_commands;
};
