#include "ProfileCommand.h"

#include "CliError.h"
#include "CliOutput.h"
#include "ConnectionOptions.h"
#include "ExitCode.h"
#include "common/MessageText.h"
#include "http/HttpProxy.h"
#include "http/ServerCertificate.h"
#include "http/TrustedCertificates.h"
#include "session/wsCoreComms.h"
#include "settings/Preferences.h"
#include "settings/QXKeychain.h"
#include "settings/UserDefaults.h"

#include <QCommandLineParser>

namespace {

const QString SavePasswordOption = QStringLiteral("save-password");
const QString ForgetPasswordOption = QStringLiteral("forget-password");
const QString TrustCertificateOption = QStringLiteral("trust-certificate");
const QString ForgetCertificateOption = QStringLiteral("forget-certificate");

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
        {TrustCertificateOption,
         QStringLiteral("profile: show the certificate the profile's HTTPS server presents and trust exactly "
                        "that certificate for its host and port from now on (compare its fingerprint "
                        "with the one the server's administrator gives you first).")},
        {ForgetCertificateOption,
         QStringLiteral("profile: forget the certificate trusted for the profile's server.")},
    };
}

bool ProfileCommand::takeArguments(const QCommandLineParser &parser, const QStringList &arguments,
                                   QString &problem)
{
    m_savePassword = parser.isSet(SavePasswordOption);
    m_forgetPassword = parser.isSet(ForgetPasswordOption);
    m_trustCertificate = parser.isSet(TrustCertificateOption);
    m_forgetCertificate = parser.isSet(ForgetCertificateOption);
    if (m_savePassword && m_forgetPassword) {
        problem = messageText(QStringLiteral("Text_CliProfileSaveAndForget"));
        return false;
    }
    if (m_trustCertificate && m_forgetCertificate) {
        problem = messageText(QStringLiteral("Text_CliProfileTrustAndForget"));
        return false;
    }
    // A password is not kept in the profile, so taking one silently would mislead; a password to
    // save comes from standard input anyway.
    if (parser.isSet(QStringLiteral("password-stdin")) && !m_savePassword) {
        problem = messageText(QStringLiteral("Text_CliOptionNotForCommand"))
                      .arg(QStringLiteral("--password-stdin"), name());
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
    const bool changesSettings = options.server || options.port || options.useHTTPS || options.userName ||
                                 options.proxy || options.caCertificateFile;
    if (!changesSettings && !m_savePassword && !m_forgetPassword && !m_trustCertificate &&
        !m_forgetCertificate)
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
    if (m_trustCertificate && (options.server.value_or(preferences.server()).isEmpty() ||
                               !options.useHTTPS.value_or(preferences.useHttps()))) {
        error = cliError(QStringLiteral("Text_CliTrustNeedsHttpsServer"));
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
    if (options.caCertificateFile)
        preferences.setCaCertificateFile(*options.caCertificateFile);
    if (m_forgetCertificate)
        preferences.setTrustedCertificate(
            wsCoreComms::serverKeyFor(preferences.server(), preferences.port(), preferences.useHttps()), {});
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
    if (m_trustCertificate && !error && !trustCertificate(preferences, error))
        return false;
    preferences.sendEventPrefrencesChanged();
    return true;
}

bool ProfileCommand::trustCertificate(Preferences &preferences, Error &error)
{
    const QString serverKey =
        wsCoreComms::serverKeyFor(preferences.server(), preferences.port(), preferences.useHttps());
    // Reached the way every command reaches it, through the profile's proxy.
    HttpProxy::setProxy(preferences.proxy());
    const ServerCertificate certificate = ServerCertificate::presentedBy(
        wsCoreComms::soapUrlFor(preferences.server(), preferences.port(), preferences.useHttps()), error);
    if (certificate.isNull())
        return false;
    CliOutput::printLine(messageText(QStringLiteral("Text_CliPresentedCertificate")).arg(serverKey));
    for (const QString &line : certificate.description().split(u'\n'))
        CliOutput::printLine(QStringLiteral("  ") + line);
    preferences.setTrustedCertificate(serverKey, certificate.fingerprint());
    if (!preferences.synchronize()) {
        error = cliError(QStringLiteral("Text_CliProfileNotWritten"), UserDefaults::open()->fileName());
        return false;
    }
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
    // Only a proxy of the profile's own; without one the environment's applies, as for any program.
    if (!preferences.proxy().isEmpty())
        CliOutput::printLine(QStringLiteral("Proxy: %1").arg(preferences.proxy()));
    if (!preferences.caCertificateFile().isEmpty())
        CliOutput::printLine(QStringLiteral("CA certificates: %1").arg(preferences.caCertificateFile()));
    const QString trusted = preferences.trustedCertificate(
        wsCoreComms::serverKeyFor(server, preferences.port(), preferences.useHttps()));
    if (!trusted.isEmpty())
        CliOutput::printLine(QStringLiteral("Trusted certificate: %1").arg(trusted));
    CliOutput::printLine(QStringLiteral("Password: %1").arg(passwordState));
}
