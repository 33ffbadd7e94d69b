#include "CommandLine.h"

#include "AlbumsCommand.h"
#include "CliOutput.h"
#include "ConnectionOptions.h"
#include "ExitCode.h"
#include "LoginCommand.h"
#include "ProfileCommand.h"
#include "QuotaCommand.h"
#include "UploadCommand.h"
#include "common/MessageText.h"
#include "diagnostics/DiagnosticLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>

CommandLine::CommandLine()
{
    m_commands.push_back(std::make_unique<LoginCommand>());
    m_commands.push_back(std::make_unique<AlbumsCommand>());
    m_commands.push_back(std::make_unique<QuotaCommand>());
    m_commands.push_back(std::make_unique<UploadCommand>());
    m_commands.push_back(std::make_unique<ProfileCommand>());
}

CommandLine::~CommandLine() = default;

QString CommandLine::helpDescription() const
{
    QString text = QStringLiteral("Signs in to a media server and works with its albums.\n\nCommands:\n");
    for (const auto &command : m_commands)
        text += QStringLiteral("  %1  %2\n").arg(command->name(), -8).arg(command->summary());
    text += QStringLiteral(
        "\nConnection options left out are taken from the profile stored with \"profile\" (the desktop\n"
        "program's settings); its port and scheme are used only with its server. The password is read\n"
        "with --password-stdin from the first line of standard input, else from the environment\n"
        "variable VENDRA_PASSWORD, else from the keyring, where \"profile --save-password\" keeps it for\n"
        "exactly that server and user name.\n"
        "\nExit status: 0 on success, 2 when signing in fails or no password is found, 1 for any other\n"
        "failure. Every failure is explained on standard error.");
    return text;
}

QString CommandLine::optionOfOtherCommand(const QCommandLineParser &parser, const CliCommand *chosen) const
{
    for (const auto &command : m_commands) {
        if (command.get() == chosen)
            continue;
        for (const QCommandLineOption &option : command->options()) {
            if (parser.isSet(option))
                return QStringLiteral("--") + option.names().constFirst();
        }
    }
    return {};
}

CliCommand *CommandLine::findCommand(const QString &name) const
{
    for (const auto &command : m_commands) {
        if (command->name() == name)
            return command.get();
    }
    return nullptr;
}

int CommandLine::run(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(helpDescription());
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    ConnectionOptions::addTo(parser);
    const QCommandLineOption verbose(
        QStringLiteral("verbose"),
        QStringLiteral("Also write the diagnostic lines of the session to standard error."));
    parser.addOption(verbose);
    parser.addPositionalArgument(QStringLiteral("command"),
                                 QStringLiteral("login, albums, quota, upload or profile"),
                                 QStringLiteral("command [arguments...]"));
    for (const auto &command : m_commands)
        parser.addOptions(command->options());

    if (!parser.parse(arguments)) {
        CliOutput::printErrorText(parser.errorText());
        return ExitFailure;
    }
    if (parser.isSet(help)) {
        CliOutput::printLine(parser.helpText());
        return ExitSuccess;
    }
    if (parser.isSet(version)) {
        CliOutput::printLine(QCoreApplication::applicationName() + u' ' +
                             QCoreApplication::applicationVersion());
        return ExitSuccess;
    }
    // Standard error is for failures; the session's diagnostic lines only on request.
    setDiagnosticLinesEnabled(parser.isSet(verbose));
    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty()) {
        CliOutput::printErrorText(messageText(QStringLiteral("Text_CliNoCommand")));
        return ExitFailure;
    }
    CliCommand *command = findCommand(positional.first());
    if (!command) {
        CliOutput::printErrorText(
            messageText(QStringLiteral("Text_CliUnknownCommand")).arg(positional.first()));
        return ExitFailure;
    }
    if (const QString misplaced = optionOfOtherCommand(parser, command); !misplaced.isEmpty()) {
        CliOutput::printErrorText(
            messageText(QStringLiteral("Text_CliOptionNotForCommand")).arg(misplaced, command->name()));
        return command->usageExitCode();
    }
    QString problem;
    if (!command->takeArguments(parser, positional.mid(1), problem)) {
        CliOutput::printErrorText(problem);
        return command->usageExitCode();
    }

    Error error;
    const ConnectionOptions options = ConnectionOptions::fromParser(parser, error);
    if (error) {
        CliOutput::printError(error);
        return command->usageExitCode();
    }
    return command->run(options);
}
