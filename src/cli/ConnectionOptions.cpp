#include "ConnectionOptions.h"

#include "CliError.h"
#include "http/HttpProxy.h"
#include "http/TrustedCertificates.h"
#include "session/commsGlobals.h"
#include "settings/Preferences.h"
#include "settings/QXKeychain.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QTextStream>

#include <cstdio>

void ConnectionOptions::addTo(QCommandLineParser &parser)
{
    parser.addOption({QStringLiteral("server"), QStringLiteral("Server address, e.g. media.example.org."),
                      QStringLiteral("ADDR")});
    parser.addOption(
        {QStringLiteral("port"),
         QStringLiteral("TCP port (default: the stored one, else 443 with HTTPS, 80 with HTTP)."),
         QStringLiteral("N")});
    parser.addOption({QStringLiteral("https"), QStringLiteral("Connect over HTTPS (the default).")});
    parser.addOption({QStringLiteral("http"), QStringLiteral("Connect over plain HTTP.")});
    parser.addOption({QStringLiteral("user"), QStringLiteral("User name."), QStringLiteral("NAME")});
    parser.addOption(
        {QStringLiteral("proxy"),
         QStringLiteral("Connect through this proxy, e.g. http://proxy.example.org:3128; an empty "
                        "value uses the environment's (http_proxy, https_proxy, all_proxy, "
                        "no_proxy), as when no proxy is stored."),
         QStringLiteral("URL")});
    parser.addOption({QStringLiteral("password-stdin"),
                      QStringLiteral("Read the password from the first line of standard input instead of "
                                     "the environment variable VENDRA_PASSWORD.")});
    parser.addOption({QStringLiteral("ca-cert"),
                      QStringLiteral("Trust the certificate authorities of this PEM or DER file in addition "
                                     "to the system's, for a server with a private or self-signed "
                                     "certificate; \"profile --ca-cert FILE\" stores it, an empty value "
                                     "removes it."),
                      QStringLiteral("FILE")});
}

ConnectionOptions ConnectionOptions::fromParser(const QCommandLineParser &parser, Error &error)
{
    ConnectionOptions options;
    if (parser.isSet(QStringLiteral("server")))
        options.server = parser.value(QStringLiteral("server"));
    if (parser.isSet(QStringLiteral("user")))
        options.userName = parser.value(QStringLiteral("user"));
    if (parser.isSet(QStringLiteral("http")) && parser.isSet(QStringLiteral("https"))) {
        error = cliError(QStringLiteral("Text_CliHttpAndHttps"));
        return options;
    }
    if (parser.isSet(QStringLiteral("http")))
        options.useHTTPS = false;
    if (parser.isSet(QStringLiteral("https")))
        options.useHTTPS = true;
    if (parser.isSet(QStringLiteral("port"))) {
        bool ok = false;
        const QString text = parser.value(QStringLiteral("port"));
        const int port = text.toInt(&ok);
        if (!ok || port < 1 || port > 65535) {
            error = cliError(QStringLiteral("Text_CliBadPort"), text);
            return options;
        }
        options.port = port;
    }
    if (parser.isSet(QStringLiteral("proxy")))
        options.proxy = parser.value(QStringLiteral("proxy")).trimmed();
    options.passwordFromStdin = parser.isSet(QStringLiteral("password-stdin"));
    if (parser.isSet(QStringLiteral("ca-cert"))) {
        const QString path = parser.value(QStringLiteral("ca-cert"));
        // Kept by its full name, so that a stored file is found from any folder.
        options.caCertificateFile = path.isEmpty() ? QString() : QFileInfo(path).absoluteFilePath();
        options.loadCaCertificates(error);
    }
    return options;
}

void ConnectionOptions::loadCaCertificates(Error &error)
{
    if (!caCertificateFile || caCertificateFile->isEmpty() || !extraCaCertificates.isEmpty())
        return;
    extraCaCertificates = TrustedCertificates::readCertificateFile(*caCertificateFile);
    if (extraCaCertificates.isEmpty())
        error = cliError(QStringLiteral("Text_CliBadCertificate"), *caCertificateFile);
}

void ConnectionOptions::fillFromProfile(const Preferences &preferences)
{
    if (!userName && !preferences.user().isEmpty())
        userName = preferences.user();
    if (!proxy)
        proxy = preferences.proxy();
    if (!caCertificateFile)
        caCertificateFile = preferences.caCertificateFile();
    const QString storedServer = preferences.server();
    // Without a stored server the port and scheme read are only the registered defaults.
    if (storedServer.isEmpty())
        return;
    if (server && *server != storedServer)
        return;
    server = storedServer;
    const bool storedHttps = preferences.useHttps();
    if (!port) {
        const qint64 storedPort = preferences.port();
        const bool schemeChanged = useHTTPS && *useHTTPS != storedHttps;
        port = schemeChanged && storedPort == defaultPort(storedHttps) ? defaultPort(*useHTTPS) : storedPort;
    }
    if (!useHTTPS)
        useHTTPS = storedHttps;
}

void ConnectionOptions::checkServerAndUser(Error &error) const
{
    if (!server || server->trimmed().isEmpty())
        error = cliError(QStringLiteral("Text_CliMissingServer"));
    else if (!userName || userName->trimmed().isEmpty())
        error = cliError(QStringLiteral("Text_CliMissingUser"));
}

QString ConnectionOptions::passwordFromStandardInput(Error &error)
{
    QTextStream in(stdin);
    QString line = in.readLine();
    if (line.isNull()) {
        error = cliError(QStringLiteral("Text_CliMissingPassword"));
        return {};
    }
    // Only the line break goes; spaces belong to the password.
    if (line.endsWith(u'\r'))
        line.chop(1);
    return line;
}

QString ConnectionOptions::password(Error &error) const
{
    if (passwordFromStdin)
        return passwordFromStandardInput(error);
    if (qEnvironmentVariableIsSet("VENDRA_PASSWORD"))
        return qEnvironmentVariable("VENDRA_PASSWORD");
    // Keyed by the server text and user name exactly as given, as the desktop program saves it.
    const QString saved =
        QXKeychain::passwordForService(server.value_or(QString()), userName.value_or(QString()));
    if (saved.isEmpty())
        error = cliError(QStringLiteral("Text_CliMissingPassword"));
    return saved;
}

void ConnectionOptions::applyTo(commsGlobals &globals, const QString &password) const
{
    const bool https = useHTTPS.value_or(true);
    globals.setServer(server.value_or(QString()));
    globals.setUserName(userName.value_or(QString()));
    globals.setPassword(password);
    globals.setBUseHTTPS(https);
    globals.setPortNo(port.value_or(defaultPort(https)));
    TrustedCertificates::setAdditionalCaCertificates(extraCaCertificates);
    HttpProxy::setProxy(proxy.value_or(QString()));
}
