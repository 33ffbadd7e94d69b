#pragma once

#include <QCommandLineOption>
#include <QList>
#include <QString>
#include <QStringList>

class QCommandLineParser;

class ConnectionOptions;

// One command of vendra-cli ("login", "albums", "profile", ...).
class CliCommand
{
public:
    virtual ~CliCommand() = default;

    virtual QString name() const = 0;
    // One line for --help.
    virtual QString summary() const = 0;
    // The command's own options, accepted only with this command.
    virtual QList<QCommandLineOption> options() const { return {}; }
    // Takes the command's options and the arguments after its name; false with the problem when
    // they do not fit. By default a command takes no arguments.
    virtual bool takeArguments(const QCommandLineParser &parser, const QStringList &arguments,
                               QString &problem);
    // The exit status for arguments that do not fit this command.
    virtual int usageExitCode() const;
    // Runs with the connection options as given on the command line, not yet merged with the stored
    // profile. Returns the exit status (ExitCode).
    virtual int run(const ConnectionOptions &options) = 0;
};
