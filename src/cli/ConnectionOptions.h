#pragma once

#include "common/Error.h"

#include <QByteArray>
#include <QString>

#include <optional>

class Preferences;
class QCommandLineParser;
class commsGlobals;

// Where and as whom to sign in, from the command line. A value left out stays unset, so that a
// stored profile can fill it in before the session is configured.
class ConnectionOptions
{
public:
    // Adds --server, --port, --https, --http, --user, --proxy, --password-stdin and --ca-cert.
    static void addTo(QCommandLineParser &parser);
    // Reads them back; a malformed value sets the error.
    static ConnectionOptions fromParser(const QCommandLineParser &parser, Error &error);

    // Fills in what the command line left out from the stored profile (the CA file by name only, see
    // loadCaCertificates). The stored port and scheme
    // belong to the stored server: another server gets the scheme's default port, as without a
    // profile, and a scheme given alone moves a stored default port along with it.
    void fillFromProfile(const Preferences &preferences);
    // Reads the CA file's certificates, unless read already; an error when it holds none.
    void loadCaCertificates(Error &error);
    // Checks that a server and a user name are there.
    void checkServerAndUser(Error &error) const;
    // The password from standard input (--password-stdin), else from VENDRA_PASSWORD, else the one
    // the keyring keeps for exactly this server and user name; an error when there is none.
    QString password(Error &error) const;
    // Trusts the extra certificate, sets the proxy and copies the settings into the session.
    void applyTo(commsGlobals &globals, const QString &password) const;

    // The first line of standard input without its line break; an error when there is none.
    static QString passwordFromStandardInput(Error &error);
    static qint64 defaultPort(bool useHTTPS) { return useHTTPS ? 443 : 80; }

    std::optional<QString> server;
    std::optional<qint64> port;
    std::optional<bool> useHTTPS;
    std::optional<QString> userName;
    std::optional<QString> proxy;             // empty: the environment's
    std::optional<QString> caCertificateFile; // absolute; empty: none
    bool passwordFromStdin = false;
    QList<QByteArray> extraCaCertificates; // DER-encoded
};
