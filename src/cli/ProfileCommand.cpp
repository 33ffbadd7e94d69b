#include "ProfileCommand.h"

#include "CliError.h"
#include "CliOutput.h"
#include "ConnectionOptions.h"
#include "ExitCode.h"
#include "common/MessageText.h"
#include "settings/Preferences.h"
#include "settings/QXKeychain.h"
#include "settings/UserDefaults.h"

#include <QCommandLineParser>

namespace {

const QString SavePasswordOption = QStringLiteral("save-password");
const QString ForgetPasswordOption = QStringLiteral("forget-password");

QString shown(const QString &value)
{
    return value.isEmpty() ? QStringLiteral("(none)") : value;
}

} // namespace

QString ProfileCommand::summary() const
{
    return QStringLiteral("show the stored profile; with connection options, store them");
}

QList<QCommandLineOption> ProfileCommand::options() const
{
    return {
        {SavePasswordOption,
         QStringLiteral("profile: save the password, read from the first line of standard input, in the "
                        "keyring for the profile's server and user name.")},
        {ForgetPasswordOption,
         QStringLiteral("profile: remove the saved password of the profile's server and user name from "
                        "the keyring.")},
    };
}

bool ProfileCommand::takeArguments(const QCommandLineParser &parser, const QStringList &arguments,
                                   QString &problem)
{
    m_savePassword = parser.isSet(SavePasswordOption);
    m_forgetPassword = parser.isSet(ForgetPasswordOption);
    if (m_savePassword && m_forgetPassword) {
        problem = messageText(QStringLiteral("Text_CliProfileSaveAndForget"));
        return false;
    }
    // Neither is kept in the profile, so taking them silently would mislead; a password to save
    // comes from standard input anyway.
    QString refused;
    if (parser.isSet(QStringLiteral("ca-cert")))
        refused = QStringLiteral("--ca-cert");
    else if (parser.isSet(QStringLiteral("password-stdin")) && !m_savePassword)
        refused = QStringLiteral("--password-stdin");
    if (!refused.isEmpty()) {
        problem = messageText(QStringLiteral("Text_CliOptionNotForCommand")).arg(refused, name());
        return false;
    }
    return CliCommand::takeArguments(parser, arguments, problem);
}

int ProfileCommand::run(const ConnectionOptions &options)
{
    Preferences &preferences = *Preferences::instance();
    Error error;
    const bool stored = store(preferences, options, error);
    if (error)
        CliOutput::printError(error);
    if (!stored)
        return ExitFailure;
    print(preferences);
    return error ? ExitFailure : ExitSuccess;
}

bool ProfileCommand::store(Preferences &preferences, const ConnectionOptions &options, Error &error) const
{
    const bool changesSettings =
        options.server || options.port || options.useHTTPS || options.userName || options.proxy;
    if (!changesSettings && !m_savePassword && !m_forgetPassword)
        return true;
    if (options.server && options.server->trimmed().isEmpty()) {
        error = cliError(QStringLiteral("Text_CliProfileEmptyValue"), QStringLiteral("--server"));
        return false;
    }
    if (options.userName && options.userName->trimmed().isEmpty()) {
        error = cliError(QStringLiteral("Text_CliProfileEmptyValue"), QStringLiteral("--user"));
        return false;
    }
    if ((m_savePassword || m_forgetPassword) && (options.server.value_or(preferences.server()).isEmpty() ||
                                                 options.userName.value_or(preferences.user()).isEmpty())) {
        error = cliError(QStringLiteral("Text_CliProfileIncomplete"));
        return false;
    }
    QString password;
    if (m_savePassword) {
        password = ConnectionOptions::passwordFromStandardInput(error);
        if (error)
            return false;
        // An empty secret reads back as none, so saving it would only look like success.
        if (password.isEmpty()) {
            error = cliError(QStringLiteral("Text_CliProfileEmptyPassword"));
            return false;
        }
    }

    if (options.server)
        preferences.setServer(*options.server);
    if (options.port) {
        preferences.setPort(*options.port);
    } else if (options.useHTTPS && *options.useHTTPS != preferences.useHttps() &&
               preferences.port() == ConnectionOptions::defaultPort(preferences.useHttps())) {
        // A scheme's default port follows the scheme; a port of the user's own choosing stays.
        preferences.setPort(ConnectionOptions::defaultPort(*options.useHTTPS));
    }
    if (options.useHTTPS)
        preferences.setUseHttps(*options.useHTTPS);
    if (options.userName)
        preferences.setUser(*options.userName);
    if (options.proxy)
        preferences.setProxy(*options.proxy);
    // The keyring is not touched when the settings it is keyed by did not reach the disk.
    if (!preferences.synchronize()) {
        error = cliError(QStringLiteral("Text_CliProfileNotWritten"), UserDefaults::open()->fileName());
        return false;
    }

    if (m_savePassword) {
        preferences.setPassword(password, true);
        // Read back the way every other command finds it.
        if (preferences.password() != password)
            error = cliError(QStringLiteral("Text_CliPasswordNotSaved"));
    } else if (m_forgetPassword) {
        preferences.setPassword(QString(), false);
        if (!preferences.password().isEmpty())
            error = cliError(QStringLiteral("Text_CliPasswordNotForgotten"));
    }
    preferences.sendEventPrefrencesChanged();
    return true;
}

void ProfileCommand::print(const Preferences &preferences)
{
    const QString server = preferences.server();
    const QString user = preferences.user();
    QString passwordState = QStringLiteral("not saved");
    if (!server.isEmpty() && !user.isEmpty()) {
        Error error;
        // Only whether there is one: the password itself is never shown.
        if (!QXKeychain::passwordForService(server, user, error).isEmpty())
            passwordState = QStringLiteral("saved in the keyring");
        else if (error.code() == QXKeychain::NotAvailable)
            passwordState = QStringLiteral("unknown, no keyring answered");
    }
    CliOutput::printLine(QStringLiteral("Server: %1").arg(shown(server)));
    CliOutput::printLine(QStringLiteral("Port: %1").arg(preferences.port()));
    CliOutput::printLine(QStringLiteral("Scheme: %1")
                             .arg(preferences.useHttps() ? QStringLiteral("https") : QStringLiteral("http")));
    CliOutput::printLine(QStringLiteral("User: %1").arg(shown(user)));
    CliOutput::printLine(QStringLiteral("Proxy: %1")
                             .arg(preferences.proxy().isEmpty() ? QStringLiteral("(from the environment)")
                                                                : preferences.proxy()));
    CliOutput::printLine(QStringLiteral("Password: %1").arg(passwordState));
}
